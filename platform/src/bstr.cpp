// BSTR allocation with the Windows layout: the characters are preceded by a
// 32-bit byte length and followed by a NUL character. The header is eight
// bytes, as on 64-bit Windows, so the characters stay 8-byte aligned.
//
// Callers allocate and free small strings at a high rate (a component call
// per tile row makes two), so freed blocks of small sizes are kept per thread
// and handed out again, as the Windows string cache does. Under
// AddressSanitizer every block goes back to the allocator at once, so that a
// string used after SysFreeString is still reported.
#include <oleauto.h>

#include <array>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define TILEBRIDGE_BSTR_CACHE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TILEBRIDGE_BSTR_CACHE 0
#endif
#endif
#ifndef TILEBRIDGE_BSTR_CACHE
#define TILEBRIDGE_BSTR_CACHE 1
#endif

namespace {

constexpr size_t kHeader = 8;
constexpr UINT kMaxBytes = 0x7FFFFFF0u;

// Blocks are sized in steps of kGranule bytes, header and terminator
// included; those of up to kClasses steps are cached, kBlocksPerClass of
// each size at most.
constexpr size_t kGranule = 16;
constexpr size_t kClasses = 8;
constexpr size_t kBlocksPerClass = 4;

// The size class of a block that holds byteLength bytes of characters, from
// 0; kClasses and above are not cached.
size_t ClassOf(UINT byteLength) { return (kHeader + byteLength + sizeof(OLECHAR) - 1) / kGranule; }

// The freed blocks of one thread. Trivially destructible, so that it stays
// usable until the thread's very end; BlockCacheOwner empties and closes it
// when the thread's objects are destroyed.
struct BlockCache {
    std::array<std::array<char*, kBlocksPerClass>, kClasses> blocks;
    std::array<uint8_t, kClasses> counts;
    bool owned;
    bool closed;

    char* Take(size_t sizeClass)
    {
        if (sizeClass >= kClasses || counts[sizeClass] == 0) return nullptr;
        return blocks[sizeClass][--counts[sizeClass]];
    }

    // False when the block is not kept and must go back to the allocator.
    bool Keep(size_t sizeClass, char* block);

    void Empty()
    {
        for (size_t sizeClass = 0; sizeClass < kClasses; ++sizeClass)
            while (counts[sizeClass] > 0) std::free(blocks[sizeClass][--counts[sizeClass]]);
    }
};

// Reached at every allocation, so it sits in the static TLS block (the
// library is loaded with the program, or along with a component it serves)
// instead of being looked up through the dynamic TLS calls.
[[gnu::tls_model("initial-exec")]] thread_local constinit BlockCache cache{};

struct BlockCacheOwner {
    bool armed = false;
    ~BlockCacheOwner()
    {
        cache.closed = true;
        cache.Empty();
    }
};

thread_local BlockCacheOwner cacheOwner;

bool BlockCache::Keep(size_t sizeClass, char* block)
{
    if (!TILEBRIDGE_BSTR_CACHE || closed || sizeClass >= kClasses || counts[sizeClass] == kBlocksPerClass)
        return false;
    if (!owned) {
        // The first block kept in this thread: have it emptied at the thread's end.
        owned = true;
        cacheOwner.armed = true;
    }
    blocks[sizeClass][counts[sizeClass]++] = block;
    return true;
}

BSTR AllocateBytes(UINT byteLength)
{
    if (byteLength > kMaxBytes) return nullptr;
    const size_t sizeClass = ClassOf(byteLength);
    char* block = cache.Take(sizeClass);
    if (!block) {
        // Cacheable blocks get their class's full size, so that any string of the class fits when reused.
        const size_t size = sizeClass < kClasses ? (sizeClass + 1) * kGranule : kHeader + byteLength + sizeof(OLECHAR);
        block = static_cast<char*>(std::malloc(size));
    }
    if (!block) return nullptr;
    std::memcpy(block + kHeader - sizeof(uint32_t), &byteLength, sizeof(uint32_t));
    char* data = block + kHeader;
    std::memset(data + byteLength, 0, sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(data);
}

char* BlockOf(BSTR bstr) { return reinterpret_cast<char*>(bstr) - kHeader; }

} // namespace

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    if (ui > kMaxBytes / sizeof(OLECHAR)) return nullptr;
    BSTR result = AllocateBytes(ui * static_cast<UINT>(sizeof(OLECHAR)));
    if (!result) return nullptr;
    if (strIn)
        std::memcpy(result, strIn, ui * sizeof(OLECHAR));
    else
        std::memset(result, 0, ui * sizeof(OLECHAR));
    return result;
}

BSTR SysAllocString(const OLECHAR* psz)
{
    if (!psz) return nullptr;
    UINT length = 0;
    while (psz[length]) ++length;
    return SysAllocStringLen(psz, length);
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len)
{
    BSTR result = AllocateBytes(len);
    if (!result) return nullptr;
    if (psz)
        std::memcpy(result, psz, len);
    else
        std::memset(result, 0, len);
    return result;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len)
{
    if (!pbstr) return FALSE;
    BSTR fresh = SysAllocStringLen(psz, len);
    if (!fresh) return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void SysFreeString(BSTR bstrString)
{
    if (!bstrString) return;
    char* block = BlockOf(bstrString);
    if (!cache.Keep(ClassOf(SysStringByteLen(bstrString)), block)) std::free(block);
}

UINT SysStringByteLen(BSTR bstr)
{
    if (!bstr) return 0;
    uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<char*>(bstr) - sizeof(uint32_t), sizeof bytes);
    return bytes;
}

UINT SysStringLen(BSTR pbstr) { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }

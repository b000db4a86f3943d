// BSTR allocation with the Windows layout: the characters are preceded by a
// 32-bit byte length and followed by a NUL character. The header is eight
// bytes, as on 64-bit Windows, so the characters stay 8-byte aligned.
#include <oleauto.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kHeader = 8;
constexpr UINT kMaxBytes = 0x7FFFFFF0u;

BSTR AllocateBytes(UINT byteLength)
{
    if (byteLength > kMaxBytes) return nullptr;
    auto* block = static_cast<char*>(std::malloc(kHeader + byteLength + sizeof(OLECHAR)));
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
    if (bstrString) std::free(BlockOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr)
{
    if (!bstr) return 0;
    uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<char*>(bstr) - sizeof(uint32_t), sizeof bytes);
    return bytes;
}

UINT SysStringLen(BSTR pbstr) { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }

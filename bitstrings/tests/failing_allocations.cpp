// In a file of their own, so that the compiler never sees a block of this
// operator new freed by this operator delete's free() inside one function.
#include "failing_allocations.h"

#include <oleauto.h>

#include <dlfcn.h>

#include <cstdlib>
#include <new>

std::atomic<int> failingObjects{0}, failingStrings{0};

static bool Fails(std::atomic<int>& failing) { return failing < 0 || (failing > 0 && failing-- > 0); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Fails(failingObjects) ? nullptr : std::malloc(size ? size : 1);
}
void* operator new(std::size_t size)
{
    void* block = ::operator new(size, std::nothrow);
    return block ? block : throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return ::operator new(size, tag); }
// Every form of delete frees with free(): a sanitizer's own forms would take
// the blocks above for blocks of another allocator.
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    static const auto platform = reinterpret_cast<decltype(&SysAllocStringLen)>(dlsym(RTLD_NEXT, "SysAllocStringLen"));
    return Fails(failingStrings) ? nullptr : platform(strIn, ui);
}

#include "failing_allocations.h"

#include <oleauto.h>

#include <dlfcn.h>

#include <cstdlib>
#include <new>

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return FailingAllocations::objects ? nullptr : std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size)
{
    if (void* block = ::operator new(size, std::nothrow)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return ::operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    static const auto platformAllocation =
        reinterpret_cast<decltype(&SysAllocStringLen)>(dlsym(RTLD_NEXT, "SysAllocStringLen"));
    return FailingAllocations::strings ? nullptr : platformAllocation(strIn, ui);
}

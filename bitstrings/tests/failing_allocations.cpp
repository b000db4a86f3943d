#include "failing_allocations.h"

#include <oleauto.h>

#include <dlfcn.h>

#include <cstdlib>
#include <new>

// The library's other allocation functions, the non-throwing and array
// forms, come here too; its deallocation functions free what malloc gave.
void* operator new(std::size_t size)
{
    void* block = FailingAllocations::Fails(FailingAllocations::objects) ? nullptr : std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    static const auto platformAllocation =
        reinterpret_cast<decltype(&SysAllocStringLen)>(dlsym(RTLD_NEXT, "SysAllocStringLen"));
    return FailingAllocations::Fails(FailingAllocations::strings) ? nullptr : platformAllocation(strIn, ui);
}

#include "class_factory.h"

#include "automation_error.h"
#include "binary.h"
#include "server_lifetime.h"

#include <new>

namespace bitstrings {

HRESULT BinaryClassFactory::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppvObject = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

// The factory is a static object: references don't decide its lifetime.
ULONG BinaryClassFactory::AddRef() { return 2; }
ULONG BinaryClassFactory::Release() { return 1; }

HRESULT BinaryClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject)
{
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    auto* object = new (std::nothrow) Binary();
    if (!object) return OutOfMemory();
    const HRESULT hr = object->QueryInterface(riid, ppvObject);
    object->Release();
    return hr;
}

HRESULT BinaryClassFactory::LockServer(BOOL fLock)
{
    if (fLock) {
        ServerLocked();
    } else {
        ServerUnlocked();
    }
    return S_OK;
}

BinaryClassFactory& TheBinaryClassFactory()
{
    static BinaryClassFactory factory;
    return factory;
}

}  // namespace bitstrings

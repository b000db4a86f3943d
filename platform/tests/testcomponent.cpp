// A minimal in-process component for the activation and regsvr tests: one
// class whose objects offer IUnknown only, counted so that DllCanUnloadNow
// can tell when the library may go.
#include "test_support.h"
#include "testcomponent.h"

#include <objbase.h>

#include <dlfcn.h>
#include <olectl.h>

#include <atomic>

namespace {

// Live objects plus references to and locks on the factory.
std::atomic<long> inUse{0};

// Hands out this as the interface when offered is true.
HRESULT Answer(IUnknown* self, bool offered, void** ppv)
{
    *ppv = offered ? self : nullptr;
    if (!offered) return E_NOINTERFACE;
    self->AddRef();
    return S_OK;
}

class TestObject final : public IUnknown {
public:
    TestObject() { ++inUse; }
    ~TestObject() { --inUse; }
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Answer(this, riid == IID_IUnknown, ppv); }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> references_{1};
};

// One static factory; its references count as locks on the library.
class TestFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return Answer(this, riid == IID_IUnknown || riid == IID_IClassFactory, ppv);
    }
    ULONG AddRef() override { return static_cast<ULONG>(++inUse); }
    ULONG Release() override { return static_cast<ULONG>(--inUse); }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* object = new TestObject;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT LockServer(BOOL lock) override
    {
        inUse += lock ? 1 : -1;
        return S_OK;
    }
} factory;

}  // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    *ppv = nullptr;
    return rclsid == CLSID_TestObject ? factory.QueryInterface(riid, ppv) : CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow(void) { return inUse == 0 ? S_OK : S_FALSE; }

// Registers the class under the path this library was loaded from.
STDAPI DllRegisterServer(void)
{
    Dl_info self;
    if (dladdr(reinterpret_cast<void*>(&DllCanUnloadNow), &self) == 0) return SELFREG_E_CLASS;
    OLECHAR clsid[CHARS_IN_GUID];
    StringFromGUID2(CLSID_TestObject, clsid, CHARS_IN_GUID);
    LONG result = SetString(kTestObjectServerKey, nullptr, Wide(self.dli_fname));
    if (result == ERROR_SUCCESS) result = SetString(std::u16string(kTestObjectProgId) + u"\\CLSID", nullptr, clsid);
    return result == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer(void)
{
    const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID\\{6B1D5E2A-3C4F-4A8B-9E7D-1F2A3B4C5D6E}");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kTestObjectProgId);
    return HRESULT_FROM_WIN32(result);
}

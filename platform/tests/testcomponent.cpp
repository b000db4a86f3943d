// A minimal in-process component for the activation and regsvr tests: one
// class whose objects offer IUnknown only. Every live factory or object and
// every lock counts, so that DllCanUnloadNow can tell when the library may go.
#include "test_support.h"
#include "testcomponent.h"

#include <objbase.h>

#include <dlfcn.h>
#include <olectl.h>

#include <atomic>

namespace {

std::atomic<long> inUse{0};

// A factory (factory true) or one of its objects, deleted with its last reference.
class Unit final : public IClassFactory {
public:
    explicit Unit(bool factory) : factory_(factory) { ++inUse; }
    ~Unit() { --inUse; }
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        const bool offered = riid == IID_IUnknown || (factory_ && riid == IID_IClassFactory);
        *ppv = offered ? this : nullptr;
        if (!offered) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        return outer ? CLASS_E_NOAGGREGATION : Fresh(false, riid, ppv);
    }
    HRESULT LockServer(BOOL lock) override
    {
        inUse += lock ? 1 : -1;
        return S_OK;
    }
    static HRESULT Fresh(bool factory, REFIID riid, void** ppv)
    {
        auto* unit = new Unit(factory);
        const HRESULT hr = unit->QueryInterface(riid, ppv);
        unit->Release();
        return hr;
    }

private:
    bool factory_;
    std::atomic<ULONG> references_{1};
};

}  // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    *ppv = nullptr;
    return rclsid == CLSID_TestObject ? Unit::Fresh(true, riid, ppv) : CLASS_E_CLASSNOTAVAILABLE;
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

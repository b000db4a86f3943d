// A minimal in-process component for the activation and regsvr tests: one
// class whose objects offer IUnknown only, counted so that DllCanUnloadNow
// can tell when the library may go.
#include "testcomponent.h"

#include <objbase.h>
#include <winreg.h>

#include <dlfcn.h>

#include <atomic>
#include <string>

namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

class TestObject final : public IUnknown {
public:
    TestObject() { ++liveObjects; }
    ~TestObject() { --liveObjects; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
        *ppv = this;
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

private:
    std::atomic<ULONG> references_{1};
};

// One static factory; its references count as locks on the library.
class TestFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++serverLocks); }
    ULONG Release() override { return static_cast<ULONG>(--serverLocks); }
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
        serverLocks += lock ? 1 : -1;
        return S_OK;
    }
};

TestFactory factory;

LONG SetDefault(const std::u16string& key, const std::u16string& value)
{
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_TestObject)) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow(void) { return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE; }

// Registers the class under the path this library was loaded from.
STDAPI DllRegisterServer(void)
{
    Dl_info self;
    if (dladdr(reinterpret_cast<void*>(&DllCanUnloadNow), &self) == 0) return SELFREG_E_CLASS;
    const std::string path = self.dli_fname;
    OLECHAR clsid[CHARS_IN_GUID];
    StringFromGUID2(CLSID_TestObject, clsid, CHARS_IN_GUID);
    LONG result = SetDefault(kTestObjectServerKey, std::u16string(path.begin(), path.end()));
    if (result == ERROR_SUCCESS) result = SetDefault(std::u16string(kTestObjectProgId) + u"\\CLSID", clsid);
    return result == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer(void)
{
    const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID\\{6B1D5E2A-3C4F-4A8B-9E7D-1F2A3B4C5D6E}");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kTestObjectProgId);
    return HRESULT_FROM_WIN32(result);
}

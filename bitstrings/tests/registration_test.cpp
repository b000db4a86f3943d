// Registration in the component registry, creation failures and the rules
// for unloading the library.
#include "component_environment.h"

#include <winreg.h>

namespace {

std::u16string RegistryValue(const std::u16string& key, const char16_t* name = nullptr)
{
    char16_t value[1024] = {};
    DWORD size = sizeof value;
    const LONG result = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
    return result == ERROR_SUCCESS ? value : u"<missing>";
}

HRESULT CreateWith(REFIID iid)
{
    IUnknown* object = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(&object));
    if (object) object->Release();
    return hr;
}

// Only a registered class whose library is there is created, and only with
// its own interfaces; unregistering twice is no failure.
TEST(Registration, RecordsTheClassAndCreatesItOnlyWhileRegistered)
{
    const std::u16string kClass = u"CLSID\\{825D6123-1414-4275-9D66-0C0349E1B484}";
    EXPECT_EQ(RegistryValue(kClass + u"\\InprocServer32"), Utf16(fs::canonical(BITSTRINGS_LIBRARY).string()));
    EXPECT_EQ(RegistryValue(kClass + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
    EXPECT_EQ(RegistryValue(kClass + u"\\ProgID"), u"Project1.Binary");
    EXPECT_EQ(RegistryValue(u"Project1.Binary\\CLSID"), kClass.substr(6));
    EXPECT_EQ(RegistryValue(u"Interface\\{5F09A834-7D61-4390-BCFF-0B36AB3C5DFB}"), u"_Binary");
    EXPECT_EQ(RegistryValue(u"TypeLib\\{1A21F21F-E866-4A73-A646-B2B1857AC4F1}\\2.0"), u"Project1");
    EXPECT_EQ(CreateWith(IID_IClassFactory), E_NOINTERFACE);
    void* factory = nullptr;
    EXPECT_EQ(ComponentExport<LPFNGETCLASSOBJECT>("DllGetClassObject")(IID__Binary, IID_IClassFactory, &factory),
              CLASS_E_CLASSNOTAVAILABLE);
    for (int twice = 0; twice < 2; ++twice) EXPECT_EQ(ComponentExport("DllUnregisterServer")(), S_OK);
    EXPECT_EQ(RegistryValue(u"Project1.Binary\\CLSID"), u"<missing>");
    EXPECT_EQ(CreateWith(IID__Binary), REGDB_E_CLASSNOTREG);
    const fs::path copy = NewTestFolder() / "libbitstrings-copy.so";
    fs::copy_file(BITSTRINGS_LIBRARY, copy);
    ASSERT_EQ(std::system((std::string(REGSVR_TOOL) + " '" + copy.string() + "'").c_str()), 0);
    EXPECT_EQ(RegistryValue(kClass + u"\\InprocServer32"), Utf16(copy.string()));
    fs::remove(copy);
    EXPECT_EQ(CreateWith(IID__Binary), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    ASSERT_EQ(ComponentExport("DllRegisterServer")(), S_OK);
}

TEST(Unloading, AllowedOnlyWithoutLiveObjectsAndLocks)
{
    const auto canUnloadNow = ComponentExport<LPFNCANUNLOADNOW>("DllCanUnloadNow");
    BinaryPtr binary = CreateBinary();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    binary.reset();
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_Binary, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(canUnloadNow(), S_OK) << "the class factory alone keeps nothing loaded";
    factory->LockServer(TRUE);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    factory->LockServer(FALSE), factory->LockServer(FALSE), factory->LockServer(TRUE);
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "an unmatched unlock must not cancel a later lock";
    factory->LockServer(FALSE), factory->Release();
}

}  // namespace

// The four exports of an in-process component server, and the registration
// of the class Binary, its programmatic name, the interface _Binary and the
// type library in the component registry.
#include "class_factory.h"
#include "server_lifetime.h"

#include <binary_interface.h>
#include <objbase.h>
#include <stringapiset.h>
#include <winreg.h>

#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <string>

using bitstrings::ServerInUse;
using bitstrings::TheBinaryClassFactory;

namespace {

std::u16string GuidText(REFGUID guid)
{
    OLECHAR text[CHARS_IN_GUID];
    StringFromGUID2(guid, text, CHARS_IN_GUID);
    return text;
}

std::u16string ClassKey() { return u"CLSID\\" + GuidText(CLSID_Binary); }
std::u16string InterfaceKey() { return u"Interface\\" + GuidText(IID__Binary); }
std::u16string TypeLibraryKey() { return u"TypeLib\\" + GuidText(LIBID_Project1); }

// The absolute path of this library, with symbolic links resolved, as the
// component model loads it from the registry.
bool OwnLibraryPath(std::u16string& path)
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&TheBinaryClassFactory), &info) == 0 || !info.dli_fname) return false;
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(info.dli_fname, nullptr), &std::free);
    if (!resolved) return false;
    const std::string bytes(resolved.get());
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0) return false;
    path.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), path.data(), length);
    return true;
}

bool SetValue(const std::u16string& key, const char16_t* name, const std::u16string& value)
{
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(char16_t));
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ, value.c_str(), bytes) == ERROR_SUCCESS;
}

bool DeleteKey(const std::u16string& key)
{
    const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RemoveRegistration()
{
    const bool classRemoved = DeleteKey(ClassKey());
    const bool progIdRemoved = DeleteKey(PROGID_Binary);
    const bool interfaceRemoved = DeleteKey(InterfaceKey());
    const bool typeLibraryRemoved = DeleteKey(TypeLibraryKey());
    return classRemoved && progIdRemoved && interfaceRemoved && typeLibraryRemoved;
}

bool WriteRegistration(const std::u16string& libraryPath)
{
    const std::u16string progId = PROGID_Binary;
    const std::u16string classKey = ClassKey();
    return SetValue(TypeLibraryKey() + u"\\2.0", nullptr, u"Project1") &&
           SetValue(InterfaceKey(), nullptr, u"_Binary") &&
           SetValue(classKey, nullptr, progId) &&
           SetValue(classKey + u"\\InprocServer32", nullptr, libraryPath) &&
           SetValue(classKey + u"\\InprocServer32", u"ThreadingModel", u"Apartment") &&
           SetValue(classKey + u"\\ProgID", nullptr, progId) &&
           SetValue(progId, nullptr, progId) &&
           SetValue(progId + u"\\CLSID", nullptr, GuidText(CLSID_Binary));
}

}  // namespace

STDAPI DllRegisterServer(void)
{
    std::u16string libraryPath;
    if (!OwnLibraryPath(libraryPath)) return SELFREG_E_CLASS;
    if (WriteRegistration(libraryPath)) return S_OK;
    // Nothing half-registered stays behind.
    RemoveRegistration();
    return SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer(void)
{
    return RemoveRegistration() ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_Binary) return CLASS_E_CLASSNOTAVAILABLE;
    return TheBinaryClassFactory().QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow(void)
{
    return ServerInUse() ? S_FALSE : S_OK;
}

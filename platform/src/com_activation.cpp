// Creation of registered in-process classes. A class's library is found
// under CLSID\{clsid}\InprocServer32 in the registry, loaded once per process
// at run time and asked for its class factory; libraries stay loaded until
// CoFreeUnusedLibraries finds that they can go.
#include <objbase.h>
#include <winreg.h>

#include "utf8_text.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <string>

namespace {

struct LoadedLibrary {
    void* handle;
    LPFNGETCLASSOBJECT getClassObject;
    // A library without DllCanUnloadNow is never unloaded.
    LPFNCANUNLOADNOW canUnloadNow;
};

// Loaded libraries by their registered path. Recursive because a component
// may create other classes while it hands out a class factory.
std::recursive_mutex librariesMutex;
std::map<std::string, LoadedLibrary> libraries;

thread_local int initializeCount = 0;

// The default value of a key; a Win32 error code otherwise. The value may
// grow between asking for its size and reading it when another process
// registers at that moment; then the size is asked again.
LONG ReadDefaultValue(const std::u16string& key, std::u16string& value)
{
    DWORD size = 0;
    LONG result = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size);
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        value.assign(size / sizeof(char16_t), u'\0');
        result = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &size);
        if (result == ERROR_SUCCESS) {
            value.resize(size / sizeof(char16_t) - 1);
            break;
        }
    }
    return result;
}

HRESULT RegistryReadFailure(LONG result)
{
    return result == ERROR_FILE_NOT_FOUND ? REGDB_E_CLASSNOTREG : REGDB_E_READREGDB;
}

HRESULT InprocServerPath(REFCLSID clsid, std::string& path)
{
    OLECHAR text[CHARS_IN_GUID];
    StringFromGUID2(clsid, text, CHARS_IN_GUID);
    std::u16string value;
    LONG result = ReadDefaultValue(u"CLSID\\" + std::u16string(text) + u"\\InprocServer32", value);
    if (result != ERROR_SUCCESS) return RegistryReadFailure(result);
    path = Utf8FromUtf16(value);
    return S_OK;
}

// The library at path, loaded on first use; the caller holds librariesMutex.
HRESULT Library(const std::string& path, LoadedLibrary*& library)
{
    if (auto found = libraries.find(path); found != libraries.end()) {
        library = &found->second;
        return S_OK;
    }
    // A relative path would be looked up in the loader's search path or the
    // current folder, which is not what the registration names.
    if (!path.starts_with('/')) return CO_E_BAD_PATH;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return CO_E_ERRORINDLL;
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject"));
    if (getClassObject == nullptr) {
        dlclose(handle);
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    auto canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(handle, "DllCanUnloadNow"));
    library = &libraries.emplace(path, LoadedLibrary{handle, getClassObject, canUnloadNow}).first->second;
    return S_OK;
}

}  // namespace

HRESULT CoInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

// Classes are usable without it; it only counts, so that the first call on a
// thread answers S_OK and the later ones S_FALSE.
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD)
{
    if (pvReserved != nullptr) return E_INVALIDARG;
    return initializeCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize(void)
{
    if (initializeCount > 0) --initializeCount;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    std::string path;
    if (HRESULT hr = InprocServerPath(rclsid, path); FAILED(hr)) return hr;

    std::lock_guard<std::recursive_mutex> guard(librariesMutex);
    LoadedLibrary* library = nullptr;
    if (HRESULT hr = Library(path, library); FAILED(hr)) return hr;
    HRESULT hr = library->getClassObject(rclsid, riid, ppv);
    if (FAILED(hr)) *ppv = nullptr;
    return hr;
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    if (FAILED(hr)) *ppv = nullptr;
    return hr;
}

void CoFreeUnusedLibraries(void)
{
    std::lock_guard<std::recursive_mutex> guard(librariesMutex);
    std::erase_if(libraries, [](const auto& entry) {
        const LoadedLibrary& library = entry.second;
        if (library.canUnloadNow == nullptr || library.canUnloadNow() != S_OK) return false;
        dlclose(library.handle);
        return true;
    });
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid)
{
    if (lpszProgID == nullptr || lpclsid == nullptr) return E_INVALIDARG;
    std::u16string clsid;
    LONG result = ReadDefaultValue(std::u16string(lpszProgID) + u"\\CLSID", clsid);
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_INVALID_PARAMETER) return CO_E_CLASSSTRING;
    if (result != ERROR_SUCCESS) return REGDB_E_READREGDB;
    return CLSIDFromString(clsid.c_str(), lpclsid);
}

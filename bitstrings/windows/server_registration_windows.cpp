// Self-registration on Windows: the module's path from the loader, and the
// type library embedded as resource TYPELIB 1, which the system registers
// together with the interface _Binary.
#include "server_registration.h"

#include <binary_interface.h>

#include <windows.h>

namespace bitstrings {
namespace {

HMODULE OwnModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&OwnModule), &module);
    return module;
}

#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
// On 32-bit Windows the flag is ignored and the one view is read.
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

}  // namespace

bool OwnModulePath(OleString& path)
{
    const HMODULE module = OwnModule();
    if (!module) return false;
    path.resize(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return false;
        if (length < path.size()) {
            path.resize(length);
            return true;
        }
        path.resize(path.size() * 2);
    }
}

bool RegisterTypeLibrary(const OleString& modulePath)
{
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(modulePath.c_str(), REGKIND_REGISTER, &library))) return false;
    library->Release();
    return true;
}

bool UnregisterTypeLibrary()
{
    const HRESULT hr = UnRegisterTypeLib(LIBID_Project1, 2, 0, 0x0409, kSysKind);
    return SUCCEEDED(hr) || hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED;
}

bool RegisteredForOtherPlatform(const OleString& classKey)
{
    HKEY key = nullptr;
    const OleString serverKey = classKey + OLESTR("\\InprocServer32");
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, serverKey.c_str(), 0, KEY_READ | kOtherView, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

}  // namespace bitstrings

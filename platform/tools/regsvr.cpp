// regsvr [--machine] [-u] LIBRARY: registers an in-process component library
// by calling its DllRegisterServer (with -u: unregisters it through
// DllUnregisterServer). The library is loaded under its absolute canonical
// path, so the component records a path that doesn't depend on the folder
// regsvr ran in. The registration goes to the user's classes, or with
// --machine to the machine's, for every user: the component's writes to
// HKEY_CLASSES_ROOT are sent to HKEY_LOCAL_MACHINE\Software\Classes.
#include <objbase.h>
#include <winreg.h>

#include "hresult_text.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

int Fail(const std::string& message)
{
    std::fprintf(stderr, "regsvr: %s\n", message.c_str());
    return kFailed;
}

// Sends HKEY_CLASSES_ROOT to the machine's classes for the rest of the process.
LONG UseMachineClasses()
{
    HKEY machineClasses = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Classes", 0, KEY_ALL_ACCESS, &machineClasses);
    if (result != ERROR_SUCCESS) return result;
    result = RegOverridePredefKey(HKEY_CLASSES_ROOT, machineClasses);
    RegCloseKey(machineClasses);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    bool unregister = false;
    bool machine = false;
    int next = 1;
    for (; next < argc && argv[next][0] == '-'; ++next) {
        const std::string_view option = argv[next];
        if (option == "-u" && !unregister) {
            unregister = true;
        } else if (option == "--machine" && !machine) {
            machine = true;
        } else {
            break;
        }
    }
    const char* library = argc - next == 1 ? argv[next] : nullptr;
    if (library == nullptr || library[0] == '-') {
        std::fprintf(stderr, "usage: regsvr [--machine] [-u] LIBRARY\n");
        return kUsageError;
    }

    char* resolved = realpath(library, nullptr);
    if (resolved == nullptr) return Fail(std::string(library) + ": " + std::strerror(errno));
    const std::string path = resolved;
    std::free(resolved);

    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return Fail("can't load " + path + ": " + dlerror());

    if (machine) {
        if (LONG result = UseMachineClasses(); result != ERROR_SUCCESS) {
            dlclose(handle);
            return Fail("can't open the machine's classes: " + DescribeHResult(HRESULT_FROM_WIN32(result)));
        }
    }
    const char* entryPoint = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto entry = reinterpret_cast<LPFNREGISTERSERVER>(dlsym(handle, entryPoint));
    if (entry == nullptr) {
        dlclose(handle);
        return Fail(path + " has no entry point " + entryPoint + ": it is not a self-registering component");
    }
    const HRESULT hr = entry();
    dlclose(handle);
    if (FAILED(hr)) {
        std::string message = std::string(entryPoint) + " of " + path + " failed with " + DescribeHResult(hr);
        if (machine && geteuid() != 0) message += "; only root changes the machine's classes";
        return Fail(message);
    }
    return 0;
}

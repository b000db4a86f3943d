// regsvr [-u] LIBRARY: registers an in-process component library by calling
// its DllRegisterServer (with -u: unregisters it through
// DllUnregisterServer). The library is loaded under its absolute canonical
// path, so the component records a path that doesn't depend on the folder
// regsvr ran in.
#include <objbase.h>

#include "hresult_text.h"

#include <dlfcn.h>

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

}  // namespace

int main(int argc, char** argv)
{
    const bool unregister = argc == 3 && std::string_view(argv[1]) == "-u";
    const char* library = argc == 2 ? argv[1] : unregister ? argv[2] : nullptr;
    if (library == nullptr || library[0] == '-') {
        std::fprintf(stderr, "usage: regsvr [-u] LIBRARY\n");
        return kUsageError;
    }

    char* resolved = realpath(library, nullptr);
    if (resolved == nullptr) return Fail(std::string(library) + ": " + std::strerror(errno));
    const std::string path = resolved;
    std::free(resolved);

    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return Fail("can't load " + path + ": " + dlerror());

    const char* entryPoint = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto entry = reinterpret_cast<LPFNREGISTERSERVER>(dlsym(handle, entryPoint));
    if (entry == nullptr) {
        dlclose(handle);
        return Fail(path + " has no entry point " + entryPoint + ": it is not a self-registering component");
    }
    const HRESULT hr = entry();
    dlclose(handle);
    if (FAILED(hr)) return Fail(std::string(entryPoint) + " of " + path + " failed with " + DescribeHResult(hr));
    return 0;
}

// Self-registration on Linux: the module's path from the dynamic loader, and
// the type library's and interface's keys written by hand, as there is no
// binary type library to register.
#include "server_registration.h"

#include "class_factory.h"
#include "registry_values.h"

#include <binary_interface.h>
#include <stringapiset.h>

#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace bitstrings {
namespace {

OleString InterfaceKey() { return OLESTR("Interface\\") + GuidText(IID__Binary); }
OleString TypeLibraryKey() { return OLESTR("TypeLib\\") + GuidText(LIBID_Project1); }

}  // namespace

// Symbolic links are resolved, so that the registry names the file itself.
bool OwnModulePath(OleString& path)
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

bool RegisterTypeLibrary(const OleString&)
{
    return SetValue(TypeLibraryKey() + OLESTR("\\2.0"), nullptr, OLESTR("Project1")) &&
           SetValue(InterfaceKey(), nullptr, OLESTR("_Binary"));
}

bool UnregisterTypeLibrary()
{
    const bool interfaceRemoved = DeleteKey(InterfaceKey());
    const bool typeLibraryRemoved = DeleteKey(TypeLibraryKey());
    return interfaceRemoved && typeLibraryRemoved;
}

// One registry serves every program here.
bool RegisteredForOtherPlatform(const OleString&) { return false; }

}  // namespace bitstrings

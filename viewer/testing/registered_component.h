// The component bitstrings registered in a registry of the test's own: the
// registry lives in a temporary folder named by XDG_DATA_HOME (HOME points
// there too, and the machine's classes are looked for there), so neither the
// user's real registry nor the machine's is read or changed.
#pragma once

#include "temp_folder.h"

#include <objbase.h>

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

class RegisteredComponent {
public:
    explicit RegisteredComponent(const std::string& library)
    {
        UseRegistryIn(folder_);
        void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw std::runtime_error("can't load " + library);
        const auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(dlsym(handle, "DllRegisterServer"));
        const HRESULT hr = registerServer ? registerServer() : E_FAIL;
        dlclose(handle);
        if (FAILED(hr)) throw std::runtime_error("can't register " + library);
    }

    // Points the registry (and HOME) at an empty folder of its own.
    static void UseRegistryIn(const TempFolder& folder)
    {
        setenv("XDG_DATA_HOME", folder.Path().c_str(), 1);
        setenv("HOME", folder.Path().c_str(), 1);
        setenv("COM_MACHINE_REGISTRY_DIR", (folder / "machine").c_str(), 1);
    }

private:
    TempFolder folder_;
};

// Temporary folders, a private component registry and small file and
// registry helpers, so that no test touches the user's files or registry.
#pragma once

#include "temp_folder.h"

#include <winreg.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace fs = std::filesystem;

// Sets an environment variable, or unsets it (value null), for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The user's classes in a temporary XDG_DATA_HOME, the machine's in a folder beside them.
class IsolatedRegistry : public TempFolder {
public:
    fs::path File() const { return Path() / "com-registry" / "classes.reg"; }
    fs::path MachineFile() const { return Path() / "machine" / "classes.reg"; }

private:
    ScopedEnv dataHome_{"XDG_DATA_HOME", Path().c_str()};
    ScopedEnv machine_{"COM_MACHINE_REGISTRY_DIR", (Path() / "machine").c_str()};
};

inline std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The number of names in a folder, to see that no temporary file is left.
inline long Entries(const fs::path& folder) { return std::distance(fs::directory_iterator(folder), {}); }

inline std::u16string Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// Stores a string as the default (name null) or a named value of a key.
inline LONG SetString(const std::u16string& key, const OLECHAR* name, const std::u16string& data,
                      HKEY hive = HKEY_CLASSES_ROOT)
{
    return RegSetKeyValueW(hive, key.c_str(), name, REG_SZ, data.c_str(),
                           static_cast<DWORD>((data.size() + 1) * sizeof(char16_t)));
}

inline std::u16string Error(LONG code) { return u"error " + Wide(std::to_string(code)); }

// The value, or the error code as text, to compare both in one expectation.
inline std::u16string GetString(const std::u16string& key, const OLECHAR* name = nullptr, HKEY hive = HKEY_CLASSES_ROOT)
{
    char16_t buffer[1024];
    DWORD size = sizeof buffer;
    const LONG result = RegGetValueW(hive, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size);
    return result == ERROR_SUCCESS ? std::u16string(buffer) : Error(result);
}

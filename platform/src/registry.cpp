// The user's classes and the machine's, each kept in one text file. Every
// change reads the file, changes it in memory and writes it anew beside the
// old one before renaming it into place, holding an exclusive lock on the
// folder so that two processes registering at once don't lose each other's
// changes. Readers need no lock: they see the old file or the new one.
#include <winreg.h>

#include "registry_keys.h"
#include "registry_tree.h"
#include "replacement_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace {

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    char buffer[4096];
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found) return found->pw_dir;
    return {};
}

// ${XDG_DATA_HOME:-$HOME/.local/share}/com-registry, read anew at every call;
// a relative XDG_DATA_HOME is ignored, as the XDG base directory rules say.
std::filesystem::path UserFolder()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base = dataHome && dataHome[0] == '/' ? std::filesystem::path(dataHome)
                                                                : std::filesystem::path(HomeFolder()) / ".local/share";
    return base / "com-registry";
}

// The folder built in, unless COM_MACHINE_REGISTRY_DIR names another by an
// absolute path (tests and relocated installations).
std::filesystem::path MachineFolder()
{
    const char* folder = std::getenv("COM_MACHINE_REGISTRY_DIR");
    return folder && folder[0] == '/' ? std::filesystem::path(folder) : std::filesystem::path(MACHINE_REGISTRY_DIR);
}

// The classes that changes through a key go to: the user's for the view of both.
ClassesView Store(ClassesView view) { return view == ClassesView::Machine ? ClassesView::Machine : ClassesView::User; }

std::filesystem::path StoreFolder(ClassesView store)
{
    return store == ClassesView::Machine ? MachineFolder() : UserFolder();
}

std::filesystem::path RegistryFile(const std::filesystem::path& folder) { return folder / "classes.reg"; }

LONG WriteFailure(int err)
{
    const bool denied = err == EACCES || err == EPERM || err == EROFS || err == ReplacementFile::kReadOnlyTarget;
    return denied ? ERROR_ACCESS_DENIED : ERROR_WRITE_FAULT;
}

// A missing file is an empty registry; a file that can't be read whole or
// isn't in the registry's text form is a damaged one.
LONG Load(const std::filesystem::path& file, RegistryKey& root)
{
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) return ERROR_BADDB;
        root = RegistryKey{};
        return ERROR_SUCCESS;
    }
    std::string text;
    char chunk[65536];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        text.append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    if (n < 0) return ERROR_BADDB;
    std::optional<RegistryKey> parsed = ParseRegistry(text);
    if (!parsed) return ERROR_BADDB;
    root = std::move(*parsed);
    return ERROR_SUCCESS;
}

bool HoldsValues(const RegistryKey& key)
{
    return !key.values.empty() || std::ranges::any_of(key.subkeys, HoldsValues);
}

// A registry that holds no value leaves no file behind (a link to one stays
// and is written), so that removing the last registration removes what
// registering made, the keys it left empty included. A file that this user
// may not write stays, as it would for any other change.
LONG Save(const std::filesystem::path& file, const RegistryKey& root, ClassesView store)
{
    std::error_code ec;
    if (!HoldsValues(root) && !std::filesystem::is_symlink(file, ec)) {
        if (faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) return WriteFailure(errno);
        return unlink(file.c_str()) == 0 || errno == ENOENT ? ERROR_SUCCESS : WriteFailure(errno);
    }
    const std::string text = SerializeRegistry(root);
    ReplacementFile replacement;
    int err = replacement.Begin(file);
    // Every user reads the machine's classes, whatever the umask of the
    // administrator who registers; a file that exists keeps its permissions.
    if (err == 0 && store == ClassesView::Machine && fchmod(replacement.fd(), 0644) != 0) err = errno;
    if (err == 0) err = replacement.Write(text.data(), text.size());
    if (err == 0) err = replacement.Commit();
    return err == 0 ? ERROR_SUCCESS : WriteFailure(err);
}

// Holds an exclusive lock on the registry folder for one read-change-write.
class FolderLock {
public:
    explicit FolderLock(const std::filesystem::path& folder)
        : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                error_ = errno;
                return;
            }
        }
    }
    ~FolderLock()
    {
        if (fd_ >= 0) close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    int error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
};

// Threads of one process take turns too; the folder lock is per open file.
std::mutex changeMutex;

// Applies change to the user's or the machine's classes and writes them back
// if the change succeeds.
template <typename Change>
LONG Modify(ClassesView store, Change change)
{
    std::lock_guard<std::mutex> guard(changeMutex);
    const std::filesystem::path folder = StoreFolder(store);
    std::error_code ec;
    const bool created = std::filesystem::create_directories(folder, ec);
    if (ec) return WriteFailure(ec.value());
    if (created && store == ClassesView::Machine) chmod(folder.c_str(), 0755);
    FolderLock lock(folder);
    if (lock.error() != 0) return WriteFailure(lock.error());

    const std::filesystem::path file = RegistryFile(folder);
    RegistryKey root;
    if (LONG result = Load(file, root); result != ERROR_SUCCESS) return result;
    if (LONG result = change(root); result != ERROR_SUCCESS) return result;
    return Save(file, root, store);
}

// The key at location, or null; root holds the classes it was found in. In
// the view of both, a key the user's classes hold hides the machine's.
LONG FindKey(const KeyLocation& location, RegistryKey& root, const RegistryKey*& key)
{
    key = nullptr;
    if (location.view != ClassesView::Machine) {
        if (LONG result = Load(RegistryFile(UserFolder()), root); result != ERROR_SUCCESS) return result;
        key = root.Find(location.path);
        if (key || location.view == ClassesView::User) return ERROR_SUCCESS;
    }
    if (LONG result = Load(RegistryFile(MachineFolder()), root); result != ERROR_SUCCESS) return result;
    key = root.Find(location.path);
    return ERROR_SUCCESS;
}

// REG_SZ data: the characters up to the first NUL or the end of the buffer,
// which need not be aligned for UTF-16.
std::u16string StringFromData(const void* data, DWORD size)
{
    std::u16string text(size / sizeof(char16_t), u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * sizeof(char16_t));
    text.resize(std::min(text.find(u'\0'), text.size()));
    return text;
}

std::u16string_view OrEmpty(LPCWSTR text) { return text ? std::u16string_view(text) : std::u16string_view(); }

}  // namespace

LONG RegSetKeyValueW(HKEY hKey, LPCWSTR lpSubKey, LPCWSTR lpValueName, DWORD dwType, const void* lpData, DWORD cbData)
{
    KeyLocation location;
    if (LONG result = LocateKey(hKey, lpSubKey, location); result != ERROR_SUCCESS)
        return result == ERROR_FILE_NOT_FOUND ? ERROR_ACCESS_DENIED : result;
    if (dwType != REG_SZ) return ERROR_UNSUPPORTED_TYPE;
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    std::u16string data = StringFromData(lpData, cbData);
    return Modify(Store(location.view), [&](RegistryKey& root) {
        root.FindOrCreate(location.path).SetValue(OrEmpty(lpValueName), std::move(data));
        return ERROR_SUCCESS;
    });
}

LONG RegGetValueW(HKEY hkey, LPCWSTR lpSubKey, LPCWSTR lpValue, DWORD dwFlags, DWORD* pdwType, void* pvData,
                  DWORD* pcbData)
{
    KeyLocation location;
    if (LONG result = LocateKey(hkey, lpSubKey, location); result != ERROR_SUCCESS) return result;
    if (pvData != nullptr && pcbData == nullptr) return ERROR_INVALID_PARAMETER;

    RegistryKey root;
    const RegistryKey* key = nullptr;
    if (LONG result = FindKey(location, root, key); result != ERROR_SUCCESS) return result;
    const std::u16string* value = key ? key->Value(OrEmpty(lpValue)) : nullptr;
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    // Only strings are kept, so a caller that accepts no strings gets nothing.
    if ((dwFlags & RRF_RT_REG_SZ) == 0) return ERROR_UNSUPPORTED_TYPE;

    if (pdwType) *pdwType = REG_SZ;
    const DWORD needed = static_cast<DWORD>((value->size() + 1) * sizeof(char16_t));
    if (pvData == nullptr) {
        if (pcbData) *pcbData = needed;
        return ERROR_SUCCESS;
    }
    const DWORD capacity = *pcbData;
    *pcbData = needed;
    if (capacity < needed) return ERROR_MORE_DATA;
    std::memcpy(pvData, value->c_str(), needed);
    return ERROR_SUCCESS;
}

LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey)
{
    KeyLocation location;
    if (LONG result = LocateKey(hKey, lpSubKey, location); result != ERROR_SUCCESS) return result;
    std::vector<std::u16string>& path = location.path;
    return Modify(Store(location.view), [&](RegistryKey& root) {
        // Without a subkey the key itself stays and loses its contents.
        if (path.empty()) {
            root = RegistryKey{};
            return ERROR_SUCCESS;
        }
        const std::u16string last = path.back();
        path.pop_back();
        RegistryKey* parent = root.Find(path);
        return parent && parent->RemoveSubkey(last) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult)
{
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyLocation location;
    if (LONG result = LocateKey(hKey, lpSubKey, location); result != ERROR_SUCCESS) return result;
    // The root of the classes is there even when no file is.
    if (!location.path.empty()) {
        RegistryKey root;
        const RegistryKey* key = nullptr;
        if (LONG result = FindKey(location, root, key); result != ERROR_SUCCESS) return result;
        if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    }
    *phkResult = OpenKeyHandle(std::move(location));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) { return CloseKeyHandle(hKey); }

LONG RegOverridePredefKey(HKEY hKey, HKEY hNewHKey)
{
    if (hKey != HKEY_CLASSES_ROOT) return ERROR_INVALID_HANDLE;
    return SendClassesRootTo(hNewHKey);
}

// Numbered files on Windows. Paths come in the table's code page (ANSI, as
// the runtime passes them, or UTF-8) and reach the file system as UTF-16.
// Output goes to a temporary file in
// the folder of the file that the target names and takes that file's place
// only when it is finished, so the target is either left as it was or
// replaced whole. An existing file is replaced with ReplaceFileW, which
// keeps what the system keeps of it (attributes, security, and so on).
#include "numbered_file.h"

#include <rterrors.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

// ReadFile and WriteFile take a DWORD count; larger transfers go in pieces.
constexpr size_t kMaxTransfer = 1u << 30;

// The run-time error number of a failed file operation. A missing name is
// "path not found" when writing: only its folder can be missing then.
LONG ErrorNumber(DWORD error, bool forWriting)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return forWriting ? RTERR_PATH_NOT_FOUND : RTERR_FILE_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: return RTERR_PATH_NOT_FOUND;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return RTERR_PERMISSION_DENIED;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return RTERR_DISK_FULL;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE: return RTERR_DEVICE_IO_ERROR;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: return RTERR_BAD_FILE_NAME_OR_NUMBER;
    case ERROR_TOO_MANY_OPEN_FILES: return RTERR_TOO_MANY_FILES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return RTERR_OUT_OF_MEMORY;
    default: return RTERR_PATH_FILE_ACCESS_ERROR;
    }
}

LONG ReadError() { return ErrorNumber(GetLastError(), false); }
LONG WriteError() { return ErrorNumber(GetLastError(), true); }

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The path as UTF-16; false when it is not text in the code page.
bool WidePath(LPCSTR path, UINT codePage, std::wstring& wide)
{
    const int size = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (size <= 0) return false;
    wide.assign(static_cast<size_t>(size), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path, -1, wide.data(), size) != size) return false;
    wide.pop_back();
    return true;
}

// Asks a path-returning function for the size it needs, then for the path:
// 0 or a system error code.
template <typename GetPath>
DWORD PathFrom(GetPath get, std::wstring& path)
{
    DWORD size = get(nullptr, 0);
    while (size != 0) {
        path.assign(size, L'\0');
        const DWORD length = get(path.data(), size);
        if (length < size) {
            path.resize(length);
            return length != 0 ? 0 : GetLastError();
        }
        size = length;
    }
    return GetLastError();
}

// The full path of a name that need not exist: 0 or a system error code.
DWORD FullPath(const std::wstring& path, std::wstring& full)
{
    return PathFrom([&path](LPWSTR buffer, DWORD size) { return GetFullPathNameW(path.c_str(), size, buffer, nullptr); },
                    full);
}

// The path of the file at the end of an existing path's links: 0 or a
// system error code.
DWORD FinalPath(const std::wstring& path, std::wstring& resolved)
{
    HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    const UniqueHandle opened(handle);
    return PathFrom(
        [handle](LPWSTR buffer, DWORD size) {
            return GetFinalPathNameByHandleW(handle, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        },
        resolved);
}

bool HasAttribute(const std::wstring& path, DWORD attribute)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & attribute) != 0;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A full path as the user knows it: without the "\\?\" that the system puts
// before the paths it resolves.
std::wstring UsersPath(const std::wstring& path)
{
    if (path.starts_with(LR"(\\?\UNC\)")) return LR"(\\)" + path.substr(8);
    if (path.starts_with(LR"(\\?\)")) return path.substr(4);
    return path;
}

// Creates a new file beside target for its replacement, "~PID-N.tmp" by
// the process id and a counter, and names its backup: the same name ending
// in ".old", free as well. 0 or a system error code. Built by hand rather
// than by GetTempFileNameW, which takes no folder of MAX_PATH or more.
DWORD CreateTempFile(const std::wstring& target, std::wstring& created, std::wstring& backup, HANDLE& handle)
{
    static std::atomic<unsigned> counter;
    const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring stem =
            folder + L"~" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
        if (Exists(stem + L".old")) continue;
        handle = CreateFileW((stem + L".tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            created = stem + L".tmp";
            backup = stem + L".old";
            return 0;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return GetLastError();
    }
    return ERROR_FILE_EXISTS;
}

// A file's access list, as the system describes it; empty where it has none.
std::vector<BYTE> AccessList(const std::wstring& path)
{
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> list(size);
    if (size != 0 && !GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, list.data(), size, &size)) list.clear();
    return list;
}

// Gives the replacement the target's attributes and access list, as
// ReplaceFileW merges them. Done beforehand as well, since a ReplaceFileW
// that only renames would lose them; where the file system has no access
// lists there is nothing to give, and ReplaceFileW still merges the rest.
// An access list that the replacement already has is not set again: a system
// that keeps access lists as file modes does not map them back exactly.
void TakeOverAttributesAndAccess(const std::wstring& target, const std::wstring& replacement)
{
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(replacement.c_str(), attributes & kKept);
    std::vector<BYTE> access = AccessList(target);
    if (!access.empty() && access != AccessList(replacement))
        SetFileSecurityW(replacement.c_str(), DACL_SECURITY_INFORMATION, access.data());
}

class Win32File final : public NumberedFile {
public:
    explicit Win32File(bool output) : output_(output) {}
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;
    ~Win32File() override
    {
        handle_.reset();
        if (!tempPath_.empty()) DeleteFileW(tempPath_.c_str());
    }

    LONG OpenForReading(const std::wstring& path)
    {
        if (HasAttribute(path, FILE_ATTRIBUTE_DIRECTORY)) return RTERR_PATH_FILE_ACCESS_ERROR;
        HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return ReadError();
        handle_.reset(handle);
        return 0;
    }

    // Follows links from the target to the file they name, which is the one
    // replaced (the links stay), and creates the temporary file in that
    // file's folder. A read-only file is refused as opening it for writing
    // in place would be.
    LONG BeginOutput(const std::wstring& target)
    {
        if (HasAttribute(target, FILE_ATTRIBUTE_DIRECTORY)) return RTERR_PATH_FILE_ACCESS_ERROR;
        DWORD error = Exists(target) ? FinalPath(target, targetPath_) : FullPath(target, targetPath_);
        if (error == 0 && HasAttribute(targetPath_, FILE_ATTRIBUTE_READONLY)) return RTERR_PATH_FILE_ACCESS_ERROR;
        HANDLE handle = INVALID_HANDLE_VALUE;
        if (error == 0) error = CreateTempFile(targetPath_, tempPath_, backupPath_, handle);
        if (error != 0) return ErrorNumber(error, true);
        handle_.reset(handle);
        return 0;
    }

    bool IsOutput() const override { return output_; }

    LONG Length(LONGLONG& length) override
    {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(handle_.get(), &size)) return ReadError();
        length = size.QuadPart;
        return 0;
    }

    LONG ReadAt(LONGLONG offset, void* buffer, size_t count, size_t& got) override
    {
        char* next = static_cast<char*>(buffer);
        while (got < count) {
            const ULONGLONG position = static_cast<ULONGLONG>(offset) + got;
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(position);
            at.OffsetHigh = static_cast<DWORD>(position >> 32);
            DWORD n = 0;
            const size_t wanted = count - got < kMaxTransfer ? count - got : kMaxTransfer;
            if (!ReadFile(handle_.get(), next + got, static_cast<DWORD>(wanted), &n, &at)) {
                if (GetLastError() == ERROR_HANDLE_EOF) break;
                return ReadError();
            }
            if (n == 0) break;
            got += n;
        }
        return 0;
    }

    LONG Write(const void* data, size_t count) override
    {
        const char* next = static_cast<const char*>(data);
        while (writeError_ == 0 && count > 0) {
            DWORD n = 0;
            const size_t piece = count < kMaxTransfer ? count : kMaxTransfer;
            if (!WriteFile(handle_.get(), next, static_cast<DWORD>(piece), &n, nullptr)) {
                writeError_ = WriteError();
            } else {
                next += n;
                count -= n;
            }
        }
        return writeError_;
    }

    LONG Finish() override
    {
        if (!output_) return 0;
        if (writeError_ != 0) return writeError_;
        if (!FlushFileBuffers(handle_.get())) return WriteError();
        handle_.reset();
        // A name without a file yet gets the new one.
        if (!Exists(targetPath_)) {
            if (!MoveFileExW(tempPath_.c_str(), targetPath_.c_str(), MOVEFILE_WRITE_THROUGH)) return WriteError();
            tempPath_.clear();
            return 0;
        }
        // A moved file would take the target's place with its own
        // attributes, security and links; a replacement takes over the
        // target's. The old file goes to the backup name first, and is
        // removed once the new one has its place; a reader that holds it
        // open (this program's own input) keeps it until it closes the file.
        TakeOverAttributesAndAccess(targetPath_, tempPath_);
        if (ReplaceFileW(targetPath_.c_str(), tempPath_.c_str(), backupPath_.c_str(), 0, nullptr, nullptr)) {
            tempPath_.clear();
            DeleteFileW(backupPath_.c_str());
            return 0;
        }
        // The replacement may have failed after moving the old file away
        // (ERROR_UNABLE_TO_MOVE_REPLACEMENT, _2): it goes back. If even that
        // fails, it stays under the backup name, beside the target, and the
        // error's description names it.
        const DWORD error = GetLastError();
        if (Exists(backupPath_) &&
            !MoveFileExW(backupPath_.c_str(), targetPath_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            keptOriginal_ = UsersPath(backupPath_);
        return ErrorNumber(error, true);
    }

    std::wstring KeptOriginal() const override { return keptOriginal_; }

private:
    bool output_;
    UniqueHandle handle_;
    // Output only: where the data goes until it is complete, the file it
    // replaces then, and where that file goes while it is replaced.
    std::wstring tempPath_;
    std::wstring targetPath_;
    std::wstring backupPath_;
    std::wstring keptOriginal_;
    // The first failed write: the output is incomplete and must not take
    // the target's place.
    LONG writeError_ = 0;
};

}  // namespace

LONG OpenNumberedFile(LPCSTR path, UINT pathCodePage, INT mode, std::unique_ptr<NumberedFile>& file)
{
    std::wstring wide;
    if (!WidePath(path, pathCodePage, wide)) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    auto opened = std::make_unique<Win32File>(mode == FILE_MODE_OUTPUT);
    const LONG error = opened->IsOutput() ? opened->BeginOutput(wide) : opened->OpenForReading(wide);
    if (error == 0) file = std::move(opened);
    return error;
}

STDAPI_(LONG) FileLenByName(LPCSTR path, LONGLONG* length)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return ReadError();
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return RTERR_PATH_FILE_ACCESS_ERROR;
    *length = (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return 0;
}

// Numbered files on Windows. Paths come in the table's code page (ANSI, as
// the runtime passes them, or UTF-8) and reach the file system as UTF-16.
// Output goes to a temporary file in the target's folder and is moved over
// the target only when it is finished, so the target is either left as it
// was or replaced whole.
#include "numbered_file.h"

#include <rterrors.h>

#include <windows.h>

#include <string>

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
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<size_t>(length));
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path, -1, wide.data(), length);
    wide.pop_back();
    return true;
}

bool IsFolder(LPCWSTR path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
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

    LONG OpenForReading(LPCWSTR path)
    {
        if (IsFolder(path)) return RTERR_PATH_FILE_ACCESS_ERROR;
        HANDLE handle = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return ReadError();
        handle_.reset(handle);
        return 0;
    }

    // Creates the temporary file in the folder of the target.
    LONG BeginOutput(LPCWSTR path)
    {
        if (IsFolder(path)) return RTERR_PATH_FILE_ACCESS_ERROR;
        WCHAR full[MAX_PATH];
        LPWSTR name = nullptr;
        const DWORD length = GetFullPathNameW(path, MAX_PATH, full, &name);
        if (length == 0) return WriteError();
        if (length >= MAX_PATH || !name) return RTERR_BAD_FILE_NAME_OR_NUMBER;
        const std::wstring folder(full, static_cast<size_t>(name - full));
        WCHAR temp[MAX_PATH];
        if (GetTempFileNameW(folder.c_str(), L"tmp", 0, temp) == 0) return WriteError();
        tempPath_ = temp;
        targetPath_ = full;
        HANDLE handle =
            CreateFileW(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return WriteError();
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
        if (!MoveFileExW(tempPath_.c_str(), targetPath_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return WriteError();
        }
        tempPath_.clear();
        return 0;
    }

private:
    bool output_;
    UniqueHandle handle_;
    // Output only: where the data goes until it is complete, and where it
    // goes then.
    std::wstring tempPath_;
    std::wstring targetPath_;
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
    const LONG error = opened->IsOutput() ? opened->BeginOutput(wide.c_str()) : opened->OpenForReading(wide.c_str());
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

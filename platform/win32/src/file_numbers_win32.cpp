// Files by number on Windows. Paths are in the ANSI code page, as the
// runtime passes them to the file system. Output goes to a temporary file in
// the target's folder and is moved over the target only when it is closed
// complete, so the target is either left as it was or replaced whole.
#include <filenums.h>
#include <rterrors.h>

#include <windows.h>

#include <array>
#include <memory>
#include <string>

namespace {

constexpr INT kMaxFileNumber = 255;
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

struct NumberedFile {
    INT mode = 0;
    UniqueHandle handle;
    // Output only: where the data goes until it is complete, and where it
    // goes then.
    std::string tempPath;
    std::string targetPath;
    // The first failed write: the output is incomplete and must not take
    // the target's place.
    LONG writeError = 0;

    NumberedFile() = default;
    NumberedFile(const NumberedFile&) = delete;
    NumberedFile& operator=(const NumberedFile&) = delete;
    ~NumberedFile()
    {
        handle.reset();
        if (!tempPath.empty()) DeleteFileA(tempPath.c_str());
    }

    bool IsOutput() const { return mode == FILE_MODE_OUTPUT; }
};

bool IsValidNumber(INT filenum) { return filenum >= 1 && filenum <= kMaxFileNumber; }

bool IsFolder(LPCSTR path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

LONG OpenForReading(NumberedFile& file, LPCSTR path)
{
    if (IsFolder(path)) return RTERR_PATH_FILE_ACCESS_ERROR;
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return ReadError();
    file.handle.reset(handle);
    return 0;
}

// Creates the temporary file in the folder of the target.
LONG BeginOutput(NumberedFile& file, LPCSTR path)
{
    if (IsFolder(path)) return RTERR_PATH_FILE_ACCESS_ERROR;
    char full[MAX_PATH];
    LPSTR name = nullptr;
    const DWORD length = GetFullPathNameA(path, MAX_PATH, full, &name);
    if (length == 0) return WriteError();
    if (length >= MAX_PATH || !name) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    const std::string folder(full, static_cast<size_t>(name - full));
    char temp[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "tmp", 0, temp) == 0) return WriteError();
    file.tempPath = temp;
    file.targetPath = full;
    HANDLE handle = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return WriteError();
    file.handle.reset(handle);
    return 0;
}

// Closes a file that has left its table; output replaces its target unless
// a write failed.
LONG Finish(std::unique_ptr<NumberedFile> file)
{
    if (!file->IsOutput()) return 0;
    if (file->writeError != 0) return file->writeError;
    if (!FlushFileBuffers(file->handle.get())) return WriteError();
    file->handle.reset();
    if (!MoveFileExA(file->tempPath.c_str(), file->targetPath.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return WriteError();
    }
    file->tempPath.clear();
    return 0;
}

}  // namespace

struct FILE_NUMBER_TABLE {
    // Index 0 is unused so that a file's number is its index.
    std::array<std::unique_ptr<NumberedFile>, kMaxFileNumber + 1> files;

    NumberedFile* Find(INT filenum) { return IsValidNumber(filenum) ? files[filenum].get() : nullptr; }
};

STDAPI_(FILE_NUMBER_TABLE*) FileTableCreate(void) { return new FILE_NUMBER_TABLE; }

STDAPI_(void) FileTableDestroy(FILE_NUMBER_TABLE* table) { delete table; }

STDAPI_(INT) FreeFile(FILE_NUMBER_TABLE* table)
{
    for (INT filenum = 1; filenum <= kMaxFileNumber; ++filenum)
        if (!table->files[filenum]) return filenum;
    return 0;
}

STDAPI_(LONG) FileOpen(FILE_NUMBER_TABLE* table, INT filenum, LPCSTR path, INT mode)
{
    if (!IsValidNumber(filenum)) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    if (table->files[filenum]) return RTERR_FILE_ALREADY_OPEN;
    if (path == nullptr || *path == '\0') return RTERR_BAD_FILE_NAME_OR_NUMBER;

    auto file = std::make_unique<NumberedFile>();
    file->mode = mode;
    LONG result = 0;
    switch (mode) {
    case FILE_MODE_BINARY_READ:
    case FILE_MODE_INPUT:
        result = OpenForReading(*file, path);
        break;
    case FILE_MODE_OUTPUT:
        result = BeginOutput(*file, path);
        break;
    default:
        result = RTERR_ILLEGAL_FUNCTION_CALL;
    }
    if (result == 0) table->files[filenum] = std::move(file);
    return result;
}

STDAPI_(LONG) FileLength(FILE_NUMBER_TABLE* table, INT filenum, LONGLONG* length)
{
    NumberedFile* file = table->Find(filenum);
    if (file == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file->handle.get(), &size)) return ReadError();
    *length = size.QuadPart;
    return 0;
}

STDAPI_(LONG) FileReadAt(FILE_NUMBER_TABLE* table, INT filenum, LONGLONG offset, void* buffer, size_t count,
                         size_t* got)
{
    *got = 0;
    NumberedFile* file = table->Find(filenum);
    if (file == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    if (file->IsOutput()) return RTERR_BAD_FILE_MODE;
    if (offset < 0) return RTERR_ILLEGAL_FUNCTION_CALL;
    char* next = static_cast<char*>(buffer);
    while (*got < count) {
        const ULONGLONG position = static_cast<ULONGLONG>(offset) + *got;
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD n = 0;
        const size_t wanted = count - *got < kMaxTransfer ? count - *got : kMaxTransfer;
        if (!ReadFile(file->handle.get(), next + *got, static_cast<DWORD>(wanted), &n, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return ReadError();
        }
        if (n == 0) break;
        *got += n;
    }
    return 0;
}

STDAPI_(LONG) FileWrite(FILE_NUMBER_TABLE* table, INT filenum, const void* data, size_t count)
{
    NumberedFile* file = table->Find(filenum);
    if (file == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    if (!file->IsOutput()) return RTERR_BAD_FILE_MODE;
    const char* next = static_cast<const char*>(data);
    while (file->writeError == 0 && count > 0) {
        DWORD n = 0;
        const size_t piece = count < kMaxTransfer ? count : kMaxTransfer;
        if (!WriteFile(file->handle.get(), next, static_cast<DWORD>(piece), &n, nullptr)) {
            file->writeError = WriteError();
        } else {
            next += n;
            count -= n;
        }
    }
    return file->writeError;
}

STDAPI_(LONG) FileClose(FILE_NUMBER_TABLE* table, INT filenum)
{
    if (table->Find(filenum) == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    return Finish(std::move(table->files[filenum]));
}

STDAPI_(void) FileDiscard(FILE_NUMBER_TABLE* table, INT filenum)
{
    if (table->Find(filenum) != nullptr) table->files[filenum].reset();
}

STDAPI_(LONG) FileCloseAll(FILE_NUMBER_TABLE* table)
{
    LONG first = 0;
    for (auto& slot : table->files) {
        if (!slot) continue;
        const LONG result = Finish(std::move(slot));
        if (first == 0) first = result;
    }
    return first;
}

STDAPI_(INT) FileOpenCount(FILE_NUMBER_TABLE* table)
{
    INT count = 0;
    for (const auto& slot : table->files)
        if (slot) ++count;
    return count;
}

STDAPI_(LONG) FileLenByName(LPCSTR path, LONGLONG* length)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return ReadError();
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return RTERR_PATH_FILE_ACCESS_ERROR;
    *length = (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return 0;
}

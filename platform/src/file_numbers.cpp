// Files by number: each table maps the numbers 1 to 255 to open files.
// Reading modes keep a read-only descriptor; output goes to a replacement
// file that takes the target's place only when it is closed.
#include <filenums.h>
#include <rterrors.h>

#include "replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>

namespace {

constexpr INT kMaxFileNumber = 255;

struct OpenFile {
    INT mode = 0;
    int readFd = -1;
    ReplacementFile output;
    // The first failed write: the output is incomplete, so closing the file
    // must not put it in the target's place.
    LONG writeError = 0;

    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile()
    {
        if (readFd >= 0) close(readFd);
    }

    bool IsOutput() const { return mode == FILE_MODE_OUTPUT; }
    int Fd() const { return IsOutput() ? output.fd() : readFd; }
};

bool IsValidNumber(INT filenum) { return filenum >= 1 && filenum <= kMaxFileNumber; }

// The run-time error number for a failed file operation: forWriting selects
// 76 (path not found) over 53 (file not found) for a missing name.
LONG ErrorNumberFromErrno(int err, bool forWriting)
{
    switch (err) {
    case ENOENT: return forWriting ? RTERR_PATH_NOT_FOUND : RTERR_FILE_NOT_FOUND;
    case ENOTDIR: return RTERR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY: return RTERR_PERMISSION_DENIED;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return RTERR_DISK_FULL;
    case EIO: return RTERR_DEVICE_IO_ERROR;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
    case EBADF: return RTERR_BAD_FILE_NAME_OR_NUMBER;
    case EMFILE:
    case ENFILE: return RTERR_TOO_MANY_FILES;
    case ENOMEM: return RTERR_OUT_OF_MEMORY;
    default: return RTERR_PATH_FILE_ACCESS_ERROR;
    }
}

LONG ReadError(int err) { return ErrorNumberFromErrno(err, false); }
LONG WriteError(int err) { return ErrorNumberFromErrno(err, true); }

LONG OpenForReading(OpenFile& file, LPCSTR path)
{
    file.readFd = open(path, O_RDONLY | O_CLOEXEC);
    if (file.readFd < 0) return ReadError(errno);
    struct stat st;
    if (fstat(file.readFd, &st) != 0) return ReadError(errno);
    if (S_ISDIR(st.st_mode)) return RTERR_PATH_FILE_ACCESS_ERROR;
    return 0;
}

// Closes a file that has left its table; output replaces its target unless
// a write failed.
LONG Finish(std::unique_ptr<OpenFile> file)
{
    if (!file->IsOutput()) return 0;
    if (file->writeError != 0) return file->writeError;
    int err = file->output.Commit();
    return err != 0 ? WriteError(err) : 0;
}

}  // namespace

struct FILE_NUMBER_TABLE {
    // Index 0 is unused so that a file's number is its index.
    std::array<std::unique_ptr<OpenFile>, kMaxFileNumber + 1> files;

    OpenFile* Find(INT filenum) { return IsValidNumber(filenum) ? files[filenum].get() : nullptr; }
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
    if (path == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;

    auto file = std::make_unique<OpenFile>();
    file->mode = mode;
    LONG result = 0;
    switch (mode) {
    case FILE_MODE_BINARY_READ:
    case FILE_MODE_INPUT:
        result = OpenForReading(*file, path);
        break;
    case FILE_MODE_OUTPUT:
        if (int err = file->output.Begin(path)) result = WriteError(err);
        break;
    default:
        result = RTERR_ILLEGAL_FUNCTION_CALL;
    }
    if (result == 0) table->files[filenum] = std::move(file);
    return result;
}

STDAPI_(LONG) FileLength(FILE_NUMBER_TABLE* table, INT filenum, LONGLONG* length)
{
    OpenFile* file = table->Find(filenum);
    if (file == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    struct stat st;
    if (fstat(file->Fd(), &st) != 0) return ReadError(errno);
    *length = st.st_size;
    return 0;
}

STDAPI_(LONG) FileReadAt(FILE_NUMBER_TABLE* table, INT filenum, LONGLONG offset, void* buffer, size_t count,
                         size_t* got)
{
    *got = 0;
    OpenFile* file = table->Find(filenum);
    if (file == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    if (file->IsOutput()) return RTERR_BAD_FILE_MODE;
    if (offset < 0) return RTERR_ILLEGAL_FUNCTION_CALL;
    char* next = static_cast<char*>(buffer);
    while (*got < count) {
        ssize_t n = pread(file->readFd, next + *got, count - *got, static_cast<off_t>(offset + *got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return ReadError(errno);
        }
        if (n == 0) break;
        *got += static_cast<size_t>(n);
    }
    return 0;
}

STDAPI_(LONG) FileWrite(FILE_NUMBER_TABLE* table, INT filenum, const void* data, size_t count)
{
    OpenFile* file = table->Find(filenum);
    if (file == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    if (!file->IsOutput()) return RTERR_BAD_FILE_MODE;
    if (file->writeError != 0) return file->writeError;
    if (int err = file->output.Write(data, count)) file->writeError = WriteError(err);
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
        LONG result = Finish(std::move(slot));
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
    struct stat st;
    if (stat(path, &st) != 0) return ReadError(errno);
    if (S_ISDIR(st.st_mode)) return RTERR_PATH_FILE_ACCESS_ERROR;
    *length = st.st_size;
    return 0;
}

// Numbered files on Linux: reading keeps a read-only descriptor; output goes
// to a replacement file that takes the target's place only when finished.
#include "numbered_file.h"

#include "replacement_file.h"

#include <rterrors.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

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

class PosixFile final : public NumberedFile {
public:
    explicit PosixFile(bool output) : output_(output) {}
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;
    ~PosixFile() override
    {
        if (readFd_ >= 0) close(readFd_);
    }

    LONG OpenForReading(LPCSTR path)
    {
        readFd_ = open(path, O_RDONLY | O_CLOEXEC);
        if (readFd_ < 0) return ReadError(errno);
        struct stat st;
        if (fstat(readFd_, &st) != 0) return ReadError(errno);
        if (S_ISDIR(st.st_mode)) return RTERR_PATH_FILE_ACCESS_ERROR;
        return 0;
    }

    // A read-only target is refused as opening it for writing would be.
    LONG BeginOutput(LPCSTR path)
    {
        const int err = replacement_.Begin(path);
        if (err == ReplacementFile::kReadOnlyTarget) return RTERR_PATH_FILE_ACCESS_ERROR;
        return err != 0 ? WriteError(err) : 0;
    }

    bool IsOutput() const override { return output_; }

    LONG Length(LONGLONG& length) override
    {
        struct stat st;
        if (fstat(output_ ? replacement_.fd() : readFd_, &st) != 0) return ReadError(errno);
        length = st.st_size;
        return 0;
    }

    LONG ReadAt(LONGLONG offset, void* buffer, size_t count, size_t& got) override
    {
        char* next = static_cast<char*>(buffer);
        while (got < count) {
            const ssize_t n = pread(readFd_, next + got, count - got, static_cast<off_t>(offset + got));
            if (n < 0) {
                if (errno == EINTR) continue;
                return ReadError(errno);
            }
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        return 0;
    }

    LONG Write(const void* data, size_t count) override
    {
        if (writeError_ != 0) return writeError_;
        if (const int err = replacement_.Write(data, count)) writeError_ = WriteError(err);
        return writeError_;
    }

    LONG Finish() override
    {
        if (!output_) return 0;
        if (writeError_ != 0) return writeError_;
        const int err = replacement_.Commit();
        return err != 0 ? WriteError(err) : 0;
    }

private:
    bool output_;
    int readFd_ = -1;
    ReplacementFile replacement_;
    // The first failed write: the output is incomplete, so finishing it
    // must not put it in the target's place.
    LONG writeError_ = 0;
};

}  // namespace

// Names are the file system's bytes, whatever the table's code page.
LONG OpenNumberedFile(LPCSTR path, UINT, INT mode, std::unique_ptr<NumberedFile>& file)
{
    auto opened = std::make_unique<PosixFile>(mode == FILE_MODE_OUTPUT);
    const LONG error = opened->IsOutput() ? opened->BeginOutput(path) : opened->OpenForReading(path);
    if (error == 0) file = std::move(opened);
    return error;
}

STDAPI_(LONG) FileLenByName(LPCSTR path, LONGLONG* length)
{
    struct stat st;
    if (stat(path, &st) != 0) return ReadError(errno);
    if (S_ISDIR(st.st_mode)) return RTERR_PATH_FILE_ACCESS_ERROR;
    *length = st.st_size;
    return 0;
}

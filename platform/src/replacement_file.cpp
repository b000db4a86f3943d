#include "replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The limit the kernel itself puts on a chain of links (MAXSYMLINKS).
constexpr int kMaxLinkHops = 40;

// Follows a chain of symbolic links to the name of the file at its end,
// which need not exist yet: at most kMaxLinkHops links, as open() does.
int ResolveLinks(fs::path& path)
{
    for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec))) return 0;
        fs::path destination = fs::read_symlink(path, ec);
        if (ec) return ec.value();
        path = destination.is_absolute() ? destination : path.parent_path() / destination;
    }
    return ELOOP;
}

// Creates a new file with mode 0666, which the kernel narrows by the umask
// (and a default ACL) exactly as for any new file. The name is unique within
// the process by the counter and across processes by the process id; a name
// left over from a crashed process is skipped.
int CreateTempFile(const fs::path& folder, const std::string& stem, int& fd, std::string& created)
{
    static std::atomic<unsigned> counter;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string name = "." + stem + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
        std::string candidate = (folder / name).string();
        fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            created = std::move(candidate);
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// Makes the rename itself durable. The target has been replaced by then, so
// a failure here is not reported as a failure of the replacement.
void SyncFolder(const fs::path& folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

fs::path FolderOf(const fs::path& path)
{
    fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

}  // namespace

int ReplacementFile::Begin(const std::string& target)
{
    Discard();
    fs::path resolved = target;
    if (int err = ResolveLinks(resolved)) return err;
    struct stat st;
    if (stat(resolved.c_str(), &st) == 0) {
        // Only a regular file is replaced: renaming over a device or a pipe
        // would take its place instead of writing to it.
        if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        // The effective ids decide, as they do for writing in place. A
        // running program (ETXTBSY) may still be replaced, as before.
        if (faccessat(AT_FDCWD, resolved.c_str(), W_OK, AT_EACCESS) != 0 &&
            (errno == EACCES || errno == EPERM || errno == EROFS)) {
            return kReadOnlyTarget;
        }
    }
    if (int err = CreateTempFile(FolderOf(resolved), resolved.filename().string(), fd_, tempPath_)) return err;
    targetPath_ = resolved.string();
    return 0;
}

int ReplacementFile::Write(const void* data, size_t count)
{
    const char* next = static_cast<const char*>(data);
    while (count > 0) {
        ssize_t written = write(fd_, next, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        next += written;
        count -= static_cast<size_t>(written);
    }
    return 0;
}

int ReplacementFile::Commit()
{
    int err = 0;
    struct stat target;
    if (fsync(fd_) != 0) {
        err = errno;
    } else if (stat(targetPath_.c_str(), &target) == 0 && fchmod(fd_, target.st_mode & 07777) != 0) {
        err = errno;
    }
    if (close(fd_) != 0 && err == 0) err = errno;
    fd_ = -1;
    if (err == 0 && rename(tempPath_.c_str(), targetPath_.c_str()) != 0) err = errno;
    if (err != 0) {
        Discard();
        return err;
    }
    SyncFolder(FolderOf(targetPath_));
    tempPath_.clear();
    targetPath_.clear();
    return 0;
}

void ReplacementFile::Discard()
{
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!tempPath_.empty()) unlink(tempPath_.c_str());
    tempPath_.clear();
    targetPath_.clear();
}

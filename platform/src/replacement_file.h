// A file written under a temporary name beside the file it is to replace and
// renamed over it when complete, so that readers see either the old file or
// the new one whole, never a part of it.
#pragma once

#include <cstddef>
#include <string>

class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile() { Discard(); }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // What Begin returns for a target that exists and that this user may not
    // write (read-only for the user, immutable, or on a read-only file
    // system). A rename needs write access to the folder only, so without
    // this the replacement would succeed where writing in place fails.
    static constexpr int kReadOnlyTarget = -1;

    // Follows symbolic links from target (the links stay; the file they name
    // is the one replaced) and creates the temporary file in that file's
    // folder. Returns 0, kReadOnlyTarget or an errno value: EISDIR when the
    // target is a folder.
    int Begin(const std::string& target);
    // Returns 0 or an errno value.
    int Write(const void* data, size_t count);
    // Flushes the data to disk, gives it the permissions of the file it
    // replaces (a new file keeps 0666 less the umask, from its creation) and
    // renames it over the target. Returns 0 or an errno value; on failure the
    // temporary file is removed and the target is left as it was.
    int Commit();
    // Removes the temporary file; the target is left as it was.
    void Discard();

    int fd() const { return fd_; }

private:
    int fd_ = -1;
    std::string tempPath_;
    std::string targetPath_;
};

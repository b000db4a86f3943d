#include "whole_file.h"

#include <rterrors.h>

#include <new>

LONG ReadWholeFile(FILE_NUMBER_TABLE* filetable, const std::string& path, std::vector<std::uint8_t>& bytes)
{
    const INT filenum = FreeFile(filetable);
    if (filenum == 0) return RTERR_TOO_MANY_FILES;
    if (const LONG error = FileOpen(filetable, filenum, path.c_str(), FILE_MODE_BINARY_READ)) return error;
    LONGLONG length = 0;
    LONG error = FileLength(filetable, filenum, &length);
    // A 32-bit program can't hold a file longer than its address space.
    if (error == 0 && static_cast<unsigned long long>(length) > bytes.max_size()) error = RTERR_OUT_OF_MEMORY;
    if (error == 0) {
        try {
            bytes.assign(static_cast<std::size_t>(length), 0);
        } catch (const std::bad_alloc&) {
            error = RTERR_OUT_OF_MEMORY;
        }
    }
    std::size_t got = 0;
    if (error == 0) error = FileReadAt(filetable, filenum, 0, bytes.data(), bytes.size(), &got);
    // A file that shrank while it was read would give a copy with a made-up end.
    if (error == 0 && got != bytes.size()) error = RTERR_DEVICE_IO_ERROR;
    FileClose(filetable, filenum);
    return error;
}

LONG WriteWholeFile(FILE_NUMBER_TABLE* filetable, const std::string& path, std::span<const std::uint8_t> bytes)
{
    const INT filenum = FreeFile(filetable);
    if (filenum == 0) return RTERR_TOO_MANY_FILES;
    if (const LONG error = FileOpen(filetable, filenum, path.c_str(), FILE_MODE_OUTPUT)) return error;
    if (!bytes.empty()) {
        if (const LONG error = FileWrite(filetable, filenum, bytes.data(), bytes.size())) {
            FileDiscard(filetable, filenum);
            return error;
        }
    }
    return FileClose(filetable, filenum);
}

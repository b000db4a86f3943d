// One open file of a file-number table, as the platform's file system has
// it. The table itself (numbers, modes, closing all) is the same everywhere
// (file_numbers.cpp). Every function returns 0 or a run-time error number.
#pragma once

#include <filenums.h>

#include <cstddef>
#include <memory>
#include <string>

class NumberedFile {
public:
    virtual ~NumberedFile() = default;

    virtual bool IsOutput() const = 0;
    // The file's current length, asked of the file system at every call.
    virtual LONG Length(LONGLONG& length) = 0;
    virtual LONG ReadAt(LONGLONG offset, void* buffer, size_t count, size_t& got) = 0;
    // After a failed write, every later write and Finish fail the same way.
    virtual LONG Write(const void* data, size_t count) = 0;
    // Completes the file: output takes its target's place unless a write
    // failed. Destroying an output file that isn't finished discards it.
    virtual LONG Finish() = 0;
    // After a failed Finish: the full name under which the file that the
    // output was to replace is kept, where it could not be put back under
    // its own name; else empty.
    virtual std::basic_string<WCHAR> KeptOriginal() const { return {}; }
};

// Opens path for reading (FILE_MODE_BINARY_READ, FILE_MODE_INPUT) or begins
// its replacement (FILE_MODE_OUTPUT). pathCodePage is CP_ACP or CP_UTF8.
LONG OpenNumberedFile(LPCSTR path, UINT pathCodePage, INT mode, std::unique_ptr<NumberedFile>& file);

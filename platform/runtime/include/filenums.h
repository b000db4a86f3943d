// Files by number, as the language runtime offers them: a table of file
// numbers 1 to 255. Each client module keeps its own table, so closing all
// of its files never touches a file of another module. Paths are byte
// strings: on Linux the file system's own names; on Windows text in the
// table's code page, which the file system receives as UTF-16. Every
// function returns 0 or a run-time error number (rterrors.h).
#pragma once

#include <oaidl.h>
#include <oleauto.h>

typedef struct FILE_NUMBER_TABLE FILE_NUMBER_TABLE;

enum FILE_OPEN_MODE {
    // Byte access for reading; the file stays open until closed.
    FILE_MODE_BINARY_READ = 1,
    // The whole file read as text, one byte per character.
    FILE_MODE_INPUT = 2,
    // A new file written to a temporary file beside the target and renamed
    // over the target on close, so the target is either left as it was or
    // replaced whole. An existing target keeps its permissions (on Windows
    // its attributes and security too); a symbolic link is written through
    // to the file it names. A target that the user may not write (read-only)
    // is refused with 75, as opening it for writing in place would be.
    FILE_MODE_OUTPUT = 3,
};

// A table whose paths are in the ANSI code page, as the runtime passes them.
STDAPI_(FILE_NUMBER_TABLE*) FileTableCreate(void);
// A table whose paths are UTF-8, for a program that keeps names as Unicode
// text: on Windows every name then opens, whatever its characters.
STDAPI_(FILE_NUMBER_TABLE*) FileTableCreateUtf8(void);
// Closes every file of the table (pending output is discarded) and frees it.
STDAPI_(void) FileTableDestroy(FILE_NUMBER_TABLE* table);

// The lowest number not in use (1 to 255), or 0 when all are taken.
STDAPI_(INT) FreeFile(FILE_NUMBER_TABLE* table);
STDAPI_(LONG) FileOpen(FILE_NUMBER_TABLE* table, INT filenum, LPCSTR path, INT mode);
// The file's current length, asked of the file system at every call.
STDAPI_(LONG) FileLength(FILE_NUMBER_TABLE* table, INT filenum, LONGLONG* length);
// Reads up to count bytes from a byte offset; *got tells how many came.
STDAPI_(LONG) FileReadAt(FILE_NUMBER_TABLE* table, INT filenum, LONGLONG offset, void* buffer, size_t count,
                         size_t* got);
STDAPI_(LONG) FileWrite(FILE_NUMBER_TABLE* table, INT filenum, const void* data, size_t count);
// Closes one file; an output file is flushed and renamed over its target.
STDAPI_(LONG) FileClose(FILE_NUMBER_TABLE* table, INT filenum);
// Closes one output file without replacing its target.
STDAPI_(void) FileDiscard(FILE_NUMBER_TABLE* table, INT filenum);
// Closes every open file of the table; the first error is returned.
STDAPI_(LONG) FileCloseAll(FILE_NUMBER_TABLE* table);
// The description of a run-time error number that a call of the table
// returned, for the user: RtErrorDescription(number), and where the table's
// last close since its last opening could neither replace its target nor put
// the old file back in its place (on Windows, where the replacement moves the
// old file to a backup name first), ". The old file is kept as NAME." after
// it. Valid until the next call for the table.
STDAPI_(LPCWSTR) FileErrorDescription(FILE_NUMBER_TABLE* table, LONG number);
STDAPI_(INT) FileOpenCount(FILE_NUMBER_TABLE* table);

// The length of a file named by path.
STDAPI_(LONG) FileLenByName(LPCSTR path, LONGLONG* length);

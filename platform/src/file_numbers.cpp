// Files by number: each table maps the numbers 1 to 255 to open files of
// the platform (numbered_file.h).
#include <filenums.h>
#include <rterrors.h>
#include <stringapiset.h>

#include "numbered_file.h"

#include <array>
#include <memory>

namespace {

constexpr INT kMaxFileNumber = 255;

bool IsValidNumber(INT filenum) { return filenum >= 1 && filenum <= kMaxFileNumber; }

}  // namespace

struct FILE_NUMBER_TABLE {
    explicit FILE_NUMBER_TABLE(UINT codePage) : pathCodePage(codePage) {}

    const UINT pathCodePage;
    // Index 0 is unused so that a file's number is its index.
    std::array<std::unique_ptr<NumberedFile>, kMaxFileNumber + 1> files;

    NumberedFile* Find(INT filenum) { return IsValidNumber(filenum) ? files[filenum].get() : nullptr; }
};

STDAPI_(FILE_NUMBER_TABLE*) FileTableCreate(void) { return new FILE_NUMBER_TABLE(CP_ACP); }

STDAPI_(FILE_NUMBER_TABLE*) FileTableCreateUtf8(void) { return new FILE_NUMBER_TABLE(CP_UTF8); }

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
    if (mode != FILE_MODE_BINARY_READ && mode != FILE_MODE_INPUT && mode != FILE_MODE_OUTPUT) {
        return RTERR_ILLEGAL_FUNCTION_CALL;
    }
    return OpenNumberedFile(path, table->pathCodePage, mode, table->files[filenum]);
}

STDAPI_(LONG) FileLength(FILE_NUMBER_TABLE* table, INT filenum, LONGLONG* length)
{
    NumberedFile* file = table->Find(filenum);
    if (file == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    return file->Length(*length);
}

STDAPI_(LONG) FileReadAt(FILE_NUMBER_TABLE* table, INT filenum, LONGLONG offset, void* buffer, size_t count,
                         size_t* got)
{
    *got = 0;
    NumberedFile* file = table->Find(filenum);
    if (file == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    if (file->IsOutput()) return RTERR_BAD_FILE_MODE;
    if (offset < 0) return RTERR_ILLEGAL_FUNCTION_CALL;
    return file->ReadAt(offset, buffer, count, *got);
}

STDAPI_(LONG) FileWrite(FILE_NUMBER_TABLE* table, INT filenum, const void* data, size_t count)
{
    NumberedFile* file = table->Find(filenum);
    if (file == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    if (!file->IsOutput()) return RTERR_BAD_FILE_MODE;
    return file->Write(data, count);
}

STDAPI_(LONG) FileClose(FILE_NUMBER_TABLE* table, INT filenum)
{
    if (table->Find(filenum) == nullptr) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    const std::unique_ptr<NumberedFile> file = std::move(table->files[filenum]);
    return file->Finish();
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
        const std::unique_ptr<NumberedFile> file = std::move(slot);
        const LONG result = file->Finish();
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

// Files by number: each table maps the numbers 1 to 255 to open files of
// the platform (numbered_file.h).
#include <filenums.h>
#include <rterrors.h>
#include <stringapiset.h>

#include "numbered_file.h"

#include <array>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr INT kMaxFileNumber = 255;

bool IsValidNumber(INT filenum) { return filenum >= 1 && filenum <= kMaxFileNumber; }

}  // namespace

struct FILE_NUMBER_TABLE {
    explicit FILE_NUMBER_TABLE(UINT codePage) : pathCodePage(codePage) {}

    const UINT pathCodePage;
    // Index 0 is unused so that a file's number is its index.
    std::array<std::unique_ptr<NumberedFile>, kMaxFileNumber + 1> files;

    // Where the last failed close left the file its output was to replace,
    // and the last description given.
    std::basic_string<WCHAR> keptOriginal;
    std::basic_string<WCHAR> description;

    NumberedFile* Find(INT filenum) { return IsValidNumber(filenum) ? files[filenum].get() : nullptr; }

    LONG Finish(NumberedFile& file)
    {
        const LONG error = file.Finish();
        keptOriginal = error != 0 ? file.KeptOriginal() : std::basic_string<WCHAR>();
        return error;
    }
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
    // A file kept aside by an earlier close has nothing to do with this one's failures.
    table->keptOriginal.clear();
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
    return table->Finish(*file);
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
        const LONG result = table->Finish(*file);
        if (first == 0) first = result;
    }
    return first;
}

STDAPI_(LPCWSTR) FileErrorDescription(FILE_NUMBER_TABLE* table, LONG number)
{
    if (table->keptOriginal.empty()) return RtErrorDescription(number);
    try {
        table->description = RtErrorDescription(number);
        table->description += OLESTR(". The old file is kept as ") + table->keptOriginal + OLESTR(".");
    } catch (const std::bad_alloc&) {
        return RtErrorDescription(number);
    }
    return table->description.c_str();
}

STDAPI_(INT) FileOpenCount(FILE_NUMBER_TABLE* table)
{
    INT count = 0;
    for (const auto& slot : table->files)
        if (slot) ++count;
    return count;
}

#include "component_files.h"

#include <filenums.h>
#include <rterrors.h>
#include <stringapiset.h>

#include <memory>
#include <mutex>

namespace bitstrings {
namespace {

struct FileTableDeleter {
    void operator()(FILE_NUMBER_TABLE* table) const { FileTableDestroy(table); }
};

// Objects of different apartments may use the files at the same time; each
// whole open-use-close sequence runs under this lock, so "close all" never
// cuts into another thread's file.
std::mutex filesMutex;

FILE_NUMBER_TABLE* ComponentFileTable()
{
    static const std::unique_ptr<FILE_NUMBER_TABLE, FileTableDeleter> table(FileTableCreate());
    return table.get();
}

// Opens a file under the lowest free number of the component's table.
LONG OpenFile(const std::string& path, FILE_OPEN_MODE mode, INT& filenum)
{
    FILE_NUMBER_TABLE* table = ComponentFileTable();
    if (!table) return RTERR_TOO_MANY_FILES;
    filenum = FreeFile(table);
    if (filenum == 0) return RTERR_TOO_MANY_FILES;
    return FileOpen(table, filenum, path.c_str(), mode);
}

}  // namespace

LONG PathOfFileName(OleStringView filename, std::string& path)
{
    if (filename.find(OLESTR('\0')) != OleStringView::npos) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    path.assign(filename.size(), '\0');
    if (filename.empty()) return 0;
    // A look-alike in place of a character without a code would name a
    // different file.
    BOOL usedDefault = FALSE;
    const int written =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, filename.data(), static_cast<int>(filename.size()),
                            path.data(), static_cast<int>(path.size()), nullptr, &usedDefault);
    if (usedDefault || written != static_cast<int>(path.size())) return RTERR_BAD_FILE_NAME_OR_NUMBER;
    return 0;
}

LONG ReadWholeFile(const std::string& path, std::string& bytes)
{
    const std::lock_guard lock(filesMutex);
    FILE_NUMBER_TABLE* table = ComponentFileTable();
    INT filenum = 0;
    LONG error = OpenFile(path, FILE_MODE_INPUT, filenum);
    LONGLONG length = 0;
    if (error == 0) error = FileLength(table, filenum, &length);
    if (error == 0) {
        bytes.resize(static_cast<std::size_t>(length));
        std::size_t filled = 0;
        while (error == 0 && filled < bytes.size()) {
            size_t got = 0;
            error = FileReadAt(table, filenum, static_cast<LONGLONG>(filled), bytes.data() + filled,
                               bytes.size() - filled, &got);
            if (got == 0) break;
            filled += got;
        }
        bytes.resize(filled);
    }
    const LONG closeError = FileCloseAll(table);
    return error != 0 ? error : closeError;
}

LONG WriteWholeFile(const std::string& path, std::string_view bytes, OleString& description)
{
    const std::lock_guard lock(filesMutex);
    FILE_NUMBER_TABLE* table = ComponentFileTable();
    INT filenum = 0;
    LONG error = OpenFile(path, FILE_MODE_OUTPUT, filenum);
    if (error == 0) error = FileWrite(table, filenum, bytes.data(), bytes.size());
    if (error == 0) error = FileClose(table, filenum);
    if (error != 0 && filenum != 0) FileDiscard(table, filenum);
    const LONG closeError = FileCloseAll(table);
    if (error == 0) error = closeError;
    if (error != 0) description = FileErrorDescription(table, error);
    return error;
}

}  // namespace bitstrings

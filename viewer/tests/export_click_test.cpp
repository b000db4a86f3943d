// The click on `exportconvert`, headless: the save dialog answers from a
// script and the message boxes are recorded. These tests run twice: over the
// rearrangement as this build compiles it, and over a copy compiled as a
// build without SSE2 (the 32-bit Windows program) compiles it.
#include "export_converted.h"
#include "ordinary_user.h"
#include "scripted_common_dialog.h"
#include "scripted_ui_host.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <memory>
#include <memory_resource>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// One tile holding 0x01 to 0x10, then four bytes of a partial group; and that
// exported from the Game Boy layout.
const Bytes kTileAndTail{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
const Bytes kTileAndTailAsNes{1, 3, 5, 7, 9, 11, 13, 15, 2, 4, 6, 8, 10, 12, 14, 16, 17, 18, 19, 20};

Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::u16string Utf16(const std::string& text) { return {text.begin(), text.end()}; }

// The message boxes of an export that converted and wrote, or failed to
// write, the file.
const std::u16string kWarning = u"This program may lock up for several minutes.\n";
std::u16string Report(const std::u16string& text) { return kWarning + text + u"\n"; }
std::u16string CouldNotWrite(const fs::path& target, const std::u16string& reason)
{
    return Report(u"Could not write " + Utf16(target.string()) + u": " + reason);
}

// What an export runs under, besides the target chosen.
enum class Under { Nothing, FileSizeLimit, NoMemory };

class ExportClick : public testing::Test {
protected:
    ExportClick() { cd1.flags = CommonDialog::kFileMustExist; }

    // Exports `bytes`, opened from `opened` in the layout `tag`, to the path
    // chosen in the save dialog. Returns the texts of the message boxes, and
    // says so when one is not an OK box of the converter's title or when a
    // file was left open.
    std::u16string Export(const std::string& tag, const Bytes& bytes, const fs::path& chosen, const fs::path& opened)
    {
        cd1.calls.clear();
        ui.messageBoxes.clear();
        cd1.fileName = opened.string();
        cd1.answers = {chosen.string()};
        const Bytes none(bytes.size());
        ExportConverted(tag, tag == "nes" ? bytes : none, tag == "nes" ? none : bytes, cd1, table.get());
        std::u16string texts;
        for (const auto& box : ui.messageBoxes) {
            const bool converterBox = box.caption == kConverterTitle && box.type == (MB_OK | MB_TASKMODAL);
            texts += box.text + (converterBox ? u"\n" : u" (in another box)\n");
        }
        return FileOpenCount(table.get()) == 0 ? texts : texts + u"(a file left open)\n";
    }

    // The export as an ordinary user, in a child process that may first limit
    // the size of the files it writes (the write then fails part way, as on a
    // full disk) or leave no memory for the converted copy.
    std::u16string ExportAsOrdinaryUser(Under condition, const std::string& tag, const Bytes& bytes,
                                        const fs::path& chosen, const fs::path& opened)
    {
        return Utf16(ordinary_user::Run([&] {
            const rlimit limit{4096, 4096};
            if (condition == Under::FileSizeLimit && (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR ||
                                                      setrlimit(RLIMIT_FSIZE, &limit) != 0)) {
                return std::string("(no file-size limit)");
            }
            if (condition == Under::NoMemory) std::pmr::set_default_resource(std::pmr::null_memory_resource());
            const std::u16string texts = Export(tag, bytes, chosen, opened);
            return std::string(texts.begin(), texts.end());
        }));
    }

    ScriptedUiHost ui;
    ScriptedCommonDialog cd1;
    TempFolder temp;
    const fs::path& folder = temp.Path();
    std::unique_ptr<FILE_NUMBER_TABLE, decltype(&FileTableDestroy)> table{FileTableCreate(), &FileTableDestroy};
};

// Whatever keeps an ordinary user's export from writing, it changes no file,
// and the next export still works. A cancel, or a file of no known layout
// (no dialog at all), shows nothing; the rest say why. After the save dialog
// confirmed the replacement, a read-only file is refused as writing it in
// place would be, though a rename over it needs write access to its folder
// only; a folder without write access takes no new file.
TEST_F(ExportClick, ReportsWhatKeepsItFromWritingAndGoesOn)
{
    const Bytes tiles(64 * 1024, 0x5A), old{'o', 'l', 'd'};
    const fs::path opened = temp.Write("game.nes", tiles), kept = temp.Write("kept.gb", old);
    const fs::path readOnly = temp.Write("old.gb", old), locked = folder / "locked", afolder = folder / "afolder";
    const fs::path missing = folder / "missing" / "out.gb";
    fs::create_directory(locked);
    fs::create_directory(afolder);
    ordinary_user::Give(folder);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const std::tuple<std::string, fs::path, Under, std::u16string> cases[] = {
        {"nes", "", Under::Nothing, u""},
        {"", folder / "out.gb", Under::Nothing, u""},
        {"chr", folder / "out.gb", Under::Nothing, u""},
        {"nes", missing, Under::Nothing, CouldNotWrite(missing, u"Path not found")},
        {"nes", opened / "out.gb", Under::Nothing, CouldNotWrite(opened / "out.gb", u"Path not found")},
        {"nes", afolder, Under::Nothing, CouldNotWrite(afolder, u"Path/File access error")},
        {"nes", kept, Under::FileSizeLimit, CouldNotWrite(kept, u"Disk full")},
        {"nes", readOnly, Under::Nothing, CouldNotWrite(readOnly, u"Path/File access error")},
        {"nes", locked / "out.gb", Under::Nothing, CouldNotWrite(locked / "out.gb", u"Permission denied")},
        {"nes", folder / "out.gb", Under::NoMemory,
         u"Not enough memory to export \"" + Utf16((folder / "out.gb").string()) +
             u"\": the converted copy needs 65536 bytes.\n"},
    };
    for (const auto& [tag, target, condition, texts] : cases)
        EXPECT_EQ(ExportAsOrdinaryUser(condition, tag, tiles, target, opened), texts) << tag << " to " << target;
    // No file can be created in /proc, not even by root; the reason varies.
    const fs::path proc = "/proc/tilebridge-export-test.gb";
    const std::u16string texts = Export("nes", tiles, proc, opened), unsaid = CouldNotWrite(proc, u"");
    EXPECT_TRUE(texts.starts_with(unsaid.substr(0, unsaid.size() - 1)) && texts.size() > unsaid.size());
    EXPECT_EQ(std::tuple(ReadBytes(opened), ReadBytes(kept), ReadBytes(readOnly)), std::tuple(tiles, old, old));
    EXPECT_TRUE(fs::is_empty(locked) && fs::is_empty(afolder));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 5);
    EXPECT_EQ(Export("gb", kTileAndTail, folder / "out.nes", opened), Report(u"Done!"));
    EXPECT_EQ(ReadBytes(folder / "out.nes"), kTileAndTailAsNes);
}

// Every shared tile file exported through the save dialog gives the file
// listed beside it, and that exported again gives the original back. The
// name chosen is a link to a longer file with narrow permissions: the file
// it names is replaced whole and keeps them, and the link stays.
TEST_F(ExportClick, ExportsTheSharedTileFilesByteForByteAndBack)
{
    const fs::path testdata = TILEBRIDGE_TESTDATA, link = folder / "converted";
    const fs::path real = temp.Write("longer", Bytes(64 * 1024, 0xEE));
    const auto permissions = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(real, permissions);
    fs::create_symlink("longer", link);
    int exported = 0;
    for (const char* subfolder : {"nes", "gb", "rom"}) {
        for (const auto& entry : fs::directory_iterator(testdata / subfolder)) {
            const fs::path& file = entry.path();
            const bool nes = file.extension() == ".nes";
            const Bytes original = ReadBytes(file);
            EXPECT_EQ(Export(nes ? "nes" : "gb", original, link, file), Report(u"Done!"));
            ASSERT_EQ(cd1.calls.size(), 1u);
            const ScriptedCommonDialog::Call& call = cd1.calls[0];
            EXPECT_EQ(std::tuple(call.save, call.filter, call.flags, call.proposed),
                      std::tuple(true, nes ? u"GB Files|*.gb*|All Files|*.*" : u"NES Files|*.nes*|All Files|*.*",
                                 CommonDialog::kFileMustExist, file.string()));
            const std::string expected = file.filename().string() + (nes ? ".exported.gb" : ".exported.nes");
            EXPECT_EQ(ReadBytes(real), ReadBytes(testdata / "expected" / expected)) << file;
            EXPECT_TRUE(fs::is_symlink(link));
            EXPECT_EQ(fs::status(real).permissions(), permissions);
            Export(nes ? "gb" : "nes", ReadBytes(real), folder / "back", link);
            EXPECT_EQ(ReadBytes(folder / "back"), original) << file;
            ++exported;
        }
    }
    EXPECT_EQ(exported, 8);
}

}  // namespace

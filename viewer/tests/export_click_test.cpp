// The click on `exportconvert`, headless: the save dialog answers from a
// script and the message boxes are recorded.
#include "export_converted.h"
#include "ordinary_user.h"
#include "scripted_common_dialog.h"
#include "temp_folder.h"

#include <scripted_ui_host.h>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <memory_resource>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::u16string kWarning = u"This program may lock up for several minutes.";
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

std::u16string CouldNotWrite(const fs::path& target, const std::u16string& reason)
{
    return u"Could not write " + Utf16(target.string()) + u": " + reason;
}

class ExportClick : public testing::Test {
protected:
    ExportClick()
    {
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
        cd1.flags = CommonDialog::kFileMustExist;
    }

    // The state the viewer is in after opening `path` (written into the test
    // folder when given a bare name).
    void Load(const fs::path& path, const std::string& tag, const Bytes& bytes)
    {
        opened = path.has_parent_path() ? path : fs::path(temp.Write(path.string(), bytes));
        cd1.fileName = opened.string();
        layouttag = tag;
        nesimage = tag == "nes" ? bytes : Bytes(bytes.size());
        gbimage = tag == "nes" ? Bytes(bytes.size()) : bytes;
    }

    // Clears the dialog calls and message boxes of earlier exports first.
    void ExportTo(const fs::path& chosen)
    {
        cd1.calls.clear();
        ui.messageBoxes.clear();
        cd1.answers.push_back(chosen.string());
        ExportConverted(layouttag, nesimage, gbimage, cd1, table.get());
    }

    // The message boxes' texts, each in an OK box of the converter's title;
    // no file is left open.
    std::u16string Texts()
    {
        std::u16string texts;
        for (const auto& box : ui.messageBoxes) {
            EXPECT_EQ(box.caption, kConverterTitle);
            EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_TASKMODAL));
            texts += box.text + u"\n";
        }
        EXPECT_EQ(FileOpenCount(table.get()), 0);
        return texts;
    }
    std::u16string Report(const std::u16string& text) { return kWarning + u"\n" + text + u"\n"; }

    long FolderEntries() const { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); }

    ScriptedUiHost ui;
    ScriptedCommonDialog cd1;
    TempFolder temp;
    const fs::path& folder = temp.Path();
    std::unique_ptr<FILE_NUMBER_TABLE, decltype(&FileTableDestroy)> table{FileTableCreate(), &FileTableDestroy};
    fs::path opened;
    std::string layouttag;
    Bytes nesimage, gbimage;
};

// A cancel in the save dialog, or a file of no known layout, which shows no
// dialog at all.
TEST_F(ExportClick, CancelOrAFileOfNoLayoutWritesAndShowsNothing)
{
    for (const auto& [tag, chosen, dialogs] :
         {std::tuple<const char*, fs::path, size_t>{"nes", "", 1}, {"", folder / "out.gb", 0}, {"chr", folder / "out.gb", 0}}) {
        Load("game.nes", tag, kTileAndTail);
        ExportTo(chosen);
        EXPECT_EQ(cd1.calls.size(), dialogs);
        EXPECT_TRUE(ui.messageBoxes.empty());
        EXPECT_EQ(ReadBytes(opened), kTileAndTail);
        EXPECT_EQ(FolderEntries(), 1);
    }
}

// The chosen path is a link to a longer file with narrow permissions: the
// file it names is replaced whole and keeps them, and the link stays.
TEST_F(ExportClick, ReplacesTheFileALinkNamesWholeKeepingItsPermissions)
{
    Load("game.gb", "gb", kTileAndTail);
    const fs::path real = temp.Write("old.nes", Bytes(100, 0xEE));
    const auto permissions = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(real, permissions);
    fs::create_symlink("old.nes", folder / "link.nes");
    ExportTo(folder / "link.nes");
    EXPECT_TRUE(fs::is_symlink(folder / "link.nes"));
    EXPECT_EQ(ReadBytes(real), kTileAndTailAsNes);
    EXPECT_EQ(fs::status(real).permissions(), permissions);
}

// Each failure is reported with its reason and changes nothing; the next
// export still works. A file-size limit makes the write fail part way, as a
// full disk does.
TEST_F(ExportClick, ReportsAFailedWriteAndGoesOn)
{
    Load("game.nes", "nes", Bytes(64 * 1024, 0x5A));
    const fs::path old = temp.Write("old.gb", {'o', 'l', 'd'});
    fs::create_directory(folder / "afolder");
    const std::tuple<fs::path, std::u16string, rlim_t> cases[] = {
        {folder / "missing" / "out.gb", u"Path not found", RLIM_INFINITY},
        {opened / "out.gb", u"Path not found", RLIM_INFINITY},  // the "folder" is a regular file
        {folder / "afolder", u"Path/File access error", RLIM_INFINITY},
        {old, u"Disk full", 4096},
    };
    for (const auto& [target, reason, sizeLimit] : cases) {
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = std::min(sizeLimit, saved.rlim_cur);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        ExportTo(target);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedSignal);
        EXPECT_EQ(Texts(), Report(CouldNotWrite(target, reason)));
    }
    // No file can be created in /proc, not even by root; the reason varies.
    const std::u16string proc = kWarning + u"\n" + CouldNotWrite("/proc/tilebridge-export-test.gb", u"");
    ExportTo("/proc/tilebridge-export-test.gb");
    const std::u16string texts = Texts();
    EXPECT_TRUE(texts.starts_with(proc) && texts.size() > proc.size() + 1);
    EXPECT_TRUE(fs::is_directory(folder / "afolder"));
    EXPECT_EQ(ReadBytes(old), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(FolderEntries(), 3);
    ExportTo(folder / "out.gb");
    EXPECT_EQ(Texts(), Report(u"Done!"));
}

// As an ordinary user, after the save dialog confirmed the replacement: a
// read-only file is refused as writing it in place would be, though a rename
// over it needs write access to its folder only; a folder without write
// access takes no new file. The reason is shown and nothing changes.
TEST_F(ExportClick, ReportsATargetOrFolderWithoutWriteAccess)
{
    Load("game.nes", "nes", kTileAndTail);
    const fs::path readOnly = temp.Write("old.gb", {'o', 'l', 'd'});
    const fs::path locked = folder / "locked";
    fs::create_directory(locked);
    ordinary_user::Give(folder);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    for (const auto& [target, reason] : {std::pair<fs::path, std::u16string>{readOnly, u"Path/File access error"},
                                         {locked / "out.gb", u"Permission denied"}}) {
        const std::string texts = ordinary_user::Run([&, &chosen = target] {
            ExportTo(chosen);
            const std::u16string all = Texts();
            return std::string(all.begin(), all.end());
        });
        EXPECT_EQ(Utf16(texts), Report(CouldNotWrite(target, reason)));
    }
    EXPECT_EQ(ReadBytes(readOnly), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(fs::is_empty(locked));
    EXPECT_EQ(FolderEntries(), 3);
}

// A file that loaded but whose converted copy finds no memory: the export
// says so, writes nothing, and the viewer goes on.
TEST_F(ExportClick, ReportsAConvertedCopyThatFindsNoMemory)
{
    Load("game.nes", "nes", kTileAndTail);
    std::pmr::memory_resource* const memory = std::pmr::set_default_resource(std::pmr::null_memory_resource());
    ExportTo(folder / "out.gb");
    std::pmr::set_default_resource(memory);
    EXPECT_EQ(Texts(), u"Not enough memory to export \"" + Utf16((folder / "out.gb").string()) +
                           u"\": the converted copy needs 20 bytes.\n");
    EXPECT_EQ(FolderEntries(), 1);
    ExportTo(folder / "out.gb");
    EXPECT_EQ(Texts(), Report(u"Done!"));
}

// Every shared tile file exported through the save dialog gives the file
// listed beside it under the name chosen, as given, and that file exported
// again gives the original back.
TEST_F(ExportClick, ExportsTheSharedTileFilesByteForByteAndBack)
{
    const fs::path testdata = TILEBRIDGE_TESTDATA;
    int exported = 0;
    for (const char* subfolder : {"nes", "gb", "rom"}) {
        for (const auto& entry : fs::directory_iterator(testdata / subfolder)) {
            const fs::path& file = entry.path();
            const bool nes = file.extension() == ".nes";
            const Bytes original = ReadBytes(file);
            Load(file, nes ? "nes" : "gb", original);
            ExportTo(folder / "converted");
            ASSERT_EQ(cd1.calls.size(), 1u);
            const ScriptedCommonDialog::Call& call = cd1.calls[0];
            EXPECT_EQ(std::tuple(call.save, call.filter, call.flags, call.proposed),
                      std::tuple(true, nes ? u"GB Files|*.gb*|All Files|*.*" : u"NES Files|*.nes*|All Files|*.*",
                                 CommonDialog::kFileMustExist, file.string()));
            EXPECT_EQ(Texts(), Report(u"Done!"));
            const std::string expected = file.filename().string() + (nes ? ".exported.gb" : ".exported.nes");
            EXPECT_EQ(ReadBytes(folder / "converted"), ReadBytes(testdata / "expected" / expected)) << file;
            Load(folder / "converted", nes ? "gb" : "nes", ReadBytes(folder / "converted"));
            ExportTo(folder / "back");
            EXPECT_EQ(ReadBytes(folder / "back"), original) << file;
            ++exported;
        }
    }
    EXPECT_EQ(exported, 8);
}

}  // namespace

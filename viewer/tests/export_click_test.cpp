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
#include <random>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::u16string kWarning = u"This program may lock up for several minutes.";
// One tile holding 0x01 to 0x10, then four bytes of a partial group; and that
// exported from each layout into the other.
const Bytes kTileAndTail{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
const Bytes kTileAndTailAsGb{0x01, 0x09, 0x02, 0x0A, 0x03, 0x0B, 0x04, 0x0C, 0x05, 0x0D,
                             0x06, 0x0E, 0x07, 0x0F, 0x08, 0x10, 0x11, 0x12, 0x13, 0x14};
const Bytes kTileAndTailAsNes{0x01, 0x03, 0x05, 0x07, 0x09, 0x0B, 0x0D, 0x0F, 0x02, 0x04,
                              0x06, 0x08, 0x0A, 0x0C, 0x0E, 0x10, 0x11, 0x12, 0x13, 0x14};

Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Message texts of ASCII characters as narrow text, to hand them over from a
// child process.
std::string Ascii(const std::u16string& text) { return {text.begin(), text.end()}; }

std::u16string CouldNotWrite(const fs::path& target, const std::u16string& reason)
{
    const std::string path = target.string();
    return u"Could not write " + std::u16string(path.begin(), path.end()) + u": " + reason;
}

class ExportClick : public testing::Test {
protected:
    ExportClick()
    {
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
        cd1.flags = CommonDialog::kFileMustExist;
        cd1.filter = u"NES Files|*.nes*|GB Files|*.gb*|GBC Files|*.gbc*|All Files|*.*";
    }

    // The state the viewer is in after opening `name`, written into the test folder.
    void Open(const std::string& name, const std::string& tag, const Bytes& bytes)
    {
        opened = temp.Write(name, bytes);
        Load(opened, tag, bytes);
    }

    void Load(const fs::path& path, const std::string& tag, const Bytes& bytes)
    {
        cd1.fileName = path.string();
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

    // The warning, then `report` (or, when it ends in ": ", a longer text
    // starting with it), both in OK boxes of the converter's title; no file
    // is left open.
    void ExpectReport(const std::u16string& report)
    {
        ASSERT_EQ(ui.messageBoxes.size(), 2u);
        EXPECT_EQ(ui.messageBoxes[0].text, kWarning);
        const std::u16string& text = ui.messageBoxes[1].text;
        const bool prefix = report.ends_with(u": ");
        EXPECT_EQ(prefix ? text.substr(0, report.size()) : text, report);
        EXPECT_GT(text.size(), prefix ? report.size() : 0u);
        for (const auto& box : ui.messageBoxes) {
            EXPECT_EQ(box.caption, kConverterTitle);
            EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_TASKMODAL));
        }
        EXPECT_EQ(FileOpenCount(table.get()), 0);
    }

    long FolderEntries() const { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); }

    ScriptedUiHost ui;
    ScriptedCommonDialog cd1;
    TempFolder temp;
    const fs::path& folder = temp.Path();
    std::unique_ptr<FILE_NUMBER_TABLE, decltype(&FileTableDestroy)> table{FileTableCreate(), &FileTableDestroy};
    fs::path opened;
    std::string layouttag;
    Bytes nesimage;
    Bytes gbimage;
};

TEST_F(ExportClick, WritesTheOtherLayoutThroughTheSaveDialog)
{
    const std::tuple<std::string, std::string, std::string, std::u16string, Bytes> cases[] = {
        {"game.nes", "nes", "converted", u"GB Files|*.gb*|All Files|*.*", kTileAndTailAsGb},
        {"game.gbc", "gb", "converted.nes", u"NES Files|*.nes*|All Files|*.*", kTileAndTailAsNes},
    };
    for (const auto& [name, tag, chosen, filter, written] : cases) {
        SCOPED_TRACE(name);
        fs::remove_all(folder);
        fs::create_directory(folder);
        Open(name, tag, kTileAndTail);

        ExportTo(folder / chosen);

        ASSERT_EQ(cd1.calls.size(), 1u);
        EXPECT_TRUE(cd1.calls[0].save);
        EXPECT_EQ(cd1.calls[0].filter, filter);
        EXPECT_EQ(cd1.calls[0].flags, CommonDialog::kFileMustExist);
        EXPECT_EQ(cd1.calls[0].proposed, opened.string());
        ExpectReport(u"Done!");
        // The chosen name is used as given: no extension added, nothing else left.
        EXPECT_EQ(ReadBytes(folder / chosen), written);
        EXPECT_EQ(FolderEntries(), 2);
    }
}

// A cancel in the save dialog, or a file of no known layout, which shows no
// dialog at all.
TEST_F(ExportClick, CancelOrAFileOfNoLayoutWritesAndShowsNothing)
{
    const std::tuple<const char*, fs::path, size_t> cases[] = {
        {"nes", "", 1}, {"", folder / "out.gb", 0}, {"chr", folder / "out.gb", 0}};
    for (const auto& [tag, chosen, dialogs] : cases) {
        SCOPED_TRACE(tag);
        Open("game.nes", tag, kTileAndTail);
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
    Open("game.gb", "gb", kTileAndTail);
    const fs::path real = temp.Write("old.nes", Bytes(100, 0xEE));
    const auto permissions = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(real, permissions);
    fs::create_symlink("old.nes", folder / "link.nes");

    ExportTo(folder / "link.nes");

    EXPECT_TRUE(fs::is_symlink(folder / "link.nes"));
    EXPECT_EQ(ReadBytes(real), kTileAndTailAsNes);
    EXPECT_EQ(fs::status(real).permissions(), permissions);
    EXPECT_EQ(FolderEntries(), 3);
}

TEST_F(ExportClick, ReportsAFailedWriteAndGoesOn)
{
    Open("game.nes", "nes", kTileAndTail);
    fs::create_directory(folder / "afolder");
    const std::pair<fs::path, std::u16string> cases[] = {
        {folder / "missing" / "out.gb", u"Path not found"},
        {opened / "out.gb", u"Path not found"},  // the "folder" is a regular file
        {folder / "afolder", u"Path/File access error"},
        {"/proc/tilebridge-export-test.gb", u""},  // no file can be created there, not even by root
    };
    for (const auto& [target, reason] : cases) {
        SCOPED_TRACE(target);
        ExportTo(target);
        ExpectReport(CouldNotWrite(target, reason));
    }
    EXPECT_TRUE(fs::is_directory(folder / "afolder"));
    EXPECT_EQ(ReadBytes(opened), kTileAndTail);
    EXPECT_EQ(FolderEntries(), 2);

    ExportTo(folder / "out.gb");
    ExpectReport(u"Done!");
}

// As an ordinary user, after the save dialog confirmed the replacement: a
// read-only file is refused as writing it in place would be, though a rename
// over it needs write access to its folder only; a folder without write
// access takes no new file. The reason is shown and nothing changes.
TEST_F(ExportClick, ReportsATargetOrFolderWithoutWriteAccess)
{
    Open("game.nes", "nes", kTileAndTail);
    const fs::path readOnly = temp.Write("old.gb", {'o', 'l', 'd'});
    const fs::path locked = folder / "locked";
    fs::create_directory(locked);
    ordinary_user::Give(folder);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const std::pair<fs::path, std::u16string> cases[] = {
        {readOnly, u"Path/File access error"},
        {locked / "out.gb", u"Permission denied"},
    };
    for (const auto& [target, reason] : cases) {
        SCOPED_TRACE(target);
        const std::string texts = ordinary_user::Run([&, &chosen = target] {
            ExportTo(chosen);
            std::string joined;
            for (const auto& box : ui.messageBoxes) joined += Ascii(box.text) + "\n";
            return joined;
        });
        EXPECT_EQ(texts, Ascii(kWarning) + "\n" + Ascii(CouldNotWrite(target, reason)) + "\n");
    }
    EXPECT_EQ(ReadBytes(readOnly), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(fs::is_empty(locked));
    EXPECT_EQ(FolderEntries(), 3);
}

// A file-size limit makes the write fail part way, as a full disk does.
TEST_F(ExportClick, AWriteThatRunsOutOfRoomLeavesTheTargetAsItWas)
{
    Open("game.nes", "nes", Bytes(64 * 1024, 0x5A));
    const fs::path target = temp.Write("old.gb", {'o', 'l', 'd'});

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ExportTo(target);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);

    ExpectReport(CouldNotWrite(target, u"Disk full"));
    EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(FolderEntries(), 2);
}

// A file that loaded but whose converted copy finds no memory: the export
// says so, writes nothing, and the viewer goes on.
TEST_F(ExportClick, ReportsAConvertedCopyThatFindsNoMemory)
{
    Open("game.nes", "nes", kTileAndTail);
    std::pmr::memory_resource* const memory = std::pmr::set_default_resource(std::pmr::null_memory_resource());
    ExportTo(folder / "out.gb");
    std::pmr::set_default_resource(memory);

    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    const std::string path = (folder / "out.gb").string();
    EXPECT_EQ(ui.messageBoxes[0].text, u"Not enough memory to export \"" + std::u16string(path.begin(), path.end()) +
                                           u"\": the converted copy needs 20 bytes.");
    EXPECT_EQ(ui.messageBoxes[0].caption, kConverterTitle);
    EXPECT_EQ(ui.messageBoxes[0].type, static_cast<UINT>(MB_OK | MB_TASKMODAL));
    EXPECT_EQ(FileOpenCount(table.get()), 0);
    EXPECT_EQ(FolderEntries(), 1);

    ExportTo(folder / "out.gb");
    ExpectReport(u"Done!");
}

TEST_F(ExportClick, TwiceInARowGivesIdenticalFilesAndLeavesTheSourceAlone)
{
    Bytes source(1000);
    std::mt19937 random(11);
    for (auto& b : source) b = static_cast<std::uint8_t>(random());
    Open("game.nes", "nes", source);

    ExportTo(folder / "first.gb");
    ExportTo(folder / "second.gb");

    EXPECT_EQ(ReadBytes(folder / "first.gb"), ReadBytes(folder / "second.gb"));
    EXPECT_EQ(ReadBytes(opened), source);
}

// Every shared tile file exported gives the file listed beside it, and that
// file exported again gives the original back.
TEST_F(ExportClick, ExportsTheSharedTileFilesByteForByteAndBack)
{
    const fs::path testdata = TILEBRIDGE_TESTDATA;
    int exported = 0;
    for (const char* subfolder : {"nes", "gb", "rom"}) {
        for (const auto& entry : fs::directory_iterator(testdata / subfolder)) {
            const fs::path& file = entry.path();
            SCOPED_TRACE(file);
            const bool nes = file.extension() == ".nes";
            const Bytes original = ReadBytes(file);

            Load(file, nes ? "nes" : "gb", original);
            ExportTo(folder / "converted");
            const std::string expected = file.filename().string() + (nes ? ".exported.gb" : ".exported.nes");
            EXPECT_EQ(ReadBytes(folder / "converted"), ReadBytes(testdata / "expected" / expected));

            Load(folder / "converted", nes ? "gb" : "nes", ReadBytes(folder / "converted"));
            ExportTo(folder / "back");
            EXPECT_EQ(ReadBytes(folder / "back"), original);
            ++exported;
        }
    }
    EXPECT_EQ(exported, 8);
}

}  // namespace

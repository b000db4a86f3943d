// The click on `exportconvert`, headless: the save dialog answers from a
// script and the message boxes are recorded.
#include "export_converted.h"
#include "scripted_common_dialog.h"

#include <scripted_ui_host.h>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <random>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::u16string kWarning = u"This program may lock up for several minutes.";
const std::u16string kGbFilter = u"GB Files|*.gb*|All Files|*.*";
const std::u16string kNesFilter = u"NES Files|*.nes*|All Files|*.*";
// TileAndTail() exported from each layout into the other.
const Bytes kTileAndTailAsGb{0x01, 0x09, 0x02, 0x0A, 0x03, 0x0B, 0x04, 0x0C, 0x05, 0x0D,
                             0x06, 0x0E, 0x07, 0x0F, 0x08, 0x10, 0x11, 0x12, 0x13, 0x14};
const Bytes kTileAndTailAsNes{0x01, 0x03, 0x05, 0x07, 0x09, 0x0B, 0x0D, 0x0F, 0x02, 0x04,
                              0x06, 0x08, 0x0A, 0x0C, 0x0E, 0x10, 0x11, 0x12, 0x13, 0x14};

Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// One tile holding 0x01 to 0x10, then four bytes of a partial group.
Bytes TileAndTail()
{
    Bytes bytes(20);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

std::u16string Utf16(const std::string& ascii)
{
    return {ascii.begin(), ascii.end()};
}

class ExportClick : public testing::Test {
protected:
    void SetUp() override
    {
        std::string name = (fs::temp_directory_path() / "export-click-XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        folder = name;
        setenv("XDG_DATA_HOME", name.c_str(), 1);
        table = FileTableCreate();
        cd1.flags = CommonDialog::kFileMustExist;
        cd1.filter = u"NES Files|*.nes*|GB Files|*.gb*|GBC Files|*.gbc*|All Files|*.*";
    }

    void TearDown() override
    {
        FileTableDestroy(table);
        fs::remove_all(folder);
    }

    // The state the viewer is in after opening `name` from the test folder.
    void Open(const std::string& name, const std::string& tag, const Bytes& bytes)
    {
        opened = folder / name;
        WriteBytes(opened, bytes);
        Load(opened, tag, bytes);
    }

    void Load(const fs::path& path, const std::string& tag, const Bytes& bytes)
    {
        cd1.fileName = path.string();
        layouttag = tag;
        nesimage.assign(bytes.size(), 0);
        gbimage.assign(bytes.size(), 0);
        (tag == "nes" ? nesimage : gbimage) = bytes;
    }

    void ExportTo(const fs::path& chosen)
    {
        cd1.answers.push_back(chosen.string());
        ExportConverted(layouttag, nesimage, gbimage, cd1, table);
    }

    std::vector<std::u16string> MessageTexts() const
    {
        std::vector<std::u16string> texts;
        for (const auto& box : ui.messageBoxes) texts.push_back(box.text);
        return texts;
    }

    std::size_t FolderEntries() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    ScriptedUiHost ui;
    ScriptedCommonDialog cd1;
    FILE_NUMBER_TABLE* table = nullptr;
    fs::path folder;
    fs::path opened;
    std::string layouttag;
    Bytes nesimage;
    Bytes gbimage;
};

TEST_F(ExportClick, WritesTheOtherLayoutThroughTheSaveDialog)
{
    struct Case {
        const char* opened;
        const char* tag;
        const char* chosen;
        std::u16string filter;
        Bytes written;
    };
    const Case cases[] = {
        {"game.nes", "nes", "converted", kGbFilter, kTileAndTailAsGb},
        {"game.gbc", "gb", "converted.nes", kNesFilter, kTileAndTailAsNes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opened);
        fs::remove_all(folder);
        fs::create_directory(folder);
        cd1.calls.clear();
        ui.messageBoxes.clear();
        Open(c.opened, c.tag, TileAndTail());

        ExportTo(folder / c.chosen);

        ASSERT_EQ(cd1.calls.size(), 1u);
        EXPECT_TRUE(cd1.calls[0].save);
        EXPECT_EQ(cd1.calls[0].filter, c.filter);
        EXPECT_EQ(cd1.calls[0].flags, CommonDialog::kFileMustExist);
        EXPECT_EQ(cd1.calls[0].proposed, opened.string());
        EXPECT_EQ(MessageTexts(), (std::vector<std::u16string>{kWarning, u"Done!"}));
        for (const auto& box : ui.messageBoxes) {
            EXPECT_EQ(box.caption, kConverterTitle);
            EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
        }
        // The chosen name is used as given: no extension added, nothing else left.
        EXPECT_EQ(ReadBytes(folder / c.chosen), c.written);
        EXPECT_EQ(FolderEntries(), 2u);
    }
}

TEST_F(ExportClick, DoesNothingWithoutASupportedFile)
{
    for (const char* tag : {"", "chr"}) {
        Open("font.chr", tag, TileAndTail());
        ExportTo(folder / "out.gb");
        EXPECT_TRUE(cd1.calls.empty());
        EXPECT_TRUE(ui.messageBoxes.empty());
        EXPECT_EQ(FolderEntries(), 1u);
    }
}

TEST_F(ExportClick, CancelWritesAndShowsNothing)
{
    Open("game.nes", "nes", TileAndTail());
    ExportTo("");
    EXPECT_EQ(cd1.calls.size(), 1u);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(ReadBytes(opened), TileAndTail());
    EXPECT_EQ(FolderEntries(), 1u);
}

// The chosen path is a link to a longer file with narrow permissions: the
// file it names is replaced whole and keeps them, and the link stays.
TEST_F(ExportClick, ReplacesTheFileALinkNamesWholeKeepingItsPermissions)
{
    Open("game.gb", "gb", TileAndTail());
    const fs::path real = folder / "old.nes";
    const auto permissions = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    WriteBytes(real, Bytes(100, 0xEE));
    fs::permissions(real, permissions);
    fs::create_symlink("old.nes", folder / "link.nes");

    ExportTo(folder / "link.nes");

    EXPECT_TRUE(fs::is_symlink(folder / "link.nes"));
    EXPECT_EQ(ReadBytes(real), kTileAndTailAsNes);
    EXPECT_EQ(fs::status(real).permissions(), permissions);
    EXPECT_EQ(FolderEntries(), 3u);
}

TEST_F(ExportClick, ReportsAFailedWriteAndGoesOn)
{
    Open("game.nes", "nes", TileAndTail());
    fs::create_directory(folder / "afolder");
    struct Case {
        fs::path target;
        std::u16string reason;  // empty: whatever the system reports
    };
    const Case cases[] = {
        {folder / "missing" / "out.gb", u"Path not found"},
        {opened / "out.gb", u"Path not found"},    // the "folder" is a regular file
        {folder / "afolder", u"Path/File access error"},
        {"/proc/tilebridge-export-test.gb", u""},  // no file can be created there, not even by root
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        ui.messageBoxes.clear();
        ExportTo(c.target);

        ASSERT_EQ(ui.messageBoxes.size(), 2u);
        EXPECT_EQ(ui.messageBoxes[0].text, kWarning);
        const std::u16string prefix = u"Could not write " + Utf16(c.target.string()) + u": ";
        const std::u16string& report = ui.messageBoxes[1].text;
        EXPECT_EQ(report.substr(0, prefix.size()), prefix);
        EXPECT_GT(report.size(), prefix.size());
        if (!c.reason.empty()) {
            EXPECT_EQ(report.substr(prefix.size()), c.reason);
        }
        EXPECT_EQ(ui.messageBoxes[1].caption, kConverterTitle);
        EXPECT_EQ(ui.messageBoxes[1].type, static_cast<UINT>(MB_OK));
        EXPECT_EQ(FileOpenCount(table), 0);
    }
    EXPECT_TRUE(fs::is_directory(folder / "afolder"));
    EXPECT_EQ(ReadBytes(opened), TileAndTail());
    EXPECT_EQ(FolderEntries(), 2u);

    ui.messageBoxes.clear();
    ExportTo(folder / "out.gb");
    EXPECT_EQ(MessageTexts(), (std::vector<std::u16string>{kWarning, u"Done!"}));
}

TEST_F(ExportClick, ReportsAFolderWithoutWriteAccess)
{
    if (geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
    Open("game.nes", "nes", TileAndTail());
    fs::create_directory(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    ExportTo(folder / "locked" / "out.gb");
    fs::permissions(folder / "locked", fs::perms::owner_all);

    ASSERT_EQ(ui.messageBoxes.size(), 2u);
    EXPECT_EQ(ui.messageBoxes[1].text,
              u"Could not write " + Utf16((folder / "locked" / "out.gb").string()) + u": Permission denied");
    EXPECT_TRUE(fs::is_empty(folder / "locked"));
}

// A file-size limit makes the write fail part way, as a full disk does.
TEST_F(ExportClick, AWriteThatRunsOutOfRoomLeavesTheTargetAsItWas)
{
    Open("game.nes", "nes", Bytes(64 * 1024, 0x5A));
    const fs::path target = folder / "old.gb";
    WriteBytes(target, Bytes{'o', 'l', 'd'});

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ExportTo(target);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);

    ASSERT_EQ(ui.messageBoxes.size(), 2u);
    EXPECT_EQ(ui.messageBoxes[1].text, u"Could not write " + Utf16(target.string()) + u": Disk full");
    EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(FolderEntries(), 2u);
}

TEST_F(ExportClick, TwiceInARowGivesIdenticalFilesAndLeavesTheSourceAlone)
{
    Bytes source(1000);
    std::mt19937 random(11);
    for (auto& b : source) b = static_cast<std::uint8_t>(random());
    Open("game.nes", "nes", source);

    ExportTo(folder / "first.gb");
    ExportTo(folder / "second.gb");

    EXPECT_EQ(ReadBytes(folder / "first.gb").size(), source.size());
    EXPECT_EQ(ReadBytes(folder / "first.gb"), ReadBytes(folder / "second.gb"));
    EXPECT_EQ(ReadBytes(opened), source);
    EXPECT_EQ(nesimage, source);
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

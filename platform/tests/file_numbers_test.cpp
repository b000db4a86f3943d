#include "ordinary_user.h"
#include "test_support.h"

#include <filenums.h>
#include <rterrors.h>

#include <sys/stat.h>
#include <unistd.h>

#include <tuple>

#include <gtest/gtest.h>

namespace {

class FileNumbersTest : public testing::Test {
protected:
    TempFolder dir;
    FILE_NUMBER_TABLE* table = FileTableCreate();

    ~FileNumbersTest() override { FileTableDestroy(table); }

    LONG Open(INT number, const char* name, INT mode) { return FileOpen(table, number, (dir / name).c_str(), mode); }
    // Opens for output and writes text; closed (replacing the target) when close is true.
    LONG Output(INT number, const char* name, const std::string& text, bool close = false)
    {
        LONG result = Open(number, name, FILE_MODE_OUTPUT);
        if (result == 0) result = FileWrite(table, number, text.data(), text.size());
        return result == 0 && close ? FileClose(table, number) : result;
    }
};

// Numbers run from 1 to 255; a file read by number gives its bytes from any offset on.
TEST_F(FileNumbersTest, NumbersUpTo255AndReadsAtOffsets)
{
    WriteFile(dir / "in", "hello");
    for (INT n = 1; n <= 255; ++n) ASSERT_EQ(Open(n, "in", FILE_MODE_BINARY_READ), 0);
    EXPECT_EQ(FileOpenCount(table), 255);
    EXPECT_EQ(Open(0, "in", FILE_MODE_INPUT), RTERR_BAD_FILE_NAME_OR_NUMBER);
    EXPECT_EQ(Open(256, "in", FILE_MODE_INPUT), RTERR_BAD_FILE_NAME_OR_NUMBER);
    char buffer[8];
    size_t got = 0;
    EXPECT_EQ(FileReadAt(table, 1, 3, buffer, sizeof buffer, &got), 0);
    EXPECT_EQ(std::string(buffer, got), "lo");
}

TEST_F(FileNumbersTest, OpenRefusalsGiveTheRuntimeErrorNumbers)
{
    WriteFile(dir / "file", "data");
    fs::create_directory(dir / "folder");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_symlink(dir / "pipe", dir / "link");
    // A chain of links to a file: "hop1" is one link, "hop41" forty-one.
    for (int hop = 1; hop <= 41; ++hop)
        fs::create_symlink(hop == 1 ? "file" : "hop" + std::to_string(hop - 1), dir / ("hop" + std::to_string(hop)));
    const std::tuple<const char*, INT, LONG> cases[] = {
        {"missing", FILE_MODE_INPUT, RTERR_FILE_NOT_FOUND}, {"file", 9, RTERR_ILLEGAL_FUNCTION_CALL},
        {"nofolder/out", FILE_MODE_OUTPUT, RTERR_PATH_NOT_FOUND}, {"file/out", FILE_MODE_OUTPUT, RTERR_PATH_NOT_FOUND},
        {"folder", FILE_MODE_BINARY_READ, RTERR_PATH_FILE_ACCESS_ERROR},
        {"folder", FILE_MODE_OUTPUT, RTERR_PATH_FILE_ACCESS_ERROR},
        // Renaming over a pipe or a device would put a plain file in its place.
        {"link", FILE_MODE_OUTPUT, RTERR_PATH_FILE_ACCESS_ERROR},
        // Output follows a chain of 40 links to its target, as opening it would, and no longer one.
        {"hop40", FILE_MODE_OUTPUT, 0}, {"hop41", FILE_MODE_OUTPUT, RTERR_PATH_FILE_ACCESS_ERROR},
    };
    for (const auto& [path, mode, expected] : cases) {
        EXPECT_EQ(Open(1, path, mode), expected) << path << " mode " << mode;
        EXPECT_EQ(FileOpenCount(table), expected == 0 ? 1 : 0);
        FileDiscard(table, 1);
    }
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    EXPECT_EQ(Entries(dir.Path()), 45);
}

// The target is replaced whole when the file closes, and not at all when it is discarded or fails.
TEST_F(FileNumbersTest, OutputReplacesTheTargetWholeOnlyWhenClosed)
{
    WriteFile(dir / "target", "the old, longer content");
    ASSERT_EQ(Output(1, "target", "new"), 0);
    EXPECT_EQ(ReadFile(dir / "target"), "the old, longer content");
    FileDiscard(table, 1);
    ASSERT_EQ(Output(1, "target", "newer"), 0);
    ASSERT_EQ(Output(2, "other", "new"), 0);
    fs::create_directory(dir / "other");
    EXPECT_NE(FileClose(table, 2), 0);
    EXPECT_EQ(ReadFile(dir / "target"), "the old, longer content");
    EXPECT_EQ(FileClose(table, 1), 0);
    EXPECT_EQ(ReadFile(dir / "target"), "newer");
    ASSERT_EQ(Output(1, "target", "newest"), 0);
    FileTableDestroy(table);
    table = FileTableCreate();
    EXPECT_EQ(ReadFile(dir / "target"), "newer");
    EXPECT_EQ(Entries(dir.Path()), 2);
}

// As an ordinary user: output keeps the target's permissions and writes through
// links. A target that the user may not write is refused as writing it in place
// would be, although a rename over it needs write access to its folder only; a
// folder without write access takes no new file.
TEST_F(FileNumbersTest, OutputNeedsWriteAccessAndKeepsPermissionsAndLinks)
{
    const mode_t mask = umask(022);
    fs::create_directory(dir / "locked");
    for (const char* name : {"readonly", "writable", "locked/target"}) WriteFile(dir / name, "old");
    fs::create_symlink("readonly", dir / "link");
    fs::create_symlink("writable", dir / "writable link");
    ordinary_user::Give(dir.Path());
    fs::permissions(dir / "readonly", fs::perms(0444));
    fs::permissions(dir / "writable", fs::perms(0640));
    fs::permissions(dir / "locked", fs::perms(0555));
    const std::tuple<const char*, LONG, const char*, fs::perms> cases[] = {
        {"readonly", RTERR_PATH_FILE_ACCESS_ERROR, "old", fs::perms(0444)},
        {"link", RTERR_PATH_FILE_ACCESS_ERROR, "old", fs::perms(0444)},
        {"locked/target", RTERR_PERMISSION_DENIED, "old", fs::perms(0644)},
        {"writable", 0, "writable", fs::perms(0640)},
        {"writable link", 0, "writable link", fs::perms(0640)},
        {"fresh", 0, "fresh", fs::perms(0644)},
    };
    for (const auto& [name, expected, after, mode] : cases) {
        const std::string result = ordinary_user::Run([&] { return std::to_string(Output(1, name, name, true)); });
        EXPECT_EQ(result, std::to_string(expected)) << name;
        EXPECT_EQ(ReadFile(dir / name), after) << name;
        EXPECT_EQ(fs::status(dir / name).permissions(), mode) << name;
    }
    umask(mask);
    EXPECT_TRUE(fs::is_symlink(dir / "writable link"));
    EXPECT_EQ(Entries(dir.Path()), 6);
    EXPECT_EQ(Entries(dir / "locked"), 1);
    // Root may write anything, a read-only file too, which keeps its mode.
    if (geteuid() == 0) {
        ASSERT_EQ(Output(1, "readonly", "new", true), 0);
        EXPECT_EQ(ReadFile(dir / "readonly"), "new");
        EXPECT_EQ(fs::status(dir / "readonly").permissions(), fs::perms(0444));
    }
}

}  // namespace

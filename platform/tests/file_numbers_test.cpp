#include "ordinary_user.h"
#include "test_support.h"

#include <filenums.h>
#include <rterrors.h>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

class FileNumbersTest : public testing::Test {
protected:
    TempFolder dir;
    FILE_NUMBER_TABLE* table = FileTableCreate();

    ~FileNumbersTest() override { FileTableDestroy(table); }

    LONG Open(INT filenum, const std::string& name, INT mode) { return FileOpen(table, filenum, (dir / name).c_str(), mode); }
    // Opens for output and writes text; closed (replacing the target) when close is true.
    LONG Output(INT filenum, const std::string& name, const std::string& text, bool close = false)
    {
        LONG result = Open(filenum, name, FILE_MODE_OUTPUT);
        if (result == 0) result = FileWrite(table, filenum, text.data(), text.size());
        return result == 0 && close ? FileClose(table, filenum) : result;
    }
    // Up to 8 bytes from offset on, or the error number as text.
    std::string ReadAt(INT filenum, LONGLONG offset)
    {
        char buffer[8];
        size_t got = 0;
        const LONG result = FileReadAt(table, filenum, offset, buffer, sizeof buffer, &got);
        return result == 0 ? std::string(buffer, got) : "error " + std::to_string(result);
    }
    LONGLONG Length(INT filenum)
    {
        LONGLONG length = -1;
        FileLength(table, filenum, &length);
        return length;
    }
};

// Numbers are the lowest free ones up to 255, per table.
TEST_F(FileNumbersTest, NumbersAreTheLowestFreeOnesUpTo255)
{
    WriteFile(dir / "in", "data");
    EXPECT_EQ(FreeFile(table), 1);
    for (INT n = 1; n <= 255; ++n) ASSERT_EQ(Open(n, "in", FILE_MODE_BINARY_READ), 0);
    EXPECT_EQ(FreeFile(table), 0);
    EXPECT_EQ(Open(7, "in", FILE_MODE_INPUT), RTERR_FILE_ALREADY_OPEN);
    EXPECT_EQ(Open(0, "in", FILE_MODE_INPUT), RTERR_BAD_FILE_NAME_OR_NUMBER);
    EXPECT_EQ(Open(256, "in", FILE_MODE_INPUT), RTERR_BAD_FILE_NAME_OR_NUMBER);
    EXPECT_EQ(FileClose(table, 7), 0);
    EXPECT_EQ(FreeFile(table), 7);
    FILE_NUMBER_TABLE* other = FileTableCreate();
    EXPECT_EQ(FreeFile(other), 1);
    FileTableDestroy(other);
    EXPECT_EQ(FileOpenCount(table), 254);
    EXPECT_EQ(FileCloseAll(table), 0);
    EXPECT_EQ(FileOpenCount(table), 0);
    EXPECT_EQ(FileClose(table, 1), RTERR_BAD_FILE_NAME_OR_NUMBER);
}

TEST_F(FileNumbersTest, ReadsAtOffsetsAndAsksTheLengthEveryTime)
{
    WriteFile(dir / "in", "hello");
    ASSERT_EQ(Open(1, "in", FILE_MODE_BINARY_READ), 0);
    EXPECT_EQ(ReadAt(1, 3), "lo");
    EXPECT_EQ(ReadAt(1, 9), "");
    EXPECT_EQ(Length(1), 5);
    WriteFile(dir / "in", "hello world");
    EXPECT_EQ(Length(1), 11);
    LONGLONG length = 0;
    EXPECT_EQ(FileLenByName((dir / "in").c_str(), &length), 0);
    EXPECT_EQ(length, 11);
    EXPECT_EQ(FileLenByName((dir / "missing").c_str(), &length), RTERR_FILE_NOT_FOUND);
    EXPECT_EQ(FileWrite(table, 1, "x", 1), 54);
}

TEST_F(FileNumbersTest, OpenFailuresGiveTheRuntimeErrorNumbers)
{
    WriteFile(dir / "file", "data");
    fs::create_directory(dir / "folder");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_symlink(dir / "pipe", dir / "link");
    const struct {
        const char* path;
        INT mode;
        LONG expected;
    } cases[] = {
        {"missing", FILE_MODE_BINARY_READ, RTERR_FILE_NOT_FOUND},
        {"missing", FILE_MODE_INPUT, RTERR_FILE_NOT_FOUND},
        {"nofolder/out", FILE_MODE_OUTPUT, RTERR_PATH_NOT_FOUND},
        {"file/out", FILE_MODE_OUTPUT, RTERR_PATH_NOT_FOUND},
        {"folder", FILE_MODE_BINARY_READ, RTERR_PATH_FILE_ACCESS_ERROR},
        {"folder", FILE_MODE_INPUT, RTERR_PATH_FILE_ACCESS_ERROR},
        {"folder", FILE_MODE_OUTPUT, RTERR_PATH_FILE_ACCESS_ERROR},
        // Renaming over a pipe or a device would put a plain file in its place.
        {"link", FILE_MODE_OUTPUT, RTERR_PATH_FILE_ACCESS_ERROR},
        {"file", 9, RTERR_ILLEGAL_FUNCTION_CALL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Open(1, c.path, c.mode), c.expected) << c.path << " mode " << c.mode;
        EXPECT_EQ(FileOpenCount(table), 0);
    }
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    EXPECT_EQ(Entries(dir.Path()), 4);
}

// The target is replaced whole when the file closes, and not at all when it is discarded or fails.
TEST_F(FileNumbersTest, OutputReplacesTheTargetWholeOnlyWhenClosed)
{
    WriteFile(dir / "target", "the old, longer content");
    ASSERT_EQ(Output(1, "target", "new"), 0);
    EXPECT_EQ(ReadFile(dir / "target"), "the old, longer content");
    EXPECT_EQ(Length(1), 3);
    EXPECT_EQ(ReadAt(1, 0), "error 54");
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

TEST_F(FileNumbersTest, OutputKeepsPermissionsAndWritesThroughLinks)
{
    WriteFile(dir / "target", "old");
    fs::permissions(dir / "target", fs::perms(0640));
    fs::create_symlink("target", dir / "link");
    ASSERT_EQ(Output(1, "link", "new", true), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadFile(dir / "target"), "new");
    EXPECT_EQ(fs::status(dir / "target").permissions(), fs::perms(0640));
    const mode_t mask = umask(022);
    ASSERT_EQ(Output(1, "fresh", "new", true), 0);
    umask(mask);
    EXPECT_EQ(fs::status(dir / "fresh").permissions(), fs::perms(0644));
}

// As an ordinary user: a target that the user may not write is refused as
// writing it in place would be, although a rename over it needs write access
// to its folder only; a folder without write access takes no new file.
TEST_F(FileNumbersTest, OutputNeedsWriteAccessToTheTargetAndToItsFolder)
{
    WriteFile(dir / "readonly", "old");
    fs::create_symlink("readonly", dir / "link");
    WriteFile(dir / "writable", "old");
    fs::create_directory(dir / "locked");
    WriteFile(dir / "locked/target", "old");
    ordinary_user::Give(dir.Path());
    fs::permissions(dir / "readonly", fs::perms(0444));
    fs::permissions(dir / "locked", fs::perms(0555));
    const struct {
        const char* name;
        LONG expected;
        const char* after;
    } cases[] = {
        {"readonly", RTERR_PATH_FILE_ACCESS_ERROR, "old"},
        {"link", RTERR_PATH_FILE_ACCESS_ERROR, "old"},
        {"locked/target", RTERR_PERMISSION_DENIED, "old"},
        {"writable", 0, "new"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ordinary_user::Run([&] { return std::to_string(Output(1, c.name, "new", true)); }),
                  std::to_string(c.expected))
            << c.name;
        EXPECT_EQ(ReadFile(dir / c.name), c.after) << c.name;
    }
    EXPECT_EQ(Entries(dir.Path()), 4);
    EXPECT_EQ(Entries(dir / "locked"), 1);
    // Root may write anything, a read-only file too, which keeps its mode.
    if (geteuid() == 0) {
        ASSERT_EQ(Output(1, "readonly", "new", true), 0);
        EXPECT_EQ(ReadFile(dir / "readonly"), "new");
        EXPECT_EQ(fs::status(dir / "readonly").permissions(), fs::perms(0444));
    }
}

}  // namespace

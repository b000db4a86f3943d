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
    LONG Output(INT filenum, const std::string& name, const std::string& text)
    {
        const LONG result = Open(filenum, name, FILE_MODE_OUTPUT);
        return result != 0 ? result : FileWrite(table, filenum, text.data(), text.size());
    }
    // Up to 8 bytes from offset on, or the error number as text.
    std::string ReadAt(INT filenum, LONGLONG offset)
    {
        char buffer[8];
        size_t got = 0;
        const LONG result = FileReadAt(table, filenum, offset, buffer, sizeof buffer, &got);
        return result == 0 ? std::string(buffer, got) : "error " + std::to_string(result);
    }
};

TEST_F(FileNumbersTest, NumbersAreTheLowestFreeOnesUpTo255)
{
    WriteFile(dir / "in", "data");
    EXPECT_EQ(FreeFile(table), 1);
    for (INT n = 1; n <= 255; ++n) ASSERT_EQ(Open(n, "in", FILE_MODE_BINARY_READ), 0);
    EXPECT_EQ(FreeFile(table), 0);
    EXPECT_EQ(FileOpenCount(table), 255);
    EXPECT_EQ(Open(7, "in", FILE_MODE_INPUT), RTERR_FILE_ALREADY_OPEN);
    EXPECT_EQ(Open(0, "in", FILE_MODE_INPUT), RTERR_BAD_FILE_NAME_OR_NUMBER);
    EXPECT_EQ(Open(256, "in", FILE_MODE_INPUT), RTERR_BAD_FILE_NAME_OR_NUMBER);
    EXPECT_EQ(FileClose(table, 7), 0);
    EXPECT_EQ(FreeFile(table), 7);
    EXPECT_EQ(FileCloseAll(table), 0);
    EXPECT_EQ(FileOpenCount(table), 0);
    EXPECT_EQ(FileClose(table, 1), RTERR_BAD_FILE_NAME_OR_NUMBER);
}

TEST_F(FileNumbersTest, TablesAreIndependent)
{
    WriteFile(dir / "in", "data");
    ASSERT_EQ(Open(1, "in", FILE_MODE_BINARY_READ), 0);
    FILE_NUMBER_TABLE* other = FileTableCreate();
    EXPECT_EQ(FreeFile(other), 1);
    ASSERT_EQ(FileOpen(other, 1, (dir / "in").c_str(), FILE_MODE_INPUT), 0);
    EXPECT_EQ(FileCloseAll(other), 0);
    FileTableDestroy(other);
    EXPECT_EQ(FileOpenCount(table), 1);
    EXPECT_EQ(ReadAt(1, 0), "data");
}

TEST_F(FileNumbersTest, ReadsAtOffsetsAndAsksTheLengthEveryTime)
{
    WriteFile(dir / "in", "hello");
    ASSERT_EQ(Open(1, "in", FILE_MODE_BINARY_READ), 0);
    EXPECT_EQ(ReadAt(1, 3), "lo");
    EXPECT_EQ(ReadAt(1, 9), "");
    LONGLONG length = 0;
    EXPECT_EQ(FileLength(table, 1, &length), 0);
    EXPECT_EQ(length, 5);
    WriteFile(dir / "in", "hello world");
    EXPECT_EQ(FileLength(table, 1, &length), 0);
    EXPECT_EQ(length, 11);
    EXPECT_EQ(FileLenByName((dir / "in").c_str(), &length), 0);
    EXPECT_EQ(length, 11);
    EXPECT_EQ(FileWrite(table, 1, "x", 1), 54);
}

TEST_F(FileNumbersTest, OpenFailuresGiveTheRuntimeErrorNumbers)
{
    WriteFile(dir / "file", "data");
    fs::create_directory(dir / "folder");
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
        {"file", 9, RTERR_ILLEGAL_FUNCTION_CALL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Open(1, c.path, c.mode), c.expected) << c.path << " mode " << c.mode;
        EXPECT_EQ(FileOpenCount(table), 0);
    }
    LONGLONG length = 0;
    EXPECT_EQ(FileLenByName((dir / "missing").c_str(), &length), RTERR_FILE_NOT_FOUND);
    EXPECT_EQ(Entries(dir.Path()), 2);
}

TEST_F(FileNumbersTest, OutputReplacesALongerTargetWholeOnlyWhenClosed)
{
    WriteFile(dir / "target", "the old, longer content");
    ASSERT_EQ(Output(1, "target", "new"), 0);
    EXPECT_EQ(ReadFile(dir / "target"), "the old, longer content");
    LONGLONG length = 0;
    EXPECT_EQ(FileLength(table, 1, &length), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(ReadAt(1, 0), "error 54");
    EXPECT_EQ(FileClose(table, 1), 0);
    EXPECT_EQ(ReadFile(dir / "target"), "new");
    EXPECT_EQ(Entries(dir.Path()), 1);
}

TEST_F(FileNumbersTest, DiscardedOutputLeavesTheTargetAsItWas)
{
    WriteFile(dir / "target", "old");
    ASSERT_EQ(Output(1, "target", "new"), 0);
    FileDiscard(table, 1);
    ASSERT_EQ(Output(2, "target", "newer"), 0);
    FileTableDestroy(table);
    table = FileTableCreate();
    EXPECT_EQ(ReadFile(dir / "target"), "old");
    EXPECT_EQ(Entries(dir.Path()), 1);
}

TEST_F(FileNumbersTest, OutputKeepsPermissionsAndWritesThroughLinks)
{
    WriteFile(dir / "target", "old");
    fs::permissions(dir / "target", fs::perms(0640));
    fs::create_symlink("target", dir / "link");
    ASSERT_EQ(Output(1, "link", "new"), 0);
    ASSERT_EQ(FileClose(table, 1), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadFile(dir / "target"), "new");
    EXPECT_EQ(fs::status(dir / "target").permissions(), fs::perms(0640));

    const mode_t mask = umask(022);
    ASSERT_EQ(Output(1, "fresh", "new"), 0);
    ASSERT_EQ(FileClose(table, 1), 0);
    umask(mask);
    EXPECT_EQ(fs::status(dir / "fresh").permissions(), fs::perms(0644));
}

TEST_F(FileNumbersTest, FailedReplacementRemovesTheTemporaryFile)
{
    ASSERT_EQ(Output(1, "target", "new"), 0);
    fs::create_directory(dir / "target");
    EXPECT_NE(FileClose(table, 1), 0);
    EXPECT_TRUE(fs::is_directory(dir / "target"));
    EXPECT_EQ(Entries(dir.Path()), 1);
}

TEST_F(FileNumbersTest, OnlyARegularFileIsReplaced)
{
    // Renaming over a pipe or a device would put a plain file in its place.
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_symlink(dir / "pipe", dir / "link");
    EXPECT_EQ(Output(1, "link", "new"), RTERR_PATH_FILE_ACCESS_ERROR);
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    EXPECT_EQ(Entries(dir.Path()), 2);
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
        const std::string result = ordinary_user::Run([&] {
            const LONG opened = Output(1, c.name, "new");
            return std::to_string(opened == 0 ? FileClose(table, 1) : opened);
        });
        EXPECT_EQ(result, std::to_string(c.expected)) << c.name;
        EXPECT_EQ(ReadFile(dir / c.name), c.after) << c.name;
    }
    EXPECT_EQ(Entries(dir.Path()), 4);
    EXPECT_EQ(Entries(dir / "locked"), 1);

    // Root may write anything, a read-only file too, which keeps its mode.
    if (geteuid() == 0) {
        ASSERT_EQ(Output(1, "readonly", "new"), 0);
        ASSERT_EQ(FileClose(table, 1), 0);
        EXPECT_EQ(ReadFile(dir / "readonly"), "new");
        EXPECT_EQ(fs::status(dir / "readonly").permissions(), fs::perms(0444));
    }
}

}  // namespace

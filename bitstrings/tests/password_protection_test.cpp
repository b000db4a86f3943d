// encrypt and decrypt through the interface pointer, with scripted answers
// to the password prompt.
#include "component_environment.h"
#include "ordinary_user.h"
#include "temp_folder.h"

#include <filenums.h>
#include <stringapiset.h>

#include <atomic>

namespace {

// While true, the ANSI code page is one of two-byte characters, as on
// Japanese Windows.
std::atomic<bool> twoByteCodePage{false};

}  // namespace

BOOL GetCPInfo(UINT CodePage, LPCPINFO lpCPInfo)
{
    static const auto platformGetCPInfo = reinterpret_cast<decltype(&GetCPInfo)>(dlsym(RTLD_NEXT, "GetCPInfo"));
    if (!twoByteCodePage || CodePage != CP_ACP) return platformGetCPInfo(CodePage, lpCPInfo);
    *lpCPInfo = CPINFO{2, {'?'}, {0x81, 0x9F, 0xE0, 0xFC}};
    return TRUE;
}

namespace {

constexpr char16_t kPassword[] = u"abcdefgh";

long OpenDescriptors() { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); }

// Every test starts with a text file to protect, and leaves no file open
// whatever the outcome.
class PasswordProtectionTest : public BinaryTest {
protected:
    fs::path folder = NewTestFolder();
    long descriptors = OpenDescriptors();

    void SetUp() override { WriteBytes(folder / "notes.txt", "text"); }
    void TearDown() override { EXPECT_EQ(OpenDescriptors(), descriptors); }

    HRESULT Run(HRESULT (STDMETHODCALLTYPE _Binary::*operation)(BSTR, VARIANT*), const std::u16string& name,
                std::initializer_list<std::optional<std::u16string>> answers = {kPassword})
    {
        ui.answers.assign(answers.begin(), answers.end());
        UniqueBstr filename(AllocBstr(name));
        VARIANT result{};
        result.vt = VT_I2;
        const HRESULT hr = (binary.get()->*operation)(filename.get(), &result);
        EXPECT_EQ(result.vt, VT_EMPTY);
        return hr;
    }
    std::u16string PathOf(const char* name) const { return (folder / name).u16string(); }

    // Expects the failure's number and that no file appeared.
    void ExpectFailure(HRESULT hr, LONG number) const
    {
        ExpectError(hr, number);
        EXPECT_FALSE(fs::exists(folder / "notes.pef"));
        EXPECT_TRUE(ui.messageBoxes.empty());
    }
};

// The protected file is the bit string of password and text with its last
// digit moved to the front inverted, and no line end.
TEST_F(PasswordProtectionTest, RoundTripThroughTheRotatedBitStringGivesBackTheTextByteForByte)
{
    std::string allByteValues(256, '\0');
    for (int code = 0; code < 256; ++code) allByteValues[code] = static_cast<char>(code);
    for (const std::string& text : {allByteValues, std::string("one\r\ntwo\n\n\r"), std::string()}) {
        SCOPED_TRACE(testing::PrintToString(text));
        WriteBytes(folder / "notes.txt", text);
        ASSERT_EQ(Run(&_Binary::encrypt, PathOf("notes.txt")), S_OK);
        const std::string digits = Bits("abcdefgh" + text);
        EXPECT_EQ(ReadBytes(folder / "notes.pef"),
                  (digits.back() == '0' ? "1" : "0") + digits.substr(0, digits.size() - 1));
        fs::remove(folder / "notes.txt");
        ASSERT_EQ(Run(&_Binary::decrypt, PathOf("notes.pef")), S_OK);
        EXPECT_EQ(ReadBytes(folder / "notes.txt"), text);
    }
    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(ui.prompts.size(), 6U);
    EXPECT_THAT(ui.prompts[0], FieldsAre(u"What should be the password to get into this file? (8 letters long)",
                                         u"Password Needed"));
    EXPECT_THAT(ui.prompts[1], FieldsAre(u"What is the password to get into this file? (8 letters long)",
                                         u"Password Needed"));
}

TEST_F(PasswordProtectionTest, WrongOrCaseDifferentPasswordIsRefusedWithMessage)
{
    ASSERT_EQ(Run(&_Binary::encrypt, PathOf("notes.txt")), S_OK);
    WriteBytes(folder / "notes.txt", "kept");
    WriteBytes(folder / "plain.pef", "not a protected file");
    for (const auto& [file, password] : {std::pair{"notes.pef", u"abcdefgH"}, {"plain.pef", kPassword}}) {
        ui.messageBoxes.clear();
        EXPECT_EQ(Run(&_Binary::decrypt, PathOf(file), {password}), S_OK);
        EXPECT_THAT(ui.messageBoxes, ElementsAre(FieldsAre(u"Password Incorrect", u"Stopping Decrypton Process",
                                                           UINT{MB_ICONINFORMATION})));
    }
    EXPECT_EQ(ReadBytes(folder / "notes.txt"), "kept");
    EXPECT_FALSE(fs::exists(folder / "plain.txt"));
}

// The prompt comes again until eight usable characters; a cancel ends the
// call with error 18.
TEST_F(PasswordProtectionTest, PromptComesAgainUntilEightUsableCharactersOrCancel)
{
    ExpectFailure(Run(&_Binary::encrypt, PathOf("notes.txt"), {u"", u"short", u"abcdefg\u0100", u"abcdefghi", {}}),
                  RTERR_USER_INTERRUPT);
    EXPECT_EQ(ui.prompts.size(), 5U);
    ExpectFailure(Run(&_Binary::decrypt, PathOf("notes.txt"), {std::nullopt}), RTERR_USER_INTERRUPT);
    EXPECT_EQ(Run(&_Binary::encrypt, PathOf("notes.txt"), {u"short", kPassword}), S_OK);
    EXPECT_TRUE(fs::exists(folder / "notes.pef"));
}

// Bytes and characters would not match one for one: both operations refuse
// before they ask anything.
TEST_F(PasswordProtectionTest, RefusedUnderACodePageOfTwoByteCharacters)
{
    ASSERT_EQ(Run(&_Binary::encrypt, PathOf("notes.txt")), S_OK);
    fs::rename(folder / "notes.pef", folder / "kept.pef");
    ui.prompts.clear();
    twoByteCodePage = true;
    ExpectFailure(Run(&_Binary::encrypt, PathOf("notes.txt")), RTERR_ILLEGAL_FUNCTION_CALL);
    ExpectFailure(Run(&_Binary::decrypt, PathOf("kept.pef")), RTERR_ILLEGAL_FUNCTION_CALL);
    twoByteCodePage = false;
    EXPECT_FALSE(fs::exists(folder / "kept.txt"));
    EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(PasswordProtectionTest, FileAndNameFailures)
{
    ExpectFailure(Run(&_Binary::encrypt, PathOf("missing.txt")), RTERR_FILE_NOT_FOUND);
    ExpectFailure(Run(&_Binary::encrypt, PathOf("no\u0100tes.txt")), RTERR_BAD_FILE_NAME_OR_NUMBER);
    WriteBytes(folder / "a.b", "x");
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    ExpectFailure(Run(&_Binary::encrypt, u"a.b"), RTERR_ILLEGAL_FUNCTION_CALL);
    fs::current_path(previous);
    // The output's name drops the last four characters, whatever they are.
    WriteBytes(folder / "abcd", "x");
    EXPECT_EQ(Run(&_Binary::encrypt, PathOf("abcd")), S_OK);
    EXPECT_TRUE(fs::exists(folder / ".pef"));
}

TEST_F(PasswordProtectionTest, DamagedProtectedFileIsRefusedButLineEndsAreDropped)
{
    ASSERT_EQ(Run(&_Binary::encrypt, PathOf("notes.txt")), S_OK);
    const std::string intact = ReadBytes(folder / "notes.pef");
    WriteBytes(folder / "notes.txt", "kept");
    for (const std::string& damaged : {intact + "0", intact.substr(0, 88) + "2" + intact.substr(89)}) {
        WriteBytes(folder / "notes.pef", damaged);
        ExpectError(Run(&_Binary::decrypt, PathOf("notes.pef")), RTERR_INVALID_FILE_FORMAT);
    }
    EXPECT_EQ(ReadBytes(folder / "notes.txt"), "kept");
    WriteBytes(folder / "notes.pef", intact + "\r\n\n");
    EXPECT_EQ(Run(&_Binary::decrypt, PathOf("notes.pef")), S_OK);
    EXPECT_EQ(ReadBytes(folder / "notes.txt"), "text");
}

TEST_F(PasswordProtectionTest, FailedWriteLeavesTheTargetAlone)
{
    fs::create_directory(folder / "notes.pef");
    WriteBytes(folder / "notes.pef" / "inside", "kept");
    const HRESULT hr = Run(&_Binary::encrypt, PathOf("notes.txt"));
    EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_CONTROL);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(ReadBytes(folder / "notes.pef" / "inside"), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2) << "no temporary file left";
}

// As an ordinary user: a protected file that the user made read-only is not
// replaced; the call fails as writing the file in place would.
TEST_F(PasswordProtectionTest, ReadOnlyOutputIsRefused)
{
    const TempFolder own;
    WriteBytes(own / "notes.txt", "text");
    WriteBytes(own / "notes.pef", "kept");
    ordinary_user::Give(own.Path());
    fs::permissions(own / "notes.pef", fs::perms::owner_read);
    const std::string hr =
        ordinary_user::Run([&] { return std::to_string(Run(&_Binary::encrypt, (own / "notes.txt").u16string())); });
    EXPECT_EQ(hr, std::to_string(HRESULT_FROM_ERROR_NUMBER(RTERR_PATH_FILE_ACCESS_ERROR)));
    EXPECT_EQ(ReadBytes(own / "notes.pef"), "kept");
}

TEST_F(PasswordProtectionTest, ClosingItsFilesLeavesTheClientsFilesOpen)
{
    FILE_NUMBER_TABLE* clientFiles = FileTableCreate();
    ASSERT_EQ(FileOpen(clientFiles, FreeFile(clientFiles), (folder / "notes.txt").c_str(), FILE_MODE_BINARY_READ), 0);
    EXPECT_EQ(Run(&_Binary::encrypt, PathOf("notes.txt")), S_OK);
    EXPECT_EQ(FileOpenCount(clientFiles), 1);
    FileTableDestroy(clientFiles);
}

}  // namespace

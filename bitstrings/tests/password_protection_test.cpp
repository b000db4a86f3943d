// encrypt and decrypt through the interface pointer, with scripted answers
// to the password prompt.
#include "component_environment.h"
#include "ordinary_user.h"
#include "temp_folder.h"

#include <filenums.h>
#include <stringapiset.h>

namespace {

// While true, the ANSI code page is one of two-byte characters, as on
// Japanese Windows.
bool twoByteCodePage = false;

}  // namespace

BOOL GetCPInfo(UINT CodePage, LPCPINFO lpCPInfo)
{
    static const auto platformGetCPInfo = reinterpret_cast<decltype(&GetCPInfo)>(dlsym(RTLD_NEXT, "GetCPInfo"));
    if (!twoByteCodePage || CodePage != CP_ACP) return platformGetCPInfo(CodePage, lpCPInfo);
    *lpCPInfo = CPINFO{2, {'?'}, {0x81, 0x9F, 0xE0, 0xFC}};
    return TRUE;
}

namespace {

constexpr auto encrypt = &_Binary::encrypt;
constexpr auto decrypt = &_Binary::decrypt;
long OpenDescriptors() { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); }

// Every test starts with a text file to protect, and leaves no file open
// whatever the outcome.
class PasswordProtectionTest : public BinaryTest {
protected:
    fs::path folder = NewTestFolder();
    long descriptors = OpenDescriptors();

    void SetUp() override { WriteBytes(folder / "notes.txt", "text"); }
    void TearDown() override { EXPECT_EQ(OpenDescriptors(), descriptors); }

    HRESULT Run(decltype(encrypt) operation, const std::string& name,
                std::initializer_list<std::optional<std::u16string>> answers = {u"abcdefgh"})
    {
        ui.answers.assign(answers.begin(), answers.end());
        UniqueBstr filename(AllocBstr(fs::path(folder / name).u16string()));
        VARIANT result{};
        result.vt = VT_I2;
        const HRESULT hr = (binary.get()->*operation)(filename.get(), &result);
        EXPECT_EQ(result.vt, VT_EMPTY);
        return hr;
    }
};

// The protected file is the bit string of password and text with its last
// digit moved to the front inverted, and no line end. Closing its files
// leaves the client's files open.
TEST_F(PasswordProtectionTest, RoundTripThroughTheRotatedBitStringGivesBackTheTextByteForByte)
{
    FILE_NUMBER_TABLE* clientFiles = FileTableCreate();
    ASSERT_EQ(FileOpen(clientFiles, FreeFile(clientFiles), (folder / "notes.txt").c_str(), FILE_MODE_BINARY_READ), 0);
    std::string allByteValues;
    for (int code = 0; code < 256; ++code) allByteValues += static_cast<char>(code);
    for (const std::string& text : {allByteValues, std::string("one\r\ntwo\n\n\r"), std::string()}) {
        WriteBytes(folder / "notes.txt", text);
        ASSERT_EQ(Run(encrypt, "notes.txt"), S_OK);
        const std::string digits = Bits("abcdefgh" + text);
        EXPECT_EQ(ReadBytes(folder / "notes.pef"), (digits.back() == '0' ? "1" : "0") + digits.substr(0, digits.size() - 1));
        fs::remove(folder / "notes.txt");
        ASSERT_EQ(Run(decrypt, "notes.pef"), S_OK);
        EXPECT_EQ(ReadBytes(folder / "notes.txt"), text);
    }
    EXPECT_EQ(FileOpenCount(clientFiles), 1);
    FileTableDestroy(clientFiles);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_THAT(ui.prompts[0], FieldsAre(u"What should be the password to get into this file? (8 letters long)",
                                         u"Password Needed"));
    EXPECT_THAT(ui.prompts[1], FieldsAre(u"What is the password to get into this file? (8 letters long)",
                                         u"Password Needed"));
}

// A wrong password, one that differs in case, or a file that is no protected
// file: a message, and nothing written. A damaged file with the right
// password is refused; line ends after it are dropped.
TEST_F(PasswordProtectionTest, WrongPasswordShowsMessageAndDamagedFileIsRefused)
{
    ASSERT_EQ(Run(encrypt, "notes.txt"), S_OK);
    const std::string intact = ReadBytes(folder / "notes.pef");
    WriteBytes(folder / "notes.txt", "kept");
    WriteBytes(folder / "plain.pef", "not a protected file");
    for (const auto& [file, password] : {std::pair{"notes.pef", u"abcdefgH"}, {"plain.pef", u"abcdefgh"}}) {
        ui.messageBoxes.clear();
        EXPECT_EQ(Run(decrypt, file, {password}), S_OK);
        EXPECT_THAT(ui.messageBoxes, ElementsAre(FieldsAre(u"Password Incorrect", u"Stopping Decrypton Process",
                                                           UINT{MB_ICONINFORMATION})));
    }
    for (const std::string& damaged : {intact + "0", intact.substr(0, 88) + "2" + intact.substr(89)}) {
        WriteBytes(folder / "notes.pef", damaged);
        ExpectError(Run(decrypt, "notes.pef"), RTERR_INVALID_FILE_FORMAT);
    }
    EXPECT_EQ(ReadBytes(folder / "notes.txt"), "kept");
    EXPECT_FALSE(fs::exists(folder / "plain.txt"));
    WriteBytes(folder / "notes.pef", intact + "\r\n\n");
    EXPECT_EQ(Run(decrypt, "notes.pef"), S_OK);
    EXPECT_EQ(ReadBytes(folder / "notes.txt"), "text");
}

// The prompt comes again until eight usable characters; a cancel ends the
// call with error 18. Under a code page of two-byte characters, bytes and
// characters would not match one for one: both operations refuse before
// they ask anything.
TEST_F(PasswordProtectionTest, PasswordsAndRefusals)
{
    ExpectError(Run(encrypt, "notes.txt", {u"", u"short", u"abcdefg\u0100", u"abcdefghi", {}}), RTERR_USER_INTERRUPT);
    ExpectError(Run(decrypt, "notes.txt", {{}}), RTERR_USER_INTERRUPT);
    EXPECT_EQ(ui.prompts.size(), 6U);
    twoByteCodePage = true;
    ExpectError(Run(encrypt, "notes.txt"), RTERR_ILLEGAL_FUNCTION_CALL);
    ExpectError(Run(decrypt, "notes.txt"), RTERR_ILLEGAL_FUNCTION_CALL);
    twoByteCodePage = false;
    EXPECT_EQ(ui.prompts.size(), 6U);
    ExpectError(Run(encrypt, "missing.txt"), RTERR_FILE_NOT_FOUND);
    ExpectError(Run(encrypt, "no\xc4\x80tes.txt"), RTERR_BAD_FILE_NAME_OR_NUMBER);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "nothing written";
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(Run(encrypt, "notes.txt", {u"short", u"abcdefgh"}), S_OK);
    WriteBytes(folder / "abcd", "x");
    EXPECT_EQ(Run(encrypt, "abcd"), S_OK) << "the output's name drops the last four characters, whatever they are";
    EXPECT_TRUE(fs::exists(folder / ".pef"));
}

// A target that can't be replaced is left as it was, with no temporary file
// beside it. As an ordinary user, a protected file that the user made
// read-only is not replaced; the call fails as writing the file in place
// would.
TEST_F(PasswordProtectionTest, FailedWriteLeavesTheTargetAlone)
{
    fs::create_directory(folder / "notes.pef");
    const HRESULT hr = Run(encrypt, "notes.txt");
    EXPECT_TRUE(FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_CONTROL) << hr;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2);
    const TempFolder own;
    WriteBytes(own / "notes.txt", "text");
    WriteBytes(own / "notes.pef", "kept");
    ordinary_user::Give(own.Path());
    fs::permissions(own / "notes.pef", fs::perms::owner_read);
    folder = own.Path();
    EXPECT_EQ(ordinary_user::Run([&] { return std::to_string(Run(encrypt, "notes.txt")); }),
              std::to_string(HRESULT_FROM_ERROR_NUMBER(RTERR_PATH_FILE_ACCESS_ERROR)));
    EXPECT_EQ(ReadBytes(own / "notes.pef"), "kept");
}

}  // namespace

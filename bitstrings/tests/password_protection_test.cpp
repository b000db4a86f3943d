// encrypt and decrypt through the interface pointer, with scripted answers
// to the password prompt.
#include "component_environment.h"
#include "ordinary_user.h"

#include <bitset>

namespace {

using Operation = decltype(&_Binary::encrypt);
using Answers = std::vector<std::optional<std::u16string>>;
constexpr Operation encrypt = &_Binary::encrypt, decrypt = &_Binary::decrypt;
long OpenDescriptors() { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); }

// The protected file of a text under the password "abcdefgh": the bit string
// of both (eight digits a byte, most significant first) with its last digit
// moved to the front inverted, and no line end.
std::string Protected(const std::string& text)
{
    std::string digits;
    for (const char byte : "abcdefgh" + text) digits += std::bitset<8>(static_cast<unsigned char>(byte)).to_string();
    return (digits.back() == '0' ? "1" : "0") + digits.substr(0, digits.size() - 1);
}

// Every test starts with a text file to protect, and leaves no file open
// whatever the outcome.
class PasswordProtectionTest : public BinaryTest {
protected:
    const TempFolder folder;
    const long descriptors = OpenDescriptors();

    void SetUp() override { WriteBytes(folder / "notes.txt", "text"); }
    void TearDown() override { EXPECT_EQ(OpenDescriptors(), descriptors); }

    HRESULT Run(Operation operation, const std::string& name, const Answers& answers = {u"abcdefgh"})
    {
        ui.answers.assign(answers.begin(), answers.end());
        UniqueBstr filename(AllocBstr((folder / name).u16string()));
        VARIANT result{};
        result.vt = VT_I2;
        const HRESULT hr = (binary.get()->*operation)(filename.get(), &result);
        EXPECT_EQ(result.vt, VT_EMPTY);
        return hr;
    }
};

// Line ends after a protected file are dropped.
TEST_F(PasswordProtectionTest, RoundTripGivesBackTheTextByteForByte)
{
    std::string allByteValues;
    for (int code = 0; code < 256; ++code) allByteValues += static_cast<char>(code);
    for (const std::string& text : {allByteValues, std::string("one\r\ntwo\n\n\r"), std::string()}) {
        WriteBytes(folder / "notes.txt", text);
        ASSERT_EQ(Run(encrypt, "notes.txt"), S_OK);
        EXPECT_EQ(ReadBytes(folder / "notes.pef"), Protected(text));
        WriteBytes(folder / "notes.pef", Protected(text) + "\r\n\n");
        fs::remove(folder / "notes.txt");
        ASSERT_EQ(Run(decrypt, "notes.pef"), S_OK);
        EXPECT_EQ(ReadBytes(folder / "notes.txt"), text);
    }
}

// The prompt comes again until eight usable characters, and a cancel is error
// 18. A wrong password, here one that differs in case, shows a message; a
// damaged file with the right password is refused. Nothing is written.
TEST_F(PasswordProtectionTest, RefusedCallsWriteNothing)
{
    const std::string intact = Protected("secret");
    // The operation, the file and what it holds (if anything), the answers, and the error (0: the message of a
    // wrong password).
    const std::tuple<Operation, std::string, std::string, Answers, LONG> cases[] = {
        {encrypt, "notes.txt", "", {u"", u"short", u"abcdefg\u0100", u"abcdefghi", {}}, RTERR_USER_INTERRUPT},
        {encrypt, "missing.txt", "", {u"abcdefgh"}, RTERR_FILE_NOT_FOUND},
        {encrypt, "no\xc4\x80tes.txt", "", {u"abcdefgh"}, RTERR_BAD_FILE_NAME_OR_NUMBER},
        {decrypt, "notes.pef", intact, {u"abcdefgH"}, 0},
        {decrypt, "notes.pef", intact + "0", {u"abcdefgh"}, RTERR_INVALID_FILE_FORMAT},
    };
    for (const auto& [operation, file, content, answers, error] : cases) {
        if (!content.empty()) WriteBytes(folder / file, content);
        const HRESULT hr = Run(operation, file, answers);
        if (error) ExpectError(hr, error);
        else EXPECT_EQ(hr, S_OK);
    }
    EXPECT_EQ(ui.prompts.size(), 9U);
    EXPECT_THAT(ui.messageBoxes, testing::ElementsAre(testing::FieldsAre(
                                     u"Password Incorrect", u"Stopping Decrypton Process", UINT{MB_ICONINFORMATION})));
    EXPECT_EQ(ReadBytes(folder / "notes.txt"), "text");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 2) << "notes.txt and notes.pef only";
}

// A target that can't be replaced is left as it was, with no temporary file
// beside it. As an ordinary user, a protected file that the user made
// read-only is not replaced; the call fails as writing the file in place
// would.
TEST_F(PasswordProtectionTest, FailedWriteLeavesTheTargetAlone)
{
    fs::create_directory(folder / "notes.pef");
    ExpectError(Run(encrypt, "notes.txt"), RTERR_PATH_FILE_ACCESS_ERROR);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 2);
    fs::remove(folder / "notes.pef");
    WriteBytes(folder / "notes.pef", "kept");
    ordinary_user::Give(folder.Path());
    fs::permissions(folder / "notes.pef", fs::perms::owner_read);
    EXPECT_EQ(ordinary_user::Run([&] { return std::to_string(Run(encrypt, "notes.txt")); }),
              std::to_string(HRESULT_FROM_ERROR_NUMBER(RTERR_PATH_FILE_ACCESS_ERROR)));
    EXPECT_EQ(ReadBytes(folder / "notes.pef"), "kept");
}

}  // namespace

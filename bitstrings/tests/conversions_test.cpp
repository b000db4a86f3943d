// The conversions of Binary through its interface pointer.
#include "component_environment.h"

#include "bit_strings.h"

#include <ansicodes.h>

namespace {

using ConversionsTest = BinaryTest;

std::u16string Char(int code) { return std::u16string(1, AnsiCharOfCode(static_cast<BYTE>(code))); }

TEST_F(ConversionsTest, EveryCodeRoundTripsThroughEveryConversion)
{
    std::string bytes;
    std::u16string text;
    for (int code = 0; code < 256; ++code) bytes += static_cast<char>(code), text += Char(code);
    const std::u16string bits = Utf16(Bits(bytes));
    for (SHORT code = 0; code < 256; ++code) {
        SHORT number = code, value = -1;
        UniqueBstr digits, character;
        EXPECT_EQ(binary->Bin(&number, digits.inout()), S_OK);
        EXPECT_EQ(digits.view(), bits.substr(code * 8, 8));
        EXPECT_EQ(binary->Dec(digits.inout(), &value), S_OK);
        EXPECT_EQ(binary->ChrBin(digits.inout(), character.inout()), S_OK);
        EXPECT_EQ(std::tuple(number, value, character.view()), std::tuple(code, code, Char(code)));
    }
    UniqueBstr argument(AllocBstr(text)), fromText, fromBits;
    EXPECT_EQ(binary->GetStringBits(argument.get(), fromText.inout()), S_OK);
    EXPECT_EQ(fromText.view(), bits);
    EXPECT_EQ(binary->GetStringFromBits(fromText.inout(), fromBits.inout()), S_OK);
    EXPECT_EQ(fromBits.view(), text);
    EXPECT_EQ(ui.doEventsCalls, 256) << "DoEvents before every group";
    EXPECT_TRUE(ui.messageBoxes.empty());
}

// Bad input: a character without a code is reported and adds nothing; a
// number or group out of range is refused and left alone.
TEST_F(ConversionsTest, BadInputIsReportedOrRefused)
{
    UniqueBstr text(AllocBstr(u"A\u0100B")), bits, refused, tooLong(AllocBstr(u"010000010"));
    EXPECT_EQ(binary->GetStringBits(text.get(), bits.inout()), S_OK);
    EXPECT_EQ(bits.view(), u"0100000101000010");
    EXPECT_THAT(ui.messageBoxes, ElementsAre(FieldsAre(u"value is not a valid ASCII Integer", u"Error!", UINT{MB_ICONERROR})));
    for (SHORT value : {-1, 256}) ExpectError(binary->Bin(&value, refused.inout()), RTERR_ILLEGAL_FUNCTION_CALL);
    SHORT value = 0;
    ExpectError(binary->Dec(tooLong.inout(), &value), RTERR_ILLEGAL_FUNCTION_CALL);
    ExpectError(binary->ChrBin(tooLong.inout(), refused.inout()), RTERR_ILLEGAL_FUNCTION_CALL);
    EXPECT_EQ(std::tuple(tooLong.view(), refused.get()), std::tuple(u"010000010", nullptr));
    // A client that passes no argument or no place for the result is refused, not followed.
    for (const HRESULT hr : {binary->Bin(nullptr, refused.inout()), binary->Bin(&value, nullptr),
                             binary->Dec(nullptr, &value), binary->Dec(tooLong.inout(), nullptr),
                             binary->ChrBin(nullptr, refused.inout()), binary->ChrBin(tooLong.inout(), nullptr),
                             binary->GetStringFromBits(nullptr, refused.inout()),
                             binary->GetStringFromBits(tooLong.inout(), nullptr),
                             binary->GetStringBits(text.get(), nullptr), binary->encrypt(text.get(), nullptr),
                             binary->decrypt(text.get(), nullptr)})
        EXPECT_EQ(hr, E_POINTER);
    EXPECT_EQ(std::tuple(tooLong.view(), refused.get()), std::tuple(u"010000010", nullptr));
}

// Dec and ChrBin pad a short group in the caller's variable, and any digit
// but '1' is a 0 bit; GetStringFromBits reads a group from every eighth
// position on while one more digit follows, and pads a short last group.
TEST_F(ConversionsTest, ShortGroupsArePadded)
{
    for (const auto& [given, padded, code] : {std::tuple{u"", u"00000000", 0}, {u"101", u"00000101", 5},
                                              {u"1a1b1c1d", u"1a1b1c1d", 170}}) {
        UniqueBstr decArgument(AllocBstr(given)), chrBinArgument(AllocBstr(given)), character;
        SHORT value = -1;
        EXPECT_EQ(binary->Dec(decArgument.inout(), &value), S_OK);
        EXPECT_EQ(binary->ChrBin(chrBinArgument.inout(), character.inout()), S_OK);
        EXPECT_EQ(std::tuple(value, decArgument.view(), chrBinArgument.view(), character.view()),
                  std::tuple(code, padded, padded, Char(code)));
    }
    for (const auto& [given, text] : {std::pair<std::u16string, std::u16string>{u"", {u'\0'}}, {u"010000011", u"A"},
                                      {u"0100000110", u"A\x02"}, {u"01000001101", u"A\x05"}}) {
        UniqueBstr argument(AllocBstr(given)), result;
        EXPECT_EQ(binary->GetStringFromBits(argument.inout(), result.inout()), S_OK);
        EXPECT_EQ(std::tuple(result.view(), argument.view()), std::tuple(text, given));
    }
    const bitstrings::OleStringView digits = u"10111111";
    EXPECT_EQ(bitstrings::GroupValue(digits.substr(0, 3)), 5) << "read as padded on the left";
}

}  // namespace

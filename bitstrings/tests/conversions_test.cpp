// The conversions of Binary through its interface pointer.
#include "component_environment.h"

#include "bit_strings.h"

#include <ansicodes.h>

namespace {

using ConversionsTest = BinaryTest;

std::u16string Char(int code) { return std::u16string(1, AnsiCharOfCode(static_cast<BYTE>(code))); }
std::u16string BitsOf(int code) { return Utf16(Bits(std::string(1, static_cast<char>(code)))); }

TEST_F(ConversionsTest, EveryCodeRoundTripsThroughEveryConversion)
{
    std::u16string text, bits;
    for (int code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        SHORT number = static_cast<SHORT>(code), value = -1;
        UniqueBstr fromBin, digits(AllocBstr(BitsOf(code))), character;
        EXPECT_EQ(binary->Bin(&number, fromBin.inout()), S_OK);
        EXPECT_EQ(fromBin.view(), BitsOf(code));
        EXPECT_EQ(number, code);
        EXPECT_EQ(binary->Dec(digits.inout(), &value), S_OK);
        EXPECT_EQ(value, code);
        EXPECT_EQ(binary->ChrBin(digits.inout(), character.inout()), S_OK);
        EXPECT_EQ(character.view(), Char(code));
        text += Char(code);
        bits += BitsOf(code);
    }
    UniqueBstr argument(AllocBstr(text)), fromText, fromBits;
    EXPECT_EQ(binary->GetStringBits(argument.get(), fromText.inout()), S_OK);
    EXPECT_EQ(fromText.view(), bits);
    EXPECT_EQ(binary->GetStringFromBits(fromText.inout(), fromBits.inout()), S_OK);
    EXPECT_EQ(fromBits.view(), text);
    EXPECT_EQ(ui.doEventsCalls, 256) << "DoEvents before every group";
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(ConversionsTest, CharacterWithoutCodeShowsMessageAndAddsNothing)
{
    UniqueBstr text(AllocBstr(u"A\u0100B")), bits;
    EXPECT_EQ(binary->GetStringBits(text.get(), bits.inout()), S_OK);
    EXPECT_EQ(bits.view(), u"0100000101000010");
    EXPECT_THAT(ui.messageBoxes,
                ElementsAre(FieldsAre(u"value is not a valid ASCII Integer", u"Error!", UINT{MB_ICONERROR})));
}

TEST_F(ConversionsTest, OutOfRangeArgumentsAreRefusedAndKept)
{
    for (SHORT value : {-1, 256}) {
        UniqueBstr result;
        ExpectError(binary->Bin(&value, result.inout()), RTERR_ILLEGAL_FUNCTION_CALL);
        EXPECT_EQ(result.get(), nullptr);
    }
    UniqueBstr tooLong(AllocBstr(u"010000010")), noResult;
    SHORT value = 0;
    ExpectError(binary->Dec(tooLong.inout(), &value), RTERR_ILLEGAL_FUNCTION_CALL);
    ExpectError(binary->ChrBin(tooLong.inout(), noResult.inout()), RTERR_ILLEGAL_FUNCTION_CALL);
    EXPECT_EQ(tooLong.view(), u"010000010");
}

// Dec and ChrBin pad a short argument in the caller's variable; any
// character but '1' is a 0 bit.
TEST_F(ConversionsTest, DecAndChrBinPadTheCallersVariable)
{
    for (const auto& [given, padded, code] : {std::tuple{u"", u"00000000", 0}, {u"101", u"00000101", 5},
                                              {u"1a1b1c1d", u"1a1b1c1d", 170}}) {
        SCOPED_TRACE(testing::PrintToString(std::u16string(given)));
        UniqueBstr decArgument(AllocBstr(given)), chrBinArgument(AllocBstr(given)), character;
        SHORT value = -1;
        EXPECT_EQ(binary->Dec(decArgument.inout(), &value), S_OK);
        EXPECT_EQ(value, code);
        EXPECT_EQ(decArgument.view(), padded);
        EXPECT_EQ(binary->ChrBin(chrBinArgument.inout(), character.inout()), S_OK);
        EXPECT_EQ(character.view(), Char(code));
        EXPECT_EQ(chrBinArgument.view(), padded);
    }
}

// A group is read from every eighth position on while one more digit
// follows; a short last group is padded on the left.
TEST_F(ConversionsTest, GetStringFromBitsReadsGroupsOfEight)
{
    for (const auto& [bits, text] : {std::pair<std::u16string, std::u16string>{u"", std::u16string(1, u'\0')},
                                     {u"010000011", u"A"}, {u"0100000110", u"A\x02"}, {u"01000001101", u"A\x05"}}) {
        SCOPED_TRACE(testing::PrintToString(bits));
        UniqueBstr argument(AllocBstr(bits)), result;
        EXPECT_EQ(binary->GetStringFromBits(argument.inout(), result.inout()), S_OK);
        EXPECT_EQ(result.view(), text);
        EXPECT_EQ(argument.view(), bits);
    }
}

TEST(GroupValue, ShortGroupReadsAsPaddedOnTheLeft)
{
    const bitstrings::OleStringView digits = u"10111111";
    EXPECT_EQ(bitstrings::GroupValue(digits.substr(0, 3)), 5);
    EXPECT_EQ(bitstrings::GroupValue(digits.substr(0, 0)), 0);
}

}  // namespace

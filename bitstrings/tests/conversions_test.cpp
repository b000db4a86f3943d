// The conversions of Binary through its interface pointer.
#include "component_environment.h"

#include <ansicodes.h>
#include <stringapiset.h>

namespace {

class ConversionsTest : public BinaryTest {
protected:

    std::u16string GetStringBits(const std::u16string& text)
    {
        UniqueBstr argument(AllocBstr(text)), result;
        EXPECT_EQ(binary->GetStringBits(argument.get(), result.inout()), S_OK);
        return std::u16string(result.view());
    }
};

std::u16string BitsOf(int code) { return Utf16(Bits(std::string(1, static_cast<char>(code)))); }

TEST_F(ConversionsTest, GetStringBitsGivesEightDigitsForEveryCode)
{
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(GetStringBits(std::u16string(1, AnsiCharOfCode(static_cast<BYTE>(code)))), BitsOf(code)) << code;
    }
    EXPECT_EQ(GetStringBits(u""), u"");
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(ConversionsTest, CharacterWithoutCodeShowsMessageAndAddsNothing)
{
    EXPECT_EQ(GetStringBits(u"A\u0100B"), u"0100000101000010");
    EXPECT_THAT(ui.messageBoxes,
                ElementsAre(FieldsAre(u"value is not a valid ASCII Integer", u"Error!", UINT{MB_ICONERROR})));
}

TEST_F(ConversionsTest, BinAcceptsZeroTo255Only)
{
    for (SHORT value : {-1, 0, 5, 255, 256}) {
        const SHORT given = value;
        UniqueBstr result;
        if (given < 0 || given > 255) {
            ExpectError(binary->Bin(&value, result.inout()), RTERR_ILLEGAL_FUNCTION_CALL);
            EXPECT_EQ(result.get(), nullptr);
        } else {
            EXPECT_EQ(binary->Bin(&value, result.inout()), S_OK);
            EXPECT_EQ(result.view(), BitsOf(given));
        }
        EXPECT_EQ(value, given);
    }
}

// ChrBin pads its argument through Dec and gives the character of its value.
TEST_F(ConversionsTest, DecAndChrBinPadTheCallersVariable)
{
    const struct {
        std::u16string given, padded;
        SHORT value;
    } cases[] = {
        {u"101", u"00000101", 5}, {u"", u"00000000", 0}, {u"1", u"00000001", 1},
        {u"1a1b1c1d", u"1a1b1c1d", 170}, {u"11111111", u"11111111", 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.given));
        UniqueBstr decArgument(AllocBstr(c.given)), chrBinArgument(AllocBstr(c.given)), character;
        SHORT value = -1;
        EXPECT_EQ(binary->Dec(decArgument.inout(), &value), S_OK);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(decArgument.view(), c.padded);
        EXPECT_EQ(binary->ChrBin(chrBinArgument.inout(), character.inout()), S_OK);
        EXPECT_EQ(character.view(), std::u16string(1, AnsiCharOfCode(static_cast<BYTE>(c.value))));
        EXPECT_EQ(chrBinArgument.view(), c.padded);
    }
    UniqueBstr tooLong(AllocBstr(u"010000010")), noResult;
    SHORT value = 0;
    ExpectError(binary->Dec(tooLong.inout(), &value), RTERR_ILLEGAL_FUNCTION_CALL);
    ExpectError(binary->ChrBin(tooLong.inout(), noResult.inout()), RTERR_ILLEGAL_FUNCTION_CALL);
    EXPECT_EQ(tooLong.view(), u"010000010");
}

TEST_F(ConversionsTest, GetStringFromBitsReadsGroupsOfEight)
{
    const struct {
        std::u16string bits, text;
    } cases[] = {
        {u"0100000101000010", u"AB"}, {u"", std::u16string(1, u'\0')}, {u"010000011", u"A"},
        {u"0100000110", u"A\x02"}, {u"01000001101", u"A\x05"}, {u"1x1y1z1w", std::u16string(1, AnsiCharOfCode(170))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bits));
        ui.doEventsCalls = 0;
        UniqueBstr argument(AllocBstr(c.bits)), result;
        EXPECT_EQ(binary->GetStringFromBits(argument.inout(), result.inout()), S_OK);
        EXPECT_EQ(result.view(), c.text);
        EXPECT_EQ(argument.view(), c.bits);
        EXPECT_EQ(ui.doEventsCalls, static_cast<long>(c.text.size())) << "DoEvents before every group";
    }
}

}  // namespace

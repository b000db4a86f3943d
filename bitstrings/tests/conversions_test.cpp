// The conversions of Binary through its interface pointer.
#include "component_environment.h"
#include "unique_bstr.h"

#include <rterrors.h>
#include <scripted_ui_host.h>
#include <stringapiset.h>

#include <gtest/gtest.h>

#include <bitset>

using bitstrings::AllocBstr;
using bitstrings::UniqueBstr;

namespace {

class ConversionsTest : public ::testing::Test {
protected:
    ScriptedUiHost ui;
    BinaryPtr binary = CreateBinary();

    std::u16string GetStringBits(const std::u16string& text)
    {
        UniqueBstr argument(AllocBstr(text)), result;
        EXPECT_EQ(binary->GetStringBits(argument.get(), result.inout()), S_OK);
        return std::u16string(result.view());
    }

    // Expects error 5 with its description.
    static void ExpectInvalidCall(HRESULT hr)
    {
        EXPECT_EQ(hr, CTL_E_ILLEGALFUNCTIONCALL);
        EXPECT_EQ(TakeErrorDescription(), u"Invalid procedure call or argument");
    }
};

std::u16string BitsOf(unsigned code)
{
    const std::string bits = std::bitset<8>(code).to_string();
    return {bits.begin(), bits.end()};
}

TEST_F(ConversionsTest, GetStringBitsGivesEightDigitsForEveryCode)
{
    for (unsigned code = 0; code < 256; ++code) {
        EXPECT_EQ(GetStringBits(std::u16string(1, AnsiCharOfCode(static_cast<BYTE>(code)))), BitsOf(code)) << code;
    }
    EXPECT_EQ(GetStringBits(u"AB"), u"0100000101000010");
    EXPECT_EQ(GetStringBits(u""), u"");
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(ConversionsTest, CharacterWithoutCodeShowsMessageAndAddsNothing)
{
    EXPECT_EQ(GetStringBits(u"A\u0100B"), u"0100000101000010");
    ASSERT_EQ(ui.messageBoxes.size(), 1U);
    EXPECT_EQ(ui.messageBoxes[0].text, u"value is not a valid ASCII Integer");
    EXPECT_EQ(ui.messageBoxes[0].caption, u"Error!");
    EXPECT_EQ(ui.messageBoxes[0].type, static_cast<UINT>(MB_ICONERROR));
}

TEST_F(ConversionsTest, BinAcceptsZeroTo255Only)
{
    for (const SHORT value : {0, 5, 255}) {
        SHORT argument = value;
        UniqueBstr result;
        EXPECT_EQ(binary->Bin(&argument, result.inout()), S_OK);
        EXPECT_EQ(result.view(), BitsOf(static_cast<unsigned>(value)));
        EXPECT_EQ(argument, value);
    }
    for (SHORT value : {-1, 256}) {
        UniqueBstr result;
        ExpectInvalidCall(binary->Bin(&value, result.inout()));
        EXPECT_EQ(result.get(), nullptr);
    }
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(ConversionsTest, DecPadsTheCallersVariable)
{
    const struct {
        std::u16string given, padded;
        SHORT value;
    } cases[] = {
        {u"101", u"00000101", 5},
        {u"", u"00000000", 0},
        {u"1a1b1c1d", u"1a1b1c1d", 170},
        {u"11111111", u"11111111", 255},
    };
    for (const auto& c : cases) {
        UniqueBstr argument(AllocBstr(c.given));
        SHORT value = -1;
        EXPECT_EQ(binary->Dec(argument.inout(), &value), S_OK);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(argument.view(), c.padded);
    }
    UniqueBstr tooLong(AllocBstr(u"010000010"));
    SHORT value = 0;
    ExpectInvalidCall(binary->Dec(tooLong.inout(), &value));
    EXPECT_EQ(tooLong.view(), u"010000010");
}

TEST_F(ConversionsTest, ChrBinPadsThroughDec)
{
    UniqueBstr argument(AllocBstr(u"1")), result;
    EXPECT_EQ(binary->ChrBin(argument.inout(), result.inout()), S_OK);
    EXPECT_EQ(result.view(), std::u16string(1, u'\x01'));
    EXPECT_EQ(argument.view(), u"00000001");
    UniqueBstr tooLong(AllocBstr(u"010000010")), noResult;
    ExpectInvalidCall(binary->ChrBin(tooLong.inout(), noResult.inout()));
}

TEST_F(ConversionsTest, GetStringFromBitsReadsGroupsOfEight)
{
    const struct {
        std::u16string bits, text;
    } cases[] = {
        {u"0100000101000010", u"AB"},
        {u"", std::u16string(1, u'\0')},
        {u"010000011", u"A"},
        {u"0100000110", u"A\x02"},
        {u"01000001101", u"A\x05"},
        {u"1x1y1z1w", std::u16string(1, AnsiCharOfCode(170))},
    };
    for (const auto& c : cases) {
        ui.doEventsCalls = 0;
        UniqueBstr argument(AllocBstr(c.bits)), result;
        EXPECT_EQ(binary->GetStringFromBits(argument.inout(), result.inout()), S_OK);
        EXPECT_EQ(result.view(), c.text);
        EXPECT_EQ(argument.view(), c.bits);
        EXPECT_EQ(ui.doEventsCalls, static_cast<long>(c.text.size())) << "DoEvents before every group";
    }
}

}  // namespace

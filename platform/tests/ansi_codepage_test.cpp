// The ANSI code page: every byte is a character of its own and comes back
// unchanged; characters without a byte are told apart.
#include <ansicodes.h>
#include <stringapiset.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(AnsiCodePage, EveryByteRoundTrips)
{
    for (int code = 0; code < 256; ++code) {
        const WCHAR ch = AnsiCharOfCode(static_cast<BYTE>(code));
        EXPECT_EQ(AnsiCodeOfChar(ch), code) << code;
        const char byte = static_cast<char>(code);
        WCHAR wide = 0;
        char back = 0;
        BOOL usedDefault = TRUE;
        ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, &byte, 1, &wide, 1), 1);
        ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, &wide, 1, &back, 1, nullptr, &usedDefault), 1);
        EXPECT_EQ(wide, ch);
        EXPECT_EQ(back, byte);
        EXPECT_FALSE(usedDefault);
    }
    EXPECT_EQ(AnsiCharOfCode(0x80), u'\u20AC');
    EXPECT_EQ(AnsiCharOfCode(0x9F), u'\u0178');
    EXPECT_EQ(AnsiCharOfCode(0xE9), u'\u00E9');
    for (BYTE undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(AnsiCharOfCode(undefined), undefined);
}

TEST(AnsiCodePage, CharactersWithoutAByte)
{
    for (WCHAR ch : {u'\u0080', u'\u009F', u'\u0100', u'\u03A9', static_cast<WCHAR>(0xD800), u'\uFFFD'})
        EXPECT_EQ(AnsiCodeOfChar(ch), -1);
    BOOL usedDefault = FALSE;
    char out[3] = {};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\u03A9b", 3, out, 3, nullptr, &usedDefault), 3);
    EXPECT_EQ(std::string(out, 3), "a?b");
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, nullptr, 0, nullptr, nullptr), 4);
    WCHAR two[2];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, two, 2), 0);
    CPINFO info;
    EXPECT_TRUE(GetCPInfo(CP_ACP, &info));
    EXPECT_EQ(info.MaxCharSize, 1u);
    EXPECT_TRUE(GetCPInfo(CP_UTF8, &info));
    EXPECT_EQ(info.MaxCharSize, 4u);
    EXPECT_FALSE(GetCPInfo(932, &info));
}

TEST(Utf8, StrictDecodingRefusesMalformedBytes)
{
    WCHAR out[8];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC2\x80", 2, out, 8), 1);
    EXPECT_EQ(out[0], u'\u0080');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xE9t\xE9", 3, out, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xE9t", 2, out, 8), 2);
    EXPECT_EQ(out[0], u'\uFFFD');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, out, 8), 2);
    char bytes[8];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, out, 2, bytes, 8, nullptr, nullptr), 4);
    EXPECT_EQ(std::string(bytes, 4), "\xF0\x9F\x98\x80");
}

} // namespace

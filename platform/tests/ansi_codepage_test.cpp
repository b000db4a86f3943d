// The ANSI code page: every byte is a character of its own and comes back
// unchanged; characters without a byte are told apart. And UTF-8.
#include <ansicodes.h>
#include <stringapiset.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Decode(UINT codePage, const std::string& bytes, DWORD flags = 0)
{
    WCHAR text[8];
    const int count = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), text, 8);
    return {text, static_cast<size_t>(count)};
}

std::string Encode(UINT codePage, const std::u16string& text, BOOL* usedDefault = nullptr)
{
    char bytes[8];
    const int count = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes, 8, nullptr,
                                          usedDefault);
    return {bytes, static_cast<size_t>(count)};
}

TEST(AnsiCodePage, EveryByteRoundTrips)
{
    for (int code = 0; code < 256; ++code) {
        const std::string byte(1, static_cast<char>(code));
        const std::u16string ch(1, AnsiCharOfCode(static_cast<BYTE>(code)));
        BOOL usedDefault = TRUE;
        EXPECT_EQ(AnsiCodeOfChar(ch[0]), code);
        EXPECT_EQ(Decode(CP_ACP, byte), ch) << code;
        EXPECT_EQ(Encode(CP_ACP, ch, &usedDefault), byte) << code;
        EXPECT_FALSE(usedDefault);
    }
    // The five bytes without a character stand for the control characters of their value.
    const std::pair<BYTE, WCHAR> chars[] = {{0x80, u'\u20AC'}, {0x81, 0x81}, {0x8D, 0x8D}, {0x8F, 0x8F},
                                            {0x90, 0x90},     {0x9D, 0x9D}, {0x9F, u'\u0178'}, {0xE9, u'\u00E9'}};
    for (const auto& [code, ch] : chars) EXPECT_EQ(AnsiCharOfCode(code), ch) << code;
}

// Such a character becomes the default one; a count of -1 takes a string up to
// its NUL, which counts too; an output size of 0 asks for the size needed.
TEST(AnsiCodePage, CharactersWithoutAByteAndBufferSizes)
{
    BOOL usedDefault = FALSE;
    EXPECT_EQ(Encode(CP_ACP, u"a\u03A9b", &usedDefault), "a?b");
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, nullptr, 0, nullptr, nullptr), 4);
    WCHAR two[2];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, two, 2), 0);
    CPINFO info;
    EXPECT_TRUE(GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1);
    EXPECT_TRUE(GetCPInfo(CP_UTF8, &info) && info.MaxCharSize == 4);
}

// Both ways at the first and last character of each sequence length. Strict
// decoding refuses every malformed sequence; otherwise each becomes U+FFFD.
TEST(Utf8, SequencesOfEveryLengthAndMalformedOnes)
{
    const std::pair<std::u16string, std::string> sequences[] = {
        {u"\u007F", "\x7F"},         {u"\u0080", "\xC2\x80"},     {u"\u07FF", "\xDF\xBF"},
        {u"\u0800", "\xE0\xA0\x80"}, {u"\uFFFF", "\xEF\xBF\xBF"}, {u"\U00010000", "\xF0\x90\x80\x80"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& [text, bytes] : sequences) {
        EXPECT_EQ(Decode(CP_UTF8, bytes, MB_ERR_INVALID_CHARS), text) << bytes;
        EXPECT_EQ(Encode(CP_UTF8, text), bytes);
    }
    const std::pair<std::string, std::u16string> malformed[] = {
        {"\x80", u"\uFFFD"},        {"\xFFz", u"\uFFFDz"},       {"\xE9t\xE9", u"\uFFFDt\uFFFD"},
        {"\xC1\xBF", u"\uFFFD"},    {"\xE0\x9F\xBF", u"\uFFFD"}, {"\xF0\x8F\xBF\xBF", u"\uFFFD"},
        {"\xF4\x90\x80\x80", u"\uFFFD"}, {"\xED\xA0\x80", u"\uFFFD"},
    };
    for (const auto& [bytes, lenient] : malformed) {
        EXPECT_EQ(Decode(CP_UTF8, bytes, MB_ERR_INVALID_CHARS), u"") << bytes;
        EXPECT_EQ(Decode(CP_UTF8, bytes), lenient) << bytes;
    }
    EXPECT_EQ(Encode(CP_UTF8, u"\xD800z\xDFFF"), "\xEF\xBF\xBDz\xEF\xBF\xBD");
}

} // namespace

// BSTR layout, VARIANT conversions, GUID text and the thread's error info.
#include <objbase.h>
#include <oleauto.h>
#include <rterrors.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::u16string Text(BSTR b) { return std::u16string(b ? b : u"", SysStringLen(b)); }

TEST(Bstr, HasByteLengthPrefixAndTerminatingNul)
{
    BSTR b = SysAllocStringLen(u"AB\0C", 4);
    uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<char*>(b) - 4, 4);
    EXPECT_EQ(prefix, 8u);
    EXPECT_EQ(b[4], u'\0');
    EXPECT_EQ(Text(b), std::u16string(u"AB\0C", 4));
    ASSERT_TRUE(SysReAllocStringLen(&b, u"xyz", 2));
    EXPECT_EQ(Text(b), u"xy");
    SysFreeString(b);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    BSTR bytes = SysAllocStringByteLen("abc", 3);
    EXPECT_EQ(SysStringByteLen(bytes), 3u);
    EXPECT_EQ(SysStringLen(bytes), 1u);
    EXPECT_EQ(std::memcmp(bytes, "abc\0\0", 5), 0);
    SysFreeString(bytes);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
}

// Freed blocks of small sizes are reused: a new string still has its own
// length, its terminator and, allocated without characters, only zeros.
TEST(Bstr, ReusedBlocksCarryTheirNewLengthAndContents)
{
    const std::u16string longer(40, u'x');
    const std::string odd(81, 'y');
    // Character counts of the string freed first and of the one allocated after it.
    const std::pair<UINT, UINT> cases[] = {{3, 0}, {3, 1}, {5, 3}, {8, 2}, {16, 16}, {16, 13}, {40, 33}, {40, 1}, {2, 40}};
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(std::to_string(before) + " then " + std::to_string(after));
        SysFreeString(SysAllocStringLen(longer.data(), before));
        BSTR zeros = SysAllocStringLen(nullptr, after);
        EXPECT_EQ(std::u16string(zeros, after + 1), std::u16string(after + 1, u'\0'));
        EXPECT_EQ(SysStringLen(zeros), after);
        SysFreeString(zeros);
        SysFreeString(SysAllocStringLen(longer.data(), before));
        BSTR bytes = SysAllocStringByteLen(odd.data(), 2 * after + 1);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 2 * after + 3), odd.substr(0, 2 * after + 1) + '\0' + '\0');
        EXPECT_EQ(SysStringByteLen(bytes), 2 * after + 1);
        SysFreeString(bytes);
    }
}

// Many strings of one size live at once, each with its own characters; they
// may be freed on another thread, which may end holding freed blocks.
TEST(Bstr, StringsOfOneSizeNeverShareABlock)
{
    std::vector<BSTR> strings;
    for (int round = 0; round < 3; ++round) {
        for (char16_t c = u'a'; c <= u'z'; ++c) strings.push_back(SysAllocStringLen(std::u16string(16, c).data(), 16));
        for (size_t i = 0; i < strings.size(); ++i)
            ASSERT_EQ(Text(strings[i]), std::u16string(16, static_cast<char16_t>(u'a' + i))) << "round " << round;
        std::thread([&] {
            for (BSTR text : strings) SysFreeString(text);
            SysFreeString(SysAllocString(u"freed on this thread's end"));
        }).join();
        strings.clear();
    }
}

TEST(VariantChangeType, TextToShortConvertsAsAutomationDoes)
{
    const struct {
        std::u16string text;
        HRESULT expected;
        SHORT value;
    } cases[] = {
        {u"9", S_OK, 9}, {u"  -12 ", S_OK, -12}, {u"2.5", S_OK, 2}, {u"3.5", S_OK, 4}, {u"1e+2", S_OK, 100},
        {u"25E-1", S_OK, 2}, {u"&H10", S_OK, 16}, {u"&HFFFF", S_OK, -1}, {u"&O17", S_OK, 15}, {u"32767", S_OK, 32767},
        {u"-32768", S_OK, -32768}, {u"32768", DISP_E_OVERFLOW, 0}, {u"1e400", DISP_E_OVERFLOW, 0},
        {u"", DISP_E_TYPEMISMATCH, 0}, {u"abc", DISP_E_TYPEMISMATCH, 0}, {u"12abc", DISP_E_TYPEMISMATCH, 0},
        {u"1e", DISP_E_TYPEMISMATCH, 0}, {u".", DISP_E_TYPEMISMATCH, 0}, {u"&H", DISP_E_TYPEMISMATCH, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        BSTR text = SysAllocStringLen(c.text.data(), static_cast<UINT>(c.text.size()));
        VARIANT source, result;
        VariantInit(&result);
        source.vt = VT_BYREF | VT_BSTR;
        source.pbstrVal = &text;
        EXPECT_EQ(VariantChangeType(&result, &source, 0, VT_I2), c.expected);
        EXPECT_EQ(result.vt, c.expected == S_OK ? VT_I2 : VT_EMPTY);
        EXPECT_EQ(result.iVal, c.value);
        SysFreeString(text);
    }
}

TEST(VariantChangeType, NumberBackToTextAndInPlace)
{
    VARIANT number, v, empty;
    VariantInit(&number);
    VariantInit(&v);
    VariantInit(&empty);
    number.vt = VT_I4;
    number.lVal = -300;
    ASSERT_EQ(VariantCopy(&v, &number), S_OK);
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Text(v.bstrVal), u"-300");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I2), S_OK);
    EXPECT_EQ(v.iVal, -300);
    ASSERT_EQ(VariantChangeType(&v, &empty, 0, VT_BSTR), S_OK);
    EXPECT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(Text(v.bstrVal), u"");
    VariantClear(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
}

TEST(Guid, ParsesAndFormatsTheBracedFormOnly)
{
    const GUID expected = {0x825d6123, 0x1414, 0x4275, {0x9d, 0x6f, 0x0c, 0x03, 0x49, 0xe1, 0xb4, 0xaf}};
    CLSID parsed;
    ASSERT_EQ(CLSIDFromString(u"{825d6123-1414-4275-9D6F-0c0349e1b4af}", &parsed), S_OK);
    EXPECT_EQ(parsed, expected);
    OLECHAR text[CHARS_IN_GUID];
    ASSERT_EQ(StringFromGUID2(expected, text, CHARS_IN_GUID), CHARS_IN_GUID);
    EXPECT_EQ(std::u16string(text), u"{825D6123-1414-4275-9D6F-0C0349E1B4AF}");
    EXPECT_EQ(StringFromGUID2(expected, text, CHARS_IN_GUID - 1), 0);
    for (const char16_t* bad : {u"", u"825d6123-1414-4275-9d66-0c0349e1b484", u"{825d6123-1414-4275-9d66-0c0349e1b48}",
                                u"{825d6123-1414-4275-9d66-0c0349e1b4845}", u"{825d6123x1414-4275-9d66-0c0349e1b484}",
                                u"{825d6123-1414-4275-9d66-0c0349e1b48g}", static_cast<const char16_t*>(nullptr)})
        EXPECT_EQ(CLSIDFromString(bad, &parsed), CO_E_CLASSSTRING);
}

TEST(ErrorInfo, RaisedErrorCarriesNumberAndDescriptionOnce)
{
    EXPECT_EQ(RtRaiseError(RTERR_FILE_NOT_FOUND, u"Project1"), CTL_E_FILENOTFOUND);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR description = nullptr, source = nullptr;
    info->GetDescription(&description);
    info->GetSource(&source);
    EXPECT_EQ(Text(description) + u" in " + Text(source), u"File not found in Project1");
    SysFreeString(description);
    SysFreeString(source);
    info->Release();
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);
    EXPECT_EQ(info, nullptr);
    const std::pair<HRESULT, LONG> numbers[] = {{CTL_E_FILENOTFOUND, 53}, {DISP_E_TYPEMISMATCH, 13},
                                                {DISP_E_OVERFLOW, 6}, {DISP_E_UNKNOWNNAME, 438},
                                                {CTL_E_ILLEGALFUNCTIONCALL, 5}};
    for (const auto& [hr, number] : numbers) EXPECT_EQ(RtErrorNumberFromHResult(hr), number) << number;
    EXPECT_EQ(std::u16string(RtErrorDescription(321)), u"Invalid file format");
    EXPECT_EQ(std::u16string(RtErrorDescription(18)), u"User interrupt occurred");
}

} // namespace

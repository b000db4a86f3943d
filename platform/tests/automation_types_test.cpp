// BSTR allocation, VARIANT conversions and copies, GUID text and the thread's error info.
#include <objbase.h>
#include <oleauto.h>
#include <rterrors.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

std::u16string Text(BSTR b) { return std::u16string(b ? b : u"", SysStringLen(b)); }

// Freed blocks of small sizes are reused: a new string still has its own
// length, its terminating NUL character and, allocated without characters,
// only zeros.
TEST(Bstr, EveryStringHasItsOwnLengthAndContents)
{
    const std::u16string longer(40, u'x');
    const std::string odd(81, 'y');
    // Character counts of the string freed first and of the one allocated after it.
    const std::pair<UINT, UINT> cases[] = {{3, 0},   {3, 1},   {5, 3},  {8, 2}, {16, 16},
                                           {16, 13}, {40, 33}, {40, 1}, {2, 40}};
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(std::to_string(before) + " then " + std::to_string(after));
        SysFreeString(SysAllocStringLen(longer.data(), before));
        BSTR zeros = SysAllocStringLen(nullptr, after);
        EXPECT_EQ(std::u16string(zeros, after + 1), std::u16string(after + 1, u'\0'));
        EXPECT_EQ(SysStringLen(zeros), after);
        SysFreeString(zeros);
        SysFreeString(SysAllocStringLen(longer.data(), before));
        BSTR bytes = SysAllocStringByteLen(odd.data(), 2 * after + 1);
        const std::string terminated = odd.substr(0, 2 * after + 1) + '\0' + '\0';
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), terminated.size()), terminated);
        EXPECT_EQ(SysStringLen(bytes), after);
        SysFreeString(bytes);
    }
    // The largest string has 2 GB less 16 bytes; a character or a byte more is refused.
    BSTR largest = SysAllocStringLen(nullptr, 0x3FFFFFF8u);
    EXPECT_EQ(SysStringLen(largest), 0x3FFFFFF8u);
    SysFreeString(largest);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x3FFFFFF9u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0x7FFFFFF1u), nullptr);
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
    const std::tuple<std::u16string, HRESULT, SHORT> cases[] = {
        {u"9", S_OK, 9}, {u"  -12 ", S_OK, -12}, {u"2.5", S_OK, 2}, {u"3.5", S_OK, 4}, {u"1e+2", S_OK, 100},
        {u"25E-1", S_OK, 2}, {u"&HA", S_OK, 10}, {u"&HFFFF", S_OK, -1}, {u"&O17", S_OK, 15}, {u"32767", S_OK, 32767},
        {u"-32768", S_OK, -32768}, {u"32768", DISP_E_OVERFLOW, 0}, {u"1e400", DISP_E_OVERFLOW, 0},
        {u"", DISP_E_TYPEMISMATCH, 0}, {u"abc", DISP_E_TYPEMISMATCH, 0}, {u"12abc", DISP_E_TYPEMISMATCH, 0},
        {u"1e", DISP_E_TYPEMISMATCH, 0}, {u".", DISP_E_TYPEMISMATCH, 0}, {u"&H", DISP_E_TYPEMISMATCH, 0},
    };
    for (const auto& [digits, expected, value] : cases) {
        SCOPED_TRACE(std::string(digits.begin(), digits.end()));
        BSTR text = SysAllocStringLen(digits.data(), static_cast<UINT>(digits.size()));
        VARIANT source, result;
        VariantInit(&result);
        source.vt = VT_BYREF | VT_BSTR;
        source.pbstrVal = &text;
        EXPECT_EQ(VariantChangeType(&result, &source, 0, VT_I2), expected);
        EXPECT_EQ(result.vt, expected == S_OK ? VT_I2 : VT_EMPTY);
        EXPECT_EQ(result.iVal, value);
        SysFreeString(text);
    }
}

// Counts its references, to see who holds one.
struct Counted final : IUnknown {
    ULONG references = 1;
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
};

// A copy holds a reference of its own and lets go of what it held before.
TEST(Variant, CopyHoldsItsOwnReference)
{
    Counted object;
    VARIANT held, copy, empty;
    VariantInit(&copy);
    VariantInit(&empty);
    // held owns the reference the object starts with.
    held.vt = VT_UNKNOWN;
    held.punkVal = &object;
    ASSERT_EQ(VariantCopy(&copy, &held), S_OK);
    EXPECT_EQ(object.references, 2u);
    ASSERT_EQ(VariantCopy(&copy, &empty), S_OK);
    EXPECT_EQ(object.references, 1u);
    // So does a change of type into a variant that held one.
    ASSERT_EQ(VariantChangeType(&held, &empty, 0, VT_I2), S_OK);
    EXPECT_EQ(object.references, 0u);
}

TEST(Guid, ParsesAndFormatsTheBracedFormOnly)
{
    const GUID expected = {0x825d6123, 0x1414, 0x4275, {0x9d, 0x6f, 0x0c, 0x03, 0x49, 0xe1, 0xb4, 0xaf}};
    CLSID parsed;
    ASSERT_EQ(CLSIDFromString(u"{825d6123-1414-4275-9D6F-0c0349e1B4Af}", &parsed), S_OK);
    EXPECT_EQ(parsed, expected);
    OLECHAR text[CHARS_IN_GUID];
    ASSERT_EQ(StringFromGUID2(expected, text, CHARS_IN_GUID), CHARS_IN_GUID);
    EXPECT_EQ(std::u16string(text), u"{825D6123-1414-4275-9D6F-0C0349E1B4AF}");
    EXPECT_EQ(StringFromGUID2(expected, text, CHARS_IN_GUID - 1), 0);
    for (const char16_t* bad : {u"", u"825d6123-1414-4275-9d66-0c0349e1b484", u"{825d6123-1414-4275-9d66-0c0349e1b48}",
                                u"{825d6123-1414-4275-9d66-0c0349e1b4845}", u"{825d6123x1414-4275-9d66-0c0349e1b484}",
                                u"{825d6123-14g4-4275-9d66-0c0349e1b484}", u"{825d6123-1414-42g5-9d66-0c0349e1b484}",
                                u"{825d6123-1414-4275-9d66-0c0349e1b48g}", static_cast<const char16_t*>(nullptr)})
        EXPECT_EQ(CLSIDFromString(bad, &parsed), CO_E_CLASSSTRING);
}

TEST(ErrorInfo, RaisedErrorCarriesNumberAndDescriptionOnce)
{
    EXPECT_EQ(RtRaiseError(RTERR_FILE_NOT_FOUND, u"Project1"), CTL_E_FILENOTFOUND);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_EQ(Text(description), u"File not found");
    SysFreeString(description);
    info->Release();
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);
}

} // namespace

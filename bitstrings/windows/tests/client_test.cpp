// A Windows client of the registered component: it creates Binary through
// the component model as any program would, calls it early and late bound,
// answers its dialogs from a second thread, and reads its type library,
// registration and version block.
#include <binary_interface.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr HRESULT kIllegalCall = static_cast<HRESULT>(0x800A0005);
constexpr HRESULT kUserInterrupt = static_cast<HRESULT>(0x800A0012);
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x800A0035);
constexpr const wchar_t* kIllegalCallText = L"Invalid procedure call or argument";
constexpr const wchar_t* kPasswordTitle = L"Password Needed";
constexpr const wchar_t* kEncryptPrompt = L"What should be the password to get into this file? (8 letters long)";
constexpr const wchar_t* kDecryptPrompt = L"What is the password to get into this file? (8 letters long)";
constexpr int kPromptId = 100;
constexpr int kAnswerId = 101;
constexpr int kMessageTextId = 0xFFFF;

struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using Ref = std::unique_ptr<T, Releaser>;

std::wstring Text(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(value_); }
    BSTR get() const { return value_; }
    BSTR* inout() { return &value_; }
    BSTR* out()
    {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    std::wstring str() const { return Text(value_); }

private:
    BSTR value_ = nullptr;
};

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A dialog the component showed: its title, its prompt or message, and the
// icon of a message box.
struct Seen {
    std::wstring title;
    std::wstring text;
    HICON icon = nullptr;
};

// Answers the dialogs that the test's thread shows while it is in a call.
// The expected ones, matched by title in order, get their edit box filled
// and a command; any other is cancelled, so a wrong dialog fails the test
// instead of blocking it. Watching ends when the call has returned.
class DialogAnswerer {
public:
    struct Answer {
        std::wstring title;
        std::wstring text;
        WPARAM command = IDOK;
    };

    explicit DialogAnswerer(std::vector<Answer> answers) : answers_(std::move(answers)), worker_([this] { Run(); }) {}
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;
    ~DialogAnswerer() { Finish(); }

    std::vector<Seen> Finish()
    {
        stop_ = true;
        if (worker_.joinable()) worker_.join();
        return seen_;
    }

private:
    static BOOL CALLBACK CollectDialog(HWND window, LPARAM dialogs)
    {
        wchar_t windowClass[16] = {};
        GetClassNameW(window, windowClass, 16);
        if (std::wstring_view(windowClass) == L"#32770" && IsWindowVisible(window)) {
            reinterpret_cast<std::vector<HWND>*>(dialogs)->push_back(window);
        }
        return TRUE;
    }

    static BOOL CALLBACK FindIcon(HWND child, LPARAM icon)
    {
        *reinterpret_cast<HICON*>(icon) = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        return *reinterpret_cast<HICON*>(icon) == nullptr;
    }

    static Seen Describe(HWND dialog)
    {
        const HWND text = GetDlgItem(dialog, kPromptId) ? GetDlgItem(dialog, kPromptId) : GetDlgItem(dialog, kMessageTextId);
        Seen seen{WindowText(dialog), WindowText(text)};
        EnumChildWindows(dialog, FindIcon, reinterpret_cast<LPARAM>(&seen.icon));
        return seen;
    }

    void Run()
    {
        std::set<HWND> handled;
        std::size_t next = 0;
        while (!stop_) {
            std::vector<HWND> dialogs;
            EnumThreadWindows(caller_, CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
            for (const HWND dialog : dialogs) {
                if (!handled.insert(dialog).second) continue;
                seen_.push_back(Describe(dialog));
                if (next < answers_.size() && seen_.back().title == answers_[next].title) {
                    const Answer& answer = answers_[next++];
                    if (!answer.text.empty()) SetDlgItemTextW(dialog, kAnswerId, answer.text.c_str());
                    PostMessageW(dialog, WM_COMMAND, answer.command, 0);
                } else {
                    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                }
            }
            Sleep(20);
        }
    }

    const std::vector<Answer> answers_;
    const DWORD caller_ = GetCurrentThreadId();
    std::atomic<bool> stop_{false};
    std::vector<Seen> seen_;
    std::thread worker_;
};

DialogAnswerer::Answer Password(const wchar_t* text, WPARAM command = IDOK) { return {kPasswordTitle, text, command}; }

// The description the failing call left in the thread's error info.
std::wstring ErrorDescription()
{
    IErrorInfo* raw = nullptr;
    if (GetErrorInfo(0, &raw) != S_OK) return L"(no error info)";
    Ref<IErrorInfo> info(raw);
    Bstr description, source;
    info->GetDescription(description.out());
    info->GetSource(source.out());
    return description.str() + L" / " + source.str();
}

std::wstring ExpectedError(const wchar_t* description) { return std::wstring(description) + L" / Project1"; }

class ClientTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, IID__Binary,
                                   reinterpret_cast<void**>(&binary)),
                  S_OK);
    }
    void TearDown() override
    {
        if (binary) binary->Release();
        CoUninitialize();
    }

    _Binary* binary = nullptr;
};

TEST_F(ClientTest, GetStringBitsGivesEightDigitsPerAnsiCharacter)
{
    const struct {
        std::wstring text, bits;
    } cases[] = {
        {L"AB", L"0100000101000010"},
        {std::wstring(L"\0\xFF", 2), L"0000000011111111"},
        {L"\x20AC", L"10000000"},  // the euro sign is 0x80 in the ANSI code page
        {L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bits));
        Bstr text(c.text), bits;
        ASSERT_EQ(binary->GetStringBits(text.get(), bits.out()), S_OK);
        EXPECT_EQ(bits.str(), c.bits);
    }
}

TEST_F(ClientTest, CharacterWithoutAnsiCodeIsReportedAndLeftOut)
{
    DialogAnswerer answerer({{L"Error!", L""}});
    Bstr text(L"A\x4E00" L"B"), bits;
    EXPECT_EQ(binary->GetStringBits(text.get(), bits.out()), S_OK);
    const std::vector<Seen> seen = answerer.Finish();
    EXPECT_EQ(bits.str(), L"0100000101000010");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"Error!");
    EXPECT_EQ(seen[0].text, L"value is not a valid ASCII Integer");
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_ERROR));
}

TEST_F(ClientTest, BinConvertsEveryByteValueAndRefusesOthersQuietly)
{
    const struct {
        SHORT value;
        HRESULT hr;
        const wchar_t* bits;
    } cases[] = {
        {0, S_OK, L"00000000"},       {5, S_OK, L"00000101"},     {128, S_OK, L"10000000"},
        {129, S_OK, L"10000001"},     {255, S_OK, L"11111111"},   {256, kIllegalCall, L""},
        {-1, kIllegalCall, L""},      {SHRT_MIN, kIllegalCall, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        DialogAnswerer noDialogs({});
        SHORT value = c.value;
        Bstr bits;
        EXPECT_EQ(binary->Bin(&value, bits.out()), c.hr);
        EXPECT_EQ(bits.str(), c.bits);
        EXPECT_EQ(value, c.value);
        if (FAILED(c.hr)) EXPECT_EQ(ErrorDescription(), ExpectedError(kIllegalCallText));
        EXPECT_TRUE(noDialogs.Finish().empty());
    }
}

TEST_F(ClientTest, DecAndChrBinReadUpToEightDigitsAndPadTheArgument)
{
    const struct {
        std::wstring digits;
        HRESULT hr;
        SHORT value;
        std::wstring padded;
    } cases[] = {
        {L"101", S_OK, 5, L"00000101"},
        {L"", S_OK, 0, L"00000000"},
        {L"01000001", S_OK, 65, L"01000001"},
        {L"11111111", S_OK, 255, L"11111111"},
        {L"1a1b1c1d", S_OK, 170, L"1a1b1c1d"},  // only the character '1' counts as a one
        {L"010000010", kIllegalCall, 0, L"010000010"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.digits));
        Bstr decimal(c.digits), character(c.digits), text;
        SHORT value = -7;
        EXPECT_EQ(binary->Dec(decimal.inout(), &value), c.hr);
        EXPECT_EQ(decimal.str(), c.padded);
        EXPECT_EQ(binary->ChrBin(character.inout(), text.out()), c.hr);
        EXPECT_EQ(character.str(), c.padded);
        if (FAILED(c.hr)) {
            EXPECT_EQ(ErrorDescription(), ExpectedError(kIllegalCallText));
            continue;
        }
        EXPECT_EQ(value, c.value);
        wchar_t expected = 0;
        const char code = static_cast<char>(c.value);
        MultiByteToWideChar(CP_ACP, 0, &code, 1, &expected, 1);
        EXPECT_EQ(text.str(), std::wstring(1, expected));
    }
}

TEST_F(ClientTest, NullStringCountsAsEmpty)
{
    Bstr digits;
    SHORT value = -7;
    EXPECT_EQ(binary->Dec(digits.inout(), &value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(digits.str(), L"00000000");
    Bstr bits;
    EXPECT_EQ(binary->GetStringBits(nullptr, bits.out()), S_OK);
    EXPECT_EQ(bits.str(), L"");
}

TEST_F(ClientTest, GetStringFromBitsReadsGroupsOfEightAndAShortLastGroup)
{
    const struct {
        std::wstring bits, text;
    } cases[] = {
        {L"0100000101000010", L"AB"},
        {L"", std::wstring(1, L'\0')},
        {L"0", std::wstring(1, L'\0')},
        {L"010000011", L"A"},  // a ninth digit alone is never read
        {L"0100000111", L"A\x03"},
        {L"01000001010000011", L"AA"},
        {L"10000000", L"\x20AC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bits));
        Bstr bits(c.bits), text;
        ASSERT_EQ(binary->GetStringFromBits(bits.inout(), text.out()), S_OK);
        EXPECT_EQ(text.str(), c.text);
        EXPECT_EQ(bits.str(), c.bits);
    }
}

// Late binding, as script hosts call: names to ids, then Invoke.
class LateBindingTest : public ClientTest {
protected:
    void TearDown() override
    {
        VariantClear(&result);
        ClearException();
        ClientTest::TearDown();
    }

    void ClearException()
    {
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        exception = EXCEPINFO{};
    }

    HRESULT Call(const wchar_t* name, VARIANT& argument)
    {
        std::wstring copy(name);
        LPOLESTR names[] = {copy.data()};
        DISPID id = 0;
        const HRESULT hr = binary->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) return hr;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        VariantClear(&result);
        ClearException();
        return binary->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception,
                              nullptr);
    }

    VARIANT result{};
    EXCEPINFO exception{};
};

TEST_F(LateBindingTest, NamesMatchWithoutRegardToCaseAndPrivateOperationsStayHidden)
{
    const struct {
        std::wstring name;
        DISPID id;
    } cases[] = {
        {L"decrypt", DISPID_Binary_decrypt},
        {L"ENCRYPT", DISPID_Binary_encrypt},
        {L"bin", DISPID_Binary_Bin},
        {L"GetStringFromBits", DISPID_Binary_GetStringFromBits},
        {L"chrbin", DISPID_Binary_ChrBin},
        {L"Dec", DISPID_Binary_Dec},
        {L"getstringbits", DISPID_Binary_GetStringBits},
        {L"CharBits", DISPID_UNKNOWN},
        {L"EncryptFile", DISPID_UNKNOWN},
        {L"DecryptFile", DISPID_UNKNOWN},
    };
    for (auto c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        LPOLESTR name = c.name.data();
        DISPID id = 0;
        EXPECT_EQ(binary->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id),
                  c.id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK);
        EXPECT_EQ(id, c.id);
    }
}

TEST_F(LateBindingTest, ArgumentsByValueAndByReferenceAreConvertedAndWrittenBack)
{
    constexpr VARTYPE kByValue = VT_BSTR, kStringRef = VT_BYREF | VT_BSTR, kVariantRef = VT_BYREF | VT_VARIANT;
    const struct {
        const wchar_t* name;
        VARTYPE passing;
        std::wstring argument;
        VARTYPE resultType;
        std::wstring result, after;
    } cases[] = {
        {L"GetStringBits", kByValue, L"AB", VT_BSTR, L"0100000101000010", L"AB"},
        {L"Bin", kByValue, L"65", VT_BSTR, L"01000001", L"65"},
        {L"Bin", kVariantRef, L"65", VT_BSTR, L"01000001", L"65"},
        {L"Dec", kByValue, L"101", VT_I2, L"5", L"101"},
        {L"Dec", kStringRef, L"101", VT_I2, L"5", L"00000101"},
        {L"Dec", kVariantRef, L"101", VT_I2, L"5", L"00000101"},
        {L"ChrBin", kVariantRef, L"1000001", VT_BSTR, L"A", L"01000001"},
        {L"GetStringFromBits", kVariantRef, L"0100000101000010", VT_BSTR, L"AB", L"0100000101000010"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(c.name) << " passing " << c.passing);
        Bstr value(c.argument);
        VARIANT variable{};
        variable.vt = VT_BSTR;
        variable.bstrVal = SysAllocString(c.argument.c_str());
        VARIANT argument{};
        argument.vt = c.passing;
        if (c.passing == kByValue) argument.bstrVal = value.get();
        if (c.passing == kStringRef) argument.pbstrVal = value.inout();
        if (c.passing == kVariantRef) argument.pvarVal = &variable;
        EXPECT_EQ(Call(c.name, argument), S_OK);
        EXPECT_EQ(result.vt, c.resultType);
        VARIANT shown{};
        EXPECT_EQ(VariantChangeType(&shown, &result, 0, VT_BSTR), S_OK);
        EXPECT_EQ(Text(shown.bstrVal), c.result);
        VariantClear(&shown);
        if (c.passing == kVariantRef) {
            EXPECT_EQ(variable.vt, VT_BSTR);
            EXPECT_EQ(Text(variable.bstrVal), c.after);
        } else {
            EXPECT_EQ(value.str(), c.after);
        }
        VariantClear(&variable);
    }
}

TEST_F(LateBindingTest, FailuresComeBackAsExceptionsAndBadArgumentsAsMismatches)
{
    const struct {
        const wchar_t* name;
        std::wstring argument;
        HRESULT hr;
        HRESULT scode;
    } cases[] = {
        {L"Bin", L"256", DISP_E_EXCEPTION, kIllegalCall},
        {L"Bin", L"-1", DISP_E_EXCEPTION, kIllegalCall},
        {L"Dec", L"010000010", DISP_E_EXCEPTION, kIllegalCall},
        {L"ChrBin", L"010000010", DISP_E_EXCEPTION, kIllegalCall},
        {L"Bin", L"five", DISP_E_TYPEMISMATCH, S_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(c.name) << testing::PrintToString(c.argument));
        Bstr value(c.argument);
        VARIANT argument{};
        argument.vt = VT_BSTR;
        argument.bstrVal = value.get();
        EXPECT_EQ(Call(c.name, argument), c.hr);
        if (c.hr != DISP_E_EXCEPTION) continue;
        EXPECT_EQ(exception.scode, c.scode);
        EXPECT_EQ(exception.wCode, 0);
        EXPECT_EQ(Text(exception.bstrDescription), kIllegalCallText);
        EXPECT_EQ(Text(exception.bstrSource), L"Project1");
    }
}

TYPEATTR Attributes(ITypeInfo* info)
{
    TYPEATTR* attributes = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attributes), S_OK);
    const TYPEATTR copy = attributes ? *attributes : TYPEATTR{};
    if (attributes) info->ReleaseTypeAttr(attributes);
    return copy;
}

std::wstring Name(ITypeInfo* info, MEMBERID member = MEMBERID_NIL)
{
    Bstr name;
    info->GetDocumentation(member, name.out(), nullptr, nullptr, nullptr);
    return name.str();
}

Ref<ITypeInfo> Referenced(ITypeInfo* info, UINT implType)
{
    HREFTYPE reference = 0;
    ITypeInfo* raw = nullptr;
    EXPECT_EQ(info->GetRefTypeOfImplType(implType, &reference), S_OK);
    EXPECT_EQ(info->GetRefTypeInfo(reference, &raw), S_OK);
    return Ref<ITypeInfo>(raw);
}

// Pointer parameters shown as by-reference types.
VARTYPE TypeOf(const TYPEDESC& type) { return type.vt == VT_PTR ? VARTYPE(VT_BYREF | type.lptdesc->vt) : type.vt; }

TEST_F(ClientTest, TypeLibraryDescribesTheDualInterfaceAndThePredeclaredClass)
{
    UINT count = 0;
    EXPECT_EQ(binary->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ITypeInfo* raw = nullptr;
    EXPECT_EQ(binary->GetTypeInfo(1, LOCALE_USER_DEFAULT, &raw), DISP_E_BADINDEX);
    ASSERT_EQ(binary->GetTypeInfo(0, LOCALE_USER_DEFAULT, &raw), S_OK);
    const Ref<ITypeInfo> dispatch(raw);
    const TYPEATTR interface = Attributes(dispatch.get());
    EXPECT_EQ(interface.typekind, TKIND_DISPATCH);
    EXPECT_EQ(interface.guid, IID__Binary);
    EXPECT_EQ(interface.wTypeFlags, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                                        TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(interface.wMajorVerNum * 100 + interface.wMinorVerNum, 100);
    EXPECT_EQ(Name(dispatch.get()), L"_Binary");

    ITypeLib* rawLibrary = nullptr;
    UINT index = 0;
    ASSERT_EQ(dispatch->GetContainingTypeLib(&rawLibrary, &index), S_OK);
    const Ref<ITypeLib> library(rawLibrary);
    TLIBATTR* libraryAttributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&libraryAttributes), S_OK);
    EXPECT_EQ(libraryAttributes->guid, LIBID_Project1);
    EXPECT_EQ(libraryAttributes->wMajorVerNum * 100 + libraryAttributes->wMinorVerNum, 200);
    EXPECT_EQ(libraryAttributes->lcid, 0x0409u);
#ifdef _WIN64
    EXPECT_EQ(libraryAttributes->syskind, SYS_WIN64);
#else
    EXPECT_EQ(libraryAttributes->syskind, SYS_WIN32);
#endif
    library->ReleaseTLibAttr(libraryAttributes);
    Bstr libraryName;
    EXPECT_EQ(library->GetDocumentation(-1, libraryName.out(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(libraryName.str(), L"Project1");

    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_Binary, &raw), S_OK);
    const Ref<ITypeInfo> coclass(raw);
    const TYPEATTR binaryClass = Attributes(coclass.get());
    EXPECT_EQ(binaryClass.typekind, TKIND_COCLASS);
    EXPECT_EQ(binaryClass.wTypeFlags, TYPEFLAG_FCANCREATE | TYPEFLAG_FAPPOBJECT | TYPEFLAG_FPREDECLID);
    EXPECT_EQ(binaryClass.wMajorVerNum * 100 + binaryClass.wMinorVerNum, 100);
    EXPECT_EQ(binaryClass.cImplTypes, 1);
    EXPECT_EQ(Name(coclass.get()), L"Binary");
    INT implFlags = 0;
    EXPECT_EQ(coclass->GetImplTypeFlags(0, &implFlags), S_OK);
    EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);
    const Ref<ITypeInfo> defaultInterface = Referenced(coclass.get(), 0);
    ASSERT_TRUE(defaultInterface);
    EXPECT_EQ(Attributes(defaultInterface.get()).guid, IID__Binary);
}

TEST_F(ClientTest, VtableHalfListsTheSevenOperationsAfterIDispatch)
{
    constexpr USHORT kIn = PARAMFLAG_FIN, kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
    const struct {
        const wchar_t* name;
        DISPID id;
        const wchar_t* parameter;
        VARTYPE type;
        USHORT flags;
        VARTYPE result;
        const wchar_t* help;
    } operations[] = {
        {L"decrypt", DISPID_Binary_decrypt, L"strfilename", VT_BSTR, kIn, VT_VARIANT, L""},
        {L"encrypt", DISPID_Binary_encrypt, L"strfilename", VT_BSTR, kIn, VT_VARIANT, L""},
        {L"Bin", DISPID_Binary_Bin, L"decimalnum", VT_BYREF | VT_I2, kInOut, VT_BSTR, L""},
        {L"GetStringFromBits", DISPID_Binary_GetStringFromBits, L"bits", VT_BYREF | VT_BSTR, kInOut, VT_BSTR,
         L"Takes a string of bits an returns the string created by those bits, "},
        {L"ChrBin", DISPID_Binary_ChrBin, L"Binary", VT_BYREF | VT_BSTR, kInOut, VT_BSTR, L""},
        {L"Dec", DISPID_Binary_Dec, L"Binary", VT_BYREF | VT_BSTR, kInOut, VT_I2, L""},
        {L"GetStringBits", DISPID_Binary_GetStringBits, L"needbits", VT_BSTR, kIn, VT_BSTR, L""},
    };
    ITypeInfo* raw = nullptr;
    ASSERT_EQ(binary->GetTypeInfo(0, LOCALE_USER_DEFAULT, &raw), S_OK);
    const Ref<ITypeInfo> dispatch(raw);
    const Ref<ITypeInfo> vtable = Referenced(dispatch.get(), static_cast<UINT>(-1));
    ASSERT_TRUE(vtable);
    const TYPEATTR attributes = Attributes(vtable.get());
    EXPECT_EQ(attributes.typekind, TKIND_INTERFACE);
    EXPECT_EQ(attributes.guid, IID__Binary);
    ASSERT_EQ(attributes.cFuncs, std::size(operations));
    for (UINT i = 0; i < std::size(operations); ++i) {
        const auto& expected = operations[i];
        SCOPED_TRACE(testing::PrintToString(std::wstring(expected.name)));
        FUNCDESC* function = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(i, &function), S_OK);
        EXPECT_EQ(function->memid, expected.id);
        EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
        EXPECT_EQ(function->invkind, INVOKE_FUNC);
        EXPECT_EQ(function->callconv, CC_STDCALL);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        ASSERT_EQ(function->cParams, 2);
        EXPECT_EQ(TypeOf(function->lprgelemdescParam[0].tdesc), expected.type);
        EXPECT_EQ(function->lprgelemdescParam[0].paramdesc.wParamFlags, expected.flags);
        EXPECT_EQ(TypeOf(function->lprgelemdescParam[1].tdesc), VT_BYREF | expected.result);
        EXPECT_EQ(function->lprgelemdescParam[1].paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        vtable->ReleaseFuncDesc(function);

        BSTR names[3] = {};
        UINT count = 0;
        EXPECT_EQ(vtable->GetNames(expected.id, names, 3, &count), S_OK);
        ASSERT_GE(count, 2u);
        EXPECT_EQ(Text(names[0]), expected.name);
        EXPECT_EQ(Text(names[1]), expected.parameter);
        for (BSTR name : names) SysFreeString(name);
        Bstr help;
        EXPECT_EQ(vtable->GetDocumentation(expected.id, nullptr, help.out(), nullptr, nullptr), S_OK);
        EXPECT_EQ(help.str(), expected.help);
    }
}

// A Windows client of the registered component: it creates Binary through
// the component model as any program would, calls it early and late bound,
// answers its dialogs from a second thread, and reads its type library,
// registration and version block.
#include <binary_interface.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr HRESULT kIllegalCall = static_cast<HRESULT>(0x800A0005);
constexpr HRESULT kUserInterrupt = static_cast<HRESULT>(0x800A0012);
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x800A0035);
constexpr HRESULT kBadFileName = static_cast<HRESULT>(0x800A0034);
constexpr const wchar_t* kIllegalCallText = L"Invalid procedure call or argument";
constexpr const wchar_t* kPasswordTitle = L"Password Needed";

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
    BSTR* out() { return SysFreeString(value_), value_ = nullptr, &value_; }
    std::wstring str() const { return Text(value_); }

private:
    BSTR value_ = nullptr;
};

std::wstring WindowText(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// A dialog the component showed: title, prompt or message, and icon.
struct Seen {
    std::wstring title, text;
    HICON icon = nullptr;
};

// Answers the dialogs that the test's thread shows while it is in a call.
// The expected ones, matched by title in order, get their edit box filled
// and a command; any other is cancelled, so a wrong dialog fails the test
// instead of blocking it. Watching ends when the call has returned.
class DialogAnswerer {
public:
    struct Answer {
        std::wstring title, text;
        WPARAM command = IDOK;
    };

    explicit DialogAnswerer(std::vector<Answer> answers = {}) : answers_(std::move(answers)) {}
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
        wchar_t windowClass[8] = {};
        GetClassNameW(window, windowClass, 8);
        if (std::wstring_view(windowClass) == L"#32770" && IsWindowVisible(window)) {
            reinterpret_cast<std::vector<HWND>*>(dialogs)->push_back(window);
        }
        return TRUE;
    }

    // The prompt is item 100 of the password dialog, the message item 0xFFFF of a message box.
    static Seen Describe(HWND dialog)
    {
        const HWND prompt = GetDlgItem(dialog, 100);
        Seen seen{WindowText(dialog), WindowText(prompt ? prompt : GetDlgItem(dialog, 0xFFFF))};
        for (HWND child = GetWindow(dialog, GW_CHILD); child && !seen.icon; child = GetWindow(child, GW_HWNDNEXT)) {
            seen.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        }
        return seen;
    }

    void Run()
    {
        std::set<HWND> handled;
        std::size_t next = 0;
        for (; !stop_; Sleep(20)) {
            std::vector<HWND> dialogs;
            EnumThreadWindows(caller_, CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
            for (const HWND dialog : dialogs) {
                if (!handled.insert(dialog).second) continue;
                seen_.push_back(Describe(dialog));
                if (next == answers_.size() || seen_.back().title != answers_[next].title) {
                    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                    continue;
                }
                const Answer& answer = answers_[next++];
                if (!answer.text.empty()) SetDlgItemTextW(dialog, 101, answer.text.c_str());
                PostMessageW(dialog, WM_COMMAND, answer.command, 0);
            }
        }
    }

    const std::vector<Answer> answers_;
    const DWORD caller_ = GetCurrentThreadId();
    std::atomic<bool> stop_{false};
    std::vector<Seen> seen_;
    std::thread worker_{[this] { Run(); }};
};

DialogAnswerer::Answer Password(const wchar_t* text, WPARAM command = IDOK) { return {kPasswordTitle, text, command}; }

// The description and source that the failed call left in the thread's
// error info, read as an early-binding client does: only when the object
// says that its interface sets the error info.
std::wstring ErrorInfo(IUnknown* object)
{
    ISupportErrorInfo* support = nullptr;
    if (object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)) != S_OK) {
        return L"(no ISupportErrorInfo)";
    }
    const HRESULT supported = support->InterfaceSupportsErrorInfo(IID__Binary);
    support->Release();
    if (supported != S_OK) return L"(error info not supported)";
    IErrorInfo* raw = nullptr;
    if (GetErrorInfo(0, &raw) != S_OK) return L"(none)";
    const Ref<IErrorInfo> info(raw);
    Bstr description, source;
    info->GetDescription(description.out());
    info->GetSource(source.out());
    return description.str() + L" / " + source.str();
}

std::wstring RaisedBy(const wchar_t* description) { return description + std::wstring(L" / Project1"); }

class ClientTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
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

TEST_F(ClientTest, GetStringBitsAndGetStringFromBitsConvertAnsiCharacters)
{
    const std::pair<std::wstring, std::wstring> toBits[] = {
        {L"AB", L"0100000101000010"}, {std::wstring(L"\0\xFF", 2), L"0000000011111111"},
        {L"\x20AC", L"10000000"},  // the euro sign is 0x80 in the ANSI code page
        {L"", L""},
    };
    for (const auto& [text, expected] : toBits) {
        Bstr bits;
        EXPECT_EQ(binary->GetStringBits(Bstr(text).get(), bits.out()), S_OK);
        EXPECT_EQ(bits.str(), expected);
    }
    // Groups of eight; a last group of one digit is never read, a longer one
    // is read as if padded with leading zeros.
    const std::pair<std::wstring, std::wstring> fromBits[] = {
        {L"0100000101000010", L"AB"}, {L"", std::wstring(1, L'\0')}, {L"0", std::wstring(1, L'\0')},
        {L"010000011", L"A"},         {L"0100000111", L"A\x03"},     {L"01000001010000011", L"AA"},
        {L"10000000", L"\x20AC"},
    };
    for (const auto& [digits, expected] : fromBits) {
        Bstr bits(digits), text;
        EXPECT_EQ(binary->GetStringFromBits(bits.inout(), text.out()), S_OK);
        EXPECT_EQ(text.str(), expected);
        EXPECT_EQ(bits.str(), digits);
    }

    DialogAnswerer answerer({DialogAnswerer::Answer{L"Error!", L""}});
    Bstr bits;
    EXPECT_EQ(binary->GetStringBits(Bstr(L"A\x4E00" L"B").get(), bits.out()), S_OK);
    const std::vector<Seen> seen = answerer.Finish();
    EXPECT_EQ(bits.str(), L"0100000101000010") << "a character without a code adds nothing";
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"value is not a valid ASCII Integer");
    EXPECT_EQ(seen[0].icon, LoadIconA(nullptr, IDI_ERROR));
}

TEST_F(ClientTest, BinConvertsByteValuesAndRefusesOthersWithoutADialog)
{
    const std::pair<SHORT, const wchar_t*> cases[] = {
        {0, L"00000000"},   {5, L"00000101"}, {128, L"10000000"}, {129, L"10000001"},
        {255, L"11111111"}, {256, nullptr},   {-1, nullptr},      {SHRT_MIN, nullptr},
    };
    for (const auto& [number, expected] : cases) {
        SCOPED_TRACE(number);
        DialogAnswerer noDialogs;
        SHORT value = number;
        Bstr bits;
        EXPECT_EQ(binary->Bin(&value, bits.out()), expected ? S_OK : kIllegalCall);
        EXPECT_EQ(bits.str(), expected ? expected : L"");
        EXPECT_EQ(ErrorInfo(binary), expected ? L"(none)" : RaisedBy(kIllegalCallText));
        EXPECT_EQ(value, number);
        EXPECT_TRUE(noDialogs.Finish().empty());
    }
}

TEST_F(ClientTest, DecAndChrBinReadUpToEightDigitsAndPadTheirArgument)
{
    const struct {
        std::wstring digits, padded;
        HRESULT hr;
        SHORT value;
        wchar_t character;
    } cases[] = {
        {L"101", L"00000101", S_OK, 5, L'\x05'},
        {L"", L"00000000", S_OK, 0, L'\0'},
        {L"01000001", L"01000001", S_OK, 65, L'A'},
        {L"11111111", L"11111111", S_OK, 255, L'\xFF'},
        {L"1a1b1c1d", L"1a1b1c1d", S_OK, 170, L'\xAA'},  // only the character '1' is a one
        {L"010000010", L"010000010", kIllegalCall, -7, L'\0'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.digits));
        Bstr decimal(c.digits), character(c.digits), text;
        SHORT value = -7;
        EXPECT_EQ(binary->Dec(decimal.inout(), &value), c.hr);
        EXPECT_EQ(ErrorInfo(binary), SUCCEEDED(c.hr) ? L"(none)" : RaisedBy(kIllegalCallText));
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(decimal.str(), c.padded);
        EXPECT_EQ(binary->ChrBin(character.inout(), text.out()), c.hr);
        EXPECT_EQ(text.str(), SUCCEEDED(c.hr) ? std::wstring(1, c.character) : L"");
        EXPECT_EQ(character.str(), c.padded);
    }
    Bstr none;  // a null string is an empty one
    SHORT value = -7;
    EXPECT_EQ(binary->Dec(none.inout(), &value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(none.str(), L"00000000");
}

// Names are found in any case; the private operations have none. Script
// hosts pass variables as references to VARIANTs.
TEST_F(ClientTest, LateBoundCallsConvertArgumentsWriteBackVariablesAndRaiseExceptions)
{
    constexpr VARTYPE kValue = VT_BSTR, kStringRef = VT_BYREF | VT_BSTR, kVariantRef = VT_BYREF | VT_VARIANT;
    const struct {
        std::wstring name, argument;
        VARTYPE passing;
        HRESULT hr;
        VARTYPE resultType;
        std::wstring result, after;
    } cases[] = {
        {L"getstringbits", L"AB", kValue, S_OK, VT_BSTR, L"0100000101000010", L"AB"},
        {L"Bin", L"65", kValue, S_OK, VT_BSTR, L"01000001", L"65"},
        {L"Bin", L"65", kVariantRef, S_OK, VT_BSTR, L"01000001", L"65"},
        {L"DEC", L"101", kValue, S_OK, VT_I2, L"5", L"101"},
        {L"DEC", L"101", kStringRef, S_OK, VT_I2, L"5", L"00000101"},
        {L"DEC", L"101", kVariantRef, S_OK, VT_I2, L"5", L"00000101"},
        {L"chrBin", L"1000001", kVariantRef, S_OK, VT_BSTR, L"A", L"01000001"},
        {L"GetStringFromBits", L"0100000101000010", kVariantRef, S_OK, VT_BSTR, L"AB", L"0100000101000010"},
        {L"Bin", L"256", kVariantRef, DISP_E_EXCEPTION, VT_EMPTY, L"", L"256"},
        {L"Bin", L"256", kValue, DISP_E_EXCEPTION, VT_EMPTY, L"", L"256"},
        {L"DEC", L"010000010", kValue, DISP_E_EXCEPTION, VT_EMPTY, L"", L"010000010"},
        {L"DEC", L"010000010", kStringRef, DISP_E_EXCEPTION, VT_EMPTY, L"", L"010000010"},
        {L"chrBin", L"010000010", kVariantRef, DISP_E_EXCEPTION, VT_EMPTY, L"", L"010000010"},
        {L"Bin", L"five", kValue, DISP_E_TYPEMISMATCH, VT_EMPTY, L"", L"five"},
        {L"CharBits", L"", kValue, DISP_E_UNKNOWNNAME, VT_EMPTY, L"", L""},
        {L"EncryptFile", L"", kValue, DISP_E_UNKNOWNNAME, VT_EMPTY, L"", L""},
        {L"DecryptFile", L"", kValue, DISP_E_UNKNOWNNAME, VT_EMPTY, L"", L""},
    };
    for (auto c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(c.name + L"(" + c.argument + L")") << " as "
                                        << c.passing);
        LPOLESTR name = c.name.data();
        DISPID id = 0;
        const HRESULT found = binary->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        EXPECT_EQ(found, c.hr == DISP_E_UNKNOWNNAME ? c.hr : S_OK);
        if (FAILED(found)) continue;
        Bstr value(c.argument);
        VARIANT variable{}, argument{}, result{}, shown{};
        variable.vt = VT_BSTR;
        variable.bstrVal = SysAllocString(c.argument.c_str());
        argument.vt = c.passing;
        if (c.passing == kValue) argument.bstrVal = value.get();
        if (c.passing == kStringRef) argument.pbstrVal = value.inout();
        if (c.passing == kVariantRef) argument.pvarVal = &variable;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        EXCEPINFO exception{};
        EXPECT_EQ(binary->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, nullptr), c.hr);
        if (SUCCEEDED(c.hr)) {
            EXPECT_EQ(result.vt, c.resultType);
            EXPECT_EQ(VariantChangeType(&shown, &result, 0, VT_BSTR), S_OK);
            EXPECT_EQ(Text(shown.bstrVal), c.result);
        }
        EXPECT_EQ(variable.vt, VT_BSTR);
        EXPECT_EQ(c.passing == kVariantRef ? Text(variable.bstrVal) : value.str(), c.after);
        const bool raised = c.hr == DISP_E_EXCEPTION;
        EXPECT_EQ(exception.scode, raised ? kIllegalCall : S_OK);
        EXPECT_EQ(Text(exception.bstrDescription), raised ? kIllegalCallText : L"");
        EXPECT_EQ(Text(exception.bstrSource), raised ? L"Project1" : L"");
        for (VARIANT* variant : {&shown, &result, &variable}) VariantClear(variant);
        for (BSTR text : {exception.bstrDescription, exception.bstrSource, exception.bstrHelpFile}) SysFreeString(text);
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

TEST_F(ClientTest, TypeLibraryDescribesTheDualInterfaceItsOperationsAndThePredeclaredClass)
{
    ITypeInfo* raw = nullptr;
    ASSERT_EQ(binary->GetTypeInfo(0, LOCALE_USER_DEFAULT, &raw), S_OK);
    const Ref<ITypeInfo> dispatch(raw);
    constexpr WORD kDual = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
    const TYPEATTR dual = Attributes(dispatch.get());
    EXPECT_EQ(dual.typekind, TKIND_DISPATCH);
    EXPECT_EQ(dual.guid, IID__Binary);
    EXPECT_EQ(dual.wTypeFlags, kDual);  // the system reports oleautomation on the vtable half only
    EXPECT_EQ(dual.wMajorVerNum * 100 + dual.wMinorVerNum, 100);

    ITypeLib* rawLibrary = nullptr;
    UINT index = 0;
    ASSERT_EQ(dispatch->GetContainingTypeLib(&rawLibrary, &index), S_OK);
    const Ref<ITypeLib> library(rawLibrary);
    TLIBATTR* libraryAttributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&libraryAttributes), S_OK);
    EXPECT_EQ(libraryAttributes->guid, LIBID_Project1);
    EXPECT_EQ(libraryAttributes->wMajorVerNum * 100 + libraryAttributes->wMinorVerNum, 200);
    EXPECT_EQ(libraryAttributes->lcid, 0x0409u);
    EXPECT_EQ(libraryAttributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(libraryAttributes);

    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_Binary, &raw), S_OK);
    const Ref<ITypeInfo> coclass(raw);
    const TYPEATTR binaryClass = Attributes(coclass.get());
    EXPECT_EQ(binaryClass.typekind, TKIND_COCLASS);
    EXPECT_EQ(binaryClass.wTypeFlags, TYPEFLAG_FCANCREATE | TYPEFLAG_FAPPOBJECT | TYPEFLAG_FPREDECLID);
    EXPECT_EQ(binaryClass.wMajorVerNum * 100 + binaryClass.wMinorVerNum, 100);
    INT implFlags = 0;
    EXPECT_EQ(coclass->GetImplTypeFlags(0, &implFlags), S_OK);
    EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);
    EXPECT_EQ(Attributes(Referenced(coclass.get(), 0).get()).guid, IID__Binary);

    constexpr USHORT kIn = PARAMFLAG_FIN, kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
    const struct {
        DISPID id;
        const wchar_t *name, *parameter;
        VARTYPE type;
        USHORT flags;
        VARTYPE result;
    } operations[] = {
        {DISPID_Binary_decrypt, L"decrypt", L"strfilename", VT_BSTR, kIn, VT_VARIANT},
        {DISPID_Binary_encrypt, L"encrypt", L"strfilename", VT_BSTR, kIn, VT_VARIANT},
        {DISPID_Binary_Bin, L"Bin", L"decimalnum", VT_BYREF | VT_I2, kInOut, VT_BSTR},
        {DISPID_Binary_GetStringFromBits, L"GetStringFromBits", L"bits", VT_BYREF | VT_BSTR, kInOut, VT_BSTR},
        {DISPID_Binary_ChrBin, L"ChrBin", L"Binary", VT_BYREF | VT_BSTR, kInOut, VT_BSTR},
        {DISPID_Binary_Dec, L"Dec", L"Binary", VT_BYREF | VT_BSTR, kInOut, VT_I2},
        {DISPID_Binary_GetStringBits, L"GetStringBits", L"needbits", VT_BSTR, kIn, VT_BSTR},
    };
    const Ref<ITypeInfo> vtable = Referenced(dispatch.get(), static_cast<UINT>(-1));
    ASSERT_TRUE(vtable);
    const TYPEATTR attributes = Attributes(vtable.get());
    EXPECT_EQ(attributes.typekind, TKIND_INTERFACE);
    EXPECT_EQ(attributes.wTypeFlags, kDual | TYPEFLAG_FOLEAUTOMATION);
    ASSERT_EQ(std::size_t{attributes.cFuncs}, std::size(operations));
    for (UINT i = 0; i < std::size(operations); ++i) {
        const auto& expected = operations[i];
        SCOPED_TRACE(testing::PrintToString(std::wstring(expected.name)));
        FUNCDESC* function = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(i, &function), S_OK);
        EXPECT_EQ(function->memid, expected.id);
        EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));  // after IDispatch's seven
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        EXPECT_EQ(function->cParams, 2);
        if (function->cParams == 2) {
            EXPECT_EQ(TypeOf(function->lprgelemdescParam[0].tdesc), expected.type);
            EXPECT_EQ(function->lprgelemdescParam[0].paramdesc.wParamFlags, expected.flags);
            EXPECT_EQ(TypeOf(function->lprgelemdescParam[1].tdesc), VT_BYREF | expected.result);
            EXPECT_EQ(function->lprgelemdescParam[1].paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        }
        vtable->ReleaseFuncDesc(function);
        BSTR names[2] = {};
        UINT count = 0;
        EXPECT_EQ(vtable->GetNames(expected.id, names, 2, &count), S_OK);
        EXPECT_EQ(Text(names[0]), expected.name);
        EXPECT_EQ(Text(names[1]), expected.parameter);
        for (BSTR name : names) SysFreeString(name);
        Bstr help;
        EXPECT_EQ(vtable->GetDocumentation(expected.id, nullptr, help.out(), nullptr, nullptr), S_OK);
        EXPECT_EQ(help.str(), expected.id == DISPID_Binary_GetStringFromBits
                                  ? L"Takes a string of bits an returns the string created by those bits, "
                                  : L"");
    }
}

TEST_F(ClientTest, RegisteredServerIsTheLoadedModuleWithItsVersionBlock)
{
    wchar_t guid[39] = {}, server[MAX_PATH] = {}, loaded[MAX_PATH] = {};
    ASSERT_EQ(StringFromGUID2(CLSID_Binary, guid, 39), 39);
    DWORD size = sizeof(server);
    ASSERT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + guid + L"\\InprocServer32").c_str(),
                           nullptr, RRF_RT_REG_SZ, nullptr, server, &size),
              ERROR_SUCCESS);
    ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(L"bitstrings.dll"), loaded, MAX_PATH), 0u);
    EXPECT_EQ(CompareStringOrdinal(server, -1, loaded, -1, TRUE), CSTR_EQUAL);

    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(server, &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoW(server, 0, static_cast<DWORD>(block.size()), block.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 2 * sizeof(WORD));
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0409);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 1200);
    const std::pair<const wchar_t*, std::wstring> strings[] = {
        {L"FileVersion", L"1.00"},        {L"ProductVersion", L"1.00"}, {L"ProductName", L"bitstrings"},
        {L"InternalName", L"bitstrings"}, {L"OLESelfRegister", L""},
    };
    for (const auto& [name, text] : strings) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        ASSERT_TRUE(VerQueryValueW(block.data(), (std::wstring(L"\\StringFileInfo\\040904B0\\") + name).c_str(),
                                   &value, &length));
        EXPECT_EQ(length > 0 ? std::wstring(static_cast<const wchar_t*>(value)) : L"", text);
    }
}

// A protected file: the digits of the password and the text, eight a byte,
// the last one moved to the front inverted, so the password's digits stand
// at 2..65.
std::string Protected(const std::string& text)
{
    std::string digits;
    for (const unsigned char byte : "abcdefgh" + text) {
        for (int bit = 7; bit >= 0; --bit) digits += (byte >> bit & 1) ? '1' : '0';
    }
    std::rotate(digits.begin(), digits.end() - 1, digits.end());
    digits.front() = digits.front() == '0' ? '1' : '0';
    return digits;
}

// A folder of the test's own, the current folder while it exists, so that
// names without a path land there too.
struct ScratchFolder {
    ScratchFolder()
    {
        GetCurrentDirectoryW(MAX_PATH, previous);
        fs::create_directories(path);
        SetCurrentDirectoryW(path.c_str());
    }
    ~ScratchFolder()
    {
        SetCurrentDirectoryW(previous);
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::map<std::wstring, std::string> Files() const
    {
        std::map<std::wstring, std::string> files;
        for (const auto& entry : fs::directory_iterator(path)) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().filename().wstring()] = {std::istreambuf_iterator<char>(in), {}};
        }
        return files;
    }

    const fs::path path = fs::temp_directory_path() / ("bitstrings-client-" + std::to_string(GetCurrentProcessId()));
    wchar_t previous[MAX_PATH] = {};
};

TEST_F(ClientTest, EncryptAndDecryptAskForThePasswordAndWriteTheOtherFile)
{
    using Answers = std::vector<DialogAnswerer::Answer>;
    const auto encrypt = &_Binary::encrypt, decrypt = &_Binary::decrypt;
    const Answers password = {Password(L"abcdefgh")}, cancel = {Password(L"", IDCANCEL)};
    const std::string text = "Dear reader,\r\ncaf\xE9 \xFF\r\n";
    const ScratchFolder folder;
    const std::wstring letter = (folder.path / L"letter").wstring();
    const struct {
        decltype(encrypt) operation;
        std::wstring name;
        std::optional<std::string> content;  // of the named file, none for a missing one
        Answers answers;
        HRESULT hr;
        const wchar_t *error, *output;  // the error info's description; the file written
        std::string written;
    } cases[] = {
        {encrypt, letter + L".txt", text, password, S_OK, nullptr, L"letter.pef", Protected(text)},
        {decrypt, letter + L".pef", Protected(text), password, S_OK, nullptr, L"letter.txt", text},
        {encrypt, L"empty.txt", "", password, S_OK, nullptr, L"empty.pef", Protected("")},
        {decrypt, L"empty.pef", Protected(""), password, S_OK, nullptr, L"empty.txt", ""},
        // The last four characters give way, whatever they are.
        {encrypt, L"memo.md", "x", password, S_OK, nullptr, L"mem.pef", Protected("x")},
        {encrypt, L"notes.txt", "hi",
         {Password(L"abcdefg"), Password(L""), Password(L"abcdefghi"), Password(L"abcdefgh")}, S_OK, nullptr,
         L"notes.pef", Protected("hi")},
        {decrypt, L"secret.pef", Protected("hidden"), {Password(L"abcdefgX"), {L"Stopping Decrypton Process", L""}},
         S_OK, nullptr, nullptr, ""},
        {encrypt, L"kept.txt", "text", cancel, kUserInterrupt, L"User interrupt occurred", nullptr, ""},
        {decrypt, L"kept.pef", Protected("text"), cancel, kUserInterrupt, L"User interrupt occurred", nullptr, ""},
        {encrypt, L"missing.txt", std::nullopt, password, kFileNotFound, L"File not found", nullptr, ""},
        {decrypt, L"missing.pef", std::nullopt, password, kFileNotFound, L"File not found", nullptr, ""},
        // A character without a code in the ANSI code page is refused, not
        // replaced by a look-alike that names another file.
        {encrypt, L"\u0142ist.txt", "text", password, kBadFileName, L"Bad file name or number", nullptr, ""},
        {encrypt, L"abc", Protected("text"), password, kIllegalCall, kIllegalCallText, nullptr, ""},
        {decrypt, L"abc", Protected("text"), password, kIllegalCall, kIllegalCallText, nullptr, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        for (const auto& entry : fs::directory_iterator(folder.path)) fs::remove(entry.path());
        if (c.content) std::ofstream(fs::path(c.name), std::ios::binary) << *c.content;
        auto expectedFiles = folder.Files();
        if (c.output) expectedFiles[c.output] = c.written;

        DialogAnswerer answerer(c.answers);
        VARIANT result{};
        result.vt = VT_I4;
        EXPECT_EQ((binary->*c.operation)(Bstr(c.name).get(), &result), c.hr);
        const std::vector<Seen> seen = answerer.Finish();
        EXPECT_EQ(result.vt, VT_EMPTY);
        EXPECT_EQ(ErrorInfo(binary), c.error ? RaisedBy(c.error) : L"(none)");
        EXPECT_EQ(folder.Files(), expectedFiles);

        // Every dialog was an expected one, in order, with its own text.
        ASSERT_EQ(seen.size(), c.answers.size());
        for (std::size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].title, c.answers[i].title);
            if (seen[i].title == kPasswordTitle) {
                EXPECT_EQ(seen[i].text, c.operation == encrypt
                                            ? L"What should be the password to get into this file? (8 letters long)"
                                            : L"What is the password to get into this file? (8 letters long)");
            } else {
                EXPECT_EQ(seen[i].text, L"Password Incorrect");
                EXPECT_EQ(seen[i].icon, LoadIconA(nullptr, IDI_INFORMATION));
            }
        }
    }
}

// Run on its own under a code page of two-byte characters (Wine takes the
// Japanese code page 932 from LC_ALL=ja_JP.UTF-8): bytes and characters
// would not match one for one, so encrypt and decrypt refuse before they
// ask anything.
TEST_F(ClientTest, TwoByteCodePageIsRefusedByEncryptAndDecrypt)
{
    CPINFO codePage{};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &codePage));
    ASSERT_EQ(codePage.MaxCharSize, 2u) << "the test needs a code page of two-byte characters";
    const ScratchFolder folder;
    const std::string hiragana = "\x82\xA0\x82\xA2";
    std::ofstream("notes.txt", std::ios::binary) << hiragana;
    std::ofstream("notes.pef", std::ios::binary) << Protected(hiragana);
    const auto before = folder.Files();
    for (const auto& [operation, name] : {std::pair{&_Binary::encrypt, L"notes.txt"}, {&_Binary::decrypt, L"notes.pef"}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        DialogAnswerer noDialogs;
        VARIANT result{};
        EXPECT_EQ((binary->*operation)(Bstr(name).get(), &result), kIllegalCall);
        EXPECT_TRUE(noDialogs.Finish().empty());
        EXPECT_EQ(ErrorInfo(binary), RaisedBy(kIllegalCallText));
    }
    EXPECT_EQ(folder.Files(), before);
}

}  // namespace

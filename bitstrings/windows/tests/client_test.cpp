// A Windows client of the registered component: it creates Binary through
// the component model as any program would, calls it early and late bound,
// answers its dialogs from a second thread, and reads its type library,
// registration and version block.
#include <binary_interface.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <bitset>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr HRESULT kIllegalCall = static_cast<HRESULT>(0x800A0005), kUserInterrupt = static_cast<HRESULT>(0x800A0012),
                  kFileNotFound = static_cast<HRESULT>(0x800A0035), kBadFileName = static_cast<HRESULT>(0x800A0034);
// The error info that each outcome leaves: "description / source".
const std::map<HRESULT, std::wstring> kRaised = {
    {S_OK, L""}, {kIllegalCall, L"Invalid procedure call or argument / Project1"},
    {kUserInterrupt, L"User interrupt occurred / Project1"}, {kFileNotFound, L"File not found / Project1"},
    {kBadFileName, L"Bad file name or number / Project1"}};

struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using Ref = std::unique_ptr<T, Releaser>;

std::wstring Text(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

// An owned BSTR; the empty text is the null BSTR, which Automation reads as empty.
struct Bstr {
    explicit Bstr(std::wstring_view text = {})
        : value(text.empty() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    ~Bstr() { SysFreeString(value); }
    BSTR* out() { return SysFreeString(value), value = nullptr, &value; }
    std::wstring str() const { return Text(value); }
    BSTR value;
};

// "title: prompt or message (icon)" of a dialog: the prompt is item 100 of
// the password dialog, the message item 0xFFFF of a message box.
std::wstring Describe(HWND dialog)
{
    wchar_t title[256] = {}, text[256] = {};
    GetWindowTextW(dialog, title, 256);
    GetDlgItemTextW(dialog, GetDlgItem(dialog, 100) ? 100 : 0xFFFF, text, 256);
    HICON icon = nullptr;
    for (HWND child = GetWindow(dialog, GW_CHILD); child && !icon; child = GetWindow(child, GW_HWNDNEXT)) {
        icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    }
    return std::wstring(title) + L": " + text +
           (icon == LoadIconA(nullptr, IDI_ERROR)         ? L" (error)"
            : icon == LoadIconA(nullptr, IDI_INFORMATION) ? L" (information)"
            : icon                                        ? L" (other icon)"
                                                          : L"");
}

// A dialog expected during a call, as described, and its answer: the text
// for its edit box and a command.
struct Dialog {
    std::wstring shown, input = L"";
    WPARAM command = IDOK;
};

// Makes a call while a second thread answers the dialogs that it shows: the
// expected ones, in order; any other is cancelled, so that a wrong dialog
// fails the test instead of blocking it.
template <typename Call>
auto WithDialogs(const std::vector<Dialog>& expected, Call call)
{
    std::vector<std::wstring> seen, shown;
    std::jthread answerer([&, caller = GetCurrentThreadId()](const std::stop_token& stop) {
        for (std::size_t next = 0; !stop.stop_requested(); Sleep(20)) {
            for (HWND dialog = nullptr; (dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr));) {
                if (GetWindowThreadProcessId(dialog, nullptr) != caller || !IsWindowVisible(dialog) ||
                    GetPropW(dialog, L"answered")) {
                    continue;
                }
                SetPropW(dialog, L"answered", dialog);
                seen.push_back(Describe(dialog));
                const bool answer = next < expected.size() && seen.back() == expected[next].shown;
                if (answer) SetDlgItemTextW(dialog, 101, expected[next].input.c_str());
                PostMessageW(dialog, WM_COMMAND, answer ? expected[next++].command : IDCANCEL, 0);
            }
        }
    });
    const auto result = call();
    answerer.request_stop();
    answerer.join();
    for (const Dialog& dialog : expected) shown.push_back(dialog.shown);
    EXPECT_EQ(seen, shown);
    return result;
}

// The failed call's error info, read as an early-binding client does: only
// when the object says that its interface sets it.
std::wstring ErrorInfo(IUnknown* object)
{
    ISupportErrorInfo* support = nullptr;
    IErrorInfo* info = nullptr;
    Bstr description, source;
    object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support));
    const bool supported = support && support->InterfaceSupportsErrorInfo(IID__Binary) == S_OK;
    if (support) support->Release();
    if (!supported || GetErrorInfo(0, &info) != S_OK) return L"(no error info)";
    info->GetDescription(description.out());
    info->GetSource(source.out());
    info->Release();
    return description.str() + L" / " + source.str();
}

// What a call gave: its result, its argument afterwards and the error raised, as texts.
using Outcome = std::tuple<HRESULT, std::wstring, std::wstring, std::wstring>;

// An encrypt or decrypt call on a file of the given content, or on a missing
// one, with the dialogs it shows, and the file that it writes.
struct FileCall {
    HRESULT (STDMETHODCALLTYPE _Binary::*operation)(BSTR, VARIANT*);
    std::wstring name;
    std::optional<std::string> content;
    std::vector<Dialog> dialogs;
    HRESULT hr;
    const wchar_t* output = nullptr;
    std::string written = "";
};

// The folder that file calls work in, as the current folder, so that names
// without a path land there too.
const fs::path kFolder = fs::temp_directory_path() / "bitstrings-client";

std::map<std::wstring, std::string> FilesInFolder()
{
    std::map<std::wstring, std::string> files;
    for (const auto& entry : fs::directory_iterator(kFolder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().wstring()] = {std::istreambuf_iterator<char>(in), {}};
    }
    return files;
}

// A protected file: the digits of the password and the text, eight a byte,
// the last one moved to the front inverted.
std::string Protected(const std::string& text)
{
    std::string digits;
    for (const unsigned char byte : "abcdefgh" + text) digits += std::bitset<8>(byte).to_string();
    std::rotate(digits.begin(), digits.end() - 1, digits.end());
    digits.front() ^= 1;  // '0' and '1' differ in their last bit
    return digits;
}

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

    // Through the vtable, as an early-bound client calls; a number argument
    // shows as given while it is unchanged.
    Outcome CallEarly(DISPID id, const std::wstring& argument)
    {
        Bstr text(argument), result;
        const SHORT given = id == DISPID_Binary_Bin ? static_cast<SHORT>(std::stoi(argument)) : -7;
        SHORT number = given;
        SetErrorInfo(0, nullptr);
        HRESULT hr = E_NOTIMPL;
        if (id == DISPID_Binary_GetStringBits) hr = binary->GetStringBits(text.value, result.out());
        if (id == DISPID_Binary_GetStringFromBits) hr = binary->GetStringFromBits(&text.value, result.out());
        if (id == DISPID_Binary_ChrBin) hr = binary->ChrBin(&text.value, result.out());
        if (id == DISPID_Binary_Bin) hr = binary->Bin(&number, result.out());
        if (id == DISPID_Binary_Dec) hr = binary->Dec(&text.value, &number);
        return {hr, id != DISPID_Binary_Dec ? result.str() : number == -7 ? L"" : std::to_wstring(number),
                id != DISPID_Binary_Bin ? text.str() : number == given ? argument : std::to_wstring(number),
                FAILED(hr) ? ErrorInfo(binary) : L""};
    }

    // Through IDispatch, as a client passes a string by value or a typed
    // string variable, or as a script host passes its variables: as
    // references to VARIANTs. A raised exception counts as its code.
    Outcome CallLate(DISPID id, VARTYPE passing, const std::wstring& argument)
    {
        VARIANT variable{}, passed{}, result{};
        variable.vt = VT_BSTR;
        variable.bstrVal = SysAllocStringLen(argument.data(), static_cast<UINT>(argument.size()));
        passed.vt = passing;
        if (passing == VT_BSTR)
            passed.bstrVal = variable.bstrVal;
        else
            passed.byref = passing == (VT_BYREF | VT_VARIANT) ? static_cast<void*>(&variable) : &variable.bstrVal;
        DISPPARAMS params{&passed, nullptr, 1, 0};
        EXCEPINFO exception{};
        const HRESULT hr = binary->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, nullptr);
        const bool raised = hr == DISP_E_EXCEPTION;
        EXPECT_TRUE(FAILED(hr) || result.vt == (id == DISPID_Binary_Dec ? VT_I2 : VT_BSTR)) << "type " << result.vt;
        EXPECT_EQ(variable.vt, VT_BSTR) << "the variable keeps its own type";
        const Outcome outcome(raised ? exception.scode : hr,
                              FAILED(hr)            ? L""
                              : result.vt == VT_I2 ? std::to_wstring(result.iVal)
                                                   : Text(result.bstrVal),
                              Text(variable.bstrVal),
                              raised ? Text(exception.bstrDescription) + L" / " + Text(exception.bstrSource) : L"");
        for (VARIANT* variant : {&result, &variable}) VariantClear(variant);
        for (BSTR text : {exception.bstrDescription, exception.bstrSource, exception.bstrHelpFile}) SysFreeString(text);
        return outcome;
    }

    // In the folder, which then holds the named file, if any, and the file written.
    void Expect(const FileCall& c)
    {
        SCOPED_TRACE(testing::PrintToString(c.name));
        const fs::path previous = fs::current_path();
        fs::create_directories(kFolder);
        fs::current_path(kFolder);
        if (c.content) std::ofstream(fs::path(c.name), std::ios::binary) << *c.content;
        auto files = FilesInFolder();
        if (c.output) files[c.output] = c.written;
        VARIANT result{};
        result.vt = VT_I4;
        EXPECT_EQ(WithDialogs(c.dialogs, [&] { return (binary->*c.operation)(Bstr(c.name).value, &result); }), c.hr);
        EXPECT_EQ(std::tuple(result.vt, FAILED(c.hr) ? ErrorInfo(binary) : L"", FilesInFolder()),
                  std::tuple(VT_EMPTY, kRaised.at(c.hr), files));
        fs::current_path(previous);
        fs::remove_all(kFolder);
    }

    _Binary* binary = nullptr;
    static constexpr auto encrypt = &_Binary::encrypt, decrypt = &_Binary::decrypt;
};

// Each conversion early and late bound, its argument passed by value, as a
// string reference and as a script variable: a reference comes back padded
// where the operation pads it, and untouched otherwise; a value never changes.
TEST_F(ClientTest, ConversionsEarlyAndLateBound)
{
    const struct {
        const wchar_t* name;
        std::wstring argument;
        HRESULT hr;
        std::wstring result, padded = L"";
        const wchar_t* dialog = nullptr;
    } cases[] = {
        {L"getstringbits", L"AB", S_OK, L"0100000101000010"},  // names are found in any case
        {L"GetStringBits", std::wstring(L"\0\xFF", 2), S_OK, L"0000000011111111"},
        {L"GetStringBits", L"\x20AC", S_OK, L"10000000"},  // the euro sign is 0x80 in the ANSI code page
        {L"GetStringBits", L"A\x4E00" L"B", S_OK, L"0100000101000010", L"",  // no code, nothing added
         L"Error!: value is not a valid ASCII Integer (error)"},
        {L"GetStringFromBits", L"0100000101000010", S_OK, L"AB"},
        {L"GetStringFromBits", L"10000000", S_OK, L"\x20AC"},
        {L"Bin", L"065", S_OK, L"01000001"},  // converted for the call, so written back only if changed
        {L"Bin", L"256", kIllegalCall, L""},
        {L"DEC", L"101", S_OK, L"5", L"00000101"},
        {L"Dec", L"", S_OK, L"0", L"00000000"},
        {L"Dec", L"010000010", kIllegalCall, L""},
        {L"chrBin", L"1000001", S_OK, L"A", L"01000001"},
        {L"ChrBin", L"10000000", S_OK, L"\x20AC"},
    };
    constexpr VARTYPE kEarly = VT_EMPTY, kValue = VT_BSTR;
    constexpr VARTYPE kString = VT_BYREF | VT_BSTR, kVariable = VT_BYREF | VT_VARIANT;
    for (const auto& c : cases) {
        LPOLESTR name = const_cast<LPOLESTR>(c.name);
        DISPID id = DISPID_UNKNOWN;
        ASSERT_EQ(binary->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK) << c.name;
        for (const VARTYPE passing : {kEarly, kValue, kString, kVariable}) {
            if (passing == kString && id == DISPID_Binary_Bin) continue;  // no string for a reference to a number
            SCOPED_TRACE(testing::Message() << c.name << "(" << testing::PrintToString(c.argument) << ") as "
                                            << passing);
            const std::vector<Dialog> dialogs = c.dialog ? std::vector<Dialog>{{c.dialog}} : std::vector<Dialog>{};
            const Outcome outcome = WithDialogs(dialogs, [&] {
                return passing == kEarly ? CallEarly(id, c.argument) : CallLate(id, passing, c.argument);
            });
            const bool keeps = c.padded.empty() || passing == kValue;
            EXPECT_EQ(outcome, Outcome(c.hr, c.result, keeps ? c.argument : c.padded, kRaised.at(c.hr)));
        }
    }
}

TYPEATTR Attributes(ITypeInfo* info)
{
    TYPEATTR *attributes = nullptr, copy{};
    if (info->GetTypeAttr(&attributes) == S_OK) {
        copy = *attributes;
        info->ReleaseTypeAttr(attributes);
    }
    return copy;
}

Ref<ITypeInfo> Referenced(ITypeInfo* info, UINT implType)
{
    HREFTYPE reference = 0;
    ITypeInfo* raw = nullptr;
    if (info->GetRefTypeOfImplType(implType, &reference) == S_OK) info->GetRefTypeInfo(reference, &raw);
    return Ref<ITypeInfo>(raw);
}

// Pointer parameters shown as by-reference types.
VARTYPE TypeOf(const TYPEDESC& type) { return type.vt == VT_PTR ? VARTYPE(VT_BYREF | type.lptdesc->vt) : type.vt; }

TEST_F(ClientTest, TypeLibraryDescribesTheDualInterfaceItsOperationsAndThePredeclaredClass)
{
    ITypeInfo* raw = nullptr;
    ITypeLib* rawLibrary = nullptr;
    UINT index = 0;
    ASSERT_EQ(binary->GetTypeInfo(0, LOCALE_USER_DEFAULT, &raw), S_OK);
    const Ref<ITypeInfo> dispatch(raw), vtable = Referenced(raw, static_cast<UINT>(-1));
    ASSERT_EQ(dispatch->GetContainingTypeLib(&rawLibrary, &index), S_OK);
    const Ref<ITypeLib> library(rawLibrary);
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_Binary, &raw), S_OK);
    const Ref<ITypeInfo> coclass(raw), defaultInterface = Referenced(raw, 0);
    ASSERT_TRUE(vtable && defaultInterface);
    constexpr WORD kDual = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
    const std::tuple<ITypeInfo*, TYPEKIND, GUID, WORD> types[] = {
        {dispatch.get(), TKIND_DISPATCH, IID__Binary, kDual},
        {vtable.get(), TKIND_INTERFACE, IID__Binary, kDual | TYPEFLAG_FOLEAUTOMATION},  // on the vtable half only
        {coclass.get(), TKIND_COCLASS, CLSID_Binary, TYPEFLAG_FCANCREATE | TYPEFLAG_FAPPOBJECT | TYPEFLAG_FPREDECLID},
    };
    for (const auto& [info, kind, guid, flags] : types) {
        const TYPEATTR type = Attributes(info);
        EXPECT_EQ(std::tuple(type.typekind, type.guid, type.wTypeFlags, type.wMajorVerNum, type.wMinorVerNum),
                  std::tuple(kind, guid, flags, 1, 0));
    }
    INT implFlags = 0;
    coclass->GetImplTypeFlags(0, &implFlags);
    EXPECT_EQ(std::tuple(implFlags, Attributes(defaultInterface.get()).guid),
              std::tuple(IMPLTYPEFLAG_FDEFAULT, IID__Binary));
    TLIBATTR* lib = nullptr;
    ASSERT_EQ(library->GetLibAttr(&lib), S_OK);
    EXPECT_EQ(std::tuple(lib->guid, lib->wMajorVerNum, lib->wMinorVerNum, lib->lcid, lib->syskind),
              std::tuple(LIBID_Project1, 2, 0, LCID{0x0409}, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32));
    library->ReleaseTLibAttr(lib);

    // In the vtable after IDispatch's seven methods, each giving an HRESULT and its result last.
    constexpr USHORT kIn = PARAMFLAG_FIN, kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
    const std::tuple<DISPID, std::wstring, VARTYPE, USHORT, VARTYPE> operations[] = {
        {DISPID_Binary_decrypt, L"decrypt(strfilename)", VT_BSTR, kIn, VT_VARIANT},
        {DISPID_Binary_encrypt, L"encrypt(strfilename)", VT_BSTR, kIn, VT_VARIANT},
        {DISPID_Binary_Bin, L"Bin(decimalnum)", VT_BYREF | VT_I2, kInOut, VT_BSTR},
        {DISPID_Binary_GetStringFromBits, L"GetStringFromBits(bits)", VT_BYREF | VT_BSTR, kInOut, VT_BSTR},
        {DISPID_Binary_ChrBin, L"ChrBin(Binary)", VT_BYREF | VT_BSTR, kInOut, VT_BSTR},
        {DISPID_Binary_Dec, L"Dec(Binary)", VT_BYREF | VT_BSTR, kInOut, VT_I2},
        {DISPID_Binary_GetStringBits, L"GetStringBits(needbits)", VT_BSTR, kIn, VT_BSTR},
    };
    ASSERT_EQ(std::size_t{Attributes(vtable.get()).cFuncs}, std::size(operations));
    for (UINT i = 0; i < std::size(operations); ++i) {
        FUNCDESC* f = nullptr;
        BSTR names[2] = {};
        UINT count = 0;
        ASSERT_EQ(vtable->GetFuncDesc(i, &f), S_OK);
        vtable->GetNames(f->memid, names, 2, &count);
        ASSERT_EQ(std::tuple(f->cParams, f->oVft, f->elemdescFunc.tdesc.vt),
                  std::tuple(2, static_cast<SHORT>((7 + i) * sizeof(void*)), VT_HRESULT));
        const ELEMDESC* p = f->lprgelemdescParam;
        const auto& [id, signature, type, flags, result] = operations[i];
        EXPECT_EQ(std::tuple(f->memid, Text(names[0]) + L"(" + Text(names[1]) + L")", TypeOf(p[0].tdesc),
                             p[0].paramdesc.wParamFlags, TypeOf(p[1].tdesc), p[1].paramdesc.wParamFlags),
                  std::tuple(id, signature, type, flags, VT_BYREF | result, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL));
        for (BSTR name : names) SysFreeString(name);
        vtable->ReleaseFuncDesc(f);
    }
    Bstr help;
    vtable->GetDocumentation(DISPID_Binary_GetStringFromBits, nullptr, help.out(), nullptr, nullptr);
    EXPECT_EQ(help.str(), L"Takes a string of bits an returns the string created by those bits, ");
}

TEST_F(ClientTest, RegisteredServerIsTheLoadedModuleWithItsVersionBlock)
{
    wchar_t guid[39] = {}, server[MAX_PATH] = {}, loaded[MAX_PATH] = {};
    DWORD size = sizeof(server), ignored = 0;
    StringFromGUID2(CLSID_Binary, guid, 39);
    RegGetValueW(HKEY_CLASSES_ROOT, (L"CLSID\\" + std::wstring(guid) + L"\\InprocServer32").c_str(), nullptr,
                 RRF_RT_REG_SZ, nullptr, server, &size);
    GetModuleFileNameW(GetModuleHandleW(L"bitstrings.dll"), loaded, MAX_PATH);
    EXPECT_EQ(CompareStringOrdinal(server, -1, loaded, -1, TRUE), CSTR_EQUAL) << server << L" " << loaded;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(loaded, &ignored));
    ASSERT_TRUE(!block.empty() && GetFileVersionInfoW(loaded, 0, static_cast<DWORD>(block.size()), block.data()));
    const WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", (void**)&translation, &length));
    EXPECT_EQ(std::tuple(length, translation[0], translation[1]), std::tuple(4u, 0x0409, 1200));
    for (const auto& [name, expected] : {std::pair{L"FileVersion", L"1.00"}, {L"ProductVersion", L"1.00"},
                                         {L"ProductName", L"bitstrings"}, {L"InternalName", L"bitstrings"},
                                         {L"OLESelfRegister", L""}}) {
        const wchar_t* text = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), (void**)&text, &length)) << name;
        EXPECT_EQ(length ? std::wstring(text) : L"", expected) << name;
    }
}

TEST_F(ClientTest, EncryptAndDecryptAskForThePasswordAndWriteTheOtherFile)
{
    const std::wstring ask = L"Password Needed: What should be the password to get into this file? (8 letters long)",
                       askBack = L"Password Needed: What is the password to get into this file? (8 letters long)";
    const std::string text = "Dear reader,\r\ncaf\xE9 \xFF\r\n";
    const std::wstring letter = (kFolder / L"letter").wstring();
    const FileCall cases[] = {
        {encrypt, letter + L".txt", text, {{ask, L"abcdefgh"}}, S_OK, L"letter.pef", Protected(text)},
        {decrypt, letter + L".pef", Protected(text), {{askBack, L"abcdefgh"}}, S_OK, L"letter.txt", text},
        // The prompt comes again until the password has eight characters.
        {encrypt, L"notes.txt", "hi", {{ask, L"abcdefg"}, {ask}, {ask, L"abcdefghi"}, {ask, L"abcdefgh"}}, S_OK,
         L"notes.pef", Protected("hi")},
        {decrypt, L"secret.pef", Protected("hidden"),
         {{askBack, L"abcdefgX"}, {L"Stopping Decrypton Process: Password Incorrect (information)"}}, S_OK},
        {encrypt, L"kept.txt", "text", {{ask, L"", IDCANCEL}}, kUserInterrupt},
        {decrypt, L"missing.pef", std::nullopt, {{askBack, L"abcdefgh"}}, kFileNotFound},
        // A character without a code in the ANSI code page is refused, not
        // replaced by a look-alike that names another file.
        {encrypt, L"\u0142ist.txt", "text", {{ask, L"abcdefgh"}}, kBadFileName},
        {encrypt, L"abc", "text", {{ask, L"abcdefgh"}}, kIllegalCall},
    };
    for (const FileCall& c : cases) Expect(c);
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
    Expect({encrypt, L"notes.txt", "\x82\xA0\x82\xA2", {}, kIllegalCall});
    Expect({decrypt, L"notes.pef", Protected("\x82\xA0\x82\xA2"), {}, kIllegalCall});
}

}  // namespace

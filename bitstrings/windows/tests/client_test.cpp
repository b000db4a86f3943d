// A compiled Windows client of the registered component, for what a script
// host cannot reach: calls through the vtable with their HRESULTs and the
// error info behind ISupportErrorInfo, late-bound arguments passed by value
// and as typed references (a script passes its variables as Variants), the
// dialogs, answered from a second thread, and what an early-binding client
// reads in the type library. With the platform's file numbers linked in,
// also what output leaves of the file it replaces.
#include "replace_file_fault.h"

#include <binary_interface.h>
#include <filenums.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The description of each run-time error that the calls raise, with the library as its source.
const std::map<int, std::wstring> kDescriptions = {
    {5, L"Invalid procedure call or argument"}, {7, L"Out of memory"}, {18, L"User interrupt occurred"},
    {52, L"Bad file name or number"}, {53, L"File not found"}, {75, L"Path/File access error"}};
// "\xE9" protected with the password "abcdefgh".
const std::string kProtected = "001100001011000100110001101100100011001010110011001100111011010001110100";
constexpr DISPID encrypt = DISPID_Binary_encrypt, decrypt = DISPID_Binary_decrypt;
// The password dialog as encrypt and decrypt show it.
const std::wstring kAsk = L"Password Needed: What should be the password to get into this file? (8 letters long)",
                   kAskBack = L"Password Needed: What is the password to get into this file? (8 letters long)";

std::wstring Text(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : L""; }

// Task memory, where the system keeps every string, fails while `failing` is not 0: every allocation (-1), or that
// many. Each string comes from it only once the system's cache of freed strings is off: SetOaNoCache, exported by the
// system without a declaration, takes no arguments and so is called alike in either convention.
extern "C" void SetOaNoCache();
int failing = 0;
struct FailingAllocations : IMallocSpy {
    STDMETHODIMP QueryInterface(REFIID id, void** out)
    {
        return (*out = id == IID_IMallocSpy || id == IID_IUnknown ? this : nullptr) ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() { return 1; } STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int n) { return n; }
    STDMETHODIMP_(ULONG) Release() { return 1; } STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T n, BOOL) { return n; }
    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T size) { return failing < 0 || (failing > 0 && failing-- > 0) ? 0 : size; }
    STDMETHODIMP_(SIZE_T) PreRealloc(void* p, SIZE_T size, void** out, BOOL) { return *out = p, PreAlloc(size); }
    STDMETHODIMP_(void*) PostAlloc(void* p) { return p; } STDMETHODIMP_(void*) PreFree(void* p, BOOL) { return p; }
    STDMETHODIMP_(void*) PostRealloc(void* p, BOOL) { return p; } STDMETHODIMP_(void) PostFree(BOOL) {}
    STDMETHODIMP_(void*) PreGetSize(void* p, BOOL) { return p; } STDMETHODIMP_(void) PreHeapMinimize() {}
    STDMETHODIMP_(void*) PreDidAlloc(void* p, BOOL) { return p; } STDMETHODIMP_(void) PostHeapMinimize() {}
} allocationSpy;

// The files of the current folder written since the last look, with their
// bytes. Every file is then dated back to the start of the day, so that the
// next write shows.
std::map<std::wstring, std::string> Written()
{
    static const auto kLooked = std::chrono::floor<std::chrono::days>(fs::file_time_type::clock::now());
    std::map<std::wstring, std::string> written;
    for (const fs::path& file : fs::directory_iterator(".")) {
        std::ifstream in(file, std::ios::binary);
        if (fs::last_write_time(file) != kLooked) written[file.filename()] = {std::istreambuf_iterator(in), {}};
        fs::last_write_time(file, kLooked);
    }
    return written;
}

// A dialog as "title: prompt or message", and the text typed into it before
// OK, or nullptr for Cancel. A message box is answered with OK.
using Dialog = std::pair<std::wstring, const wchar_t*>;
// The message for a character without a code in the ANSI code page.
const Dialog kNoCode = {L"Error!: value is not a valid ASCII Integer", L""};

// Answers the dialogs that the thread `caller` shows, as they come: the
// expected ones, in order; any other is cancelled, so that a wrong dialog
// fails the test instead of blocking it. The prompt is item 100 of the
// password dialog, its edit box item 101; the message of a message box is
// item 0xFFFF.
void Answer(const std::stop_token& stop, DWORD caller, const std::vector<Dialog>& dialogs, std::vector<Dialog>& seen)
{
    for (; !stop.stop_requested(); Sleep(20)) {
        for (HWND dialog = nullptr; (dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr));) {
            wchar_t title[256] = {}, text[256] = {};
            const bool open = IsWindowVisible(dialog) && GetWindowThreadProcessId(dialog, nullptr) == caller;
            if (!open || GetPropW(dialog, L"answered")) continue;
            SetPropW(dialog, L"answered", dialog);
            GetWindowTextW(dialog, title, 256);
            GetDlgItemTextW(dialog, GetDlgItem(dialog, 100) ? 100 : 0xFFFF, text, 256);
            const std::wstring shown = std::wstring(title) + L": " + text;
            const bool expected = seen.size() < dialogs.size() && shown == dialogs[seen.size()].first;
            seen.emplace_back(shown, expected ? dialogs[seen.size()].second : nullptr);
            if (seen.back().second) SetDlgItemTextW(dialog, 101, seen.back().second);
            PostMessageW(dialog, WM_COMMAND, seen.back().second ? IDOK : IDCANCEL, 0);
        }
    }
}

// A call of an operation on an argument (a file name for encrypt and
// decrypt), the dialogs it shows with their answers, and what it gives: the
// run-time error that it raises, its result, the argument afterwards where
// the operation pads it in place, and the files it writes.
struct Call {
    DISPID operation;
    std::wstring argument;
    std::vector<Dialog> dialogs;
    int error = 0;
    std::wstring result = L"", padded = L"";
    std::map<std::wstring, std::string> written = {};
};

// How a call passes its argument: through the vtable, as an early-bound
// client calls (0); through IDispatch by value (1), or as a reference of the
// parameter's own type (2), as a compiled client passes a typed variable.
enum Passing { kEarly, kValue, kReference };

// The result, the argument afterwards and the error info, as texts.
using Outcome = std::tuple<HRESULT, std::wstring, std::wstring, std::wstring>;

// The calls run in a folder of their own, as the current folder, which
// holds a note to protect, two files whose names encrypt refuses, and a
// protected file whose text file is read-only.
class ClientTest : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        ASSERT_EQ(CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, IID__Binary,
                                   reinterpret_cast<void**>(&binary)), S_OK);
        fs::create_directories(folder);
        fs::current_path(folder);
        for (const wchar_t* name : {L"note.txt", L"abc", L"\u0142ist.txt", L"ro.txt"}) std::ofstream(name) << "\xE9";
        std::ofstream("ro.pef") << kProtected, SetFileAttributesW(L"ro.txt", FILE_ATTRIBUTE_READONLY);
        Written();
    }
    void TearDown() override
    {
        SetFileAttributesW(L"ro.txt", FILE_ATTRIBUTE_NORMAL), fs::current_path(folder.parent_path());
        fs::remove_all(folder);
        if (binary) binary->Release();
        CoUninitialize();
    }

    // The outcome of a call, while a second thread answers its dialogs, with that many of its allocations failing.
    Outcome Make(DISPID id, Passing passing, const std::wstring& given, const std::vector<Dialog>& dialogs,
                 std::vector<Dialog>& seen, int failures = 0)
    {
        const std::jthread answerer(Answer, GetCurrentThreadId(), std::cref(dialogs), std::ref(seen));
        VARIANT arg{}, result{};
        EXCEPINFO exception{};
        arg.vt = VT_BSTR;  // the empty text as the null BSTR, as compiled clients pass it
        arg.bstrVal = given.empty() ? nullptr : SysAllocStringLen(given.data(), static_cast<UINT>(given.size()));
        if (id == DISPID_Binary_Bin && passing != kValue) VariantChangeType(&arg, &arg, 0, VT_I2);
        HRESULT hr = E_NOTIMPL;
        failing = failures;
        if (passing == kEarly) {
            result.vt = id == DISPID_Binary_Dec ? VT_I2 : id == encrypt || id == decrypt ? VT_I4 : VT_BSTR;
            if (id == decrypt) hr = binary->decrypt(arg.bstrVal, &result);
            if (id == encrypt) hr = binary->encrypt(arg.bstrVal, &result);
            if (id == DISPID_Binary_Bin) hr = binary->Bin(&arg.iVal, &result.bstrVal);
            if (id == DISPID_Binary_GetStringFromBits) hr = binary->GetStringFromBits(&arg.bstrVal, &result.bstrVal);
            if (id == DISPID_Binary_ChrBin) hr = binary->ChrBin(&arg.bstrVal, &result.bstrVal);
            if (id == DISPID_Binary_Dec) hr = binary->Dec(&arg.bstrVal, &result.iVal);
            if (id == DISPID_Binary_GetStringBits) hr = binary->GetStringBits(arg.bstrVal, &result.bstrVal);
            failing = 0;
            // The error info, read as an early-binding client does: only when
            // the object says that its interface sets it.
            ISupportErrorInfo* support = nullptr;
            IErrorInfo* info = nullptr;
            binary->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support));
            const bool supported = support && support->InterfaceSupportsErrorInfo(IID__Binary) == S_OK;
            if (support) support->Release();
            if (FAILED(hr) && supported && GetErrorInfo(0, &info) == S_OK) {
                info->GetDescription(&exception.bstrDescription), info->GetSource(&exception.bstrSource);
                info->Release();
            }
        } else {
            VARIANT passed = arg;
            if (passing == kReference) passed.vt |= VT_BYREF, passed.byref = &arg.bstrVal;  // iVal's address too
            DISPPARAMS params{&passed, nullptr, 1, 0};
            hr = binary->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, nullptr);
            failing = 0;
            if (hr == DISP_E_EXCEPTION) hr = exception.scode;
        }
        for (VARIANT* value : {&arg, &result}) VariantChangeType(value, value, 0, VT_BSTR);
        const Outcome outcome(hr, FAILED(hr) ? L"" : Text(result.bstrVal), Text(arg.bstrVal),
                              FAILED(hr) ? Text(exception.bstrDescription) + L" / " + Text(exception.bstrSource) : L"");
        for (VARIANT* value : {&arg, &result}) VariantClear(value);
        for (BSTR text : {exception.bstrDescription, exception.bstrSource, exception.bstrHelpFile}) SysFreeString(text);
        return outcome;
    }

    // Each call in each passing, with its dialogs answered and that many of its allocations failing. Late bound, a
    // call without memory fails before it runs, and with none at all its exception has no room for texts.
    void Expect(const std::vector<Call>& calls, int failures = 0)
    {
        for (const Call& c : calls) {
            for (const Passing passing : {kEarly, kValue, kReference}) {
                std::vector<Dialog> seen;
                const Outcome outcome = Make(c.operation, passing, c.argument, c.dialogs, seen, failures);
                const HRESULT hr = c.error ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, c.error) : S_OK;
                const bool runs = failures == 0 || passing == kEarly, texts = runs || failures > 0;
                const std::wstring raised = c.error ? texts ? kDescriptions.at(c.error) + L" / Project1" : L" / " : L"";
                const std::vector<Dialog> shown = runs ? c.dialogs : std::vector<Dialog>{};
                const std::wstring argument = c.padded.empty() || passing == kValue ? c.argument : c.padded;
                EXPECT_EQ(std::tuple(outcome, seen, Written()),
                          std::tuple(Outcome(hr, c.result, argument, raised), shown, c.written))
                    << std::hex << c.operation << " passed as " << passing << ", failing " << failures;
            }
        }
    }

    const fs::path folder = fs::temp_directory_path() / "bitstrings-client";
    _Binary* binary = nullptr;
};

// Passed by value, an argument that an operation pads or refuses stays the
// caller's: the operation works on a copy of its own.
TEST_F(ClientTest, CallsEarlyAndLateBound)
{
    Expect({
        // A character without a code in the ANSI code page gives no digits.
        {DISPID_Binary_GetStringBits, L"A\x4E00" L"B", {kNoCode}, 0, L"0100000101000010"},
        // The euro sign is 0x80 in the ANSI code page; a short last group is padded apart from the argument.
        {DISPID_Binary_GetStringFromBits, L"100000000100000111", {}, 0, L"\x20AC" L"A\x03"},
        {DISPID_Binary_Bin, L"65", {}, 0, L"01000001"}, {DISPID_Binary_Bin, L"256", {}, 5},
        {DISPID_Binary_Dec, L"101", {}, 0, L"5", L"00000101"}, {DISPID_Binary_Dec, L"", {}, 0, L"0", L"00000000"},
        {DISPID_Binary_ChrBin, L"1000001", {}, 0, L"A", L"01000001"},
        // The digits of the password and of the text, the last one moved to the front inverted.
        {encrypt, (folder / L"note.txt").wstring(), {{kAsk, L"abcdefgh"}}, 0, L"", L"", {{L"note.pef", kProtected}}},
        {decrypt, L"note.pef", {{kAskBack, L"abcdefgX"}, {L"Stopping Decrypton Process: Password Incorrect", L""}}},
        {decrypt, L"note.pef", {{kAskBack, L"abcdefgh"}}, 0, L"", L"", {{L"note.txt", "\xE9"}}},
        // A read-only file is refused as writing it in place would be, and kept.
        {decrypt, L"ro.pef", {{kAskBack, L"abcdefgh"}}, 75},
        {encrypt, L"note.txt", {{kAsk, nullptr}}, 18}, {decrypt, L"missing.pef", {{kAskBack, L"abcdefgh"}}, 53},
        // A character without a code in the ANSI code page is refused, not
        // replaced by a look-alike that names another file.
        {encrypt, L"\u0142ist.txt", {{kAsk, L"abcdefgh"}}, 52},
        // Too short to lose the four characters of an extension.
        {encrypt, L"abc", {{kAsk, L"abcdefgh"}}, 5},
    });
    // Each operation without memory for its strings fails with error 7, when every allocation fails and when
    // only the first does. Held type information keeps the type library loaded: unheld, the system reads it again
    // for each late-bound call and does without a string that it finds no memory for. Registering runs out of memory
    // only inside the library, whose allocations are its own, out of this client's reach.
    ITypeInfo* held = nullptr;
    SetOaNoCache();
    ASSERT_EQ(std::pair(CoRegisterMallocSpy(&allocationSpy), binary->GetTypeInfo(0, 0, &held)), std::pair(S_OK, S_OK));
    for (const int failures : {-1, 1})
        Expect({{DISPID_Binary_Bin, L"65", {}, 7}, {DISPID_Binary_Dec, L"101", {}, 7},
                {DISPID_Binary_ChrBin, L"01000001", {}, 7}, {DISPID_Binary_GetStringBits, L"AB", {}, 7},
                {DISPID_Binary_GetStringFromBits, L"0100000101000010", {}, 7},
                {encrypt, L"note.txt", {{kAsk, L"abcdefgh"}}, 7}}, failures);
    CoRevokeMallocSpy(), held->Release();
}

// Run on its own under a code page of two-byte characters (Wine takes the
// Japanese code page 932 from LC_ALL=ja_JP.UTF-8), whose lead bytes (0x81,
// 0xE9) are no characters by themselves: bytes are read in Windows-1252, so
// that each is one character and back, and a protected file is the one that
// a single-byte code page gives.
TEST_F(ClientTest, TwoByteCodePageReadsEveryByteAsWindows1252)
{
    CPINFO codePage{};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &codePage) && codePage.MaxCharSize == 2) << "the test needs two-byte characters";
    Expect({
        {DISPID_Binary_GetStringFromBits, L"100000011110100110000000", {}, 0, L"\x0081\x00E9\x20AC"},
        {DISPID_Binary_GetStringBits, L"\x0081\x00E9\x20AC", {}, 0, L"100000011110100110000000"},
        // A character of the Japanese code page has no code of one byte.
        {DISPID_Binary_GetStringBits, L"A\x3042", {kNoCode}, 0, L"01000001"},
        {encrypt, L"note.txt", {{kAsk, L"abcdefgh"}}, 0, L"", L"", {{L"note.pef", kProtected}}},
        {decrypt, L"note.pef", {{kAskBack, L"abcdefgh"}}, 0, L"", L"", {{L"note.txt", "\xE9"}}},
    });
}

// What an early-binding client reads in the type library besides the
// calls: _Binary a hidden dual interface, Binary a creatable, predeclared
// app object; the operations' declarations are those that late binding
// calls through.
TEST_F(ClientTest, TypeLibrary)
{
    ITypeInfo *dispatch = nullptr, *coclass = nullptr;
    ITypeLib* library = nullptr;
    UINT index = 0;
    ASSERT_EQ(binary->GetTypeInfo(0, LOCALE_USER_DEFAULT, &dispatch), S_OK);
    ASSERT_EQ(dispatch->GetContainingTypeLib(&library, &index), S_OK);
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_Binary, &coclass), S_OK);
    library->Release();
    constexpr WORD kDual = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
    constexpr WORD kPredeclared = TYPEFLAG_FCANCREATE | TYPEFLAG_FAPPOBJECT | TYPEFLAG_FPREDECLID;
    for (const auto& [type, expected] : {std::pair{dispatch, std::tuple(TKIND_DISPATCH, IID__Binary, kDual)},
                                         std::pair{coclass, std::tuple(TKIND_COCLASS, CLSID_Binary, kPredeclared)}}) {
        TYPEATTR* a = nullptr;
        type->GetTypeAttr(&a);
        EXPECT_EQ(std::tuple(a->typekind, a->guid, a->wTypeFlags), expected);
        type->ReleaseTypeAttr(a);
        type->Release();
    }
}

// Output through the file numbers, linked in: the target is replaced whole
// and keeps its attributes and access list, or it is refused and kept: when
// a reader holds it open without letting it move, and when the replacement
// fails before moving it to its backup name (1175) or after (1176, 1177).
// Nothing is left beside it, once the table's own reading of the old file
// (as this program's input) is closed. Where the old file cannot even go
// back, it stays under its backup name, which the error's description
// states: shown by the component's own file numbers.
TEST_F(ClientTest, OutputReplacesTheTargetWholeOrKeepsItWithNothingBeside)
{
    constexpr DWORD kArchive = FILE_ATTRIBUTE_ARCHIVE;
    const std::tuple<DWORD, int, DWORD, LONG, const char*> rows[] = {
        // the target's attributes, held open (1: by a reader, 2: by the table), the replacement failing with, result,
        // the target after
        {FILE_ATTRIBUTE_HIDDEN | kArchive, 0, 0, 0, "new"}, {FILE_ATTRIBUTE_READONLY | kArchive, 0, 0, 75, "old"},
        {kArchive, 1, 0, 70, "old"}, {kArchive, 0, ERROR_UNABLE_TO_REMOVE_REPLACED, 70, "old"},
        {kArchive, 0, ERROR_UNABLE_TO_MOVE_REPLACEMENT, 75, "old"}, {kArchive, 2, 0, 0, "new"},
        {kArchive, 0, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 75, "old"},
    };
    const auto accessList = [](std::string list = std::string(256, '\0'), DWORD size = 0) {
        return GetFileSecurityW(L"t", DACL_SECURITY_INFORMATION, list.data(), 256, &size), list.substr(0, size);
    };
    // A present but null access list: every one may do anything, unlike a new file.
    SECURITY_DESCRIPTOR sd{SECURITY_DESCRIPTOR_REVISION, 0, SE_DACL_PRESENT, nullptr, nullptr, nullptr, nullptr};
    FILE_NUMBER_TABLE* table = FileTableCreate();
    const HMODULE self = GetModuleHandleW(nullptr), component = GetModuleHandleW(L"bitstrings.dll");
    ASSERT_TRUE(RedirectReplaceFile(self, true) && RedirectReplaceFile(component, true));
    for (const auto& [attributes, held, error, result, after] : rows) {
        SetFileAttributesW(L"t", FILE_ATTRIBUTE_NORMAL), std::ofstream("t") << "old";
        SetFileSecurityW(L"t", DACL_SECURITY_INFORMATION, &sd), SetFileAttributesW(L"t", attributes);
        const auto expected = std::tuple(result, decltype(Written()){{L"t", after}}, attributes, accessList());
        std::ifstream reader(held == 1 ? "t" : "");  // sharing reading and writing only, as the C runtime does
        if (held == 2) FileOpen(table, 2, "t", FILE_MODE_BINARY_READ);
        replaceFails = error;
        LONG outcome = FileOpen(table, 1, "t", FILE_MODE_OUTPUT);
        if (outcome == 0) FileWrite(table, 1, "new", 3), outcome = FileClose(table, 1);
        FileCloseAll(table);
        EXPECT_EQ(std::tuple(outcome, Written(), GetFileAttributesW(L"t"), accessList()), expected) << error;
    }
    std::ofstream("x.pef") << kProtected, std::ofstream("x.txt") << "old";
    replaceFails = ERROR_UNABLE_TO_MOVE_REPLACEMENT, replaceStuck = true;
    std::vector<Dialog> seen;
    const Outcome outcome = Make(decrypt, kEarly, L"x.pef", {{kAskBack, L"abcdefgh"}}, seen);
    RedirectReplaceFile(component, false);
    std::vector<fs::path> beside;
    for (const fs::path& file : fs::directory_iterator("."))
        if (file.filename().wstring().starts_with(L"~")) beside.push_back(fs::absolute(file).lexically_normal());
    ASSERT_EQ(beside.size(), 1u);
    std::ifstream old(beside[0]);
    EXPECT_EQ(std::tuple(outcome, std::string(std::istreambuf_iterator(old), {}), beside[0].extension()),
              std::tuple(Outcome(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 75), L"", L"x.pef",
                                 L"Path/File access error. The old file is kept as " + beside[0].wstring() +
                                     L". / Project1"),
                         "old", ".old"));
    // The table's own close keeps an old file aside alike; a refusal at the next opening tells nothing of it.
    FileOpen(table, 1, "t", FILE_MODE_OUTPUT), FileClose(table, 1), FileOpen(table, 1, "ro.txt", FILE_MODE_OUTPUT);
    EXPECT_EQ(std::wstring(FileErrorDescription(table, 75)), L"Path/File access error");
    replaceFails = 0, replaceStuck = false, RedirectReplaceFile(self, false), FileTableDestroy(table);
}

}  // namespace

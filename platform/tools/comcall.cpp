// comcall [--show-args] PROGID METHOD [ARG...]: calls one method of a
// registered class through IDispatch, the way a script host does: every
// argument goes by reference as a string, in the order given. Arguments and
// string results are bytes of the ANSI code page, one byte per character, so
// that every byte value passes through unchanged.
//
// Exit status: 0 when the call succeeds, 1 when it fails (the run-time error
// number and description on standard error), 2 for a usage error or a class
// that can't be created.
#include <objbase.h>
#include <oleauto.h>
#include <rterrors.h>
#include <stringapiset.h>

#include "hresult_text.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kCallFailed = 1;
constexpr int kUsageError = 2;

struct CommandLine {
    bool showArgs = false;
    const char* progId = nullptr;
    const char* method = nullptr;
    std::vector<const char*> args;
};

std::optional<CommandLine> ParseCommandLine(int argc, char** argv)
{
    CommandLine line;
    int next = 1;
    if (next < argc && std::string_view(argv[next]) == "--show-args") {
        line.showArgs = true;
        ++next;
    }
    if (argc - next < 2 || argv[next][0] == '-') return std::nullopt;
    line.progId = argv[next++];
    line.method = argv[next++];
    line.args.assign(argv + next, argv + argc);
    return line;
}

std::u16string FromAnsi(const char* bytes)
{
    const int count = static_cast<int>(std::strlen(bytes));
    if (count == 0) return {};
    std::u16string text(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, bytes, count, nullptr, 0)), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, count, text.data(), static_cast<int>(text.size()));
    return text;
}

void Write(FILE* stream, UINT codePage, const OLECHAR* text, size_t length)
{
    if (length == 0 || length > INT_MAX) return;
    const int count = static_cast<int>(length);
    std::string bytes(static_cast<size_t>(WideCharToMultiByte(codePage, 0, text, count, nullptr, 0, nullptr, nullptr)),
                      '\0');
    WideCharToMultiByte(codePage, 0, text, count, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void WriteAnsiLine(BSTR text)
{
    Write(stdout, CP_ACP, text, SysStringLen(text));
    std::fputc('\n', stdout);
}

// The string arguments, owned here; the callee may replace any of them.
class StringArguments {
public:
    explicit StringArguments(const std::vector<const char*>& args)
    {
        for (const char* arg : args) {
            const std::u16string text = FromAnsi(arg);
            values_.push_back(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
        }
        // IDispatch::Invoke takes the arguments last one first.
        for (auto value = values_.rbegin(); value != values_.rend(); ++value) {
            VARIANTARG arg;
            VariantInit(&arg);
            arg.vt = VT_BYREF | VT_BSTR;
            arg.pbstrVal = &*value;
            variants_.push_back(arg);
        }
    }
    ~StringArguments()
    {
        for (BSTR value : values_) SysFreeString(value);
    }
    StringArguments(const StringArguments&) = delete;
    StringArguments& operator=(const StringArguments&) = delete;

    DISPPARAMS Params() { return {variants_.data(), nullptr, static_cast<UINT>(variants_.size()), 0}; }
    const std::vector<BSTR>& Values() const { return values_; }

private:
    std::vector<BSTR> values_;
    std::vector<VARIANTARG> variants_;
};

// Prints "error N: DESCRIPTION" for a failed call, with the number and
// description that a script host would show.
void ReportCallFailure(HRESULT hr, EXCEPINFO& exception)
{
    HRESULT code = hr;
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
        code = exception.scode;
    }
    LONG number = RtErrorNumberFromHResult(code);
    if (hr == DISP_E_EXCEPTION && code == S_OK) number = exception.wCode;
    // A failure without a run-time error number is reported under the
    // HRESULT itself, as the language runtime does.
    if (number == 0) number = code;
    const bool described = exception.bstrDescription && SysStringLen(exception.bstrDescription) > 0;
    const OLECHAR* description = described ? exception.bstrDescription : RtErrorDescription(number);
    std::fprintf(stderr, "error %d: ", static_cast<int>(number));
    Write(stderr, CP_UTF8, description, std::char_traits<char16_t>::length(description));
    std::fputc('\n', stderr);
}

// Prints the result; false for a type that has no printed form.
bool PrintResult(const VARIANT& result)
{
    switch (result.vt) {
    case VT_EMPTY: break;
    case VT_BSTR: Write(stdout, CP_ACP, result.bstrVal, SysStringLen(result.bstrVal)); break;
    case VT_I2: std::printf("%d", result.iVal); break;
    case VT_I4: std::printf("%d", static_cast<int>(result.lVal)); break;
    default:
        std::fprintf(stderr, "comcall: the result has the type %u, which can't be shown\n", result.vt);
        return false;
    }
    std::fputc('\n', stdout);
    return true;
}

int Call(IDispatch& object, const CommandLine& line)
{
    std::u16string method = FromAnsi(line.method);
    LPOLESTR names[] = {method.data()};
    DISPID dispid = DISPID_UNKNOWN;
    EXCEPINFO exception{};
    HRESULT hr = object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (FAILED(hr)) {
        ReportCallFailure(hr, exception);
        return kCallFailed;
    }

    StringArguments args(line.args);
    DISPPARAMS params = args.Params();
    VARIANT result;
    VariantInit(&result);
    UINT argError = 0;
    hr = object.Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception,
                       &argError);
    int status = 0;
    if (FAILED(hr)) {
        ReportCallFailure(hr, exception);
        status = kCallFailed;
    } else if (!PrintResult(result)) {
        status = kCallFailed;
    } else if (line.showArgs) {
        for (BSTR value : args.Values()) WriteAnsiLine(value);
    }
    VariantClear(&result);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return status;
}

// Creates the class registered under progId; prints why when it can't.
IDispatch* CreateObject(const char* progId)
{
    const std::u16string name = FromAnsi(progId);
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
    IDispatch* object = nullptr;
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object));
    if (FAILED(hr)) {
        const bool unregistered = hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG;
        std::fprintf(stderr, "comcall: can't create %s: %s%s\n", progId, DescribeHResult(hr).c_str(),
                     unregistered ? ": run regsvr on the component's library" : "");
    }
    return object;
}

}  // namespace

int main(int argc, char** argv)
{
    std::optional<CommandLine> line = ParseCommandLine(argc, argv);
    if (!line) {
        std::fprintf(stderr, "usage: comcall [--show-args] PROGID METHOD [ARG...]\n");
        return kUsageError;
    }
    CoInitialize(nullptr);
    int status = kUsageError;
    if (IDispatch* object = CreateObject(line->progId)) {
        status = Call(*object, *line);
        object->Release();
    }
    // The component leaves the error's description with the thread as well;
    // it has been reported from EXCEPINFO.
    IErrorInfo* leftover = nullptr;
    if (GetErrorInfo(0, &leftover) == S_OK) leftover->Release();
    CoUninitialize();
    return status;
}

// Message boxes, the text prompt and the event pump, as the host process
// provides them. Until a host installs its own, the console host serves:
// message boxes go to standard error, prompts read standard input.
#include <uihost.h>
#include <stringapiset.h>
#include <winuser.h>

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

std::string ToUtf8(LPCWSTR text)
{
    if (!text || !*text) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

// A typed line is taken as UTF-8 when it is valid UTF-8, else byte by byte
// in the ANSI code page, so that any byte a user can send gets through.
std::u16string FromConsoleBytes(const std::string& bytes)
{
    if (bytes.empty()) return {};
    const int count = static_cast<int>(bytes.size());
    UINT codePage = CP_UTF8;
    int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0);
    if (size == 0) {
        codePage = CP_ACP;
        size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0);
    }
    std::u16string text(static_cast<size_t>(size), u'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), count, text.data(), size);
    return text;
}

int ConsoleMessageBox(void*, LPCWSTR text, LPCWSTR caption, UINT)
{
    std::fprintf(stderr, "%s: %s\n", ToUtf8(caption).c_str(), ToUtf8(text).c_str());
    std::fflush(stderr);
    return IDOK;
}

// Reads one line; false at the end of input before any character.
bool ReadLine(std::string& line)
{
    line.clear();
    int c;
    while ((c = std::getc(stdin)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
    if (c == EOF && line.empty()) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

HRESULT ConsoleInputBox(void*, LPCWSTR prompt, LPCWSTR title, BSTR* answer)
{
    std::string line;
    bool typed;
    if (isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "%s: %s ", ToUtf8(title).c_str(), ToUtf8(prompt).c_str());
        std::fflush(stderr);
        termios saved{};
        const bool canHide = tcgetattr(STDIN_FILENO, &saved) == 0;
        if (canHide) {
            termios hidden = saved;
            hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
        }
        typed = ReadLine(line);
        if (canHide) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    } else {
        typed = ReadLine(line);
    }
    if (!typed) {
        std::clearerr(stdin);
        return S_FALSE;
    }
    const std::u16string text = FromConsoleBytes(line);
    *answer = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *answer ? S_OK : E_OUTOFMEMORY;
}

// A console has no window events: every turn has run all there were.
BOOL ConsoleDoEvents(void*) { return TRUE; }

constexpr PLATFORM_UI_HOST kConsoleHost{nullptr, &ConsoleMessageBox, &ConsoleInputBox, &ConsoleDoEvents};
PLATFORM_UI_HOST currentHost = kConsoleHost;

} // namespace

void SetUiHost(const PLATFORM_UI_HOST* host) { currentHost = host ? *host : kConsoleHost; }

int MessageBoxW(HWND, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    return currentHost.messageBox(currentHost.context, lpText, lpCaption, uType);
}

HRESULT InputBoxW(LPCWSTR prompt, LPCWSTR title, BSTR* answer)
{
    if (!answer) return E_POINTER;
    *answer = nullptr;
    const HRESULT hr = currentHost.inputBox(currentHost.context, prompt, title, answer);
    if (hr == S_OK && !*answer) {
        *answer = SysAllocStringLen(nullptr, 0);
        if (!*answer) return E_OUTOFMEMORY;
    }
    return hr;
}

BOOL DoEvents() { return currentHost.doEvents(currentHost.context); }

// message_text.exe TITLE: prints the text of the message box titled TITLE,
// as UTF-8, so that a test can read what a Windows program told its user.
// Exits 1 when no such box is on screen.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t* argv[])
{
    if (argc != 2) return 2;
    // The message box's text is its static control with this id.
    constexpr int kTextId = 0xFFFF;
    wchar_t text[4096];
    char utf8[4 * 4096];
    HWND box = FindWindowW(L"#32770", argv[1]);
    if (!box || !GetDlgItemTextW(box, kTextId, text, 4096)) return 1;
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::fputs(utf8, stdout);
    return 0;
}

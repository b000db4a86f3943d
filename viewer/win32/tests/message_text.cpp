// message_text.exe TITLE: prints the text of the message box titled TITLE,
// as UTF-8, so that a test can read what a Windows program told its user.
// Exits 1 when no such box is on screen.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t* argv[])
{
    if (argc != 2) return 2;
    HWND box = FindWindowW(L"#32770", argv[1]);
    if (!box) return 1;
    // The message box's text is the static control with this id.
    constexpr int kTextId = 0xFFFF;
    HWND text = GetDlgItem(box, kTextId);
    if (!text) return 1;
    std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(text)) + 1, L'\0');
    wide.resize(static_cast<size_t>(GetWindowTextW(text, wide.data(), static_cast<int>(wide.size()))));
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    return 0;
}

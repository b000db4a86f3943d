// Asc and Chr over the system's ANSI code page, or over Windows-1252 where
// that code page is not one of single bytes.
#include <ansicodes.h>

#include <windows.h>

namespace {

constexpr UINT kWesternCodePage = 1252;

// Every byte value must be one character and back. A code page whose
// characters can take two bytes or more (932, 936, 949, 950, UTF-8) leaves
// lead bytes without a character of their own, so there bytes are read in
// Windows-1252, as everywhere else outside Windows: a file's bytes then
// become the same characters, and back the same bytes, whatever the locale.
UINT ByteCodePage()
{
    static const UINT codePage = [] {
        CPINFO info{};
        return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1 ? CP_ACP : kWesternCodePage;
    }();
    return codePage;
}

}  // namespace

STDAPI_(SHORT) AnsiCodeOfChar(WCHAR ch)
{
    char bytes[4];
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(ByteCodePage(), WC_NO_BEST_FIT_CHARS, &ch, 1, bytes, sizeof bytes,
                                           nullptr, &usedDefault);
    if (length != 1 || usedDefault) return -1;
    return static_cast<BYTE>(bytes[0]);
}

STDAPI_(WCHAR) AnsiCharOfCode(BYTE code)
{
    const char single = static_cast<char>(code);
    WCHAR ch = 0;
    if (MultiByteToWideChar(ByteCodePage(), 0, &single, 1, &ch, 1) == 1) return ch;
    // A byte that the code page leaves without a character is taken as the
    // character of the same number.
    return static_cast<WCHAR>(code);
}

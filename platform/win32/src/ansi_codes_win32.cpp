// Asc and Chr over the system's ANSI code page.
#include <ansicodes.h>

#include <windows.h>

STDAPI_(SHORT) AnsiCodeOfChar(WCHAR ch)
{
    // Under UTF-8 as the ANSI code page the conversion takes neither flags
    // nor a default-character report; a character of two or more bytes then
    // has no single-byte code all the same.
    const bool utf8 = GetACP() == CP_UTF8;
    char bytes[4];
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, &ch, 1, bytes, sizeof bytes,
                                           nullptr, utf8 ? nullptr : &usedDefault);
    if (length != 1 || usedDefault) return -1;
    return static_cast<BYTE>(bytes[0]);
}

STDAPI_(WCHAR) AnsiCharOfCode(BYTE code)
{
    const char single = static_cast<char>(code);
    WCHAR ch = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &single, 1, &ch, 1) == 1) return ch;
    // A byte that is no character by itself (a lead byte of a multi-byte
    // code page) is taken as the character of the same number.
    return static_cast<WCHAR>(code);
}

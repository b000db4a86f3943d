// Conversions between UTF-16 and byte strings, and what a code page is
// like. The ANSI code page (CP_ACP) is Windows-1252 with its five undefined bytes (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) mapped to U+0081, U+008D, U+008F, U+0090 and U+009D, so that every
// code 0-255 goes to a character and back unchanged.
#pragma once

#include "wintypes.h"

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
// The conversion here never maps a character to a look-alike; the flag is
// taken for the code that also builds against Windows.
#define WC_NO_BEST_FIT_CHARS 0x00000400

STDAPI_(int) MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                 LPWSTR lpWideCharStr, int cchWideChar);
// A character without a byte in the code page becomes lpDefaultChar (or '?')
// and sets *lpUsedDefaultChar.
STDAPI_(int) WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                 LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                 BOOL* lpUsedDefaultChar);

#define MAX_DEFAULTCHAR 2
#define MAX_LEADBYTES 12

typedef struct CPINFO {
    UINT MaxCharSize;
    BYTE DefaultChar[MAX_DEFAULTCHAR];
    BYTE LeadByte[MAX_LEADBYTES];
} CPINFO, *LPCPINFO;

// The ANSI code page has characters of one byte, UTF-8 of up to four;
// FALSE for any other code page.
STDAPI_(BOOL) GetCPInfo(UINT CodePage, LPCPINFO lpCPInfo);

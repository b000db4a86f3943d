// The runtime's Asc and Chr for the ANSI code page: the code of a character
// (-1 for a character without a single-byte code) and the character of a
// code.
#pragma once

#include <oaidl.h>
#include <oleauto.h>

STDAPI_(SHORT) AnsiCodeOfChar(WCHAR ch);
STDAPI_(WCHAR) AnsiCharOfCode(BYTE code);

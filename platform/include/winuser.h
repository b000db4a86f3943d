// Message boxes. How they appear is up to the host process (hostui.h).
#pragma once

#include "wintypes.h"

#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
// Modal to every window of the calling thread, also without an owner.
#define MB_TASKMODAL 0x00002000L
#define IDOK 1

STDAPI_(int) MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);

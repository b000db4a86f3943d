// The component registry: HKEY_CLASSES_ROOT kept in one file per user,
// ${XDG_DATA_HOME:-~/.local/share}/com-registry/classes.reg, rewritten
// atomically on every change. Key names are compared without regard to case.
#pragma once

#include "winerror.h"

typedef struct HKEY__* HKEY;
#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000)

#define ERROR_SUCCESS 0L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_WRITE_FAULT 29L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_BADDB 1009L
#define ERROR_UNSUPPORTED_TYPE 1630L

#define REG_SZ 1
#define RRF_RT_REG_SZ 0x00000002

// Sets a string value (lpValueName NULL or empty: the key's default value),
// creating the key and its parents.
STDAPI_(LONG) RegSetKeyValueW(HKEY hKey, LPCWSTR lpSubKey, LPCWSTR lpValueName, DWORD dwType, const void* lpData,
                              DWORD cbData);
// Reads a string value; *pcbData is the buffer size in bytes on entry and the
// size needed (with the NUL) on return. ERROR_FILE_NOT_FOUND when the key or
// value is missing, ERROR_BADDB when the registry file can't be read or parsed.
STDAPI_(LONG) RegGetValueW(HKEY hkey, LPCWSTR lpSubKey, LPCWSTR lpValue, DWORD dwFlags, DWORD* pdwType, void* pvData,
                           DWORD* pcbData);
// Removes a key with all its subkeys and values.
STDAPI_(LONG) RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);

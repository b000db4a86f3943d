// The component registry. The classes of the user and of the machine are
// kept apart, each in a text file:
// - HKEY_CURRENT_USER\Software\Classes in
//   ${XDG_DATA_HOME:-~/.local/share}/com-registry/classes.reg;
// - HKEY_LOCAL_MACHINE\Software\Classes in the machine's folder, built in
//   at configure time and named at run time by COM_MACHINE_REGISTRY_DIR when
//   that is an absolute path, as classes.reg.
// HKEY_CLASSES_ROOT is the view a component model client reads: a key the
// user's classes hold answers from there, any other from the machine's
// classes. Changes through HKEY_CLASSES_ROOT go to the user's classes unless
// RegOverridePredefKey has sent the whole key elsewhere. Each file is
// rewritten atomically on every change, and a registry left without values
// is no file. Key names are compared without regard to case. Only the
// Software\Classes branch of HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE exists:
// other keys there are never found and can't be created. Access rights are
// those of the files; the access asked for when opening a key is not checked.
#pragma once

#include "winerror.h"

typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002)

#define ERROR_SUCCESS 0L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_WRITE_FAULT 29L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_BADDB 1009L
#define ERROR_UNSUPPORTED_TYPE 1630L

#define REG_SZ 1
#define RRF_RT_REG_SZ 0x00000002

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

// Sets a string value (lpValueName NULL or empty: the key's default value),
// creating the key and its parents. ERROR_ACCESS_DENIED when the file can't
// be written, or for a key outside the Software\Classes branch of a hive.
STDAPI_(LONG) RegSetKeyValueW(HKEY hKey, LPCWSTR lpSubKey, LPCWSTR lpValueName, DWORD dwType, const void* lpData,
                              DWORD cbData);
// Reads a string value; *pcbData is the buffer size in bytes on entry and the
// size needed (with the NUL) on return. ERROR_FILE_NOT_FOUND when the key or
// value is missing, ERROR_BADDB when the registry file can't be read or parsed.
STDAPI_(LONG) RegGetValueW(HKEY hkey, LPCWSTR lpSubKey, LPCWSTR lpValue, DWORD dwFlags, DWORD* pdwType, void* pvData,
                           DWORD* pcbData);
// Removes a key with all its subkeys and values.
STDAPI_(LONG) RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);

// Opens an existing key (ERROR_FILE_NOT_FOUND otherwise) as a handle that
// names the key and is closed with RegCloseKey. Closing a predefined key
// does nothing.
STDAPI_(LONG) RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
STDAPI_(LONG) RegCloseKey(HKEY hKey);
// Sends every later use of HKEY_CLASSES_ROOT in the process, reads and
// changes, to the key hNewHKey names (which may be closed afterwards), or
// back to the view of both classes when hNewHKey is NULL. Installers use it
// to register a component for the whole machine: they send
// HKEY_CLASSES_ROOT to HKEY_LOCAL_MACHINE\Software\Classes and call the
// component's DllRegisterServer. Only HKEY_CLASSES_ROOT can be sent.
STDAPI_(LONG) RegOverridePredefKey(HKEY hKey, HKEY hNewHKey);

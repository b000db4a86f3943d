// The component model: creation of registered in-process classes, class
// identities and programmatic names.
#pragma once

#include "oaidl.h"

#define CLSCTX_INPROC_SERVER 0x1
#define COINIT_APARTMENTTHREADED 0x2
#define CHARS_IN_GUID 39

typedef HRESULT (*LPFNGETCLASSOBJECT)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT (*LPFNCANUNLOADNOW)(void);
typedef HRESULT (*LPFNREGISTERSERVER)(void);

STDAPI CoInitialize(LPVOID pvReserved);
STDAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
STDAPI_(void) CoUninitialize(void);

// Looks the class up in the component registry, loads its library at run
// time from the registered absolute path and asks its class factory for the
// object. Failures: REGDB_E_CLASSNOTREG (not registered, or not in-process),
// REGDB_E_READREGDB (registry unreadable or damaged), CO_E_BAD_PATH
// (registered path not absolute), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)
// (library missing), CO_E_ERRORINDLL (library not loadable),
// HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND) (no DllGetClassObject),
// E_NOINTERFACE (interface not supported).
STDAPI CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
STDAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv);
// Unloads the libraries whose DllCanUnloadNow answers S_OK.
STDAPI_(void) CoFreeUnusedLibraries(void);

STDAPI CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid);
// Parses "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"; CO_E_CLASSSTRING otherwise.
STDAPI CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid);
STDAPI IIDFromString(LPCOLESTR lpsz, IID* lpiid);
// Writes the braced upper-case form; returns the characters written with
// the NUL (39), or 0 when cchMax is too small.
STDAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);

// Basic Windows data types with their Windows sizes, so that code written
// against the platform's headers keeps its binary layout on Linux.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define PLATFORM_EXTERN_C extern "C"
#else
#define PLATFORM_EXTERN_C
#endif

#define PLATFORMAPI PLATFORM_EXTERN_C __attribute__((visibility("default")))
#define PLATFORMDATA PLATFORMAPI
#define STDMETHODCALLTYPE
#define STDAPI PLATFORMAPI HRESULT
#define STDAPI_(type) PLATFORMAPI type
#define WINAPI

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef int32_t BOOL;
typedef char CHAR;
typedef char16_t WCHAR;
typedef char16_t OLECHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
// A literal of OLECHARs, as on Windows, where OLECHAR is wchar_t.
#define OLESTR(str) u##str
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef void* LPVOID;
typedef void* HWND;
typedef void* HMODULE;
typedef DWORD LCID;
typedef LONG HRESULT;
typedef LONG SCODE;
typedef LONG DISPID;
typedef int16_t VARIANT_BOOL;
typedef uint16_t VARTYPE;
typedef OLECHAR* BSTR;

#define TRUE 1
#define FALSE 0
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

typedef struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;

typedef GUID IID;
typedef GUID CLSID;
#ifdef __cplusplus
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
#else
typedef const GUID* REFGUID;
typedef const IID* REFIID;
typedef const CLSID* REFCLSID;
#endif

#ifdef __cplusplus
inline bool IsEqualGUID(REFGUID a, REFGUID b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           __builtin_memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)
#endif

static_assert(sizeof(LONG) == 4 && sizeof(ULONG) == 4 && sizeof(DWORD) == 4, "Windows sizes");
static_assert(sizeof(OLECHAR) == 2 && sizeof(GUID) == 16, "Windows sizes");

// Run-time error numbers as Automation components raise them: the HRESULT
// is 0x800A0000 plus the number, and the thread's error info carries the
// number's description.
#pragma once

#include <oaidl.h>
#include <oleauto.h>

// The HRESULT of run-time error n: 0x800A0000 + n (5 gives 0x800A0005).
#define HRESULT_FROM_ERROR_NUMBER(n) MAKE_HRESULT(1, FACILITY_CONTROL, (n))

#define RTERR_ILLEGAL_FUNCTION_CALL 5
#define RTERR_OVERFLOW 6
#define RTERR_OUT_OF_MEMORY 7
#define RTERR_TYPE_MISMATCH 13
#define RTERR_USER_INTERRUPT 18
#define RTERR_BAD_FILE_NAME_OR_NUMBER 52
#define RTERR_FILE_NOT_FOUND 53
#define RTERR_BAD_FILE_MODE 54
#define RTERR_FILE_ALREADY_OPEN 55
#define RTERR_DEVICE_IO_ERROR 57
#define RTERR_DISK_FULL 61
#define RTERR_TOO_MANY_FILES 67
#define RTERR_PERMISSION_DENIED 70
#define RTERR_PATH_FILE_ACCESS_ERROR 75
#define RTERR_PATH_NOT_FOUND 76
#define RTERR_INVALID_FILE_FORMAT 321
#define RTERR_CANT_CREATE_OBJECT 429
#define RTERR_OBJECT_DOESNT_SUPPORT 438
#define RTERR_WRONG_ARGUMENT_COUNT 450

// "Invalid procedure call or argument" for 5, "File not found" for 53, ...;
// "Application-defined or object-defined error" for a number it doesn't know.
STDAPI_(LPCWSTR) RtErrorDescription(LONG number);

// Sets the thread's error info (source, description of the number) and
// returns HRESULT_FROM_ERROR_NUMBER(number).
STDAPI RtRaiseError(LONG number, LPCOLESTR source);
// The same with a description of the caller's, which tells more than the number's.
STDAPI RtRaiseErrorDescribed(LONG number, LPCOLESTR source, LPCOLESTR description);

// The run-time error number that a caller sees for a failed Automation call:
// the number inside a FACILITY_CONTROL HRESULT, 13 for DISP_E_TYPEMISMATCH,
// 6 for DISP_E_OVERFLOW, 438 for DISP_E_UNKNOWNNAME and
// DISP_E_MEMBERNOTFOUND, 450 for DISP_E_BADPARAMCOUNT, 7 for E_OUTOFMEMORY,
// 429 for a class that could not be created, else 0.
STDAPI_(LONG) RtErrorNumberFromHResult(HRESULT hr);


// Automation services: BSTR allocation (a 32-bit byte length before the
// characters, a terminating NUL after them), VARIANT handling and the
// per-thread error info.
#pragma once

#include "oaidl.h"

STDAPI_(BSTR) SysAllocString(const OLECHAR* psz);
STDAPI_(BSTR) SysAllocStringLen(const OLECHAR* strIn, UINT ui);
STDAPI_(BSTR) SysAllocStringByteLen(LPCSTR psz, UINT len);
STDAPI_(INT) SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
STDAPI_(void) SysFreeString(BSTR bstrString);
STDAPI_(UINT) SysStringLen(BSTR pbstr);
STDAPI_(UINT) SysStringByteLen(BSTR bstr);

STDAPI_(void) VariantInit(VARIANTARG* pvarg);
STDAPI VariantClear(VARIANTARG* pvarg);
STDAPI VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// Conversions between VT_EMPTY, VT_I2, VT_I4 and VT_BSTR (a by-reference
// source is read through its pointer): a text that is no number gives
// DISP_E_TYPEMISMATCH, a value outside the target's range DISP_E_OVERFLOW;
// a fraction is rounded half to even.
STDAPI VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);

STDAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo);
STDAPI SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
// Hands over the thread's error info and clears it; S_FALSE when there is none.
STDAPI GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);

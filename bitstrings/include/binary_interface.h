// The interface of the component "bitstrings" as its clients see it: the
// identities of the type library, the interface _Binary and the class
// Binary, and the dual interface's vtable after the seven IDispatch slots.
#pragma once

#include <oaidl.h>

// {1A21F21F-E866-4A73-A646-B2B1857AC4F1}, version 2.0
inline constexpr GUID LIBID_Project1 = {0x1a21f21f, 0xe866, 0x4a73, {0xa6, 0x46, 0xb2, 0xb1, 0x85, 0x7a, 0xc4, 0xf1}};
// {5F09A834-7D61-4390-BCFF-0B36AB3C5DFB}, version 1.0
inline constexpr IID IID__Binary = {0x5f09a834, 0x7d61, 0x4390, {0xbc, 0xff, 0x0b, 0x36, 0xab, 0x3c, 0x5d, 0xfb}};
// {825D6123-1414-4275-9D66-0C0349E1B484}, version 1.0
inline constexpr CLSID CLSID_Binary = {0x825d6123, 0x1414, 0x4275, {0x9d, 0x66, 0x0c, 0x03, 0x49, 0xe1, 0xb4, 0x84}};

inline constexpr const OLECHAR* PROGID_Binary = OLESTR("Project1.Binary");

// Dispatch ids number the class's ten operations in order, the three
// private ones included, so they have gaps.
enum BinaryDispId : DISPID {
    DISPID_Binary_decrypt = 0x60030001,
    DISPID_Binary_encrypt = 0x60030002,
    DISPID_Binary_Bin = 0x60030004,
    DISPID_Binary_GetStringFromBits = 0x60030005,
    DISPID_Binary_ChrBin = 0x60030007,
    DISPID_Binary_Dec = 0x60030008,
    DISPID_Binary_GetStringBits = 0x60030009,
};

struct _Binary : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE decrypt(BSTR strfilename, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE encrypt(BSTR strfilename, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Bin(SHORT* decimalnum, BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStringFromBits(BSTR* bits, BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChrBin(BSTR* Binary, BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Dec(BSTR* Binary, SHORT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStringBits(BSTR needbits, BSTR* result) = 0;
};

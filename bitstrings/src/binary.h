// The class Binary: conversions between characters, codes and bit strings,
// and password protection of text files, behind the dual interface _Binary.
// An object keeps no state; every operation works on its arguments alone.
#pragma once

#include "ole_string.h"

#include <binary_interface.h>

#include <atomic>

namespace bitstrings {

class Binary final : public _Binary, public ISupportErrorInfo {
public:
    Binary();
    ~Binary();
    Binary(const Binary&) = delete;
    Binary& operator=(const Binary&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ISupportErrorInfo: every failure of _Binary sets the error info.
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

    // IDispatch: the type description and late binding are the platform's
    // (binary_dispatch.cpp, windows/binary_dispatch_windows.cpp).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

    // _Binary
    HRESULT STDMETHODCALLTYPE decrypt(BSTR strfilename, VARIANT* result) override;
    HRESULT STDMETHODCALLTYPE encrypt(BSTR strfilename, VARIANT* result) override;
    HRESULT STDMETHODCALLTYPE Bin(SHORT* decimalnum, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE GetStringFromBits(BSTR* bits, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE ChrBin(BSTR* binary, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE Dec(BSTR* binary, SHORT* result) override;
    HRESULT STDMETHODCALLTYPE GetStringBits(BSTR needbits, BSTR* result) override;

private:
    // The bit string of one character's code; a character without a code from
    // 0 to 255 is reported in a message box and gives nothing.
    OleStringView CharBits(OLECHAR c);
    // password_protection.cpp
    HRESULT EncryptFile(BSTR filename);
    HRESULT DecryptFile(BSTR filename);

    // Calls between operations go through the object's own interface.
    _Binary* Self() { return this; }

    std::atomic<ULONG> references_{1};
};

}  // namespace bitstrings

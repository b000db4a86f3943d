#include "binary.h"

#include "automation_error.h"
#include "bit_strings.h"
#include "server_lifetime.h"
#include "unique_bstr.h"

#include <hostui.h>
#include <ansicodes.h>
#include <stringapiset.h>
#include <winuser.h>

#include <algorithm>
#include <climits>
#include <new>
#include <string>

namespace bitstrings {
namespace {

constexpr UINT kGroupLength = kBitsPerCode;

// How many groups GetStringFromBits reads from a string of this length: the
// first always, then one more for every position p = 9, 17, ... that still
// lies before the last character.
std::size_t GroupCount(std::size_t length)
{
    return length <= 1 ? 1 : (length + kGroupLength - 2) / kGroupLength;
}

}  // namespace

Binary::Binary() { ObjectCreated(); }

Binary::~Binary() { ObjectDestroyed(); }

HRESULT Binary::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID__Binary) {
        *ppvObject = static_cast<_Binary*>(this);
    } else if (riid == IID_ISupportErrorInfo) {
        *ppvObject = static_cast<ISupportErrorInfo*>(this);
    } else {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

// One type description on both platforms: _Binary's.
HRESULT Binary::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

HRESULT Binary::InterfaceSupportsErrorInfo(REFIID riid)
{
    return riid == IID__Binary ? S_OK : S_FALSE;
}

ULONG Binary::AddRef() { return ++references_; }

ULONG Binary::Release()
{
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
}

OleStringView Binary::CharBits(OLECHAR c)
{
    const SHORT code = AnsiCodeOfChar(c);
    if (code < 0 || code > 255) {
        MessageBoxW(nullptr, OLESTR("value is not a valid ASCII Integer"), OLESTR("Error!"), MB_ICONERROR);
        return {};
    }
    return BitStringOfCode(static_cast<BYTE>(code));
}

HRESULT Binary::decrypt(BSTR strfilename, VARIANT* result)
{
    if (!result) return E_POINTER;
    VariantInit(result);
    return DecryptFile(strfilename);
}

HRESULT Binary::encrypt(BSTR strfilename, VARIANT* result)
{
    if (!result) return E_POINTER;
    VariantInit(result);
    return EncryptFile(strfilename);
}

HRESULT Binary::Bin(SHORT* decimalnum, BSTR* result)
{
    if (!decimalnum || !result) return E_POINTER;
    *result = nullptr;
    if (*decimalnum < 0 || *decimalnum > 255) return RaiseError(RTERR_ILLEGAL_FUNCTION_CALL);
    *result = AllocBstr(CharBits(AnsiCharOfCode(static_cast<BYTE>(*decimalnum))));
    return *result ? S_OK : OutOfMemory();
}

HRESULT Binary::GetStringFromBits(BSTR* bits, BSTR* result)
try {
    if (!bits || !result) return E_POINTER;
    *result = nullptr;
    OleString text;
    text.reserve(GroupCount(SysStringLen(*bits)));
    // One group string serves every pass; ChrBin replaces it only when it
    // pads a short last group.
    UniqueBstr group;
    std::size_t position = 0;
    do {
        DoEvents();
        // The argument is read again in every pass: code that ran inside
        // DoEvents may have changed the caller's variable.
        const OleStringView all = BstrView(*bits);
        const OleStringView piece = position < all.size() ? all.substr(position, kGroupLength) : OLESTR("");
        if (group.get() && group.view().size() == piece.size()) {
            std::copy(piece.begin(), piece.end(), group.get());
        } else {
            group.reset(AllocBstr(piece));
            if (!group.get()) return OutOfMemory();
        }
        UniqueBstr character;
        const HRESULT hr = Self()->ChrBin(group.inout(), character.inout());
        if (FAILED(hr)) return hr;
        text += character.view();
        position += kGroupLength;
    } while (position + 1 < SysStringLen(*bits));
    *result = AllocBstr(text);
    return *result ? S_OK : OutOfMemory();
} catch (const std::bad_alloc&) {
    return OutOfMemory();
}

HRESULT Binary::ChrBin(BSTR* binary, BSTR* result)
{
    if (!binary || !result) return E_POINTER;
    *result = nullptr;
    SHORT code = 0;
    const HRESULT hr = Self()->Dec(binary, &code);
    if (FAILED(hr)) return hr;
    const OLECHAR character = AnsiCharOfCode(static_cast<BYTE>(code));
    *result = SysAllocStringLen(&character, 1);
    return *result ? S_OK : OutOfMemory();
}

HRESULT Binary::Dec(BSTR* binary, SHORT* result)
{
    if (!binary || !result) return E_POINTER;
    const OleStringView digits = BstrView(*binary);
    if (digits.size() > kGroupLength) return RaiseError(RTERR_ILLEGAL_FUNCTION_CALL);
    if (digits.size() < kGroupLength) {
        BSTR padded = SysAllocStringLen(nullptr, kGroupLength);
        if (!padded) return OutOfMemory();
        const auto fill = std::fill_n(padded, kGroupLength - digits.size(), OLESTR('0'));
        std::copy(digits.begin(), digits.end(), fill);
        SysFreeString(*binary);
        *binary = padded;
    }
    *result = GroupValue(BstrView(*binary));
    return S_OK;
}

HRESULT Binary::GetStringBits(BSTR needbits, BSTR* result)
{
    if (!result) return E_POINTER;
    *result = nullptr;
    const OleStringView text = BstrView(needbits);
    if (text.size() > UINT_MAX / kBitsPerCode) return OutOfMemory();
    // Allocated for eight digits a character; shortened only when a
    // character without a code gave nothing.
    UniqueBstr bits(SysAllocStringLen(nullptr, static_cast<UINT>(text.size() * kBitsPerCode)));
    if (!bits.get()) return OutOfMemory();
    OLECHAR* end = bits.get();
    for (const OLECHAR c : text) {
        const OleStringView piece = CharBits(c);
        end = std::copy(piece.begin(), piece.end(), end);
    }
    const auto written = static_cast<std::size_t>(end - bits.get());
    if (written != bits.view().size()) {
        bits.reset(AllocBstr(bits.view().substr(0, written)));
        if (!bits.get()) return OutOfMemory();
    }
    *result = bits.release();
    return S_OK;
}

}  // namespace bitstrings

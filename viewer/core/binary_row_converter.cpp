#include "binary_row_converter.h"

#include <objbase.h>
#include <oleauto.h>
#include <rterrors.h>
#include <ansicodes.h>
#include <stringapiset.h>

#include <array>
#include <cstdio>
#include <memory>

namespace {

struct BstrFree {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using OwnedBstr = std::unique_ptr<OLECHAR, BstrFree>;

WideText HexCode(HRESULT hr)
{
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "0x%08X", static_cast<unsigned>(hr));
    return {text.begin(), text.begin() + 10};
}

WideText CreationReason(HRESULT hr)
{
    switch (hr) {
    case REGDB_E_CLASSNOTREG: return OLESTR("the class Project1.Binary is not registered");
    case REGDB_E_READREGDB: return OLESTR("the component registry can't be read");
    case CO_E_BAD_PATH: return OLESTR("the registered library path is not absolute");
    case HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND): return OLESTR("the registered library is missing");
    case CO_E_ERRORINDLL: return OLESTR("the registered library can't be loaded");
    case HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND): return OLESTR("the library is not a component server");
    case E_NOINTERFACE: return OLESTR("the class doesn't offer the interface _Binary");
    default: return OLESTR("the component model reports an error");
    }
}

// The description the component left in the thread's error info, else the
// run-time error's own description.
WideText CallFailureReason(HRESULT hr)
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr;
        const HRESULT got = info->GetDescription(&description);
        info->Release();
        const OwnedBstr owned(description);
        if (SUCCEEDED(got) && description && SysStringLen(description) > 0)
            return {description, SysStringLen(description)};
    }
    return RtErrorDescription(RtErrorNumberFromHResult(hr));
}

}  // namespace

BinaryRowConverter::~BinaryRowConverter()
{
    SysFreeString(bits_);
    SysFreeString(row_);
    if (binary_) binary_->Release();
}

bool BinaryRowConverter::CreateBinary()
{
    void* object = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, IID__Binary, &object);
    if (FAILED(hr) || !object) {
        failure_ = OLESTR("The component bitstrings can't be created: ") + CreationReason(hr) + OLESTR(" (") +
                   HexCode(hr) + OLESTR(").\n\n") + howToRegister_;
        return false;
    }
    binary_ = static_cast<_Binary*>(object);
    for (int code = 0; code < 256; ++code) characters_[code] = AnsiCharOfCode(static_cast<BYTE>(code));
    return true;
}

bool BinaryRowConverter::RowBits(uint8_t low, uint8_t high, WideTextView& bits)
{
    if (!binary_ && !CreateBinary()) return false;
    if (!row_ && !(row_ = SysAllocStringLen(nullptr, 2))) {
        failure_ = OLESTR("Out of memory while converting a tile row.");
        return false;
    }
    row_[0] = characters_[low];
    row_[1] = characters_[high];
    BSTR result = nullptr;
    const HRESULT hr = binary_->GetStringBits(row_, &result);
    SysFreeString(bits_);
    bits_ = result;
    if (FAILED(hr)) {
        failure_ = OLESTR("The component bitstrings failed to convert a tile row: ") + CallFailureReason(hr) +
                   OLESTR(" (") + HexCode(hr) + OLESTR(").");
        return false;
    }
    bits = result ? WideTextView(result, SysStringLen(result)) : WideTextView();
    return true;
}

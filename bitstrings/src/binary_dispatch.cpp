// Late-bound calls of Binary's operations: names to dispatch ids, and
// Invoke with the arguments converted to the parameter types, in/out values
// written back into by-reference arguments and failures as exceptions.
#include "binary.h"

#include "automation_error.h"

#include <rterrors.h>

#include <algorithm>
#include <string_view>

namespace bitstrings {
namespace {

struct Member {
    std::u16string_view name;
    DISPID id;
    std::u16string_view parameter;
    VARTYPE parameterType;
    bool inOut;
};

// The public operations only: the private ones have no dispatch id a
// client can learn.
constexpr Member kMembers[] = {
    {u"decrypt", DISPID_Binary_decrypt, u"strfilename", VT_BSTR, false},
    {u"encrypt", DISPID_Binary_encrypt, u"strfilename", VT_BSTR, false},
    {u"Bin", DISPID_Binary_Bin, u"decimalnum", VT_I2, true},
    {u"GetStringFromBits", DISPID_Binary_GetStringFromBits, u"bits", VT_BSTR, true},
    {u"ChrBin", DISPID_Binary_ChrBin, u"Binary", VT_BSTR, true},
    {u"Dec", DISPID_Binary_Dec, u"Binary", VT_BSTR, true},
    {u"GetStringBits", DISPID_Binary_GetStringBits, u"needbits", VT_BSTR, false},
};

char16_t FoldCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::u16string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

const Member* FindMember(std::u16string_view name)
{
    const auto found = std::find_if(std::begin(kMembers), std::end(kMembers),
                                    [name](const Member& member) { return SameName(member.name, name); });
    return found == std::end(kMembers) ? nullptr : found;
}

const Member* FindMember(DISPID id)
{
    const auto found = std::find_if(std::begin(kMembers), std::end(kMembers),
                                    [id](const Member& member) { return member.id == id; });
    return found == std::end(kMembers) ? nullptr : found;
}

// The value a by-reference VARIANT argument points at, or the argument.
const VARIANT* ArgumentValue(const VARIANT& given)
{
    return given.vt == (VT_BYREF | VT_VARIANT) ? given.pvarVal : &given;
}

// Stores an in/out parameter's value into the caller's by-reference
// argument, converted to that argument's own type. A value the argument's
// type can't hold leaves it as it was.
void WriteBack(const VARIANT& value, VARIANT& given)
{
    if ((given.vt & VT_BYREF) == 0) return;
    const VARTYPE target = given.vt & ~VT_BYREF;
    VARIANT converted;
    VariantInit(&converted);
    if (target == VT_VARIANT) {
        VARIANT* inner = given.pvarVal;
        const bool keepsType = inner->vt == VT_I2 || inner->vt == VT_I4 || inner->vt == VT_BSTR;
        if (FAILED(VariantChangeType(&converted, &value, 0, keepsType ? inner->vt : value.vt))) return;
        VariantClear(inner);
        *inner = converted;
        return;
    }
    if (FAILED(VariantChangeType(&converted, &value, 0, target))) return;
    switch (target) {
    case VT_BSTR:
        SysFreeString(*given.pbstrVal);
        *given.pbstrVal = converted.bstrVal;
        return;
    case VT_I2:
        *given.piVal = converted.iVal;
        return;
    case VT_I4:
        *given.plVal = converted.lVal;
        return;
    default:
        VariantClear(&converted);
        return;
    }
}

// An Automation error of the component becomes DISP_E_EXCEPTION with its
// number, source and description in the EXCEPINFO.
HRESULT ReportFailure(HRESULT hr, EXCEPINFO* exception)
{
    if (HRESULT_FACILITY(hr) != FACILITY_CONTROL) return hr;
    if (exception) {
        *exception = EXCEPINFO{};
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) == S_OK && info) {
            info->GetSource(&exception->bstrSource);
            info->GetDescription(&exception->bstrDescription);
            info->Release();
        }
        if (!exception->bstrSource) exception->bstrSource = SysAllocString(kErrorSource);
        if (!exception->bstrDescription) {
            exception->bstrDescription = SysAllocString(RtErrorDescription(HRESULT_CODE(hr)));
        }
        exception->scode = hr;
    }
    return DISP_E_EXCEPTION;
}

}  // namespace

HRESULT Binary::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT Binary::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    if (!ppTInfo) return E_POINTER;
    *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT Binary::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
{
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId) return E_POINTER;
    if (cNames == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    const Member* member = rgszNames[0] ? FindMember(rgszNames[0]) : nullptr;
    rgDispId[0] = member ? member->id : DISPID_UNKNOWN;
    if (!member) hr = DISP_E_UNKNOWNNAME;
    // Further names are parameter names; the one parameter has id 0.
    for (UINT i = 1; i < cNames; ++i) {
        const bool known = member && rgszNames[i] && SameName(member->parameter, rgszNames[i]);
        rgDispId[i] = known ? 0 : DISPID_UNKNOWN;
        if (!known) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT Binary::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                       VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const Member* member = FindMember(dispIdMember);
    // Script hosts call methods with DISPATCH_PROPERTYGET added.
    if (!member || (wFlags & DISPATCH_METHOD) == 0 || (wFlags & ~(DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (!pDispParams) return E_INVALIDARG;
    if (pDispParams->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (pDispParams->cArgs != 1 || !pDispParams->rgvarg) return DISP_E_BADPARAMCOUNT;

    VARIANT& given = pDispParams->rgvarg[0];
    const VARIANT* source = ArgumentValue(given);
    if (!source) return E_INVALIDARG;
    VARIANT argument;
    VariantInit(&argument);
    HRESULT hr = VariantChangeType(&argument, source, 0, member->parameterType);
    if (FAILED(hr)) {
        if (puArgErr) *puArgErr = 0;
        return hr;
    }

    VARIANT returned;
    VariantInit(&returned);
    _Binary* self = Self();
    switch (member->id) {
    case DISPID_Binary_decrypt:
        hr = self->decrypt(argument.bstrVal, &returned);
        break;
    case DISPID_Binary_encrypt:
        hr = self->encrypt(argument.bstrVal, &returned);
        break;
    case DISPID_Binary_Bin:
        returned.vt = VT_BSTR;
        hr = self->Bin(&argument.iVal, &returned.bstrVal);
        break;
    case DISPID_Binary_GetStringFromBits:
        returned.vt = VT_BSTR;
        hr = self->GetStringFromBits(&argument.bstrVal, &returned.bstrVal);
        break;
    case DISPID_Binary_ChrBin:
        returned.vt = VT_BSTR;
        hr = self->ChrBin(&argument.bstrVal, &returned.bstrVal);
        break;
    case DISPID_Binary_Dec:
        returned.vt = VT_I2;
        hr = self->Dec(&argument.bstrVal, &returned.iVal);
        break;
    case DISPID_Binary_GetStringBits:
        returned.vt = VT_BSTR;
        hr = self->GetStringBits(argument.bstrVal, &returned.bstrVal);
        break;
    default:
        VariantClear(&argument);
        return DISP_E_MEMBERNOTFOUND;
    }
    if (SUCCEEDED(hr) && member->inOut) WriteBack(argument, given);
    VariantClear(&argument);
    if (FAILED(hr)) {
        VariantClear(&returned);
        return ReportFailure(hr, pExcepInfo);
    }
    if (pVarResult) {
        *pVarResult = returned;
    } else {
        VariantClear(&returned);
    }
    return S_OK;
}

}  // namespace bitstrings

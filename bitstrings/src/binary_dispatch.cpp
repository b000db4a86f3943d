// Late-bound calls of Binary's operations: names to dispatch ids, and
// Invoke with the arguments converted to the parameter types, changed
// in/out values written back into by-reference arguments and failures as
// exceptions.
#include "binary.h"

#include "automation_error.h"
#include "binary_members.h"
#include "binary_type_info.h"
#include "variant_value.h"

#include <new>

namespace bitstrings {
namespace {

// The value a by-reference VARIANT argument points at, or the argument.
const VARIANT* ArgumentValue(const VARIANT& given)
{
    return given.vt == (VT_BYREF | VT_VARIANT) ? given.pvarVal : &given;
}

// Stores an in/out parameter's value into the caller's by-reference
// argument, converted to that argument's own type. A value the argument's
// type can't hold leaves it as it was; only running out of memory fails.
HRESULT WriteBack(const VARIANT& value, VARIANT& given)
{
    if ((given.vt & VT_BYREF) == 0) return S_OK;
    const VARTYPE target = given.vt & ~VT_BYREF;
    VARIANT converted;
    VariantInit(&converted);
    if (target == VT_VARIANT) {
        VARIANT* inner = given.pvarVal;
        const bool keepsType = inner->vt == VT_I2 || inner->vt == VT_I4 || inner->vt == VT_BSTR;
        const HRESULT hr = VariantChangeType(&converted, &value, 0, keepsType ? inner->vt : value.vt);
        if (FAILED(hr)) return hr == E_OUTOFMEMORY ? hr : S_OK;
        VariantClear(inner);
        *inner = converted;
        return S_OK;
    }
    const HRESULT hr = VariantChangeType(&converted, &value, 0, target);
    if (FAILED(hr)) return hr == E_OUTOFMEMORY ? hr : S_OK;
    switch (target) {
    case VT_BSTR:
        SysFreeString(*given.pbstrVal);
        *given.pbstrVal = converted.bstrVal;
        break;
    case VT_I2:
        *given.piVal = converted.iVal;
        break;
    case VT_I4:
        *given.plVal = converted.lVal;
        break;
    default:
        VariantClear(&converted);
        break;
    }
    return S_OK;
}

// The one parameter may also be given by name: its dispatch id is 0, as
// GetIDsOfNames tells.
HRESULT CheckNamedArguments(const DISPPARAMS& params, UINT* argumentError)
{
    if (params.cNamedArgs == 0) return S_OK;
    if (params.cNamedArgs > params.cArgs || !params.rgdispidNamedArgs) return E_INVALIDARG;
    for (UINT index = 0; index < params.cNamedArgs; ++index) {
        if (params.rgdispidNamedArgs[index] != 0) {
            if (argumentError) *argumentError = index;
            return DISP_E_PARAMNOTFOUND;
        }
    }
    return S_OK;
}

}  // namespace

HRESULT Binary::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo)
{
    if (!ppTInfo) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    *ppTInfo = new (std::nothrow) BinaryTypeInfo;
    return *ppTInfo ? S_OK : OutOfMemory();
}

HRESULT Binary::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
{
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return IdsOfNames(rgszNames, cNames, rgDispId);
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
    HRESULT hr = CheckNamedArguments(*pDispParams, puArgErr);
    if (FAILED(hr)) return hr;
    if (pDispParams->cArgs != 1 || !pDispParams->rgvarg) return DISP_E_BADPARAMCOUNT;

    VARIANT& given = pDispParams->rgvarg[0];
    const VARIANT* source = ArgumentValue(given);
    if (!source) return E_INVALIDARG;
    OwnedVariant argument;
    hr = VariantChangeType(&argument, source, 0, member->parameterType);
    if (hr == E_OUTOFMEMORY) return DispatchFailure(hr, pExcepInfo);
    if (FAILED(hr)) {
        if (puArgErr) *puArgErr = 0;
        return hr;
    }
    // What the operation was given: only a value that it changed goes back
    // to the caller, so a variable that had to be converted for the call
    // comes back exactly as it was.
    OwnedVariant passed;
    if (member->inOut) {
        hr = VariantCopy(&passed, &argument);
        if (FAILED(hr)) return DispatchFailure(hr, pExcepInfo);
    }

    OwnedVariant returned;
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
        return DISP_E_MEMBERNOTFOUND;
    }
    if (SUCCEEDED(hr) && member->inOut && !SameValue(argument, passed)) hr = WriteBack(argument, given);
    if (FAILED(hr)) return DispatchFailure(hr, pExcepInfo);
    if (pVarResult) {
        *pVarResult = returned;
        VariantInit(&returned);
    }
    return S_OK;
}

}  // namespace bitstrings

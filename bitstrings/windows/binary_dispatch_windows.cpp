// Late-bound calls on Windows, through the type library embedded in the
// module: the system's dispatch maps names to ids, converts the arguments,
// calls the operation through the vtable and turns a failure with error
// info into DISP_E_EXCEPTION with its EXCEPINFO filled. Running out of
// memory anywhere on the way is error 7.
#include "binary.h"

#include "automation_error.h"
#include "server_registration.h"
#include "variant_value.h"

#include <new>
#include <vector>

namespace bitstrings {
namespace {

// The type information of _Binary: its dispatch view, which clients get,
// and its vtable view, through which the calls are made. The system keeps
// the loaded library cached, so loading it for each call is cheap.
struct BinaryTypeInfo {
    ITypeInfo* dispatch = nullptr;
    ITypeInfo* vtable = nullptr;

    BinaryTypeInfo() = default;
    BinaryTypeInfo(const BinaryTypeInfo&) = delete;
    BinaryTypeInfo& operator=(const BinaryTypeInfo&) = delete;
    ~BinaryTypeInfo()
    {
        if (vtable) vtable->Release();
        if (dispatch) dispatch->Release();
    }

    HRESULT Load()
    {
        OleString path;
        if (!OwnModulePath(path)) return HRESULT_FROM_WIN32(GetLastError());
        ITypeLib* library = nullptr;
        HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
        if (FAILED(hr)) return hr;
        hr = library->GetTypeInfoOfGuid(IID__Binary, &dispatch);
        library->Release();
        if (FAILED(hr)) return hr;
        HREFTYPE interfacePart = 0;
        hr = dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &interfacePart);
        if (FAILED(hr)) return hr;
        return dispatch->GetRefTypeInfo(interfacePart, &vtable);
    }
};

// Script hosts pass their variables as references to VARIANTs. The system's
// dispatch takes a by-reference argument only of the parameter's own type,
// so each such argument goes to it as a reference to a temporary of that
// type. After a successful call the temporary goes back into the caller's
// variable only when the operation changed it, as late binding does on
// Linux: a variable that had to be converted for the call comes back
// exactly as it was. An argument passed by value goes as a reference to a
// temporary of its own too: the operation may replace the string it is
// given, and the caller's string must stay the caller's.
class ByReferenceArguments {
public:
    ByReferenceArguments() = default;
    ByReferenceArguments(const ByReferenceArguments&) = delete;
    ByReferenceArguments& operator=(const ByReferenceArguments&) = delete;
    ~ByReferenceArguments()
    {
        for (Temporary& temporary : temporaries_) {
            VariantClear(&temporary.value);
            VariantClear(&temporary.passed);
        }
    }

    // Copies the arguments, putting temporaries in place of the values and
    // of the variant references given for in/out parameters.
    HRESULT Prepare(ITypeInfo* vtable, DISPID id, const DISPPARAMS& given, UINT* argumentError)
    {
        arguments_.assign(given.rgvarg, given.rgvarg + given.cArgs);
        params_ = given;
        params_.rgvarg = arguments_.data();
        std::vector<VARTYPE> types;
        const HRESULT found = InOutParameterTypes(vtable, id, types);
        if (found != S_OK) return FAILED(found) ? found : S_OK;
        temporaries_.reserve(types.size());
        for (std::size_t parameter = 0; parameter < types.size() && parameter < given.cArgs; ++parameter) {
            const UINT index = given.cArgs - 1 - static_cast<UINT>(parameter);
            VARIANT& argument = arguments_[index];
            const bool byValue = (argument.vt & VT_BYREF) == 0;
            const bool variable = argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal;
            if (types[parameter] == VT_EMPTY || !(byValue || variable)) continue;
            temporaries_.push_back({variable ? argument.pvarVal : nullptr, {}, {}});
            Temporary& temporary = temporaries_.back();
            VariantInit(&temporary.value);
            VariantInit(&temporary.passed);
            HRESULT hr = VariantChangeType(&temporary.value, variable ? argument.pvarVal : &given.rgvarg[index], 0,
                                           types[parameter]);
            if (SUCCEEDED(hr) && variable) hr = VariantCopy(&temporary.passed, &temporary.value);
            if (hr == E_OUTOFMEMORY) return hr;
            if (FAILED(hr)) {
                if (argumentError) *argumentError = index;
                return hr;
            }
            argument.vt = VT_BYREF | types[parameter];
            argument.byref = types[parameter] == VT_BSTR ? static_cast<void*>(&temporary.value.bstrVal)
                                                         : static_cast<void*>(&temporary.value.iVal);
        }
        return S_OK;
    }

    DISPPARAMS* Params() { return &params_; }

    // Stores the values that the operation changed back, in the variable's
    // own type where it can hold them; only running out of memory fails.
    HRESULT WriteBack()
    {
        for (Temporary& temporary : temporaries_) {
            if (!temporary.variable || SameValue(temporary.value, temporary.passed)) continue;
            VARIANT* variable = temporary.variable;
            const bool keepsType = variable->vt == VT_I2 || variable->vt == VT_I4 || variable->vt == VT_BSTR;
            VARIANT converted;
            VariantInit(&converted);
            const HRESULT hr =
                VariantChangeType(&converted, &temporary.value, 0, keepsType ? variable->vt : temporary.value.vt);
            if (hr == E_OUTOFMEMORY) return hr;
            if (FAILED(hr)) continue;
            VariantClear(variable);
            *variable = converted;
        }
        return S_OK;
    }

private:
    // The caller's variable (none for a value), the value the operation
    // works on, and the value it was given.
    struct Temporary {
        VARIANT* variable;
        VARIANT value;
        VARIANT passed;
    };

    // The types of the operation's parameters that are passed by reference
    // in and out (VT_EMPTY for the others); S_FALSE for an unknown id. A
    // description that can't be read, as without memory for its copy, fails
    // the call: skipped, it could be the operation's own, whose in/out
    // parameters would then go unconverted.
    static HRESULT InOutParameterTypes(ITypeInfo* vtable, DISPID id, std::vector<VARTYPE>& types)
    {
        TYPEATTR* attributes = nullptr;
        HRESULT hr = vtable->GetTypeAttr(&attributes);
        if (FAILED(hr)) return hr;
        const WORD count = attributes->cFuncs;
        vtable->ReleaseTypeAttr(attributes);
        for (UINT index = 0; index < count; ++index) {
            FUNCDESC* function = nullptr;
            hr = vtable->GetFuncDesc(index, &function);
            if (FAILED(hr)) return hr;
            if (function->memid == id) {
                for (SHORT parameter = 0; parameter < function->cParams; ++parameter) {
                    const ELEMDESC& element = function->lprgelemdescParam[parameter];
                    const USHORT flags = element.paramdesc.wParamFlags;
                    const bool inOut = (flags & PARAMFLAG_FOUT) != 0 && (flags & PARAMFLAG_FRETVAL) == 0;
                    const bool reference = element.tdesc.vt == VT_PTR && element.tdesc.lptdesc;
                    types.push_back(inOut && reference ? element.tdesc.lptdesc->vt : VARTYPE{VT_EMPTY});
                }
                vtable->ReleaseFuncDesc(function);
                return S_OK;
            }
            vtable->ReleaseFuncDesc(function);
        }
        return S_FALSE;
    }

    std::vector<VARIANT> arguments_;
    std::vector<Temporary> temporaries_;
    DISPPARAMS params_{};
};

// Out of memory from the system becomes the component's error 7.
HRESULT AutomationError(HRESULT hr)
{
    return hr == E_OUTOFMEMORY ? OutOfMemory() : hr;
}

}  // namespace

HRESULT Binary::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo)
try {
    if (!ppTInfo) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    BinaryTypeInfo info;
    const HRESULT hr = info.Load();
    if (FAILED(hr)) return AutomationError(hr);
    info.dispatch->AddRef();
    *ppTInfo = info.dispatch;
    return S_OK;
} catch (const std::bad_alloc&) {
    return OutOfMemory();
}

HRESULT Binary::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
try {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    BinaryTypeInfo info;
    const HRESULT hr = info.Load();
    if (FAILED(hr)) return AutomationError(hr);
    return AutomationError(DispGetIDsOfNames(info.vtable, rgszNames, cNames, rgDispId));
} catch (const std::bad_alloc&) {
    return OutOfMemory();
}

HRESULT Binary::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                       VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
try {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!pDispParams) return E_INVALIDARG;
    BinaryTypeInfo info;
    HRESULT hr = info.Load();
    if (FAILED(hr)) return DispatchFailure(hr, pExcepInfo);
    ByReferenceArguments arguments;
    hr = arguments.Prepare(info.vtable, dispIdMember, *pDispParams, puArgErr);
    if (FAILED(hr)) return DispatchFailure(hr, pExcepInfo);
    hr = DispInvoke(static_cast<_Binary*>(this), info.vtable, dispIdMember, wFlags, arguments.Params(), pVarResult,
                    pExcepInfo, puArgErr);
    if (FAILED(hr)) return DispatchFailure(hr, pExcepInfo);
    hr = arguments.WriteBack();
    if (FAILED(hr)) {
        if (pVarResult) VariantClear(pVarResult);
        return DispatchFailure(hr, pExcepInfo);
    }
    return S_OK;
} catch (const std::bad_alloc&) {
    return DispatchFailure(E_OUTOFMEMORY, pExcepInfo);
}

}  // namespace bitstrings

#include "automation_error.h"

namespace bitstrings {

HRESULT DispatchFailure(HRESULT hr, EXCEPINFO* exception)
{
    if (hr == E_OUTOFMEMORY) hr = OutOfMemory();
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

}  // namespace bitstrings

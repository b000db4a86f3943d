// Failures of the component's operations as Automation errors: the HRESULT
// 0x800A0000 + number, with the number's description in the thread's error
// info.
#pragma once

#include <rterrors.h>

namespace bitstrings {

inline constexpr const OLECHAR* kErrorSource = OLESTR("Project1");

inline HRESULT RaiseError(LONG number)
{
    return RtRaiseError(number, kErrorSource);
}

inline HRESULT RaiseError(LONG number, LPCOLESTR description)
{
    return RtRaiseErrorDescribed(number, kErrorSource, description);
}

// Every path of the component that runs out of memory fails with error 7.
inline HRESULT OutOfMemory()
{
    return RaiseError(RTERR_OUT_OF_MEMORY);
}

// A failure of a late-bound call as the caller gets it: an Automation error
// of the component, and out of memory as error 7, become DISP_E_EXCEPTION
// with number, source and description in *exception; other failures pass
// unchanged.
HRESULT DispatchFailure(HRESULT hr, EXCEPINFO* exception);

}  // namespace bitstrings

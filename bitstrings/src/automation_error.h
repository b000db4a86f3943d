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

}  // namespace bitstrings

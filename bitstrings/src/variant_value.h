// The values of late-bound arguments: a VARIANT that clears what it holds,
// and whether an operation changed the value it was given.
#pragma once

#include "unique_bstr.h"

#include <oleauto.h>

namespace bitstrings {

struct OwnedVariant : VARIANT {
    OwnedVariant() { VariantInit(this); }
    ~OwnedVariant() { VariantClear(this); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
};

// Same type and same value, for the types of _Binary's parameters.
inline bool SameValue(const VARIANT& a, const VARIANT& b)
{
    if (a.vt != b.vt) return false;
    switch (a.vt) {
    case VT_BSTR:
        return BstrView(a.bstrVal) == BstrView(b.bstrVal);
    case VT_I2:
        return a.iVal == b.iVal;
    default:
        return false;
    }
}

}  // namespace bitstrings

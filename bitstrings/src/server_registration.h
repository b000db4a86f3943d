// The platform's part of self-registration: where this module lives, and
// the registration of the type library with the interface _Binary.
#pragma once

#include "ole_string.h"

namespace bitstrings {

// The absolute path of this module, as clients load it from the registry.
bool OwnModulePath(OleString& path);

bool RegisterTypeLibrary(const OleString& modulePath);

// Succeeds when nothing of the registration is left, also when there was none.
bool UnregisterTypeLibrary();

}  // namespace bitstrings

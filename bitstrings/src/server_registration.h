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

// Whether the class under this key is registered for the programs of the
// other platform: 64-bit Windows keeps a class registration for 32-bit
// programs apart from the one for 64-bit programs, but one programmatic name
// for both.
bool RegisteredForOtherPlatform(const OleString& classKey);

}  // namespace bitstrings

// Values and keys under HKEY_CLASSES_ROOT, as the component's registration
// writes and removes them.
#pragma once

#include "ole_string.h"

namespace bitstrings {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
OleString GuidText(REFGUID guid);

// Sets a string value (name nullptr: the key's default value), creating the
// key when needed.
bool SetValue(const OleString& key, LPCOLESTR name, const OleString& value);

// Removes a key with everything under it; a key that isn't there is no failure.
bool DeleteKey(const OleString& key);

}  // namespace bitstrings

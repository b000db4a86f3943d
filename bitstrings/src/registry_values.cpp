#include "registry_values.h"

#include <objbase.h>
#include <winreg.h>

namespace bitstrings {

OleString GuidText(REFGUID guid)
{
    // 38 characters with the braces, and the terminating NUL.
    constexpr int kGuidTextSize = 39;
    OLECHAR text[kGuidTextSize];
    StringFromGUID2(guid, text, kGuidTextSize);
    return text;
}

bool SetValue(const OleString& key, LPCOLESTR name, const OleString& value)
{
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(OLECHAR));
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ, value.c_str(), bytes) == ERROR_SUCCESS;
}

bool DeleteKey(const OleString& key)
{
    const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace bitstrings

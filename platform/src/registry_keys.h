// Which classes a registry handle and subkey name: the view of both
// classes (HKEY_CLASSES_ROOT), or the user's or the machine's alone, and the
// path of the key within them. Keeps the keys opened by RegOpenKeyExW and
// where HKEY_CLASSES_ROOT is sent by RegOverridePredefKey.
#pragma once

#include <winreg.h>

#include <string>
#include <vector>

enum class ClassesView { Both, User, Machine };

struct KeyLocation {
    ClassesView view = ClassesView::Both;
    std::vector<std::u16string> path;
};

// ERROR_INVALID_HANDLE for a handle that is neither predefined nor open,
// ERROR_INVALID_PARAMETER for a bad subkey name, ERROR_FILE_NOT_FOUND for a
// key of HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE outside Software\Classes.
LONG LocateKey(HKEY key, LPCWSTR subKey, KeyLocation& location);

HKEY OpenKeyHandle(KeyLocation location);
LONG CloseKeyHandle(HKEY key);
// Sends HKEY_CLASSES_ROOT to the key `to` names; NULL or HKEY_CLASSES_ROOT
// itself sends it back to the view of both.
LONG SendClassesRootTo(HKEY to);

// The common file dialog `cd1`: one object shared by the open step and the
// export, so settings made by one stay in force for the other. The window
// uses the Qt implementation; tests use a scripted one.
#pragma once

#include "wide_text.h"

#include <cstdint>
#include <string>

class CommonDialog {
public:
    // Only the name of an existing file can be confirmed in the open dialog.
    static constexpr int32_t kFileMustExist = 0x1000;

    virtual ~CommonDialog() = default;

    int32_t flags = 0;
    // Entries "Description|pattern|Description|pattern|...".
    WideText filter;
    // The path last chosen, as the viewer's file table takes it (UTF-8, or
    // the file system's own bytes where names are bytes); the save dialog
    // proposes it.
    std::string fileName;

    // Shows the modal open dialog. Returns the chosen path and keeps it in
    // fileName; returns an empty path, leaving fileName alone, on cancel.
    virtual std::string ShowOpen() = 0;
    // Shows the modal save dialog: a name that does not exist yet can be
    // chosen, and replacing an existing file is confirmed first. Returns the
    // chosen path as the user gave it, or an empty path on cancel.
    virtual std::string ShowSave() = 0;
};

// The click on `exportconvert`: writes the loaded file again with every tile
// rearranged into the other console's layout, at a path chosen in the save
// dialog.
#pragma once

#include "common_dialog.h"
#include "wide_text.h"

#include <filenums.h>

#include <cstdint>
#include <span>
#include <string>

// Title of the export's message boxes.
inline constexpr WCHAR kConverterTitle[] = OLESTR("Mr. Tavrel's NES To GB GFX Converter");

// layouttag "nes" exports nesimage in Game Boy layout, "gb" exports gbimage in
// NES layout; any other tag does nothing at all. The save dialog cd1 gets the
// filter of the target layout and otherwise keeps its settings, so it
// proposes its fileName, the path of the opened file. A cancelled dialog
// writes nothing and shows nothing. The output buffer, exactly as long as
// the source, comes from the default memory resource (std::pmr); when that
// has no room for it, a message box says so and nothing is written. The
// output goes through filetable (the caller's own file-number table) to a
// temporary file that replaces the chosen file only when complete; a failure
// leaves the chosen file as it was and is reported in a message box with its
// reason, and "Done!" is shown only after a successful write.
void ExportConverted(const std::string& layouttag, std::span<const std::uint8_t> nesimage,
                     std::span<const std::uint8_t> gbimage, CommonDialog& cd1, FILE_NUMBER_TABLE* filetable);

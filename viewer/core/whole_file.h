// Files read and written whole through a file-number table, as the export and
// the console converter use them.
#pragma once

#include <filenums.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Reads the file at path whole into bytes: 0 or a run-time error number.
LONG ReadWholeFile(FILE_NUMBER_TABLE* filetable, const std::string& path, std::vector<std::uint8_t>& bytes);

// Writes bytes as the whole new content of path: 0 or a run-time error
// number. The output mode only replaces the target when the file is closed,
// so a failed write is discarded and leaves the target as it was, and a
// target that the user may not write is refused.
LONG WriteWholeFile(FILE_NUMBER_TABLE* filetable, const std::string& path, std::span<const std::uint8_t> bytes);

// The component's own files, under its own table of file numbers: closing
// all of them never touches a file of the client that loaded the component.
// Text files hold one byte per character of the ANSI code page. Every
// function returns 0 or a run-time error number.
#pragma once

#include "ole_string.h"

#include <string>

namespace bitstrings {

// The path of a file name, one byte per character; 52 (bad file name) when
// a character has no single-byte code or the name holds a NUL.
LONG PathOfFileName(OleStringView filename, std::string& path);

// Reads the whole file named by path as bytes.
LONG ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces the file named by path with the given bytes: the target is either
// left as it was or replaced whole. A failure comes with its description for
// the user, which may tell more than the number's (where the old file is).
LONG WriteWholeFile(const std::string& path, std::string_view bytes, OleString& description);

}  // namespace bitstrings

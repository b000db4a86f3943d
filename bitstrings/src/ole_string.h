// Strings of OLECHAR: char16_t on Linux, wchar_t on Windows, 16 bits on both.
#pragma once

#include <oaidl.h>

#include <string>
#include <string_view>

namespace bitstrings {

using OleString = std::basic_string<OLECHAR>;
using OleStringView = std::basic_string_view<OLECHAR>;

}  // namespace bitstrings

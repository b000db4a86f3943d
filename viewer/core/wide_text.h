// Texts of the window, its messages and the component's bit strings: UTF-16
// strings of the platform's wide character, WCHAR (char16_t under the
// stand-in headers on Linux, wchar_t on Windows), so that they pass to the
// platform's wide-character calls as they are. Literals are written with
// OLESTR, which gives the same character type on both.
#pragma once

#include <oaidl.h>

#include <string>
#include <string_view>
#include <type_traits>

static_assert(std::is_same_v<WCHAR, OLECHAR> && sizeof(WCHAR) == 2, "UTF-16 wide characters");

using WideText = std::basic_string<WCHAR>;
using WideTextView = std::basic_string_view<WCHAR>;

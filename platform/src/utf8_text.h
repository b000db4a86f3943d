// UTF-8, the encoding of file names and of the registry file, to and from
// the UTF-16 of the Windows interfaces.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// An unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);
// Fails on malformed UTF-8.
std::optional<std::u16string> Utf16FromUtf8(std::string_view bytes);

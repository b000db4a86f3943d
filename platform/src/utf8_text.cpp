#include "utf8_text.h"

#include <stringapiset.h>

#include <climits>

std::string Utf8FromUtf16(std::u16string_view text)
{
    if (text.empty() || text.size() > INT_MAX) return {};
    const int count = static_cast<int>(text.size());
    std::string bytes(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), count, nullptr, 0, nullptr,
                                                              nullptr)),
                      '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), count, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                        nullptr);
    return bytes;
}

std::optional<std::u16string> Utf16FromUtf8(std::string_view bytes)
{
    if (bytes.empty()) return std::u16string();
    if (bytes.size() > INT_MAX) return std::nullopt;
    const int count = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0);
    if (size == 0) return std::nullopt;
    std::u16string text(static_cast<size_t>(size), u'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count, text.data(), size);
    return text;
}

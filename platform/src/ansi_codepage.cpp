// Conversions between UTF-16 and the byte code pages in use: the ANSI code
// page (Windows-1252, every byte value a character of its own) and UTF-8.
#include <ansicodes.h>
#include <stringapiset.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace {

// Characters of the bytes 0x80 to 0x9F; the five bytes that Windows-1252
// leaves undefined stand for the control characters of the same value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct ReverseEntry {
    char16_t ch;
    BYTE code;
};

constexpr std::array<ReverseEntry, 32> MakeReverseTable()
{
    std::array<ReverseEntry, 32> table{};
    for (size_t i = 0; i < table.size(); ++i) table[i] = {kHighControls[i], static_cast<BYTE>(0x80 + i)};
    std::sort(table.begin(), table.end(), [](ReverseEntry a, ReverseEntry b) { return a.ch < b.ch; });
    return table;
}
constexpr std::array<ReverseEntry, 32> kReverse = MakeReverseTable();

constexpr char16_t kReplacement = 0xFFFD;

std::u16string DecodeAnsi(const unsigned char* bytes, size_t count)
{
    std::u16string text(count, u'\0');
    for (size_t i = 0; i < count; ++i) text[i] = AnsiCharOfCode(bytes[i]);
    return text;
}

// Decodes UTF-8; a malformed sequence becomes U+FFFD, or fails when strict.
bool DecodeUtf8(const unsigned char* bytes, size_t count, bool strict, std::u16string& text)
{
    text.clear();
    text.reserve(count);
    size_t i = 0;
    while (i < count) {
        const unsigned char lead = bytes[i];
        char32_t cp;
        size_t extra;
        char32_t minimum;
        if (lead < 0x80) {
            text.push_back(lead);
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F, extra = 1, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F, extra = 2, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07, extra = 3, minimum = 0x10000;
        } else {
            if (strict) return false;
            text.push_back(kReplacement);
            ++i;
            continue;
        }
        size_t taken = 1;
        while (taken <= extra && i + taken < count && (bytes[i + taken] & 0xC0) == 0x80)
            cp = cp << 6 | (bytes[i + taken++] & 0x3F);
        if (taken != extra + 1 || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            if (strict) return false;
            text.push_back(kReplacement);
            i += taken;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(cp));
        }
        i += taken;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | cp >> 6));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | cp >> 18));
        out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string EncodeUtf8(const char16_t* text, size_t count)
{
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string EncodeAnsi(const char16_t* text, size_t count, char fallback, bool& usedDefault)
{
    std::string out(count, '\0');
    for (size_t i = 0; i < count; ++i) {
        const SHORT code = AnsiCodeOfChar(text[i]);
        if (code < 0) {
            out[i] = fallback;
            usedDefault = true;
        } else {
            out[i] = static_cast<char>(code);
        }
    }
    return out;
}

// Windows' buffer rules: a count of -1 means NUL-terminated (the NUL
// included in the result); an output size of 0 asks for the size needed.
template <typename Char>
size_t InputLength(const Char* input, int count)
{
    if (count >= 0) return static_cast<size_t>(count);
    size_t length = 0;
    while (input[length]) ++length;
    return length + 1;
}

template <typename Out>
int Deliver(const Out& converted, typename Out::value_type* output, int capacity)
{
    if (converted.size() > static_cast<size_t>(INT32_MAX)) return 0;
    const int needed = static_cast<int>(converted.size());
    if (capacity == 0) return needed;
    if (!output || capacity < needed) return 0;
    std::memcpy(output, converted.data(), converted.size() * sizeof(typename Out::value_type));
    return needed;
}

} // namespace

SHORT AnsiCodeOfChar(WCHAR ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<SHORT>(ch);
    const auto* found = std::lower_bound(kReverse.begin(), kReverse.end(), ch,
                                         [](ReverseEntry entry, char16_t key) { return entry.ch < key; });
    if (found != kReverse.end() && found->ch == ch) return found->code;
    return -1;
}

WCHAR AnsiCharOfCode(BYTE code)
{
    if (code >= 0x80 && code <= 0x9F) return kHighControls[code - 0x80];
    return code;
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar)
{
    if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    const size_t count = InputLength(lpMultiByteStr, cbMultiByte);
    std::u16string text;
    if (CodePage == CP_ACP) {
        text = DecodeAnsi(bytes, count);
    } else if (CodePage == CP_UTF8) {
        if (!DecodeUtf8(bytes, count, (dwFlags & MB_ERR_INVALID_CHARS) != 0, text)) return 0;
    } else {
        return 0;
    }
    return Deliver(text, lpWideCharStr, cchWideChar);
}

int WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar)
{
    if (lpUsedDefaultChar) *lpUsedDefaultChar = FALSE;
    if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0) return 0;
    const size_t count = InputLength(lpWideCharStr, cchWideChar);
    std::string bytes;
    if (CodePage == CP_ACP) {
        bool usedDefault = false;
        bytes = EncodeAnsi(lpWideCharStr, count, lpDefaultChar ? *lpDefaultChar : '?', usedDefault);
        if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    } else if (CodePage == CP_UTF8) {
        bytes = EncodeUtf8(lpWideCharStr, count);
    } else {
        return 0;
    }
    return Deliver(bytes, lpMultiByteStr, cbMultiByte);
}

BOOL GetCPInfo(UINT CodePage, LPCPINFO lpCPInfo)
{
    if (!lpCPInfo || (CodePage != CP_ACP && CodePage != CP_UTF8)) return FALSE;
    *lpCPInfo = CPINFO{};
    lpCPInfo->MaxCharSize = CodePage == CP_ACP ? 1 : 4;
    lpCPInfo->DefaultChar[0] = '?';
    return TRUE;
}

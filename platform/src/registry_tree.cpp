#include "registry_tree.h"

#include "utf8_text.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

char16_t FoldCase(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

}  // namespace

bool SameKeyName(std::u16string_view a, std::u16string_view b)
{
    return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

namespace {

using NamedValue = std::pair<std::u16string, std::u16string>;

constexpr std::u16string_view kFormatLine = u"com-registry 1";

auto NameIs(std::u16string_view wanted)
{
    return [wanted](std::u16string_view name) { return SameKeyName(name, wanted); };
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsControl(char16_t c) { return c < 0x20 || c == 0x7F; }

// Whether text[i] is half of a surrogate pair with its neighbour.
bool IsPaired(std::u16string_view text, size_t i)
{
    if (IsHighSurrogate(text[i])) return i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
    if (IsLowSurrogate(text[i])) return i > 0 && IsHighSurrogate(text[i - 1]);
    return true;
}

bool IsValidKeyName(std::u16string_view name)
{
    if (name.empty()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (IsControl(name[i]) || !IsPaired(name, i)) return false;
    return true;
}

std::u16string HexEscape(char16_t c)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "\\u%04X", static_cast<unsigned>(c));
    return {digits, digits + 6};
}

std::u16string Quote(std::u16string_view text)
{
    std::u16string quoted = u"\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
        case u'"': quoted += u"\\\""; break;
        case u'\\': quoted += u"\\\\"; break;
        case u'\n': quoted += u"\\n"; break;
        case u'\r': quoted += u"\\r"; break;
        case u'\t': quoted += u"\\t"; break;
        default: quoted += IsControl(c) || !IsPaired(text, i) ? HexEscape(c) : std::u16string(1, c);
        }
    }
    return quoted + u'"';
}

std::optional<char16_t> ParseHex4(std::u16string_view digits)
{
    if (digits.size() < 4) return std::nullopt;
    char16_t value = 0;
    for (char16_t d : digits.substr(0, 4)) {
        int nibble = d >= u'0' && d <= u'9'   ? d - u'0'
                     : d >= u'A' && d <= u'F' ? d - u'A' + 10
                     : d >= u'a' && d <= u'f' ? d - u'a' + 10
                                              : -1;
        if (nibble < 0) return std::nullopt;
        value = static_cast<char16_t>(value << 4 | nibble);
    }
    return value;
}

// Reads a quoted string starting at line[pos]; pos ends after the closing quote.
std::optional<std::u16string> Unquote(std::u16string_view line, size_t& pos)
{
    if (pos >= line.size() || line[pos] != u'"') return std::nullopt;
    std::u16string text;
    for (++pos; pos < line.size(); ++pos) {
        char16_t c = line[pos];
        if (c == u'"') {
            ++pos;
            return text;
        }
        if (c != u'\\') {
            text += c;
            continue;
        }
        if (++pos == line.size()) return std::nullopt;
        switch (line[pos]) {
        case u'"': text += u'"'; break;
        case u'\\': text += u'\\'; break;
        case u'n': text += u'\n'; break;
        case u'r': text += u'\r'; break;
        case u't': text += u'\t'; break;
        case u'u': {
            std::optional<char16_t> unit = ParseHex4(line.substr(pos + 1));
            if (!unit) return std::nullopt;
            text += *unit;
            pos += 4;
            break;
        }
        default: return std::nullopt;
        }
    }
    return std::nullopt;
}

void SerializeKey(const RegistryKey& key, const std::u16string& path, std::u16string& out)
{
    if (!path.empty()) out += u"\n[" + path + u"]\n";
    for (const auto& [valueName, data] : key.values)
        out += (valueName.empty() ? std::u16string(u"@") : Quote(valueName)) + u'=' + Quote(data) + u'\n';
    for (const RegistryKey& subkey : key.subkeys)
        SerializeKey(subkey, path.empty() ? subkey.name : path + u'\\' + subkey.name, out);
}

// One value line: @="DATA" or "NAME"="DATA".
bool ParseValueLine(std::u16string_view line, RegistryKey& key)
{
    size_t pos = 0;
    std::optional<std::u16string> valueName;
    if (line.starts_with(u'@')) {
        valueName.emplace();
        pos = 1;
    } else {
        valueName = Unquote(line, pos);
    }
    if (!valueName || pos >= line.size() || line[pos] != u'=') return false;
    ++pos;
    std::optional<std::u16string> data = Unquote(line, pos);
    if (!data || pos != line.size()) return false;
    key.SetValue(*valueName, std::move(*data));
    return true;
}

}  // namespace

RegistryKey* RegistryKey::Find(const std::vector<std::u16string>& path)
{
    RegistryKey* key = this;
    for (const std::u16string& subkeyName : path) {
        auto found = std::ranges::find_if(key->subkeys, NameIs(subkeyName), &RegistryKey::name);
        if (found == key->subkeys.end()) return nullptr;
        key = &*found;
    }
    return key;
}

RegistryKey& RegistryKey::FindOrCreate(const std::vector<std::u16string>& path)
{
    RegistryKey* key = this;
    for (const std::u16string& subkeyName : path) {
        auto found = std::ranges::find_if(key->subkeys, NameIs(subkeyName), &RegistryKey::name);
        if (found == key->subkeys.end()) {
            key->subkeys.push_back(RegistryKey{subkeyName, {}, {}});
            found = std::prev(key->subkeys.end());
        }
        key = &*found;
    }
    return *key;
}

bool RegistryKey::RemoveSubkey(std::u16string_view subkey)
{
    return std::erase_if(subkeys, [&](const RegistryKey& k) { return SameKeyName(k.name, subkey); }) != 0;
}

const std::u16string* RegistryKey::Value(std::u16string_view valueName) const
{
    auto found = std::ranges::find_if(values, NameIs(valueName), &NamedValue::first);
    return found == values.end() ? nullptr : &found->second;
}

void RegistryKey::SetValue(std::u16string_view valueName, std::u16string data)
{
    auto found = std::ranges::find_if(values, NameIs(valueName), &NamedValue::first);
    if (found == values.end())
        values.emplace_back(std::u16string(valueName), std::move(data));
    else
        found->second = std::move(data);
}

std::optional<std::vector<std::u16string>> SplitKeyPath(std::u16string_view path)
{
    std::vector<std::u16string> names;
    if (path.empty()) return names;
    for (size_t start = 0;;) {
        size_t end = std::min(path.find(u'\\', start), path.size());
        std::u16string_view name = path.substr(start, end - start);
        if (!IsValidKeyName(name)) return std::nullopt;
        names.emplace_back(name);
        if (end == path.size()) return names;
        start = end + 1;
    }
}

std::string SerializeRegistry(const RegistryKey& root)
{
    std::u16string text(kFormatLine);
    text += u'\n';
    SerializeKey(root, {}, text);
    return Utf8FromUtf16(text);
}

std::optional<RegistryKey> ParseRegistry(std::string_view bytes)
{
    std::optional<std::u16string> text = Utf16FromUtf8(bytes);
    if (!text) return std::nullopt;
    RegistryKey root;
    RegistryKey* key = &root;
    bool first = true;
    for (size_t start = 0; start < text->size();) {
        size_t end = std::min(text->find(u'\n', start), text->size());
        std::u16string_view line = std::u16string_view(*text).substr(start, end - start);
        start = end + 1;
        if (line.ends_with(u'\r')) line.remove_suffix(1);
        if (first) {
            if (line != kFormatLine) return std::nullopt;
            first = false;
        } else if (line.empty() || line.starts_with(u';')) {
            continue;
        } else if (line.starts_with(u'[') && line.ends_with(u']') && line.size() > 2) {
            std::optional<std::vector<std::u16string>> path = SplitKeyPath(line.substr(1, line.size() - 2));
            if (!path) return std::nullopt;
            key = &root.FindOrCreate(*path);
        } else if (!ParseValueLine(line, *key)) {
            return std::nullopt;
        }
    }
    if (first) return std::nullopt;
    return root;
}

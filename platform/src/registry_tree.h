// The component registry in memory, and its text form.
//
// The text form starts with the line "com-registry 1". Each key is a line
// "[PATH]" with the names from the root down, separated by backslashes;
// the key's values follow it, one to a line: @="DATA" for the default value,
// "NAME"="DATA" for a named one. Values before the first key belong to the
// root. Inside quotes, \\ \" \n \r \t and \uXXXX stand for a backslash, a
// quote, the line-end characters, a tab and any UTF-16 code unit, so that
// every string comes back as it was stored. Blank lines and lines starting
// with ";" are ignored. The file is UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Names of keys and values are compared without regard to ASCII case; a
// key keeps the spelling it was created with.
bool SameKeyName(std::u16string_view a, std::u16string_view b);

struct RegistryKey {
    std::u16string name;
    std::vector<std::pair<std::u16string, std::u16string>> values;
    std::vector<RegistryKey> subkeys;

    RegistryKey* Find(const std::vector<std::u16string>& path);
    RegistryKey& FindOrCreate(const std::vector<std::u16string>& path);
    bool RemoveSubkey(std::u16string_view subkey);
    const std::u16string* Value(std::u16string_view valueName) const;
    void SetValue(std::u16string_view valueName, std::u16string data);
};

// Splits "A\B\C" into its key names; fails on an empty name or a name with a
// control character or an unpaired surrogate. An empty path is the root.
std::optional<std::vector<std::u16string>> SplitKeyPath(std::u16string_view path);

std::string SerializeRegistry(const RegistryKey& root);
// Fails on anything that is not the text form above.
std::optional<RegistryKey> ParseRegistry(std::string_view text);

// Ownership of one BSTR: freed when the holder goes out of scope.
#pragma once

#include <oleauto.h>

#include <string_view>
#include <utility>

namespace bitstrings {

// A null BSTR is the empty string.
inline std::u16string_view BstrView(BSTR value)
{
    return value ? std::u16string_view(value, SysStringLen(value)) : std::u16string_view{};
}

class UniqueBstr {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(BSTR value) : value_(value) {}
    ~UniqueBstr() { SysFreeString(value_); }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;

    BSTR get() const { return value_; }
    // For in/out parameters: the callee may free the value and store another.
    BSTR* inout() { return &value_; }
    BSTR release() { return std::exchange(value_, nullptr); }
    void reset(BSTR value = nullptr)
    {
        SysFreeString(value_);
        value_ = value;
    }
    std::u16string_view view() const { return BstrView(value_); }

private:
    BSTR value_ = nullptr;
};

inline BSTR AllocBstr(std::u16string_view text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace bitstrings

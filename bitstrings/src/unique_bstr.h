// Ownership of one BSTR: freed when the holder goes out of scope.
#pragma once

#include "ole_string.h"

#include <oleauto.h>

#include <utility>

namespace bitstrings {

// A null BSTR is the empty string.
inline OleStringView BstrView(BSTR value)
{
    return value ? OleStringView(value, SysStringLen(value)) : OleStringView{};
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
    OleStringView view() const { return BstrView(value_); }

private:
    BSTR value_ = nullptr;
};

inline BSTR AllocBstr(OleStringView text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace bitstrings

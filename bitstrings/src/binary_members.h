// The description of _Binary's public operations, shared by late-bound
// calls and the type information: name, dispatch id, the one parameter and
// how it is passed, and the help string.
#pragma once

#include <oaidl.h>

#include <span>
#include <string_view>

namespace bitstrings {

struct Member {
    std::u16string_view name;
    DISPID id;
    std::u16string_view parameter;
    VARTYPE parameterType;
    bool inOut;
    std::u16string_view helpString;
};

// The public operations only: the private ones have no dispatch id a
// client can learn.
std::span<const Member> Members();

// Names are matched without regard to case, as late binding does.
bool SameName(std::u16string_view a, std::u16string_view b);
const Member* FindMember(std::u16string_view name);
const Member* FindMember(DISPID id);

// The dispatch ids of a member name followed by its parameter names (the
// one parameter has id 0); DISP_E_UNKNOWNNAME when any name is unknown.
HRESULT IdsOfNames(LPOLESTR* names, UINT count, DISPID* ids);

}  // namespace bitstrings

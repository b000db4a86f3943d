#include "binary_members.h"

#include <binary_interface.h>

#include <algorithm>

namespace bitstrings {
namespace {

constexpr Member kMembers[] = {
    {u"decrypt", DISPID_Binary_decrypt, u"strfilename", VT_BSTR, false, {}},
    {u"encrypt", DISPID_Binary_encrypt, u"strfilename", VT_BSTR, false, {}},
    {u"Bin", DISPID_Binary_Bin, u"decimalnum", VT_I2, true, {}},
    {u"GetStringFromBits", DISPID_Binary_GetStringFromBits, u"bits", VT_BSTR, true,
     u"Takes a string of bits an returns the string created by those bits, "},
    {u"ChrBin", DISPID_Binary_ChrBin, u"Binary", VT_BSTR, true, {}},
    {u"Dec", DISPID_Binary_Dec, u"Binary", VT_BSTR, true, {}},
    {u"GetStringBits", DISPID_Binary_GetStringBits, u"needbits", VT_BSTR, false, {}},
};

char16_t FoldCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

std::span<const Member> Members() { return kMembers; }

bool SameName(std::u16string_view a, std::u16string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

const Member* FindMember(std::u16string_view name)
{
    const auto found = std::find_if(std::begin(kMembers), std::end(kMembers),
                                    [name](const Member& member) { return SameName(member.name, name); });
    return found == std::end(kMembers) ? nullptr : found;
}

const Member* FindMember(DISPID id)
{
    const auto found = std::find_if(std::begin(kMembers), std::end(kMembers),
                                    [id](const Member& member) { return member.id == id; });
    return found == std::end(kMembers) ? nullptr : found;
}

HRESULT IdsOfNames(LPOLESTR* names, UINT count, DISPID* ids)
{
    if (!names || !ids) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    const Member* member = names[0] ? FindMember(names[0]) : nullptr;
    ids[0] = member ? member->id : DISPID_UNKNOWN;
    if (!member) hr = DISP_E_UNKNOWNNAME;
    for (UINT i = 1; i < count; ++i) {
        const bool known = member && names[i] && SameName(member->parameter, names[i]);
        ids[i] = known ? 0 : DISPID_UNKNOWN;
        if (!known) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

}  // namespace bitstrings

// The identities of the standard interfaces, and the text form of a GUID:
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
#include <objbase.h>

#include <cstdio>
#include <initializer_list>

const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID IID_ISupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID IID_ICreateErrorInfo = {0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

namespace {

int HexDigit(OLECHAR c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads `digits` hex digits starting at text[at] into value.
bool ReadHex(LPCOLESTR text, int at, int digits, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = HexDigit(text[at + i]);
        if (digit < 0) return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return true;
}

bool ParseGuid(LPCOLESTR text, GUID& guid)
{
    if (!text) return false;
    int length = 0;
    while (text[length] && length <= CHARS_IN_GUID) ++length;
    if (length != CHARS_IN_GUID - 1 || text[0] != u'{' || text[37] != u'}') return false;
    for (int dash : {9, 14, 19, 24})
        if (text[dash] != u'-') return false;

    uint32_t value;
    if (!ReadHex(text, 1, 8, value)) return false;
    guid.Data1 = value;
    if (!ReadHex(text, 10, 4, value)) return false;
    guid.Data2 = static_cast<uint16_t>(value);
    if (!ReadHex(text, 15, 4, value)) return false;
    guid.Data3 = static_cast<uint16_t>(value);
    static constexpr int kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(text, kByteAt[i], 2, value)) return false;
        guid.Data4[i] = static_cast<uint8_t>(value);
    }
    return true;
}

} // namespace

HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid)
{
    if (!pclsid) return E_INVALIDARG;
    GUID parsed;
    if (!ParseGuid(lpsz, parsed)) {
        *pclsid = IID_NULL;
        return CO_E_CLASSSTRING;
    }
    *pclsid = parsed;
    return S_OK;
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid)
{
    const HRESULT hr = CLSIDFromString(lpsz, lpiid);
    return hr == CO_E_CLASSSTRING ? E_INVALIDARG : hr;
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax)
{
    if (!lpsz || cchMax < CHARS_IN_GUID) return 0;
    char text[CHARS_IN_GUID + 1];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", rguid.Data1, rguid.Data2,
                  rguid.Data3, rguid.Data4[0], rguid.Data4[1], rguid.Data4[2], rguid.Data4[3], rguid.Data4[4],
                  rguid.Data4[5], rguid.Data4[6], rguid.Data4[7]);
    for (int i = 0; i < CHARS_IN_GUID; ++i) lpsz[i] = static_cast<OLECHAR>(text[i]);
    return CHARS_IN_GUID;
}

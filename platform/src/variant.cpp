// VARIANT handling for the types in use: Empty, 16- and 32-bit integers,
// strings and interface pointers, by value and by reference.
#include <oleauto.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>

namespace {

bool IsBlank(OLECHAR c) { return c == u' ' || c == u'\t'; }

// A number as Automation reads it from text: blanks around it, an optional
// sign, digits with one decimal point and an optional exponent, or &H / &O
// followed by hexadecimal / octal digits. Anything else is no number.
std::optional<double> ParseNumber(BSTR text)
{
    std::u16string_view view(text ? text : u"", SysStringLen(text));
    while (!view.empty() && IsBlank(view.front())) view.remove_prefix(1);
    while (!view.empty() && IsBlank(view.back())) view.remove_suffix(1);
    if (view.empty()) return std::nullopt;

    if (view.size() > 2 && view[0] == u'&' && (view[1] == u'H' || view[1] == u'h' || view[1] == u'O' || view[1] == u'o')) {
        const bool hex = view[1] == u'H' || view[1] == u'h';
        uint64_t value = 0;
        for (OLECHAR c : view.substr(2)) {
            int digit;
            if (c >= u'0' && c <= u'7') digit = c - u'0';
            else if (hex && c >= u'8' && c <= u'9') digit = c - u'0';
            else if (hex && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
            else if (hex && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
            else return std::nullopt;
            value = value * (hex ? 16 : 8) + static_cast<uint64_t>(digit);
            if (value > 0xFFFFFFFFu) return HUGE_VAL;
        }
        // Like a literal, up to 16 bits is a signed 16-bit value, up to 32 a signed 32-bit one.
        if (value <= 0xFFFF) return static_cast<int16_t>(value);
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }

    std::string ascii;
    ascii.reserve(view.size());
    size_t i = 0;
    auto digitsFrom = [&](size_t& at) {
        const size_t start = at;
        while (at < view.size() && view[at] >= u'0' && view[at] <= u'9') ascii.push_back(static_cast<char>(view[at++]));
        return at - start;
    };
    if (view[i] == u'+' || view[i] == u'-') ascii.push_back(static_cast<char>(view[i++]));
    size_t digits = digitsFrom(i);
    if (i < view.size() && view[i] == u'.') {
        ascii.push_back('.');
        ++i;
        digits += digitsFrom(i);
    }
    if (digits == 0) return std::nullopt;
    if (i < view.size() && (view[i] == u'E' || view[i] == u'e')) {
        ascii.push_back('e');
        ++i;
        if (i < view.size() && (view[i] == u'+' || view[i] == u'-')) ascii.push_back(static_cast<char>(view[i++]));
        if (digitsFrom(i) == 0) return std::nullopt;
    }
    if (i != view.size()) return std::nullopt;
    return std::strtod(ascii.c_str(), nullptr);
}

// A value brought to a whole number, halves to the even neighbour, within
// [low, high]; DISP_E_OVERFLOW outside.
HRESULT ToWhole(double value, double low, double high, LONG& whole)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= low && rounded <= high)) return DISP_E_OVERFLOW;
    whole = static_cast<LONG>(rounded);
    return S_OK;
}

// The value of a variant, by reference or not, as a plain variant whose
// strings and interfaces are borrowed, not owned.
std::optional<VARIANT> Dereferenced(const VARIANT* source)
{
    if (!V_ISBYREF(source)) return *source;
    VARIANT plain;
    VariantInit(&plain);
    if (!source->byref) return std::nullopt;
    switch (source->vt & ~VT_BYREF) {
    case VT_I2: plain.vt = VT_I2, plain.iVal = *source->piVal; break;
    case VT_I4: plain.vt = VT_I4, plain.lVal = *source->plVal; break;
    case VT_BSTR: plain.vt = VT_BSTR, plain.bstrVal = *source->pbstrVal; break;
    case VT_VARIANT: return Dereferenced(source->pvarVal);
    default: return std::nullopt;
    }
    return plain;
}

HRESULT NumberOf(const VARIANT& value, double& number)
{
    switch (value.vt) {
    case VT_EMPTY: number = 0; return S_OK;
    case VT_I2: number = value.iVal; return S_OK;
    case VT_I4: number = value.lVal; return S_OK;
    case VT_BSTR: {
        const std::optional<double> parsed = ParseNumber(value.bstrVal);
        if (!parsed) return DISP_E_TYPEMISMATCH;
        number = *parsed;
        return S_OK;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT TextOf(const VARIANT& value, BSTR& text)
{
    std::u16string digits;
    switch (value.vt) {
    case VT_EMPTY: break;
    case VT_I2:
    case VT_I4:
        for (char c : std::to_string(value.vt == VT_I2 ? value.iVal : value.lVal)) digits.push_back(static_cast<char16_t>(c));
        break;
    case VT_BSTR:
        text = SysAllocStringLen(value.bstrVal, SysStringLen(value.bstrVal));
        return text || !value.bstrVal ? S_OK : E_OUTOFMEMORY;
    default: return DISP_E_TYPEMISMATCH;
    }
    text = SysAllocStringLen(digits.data(), static_cast<UINT>(digits.size()));
    return text ? S_OK : E_OUTOFMEMORY;
}

} // namespace

void VariantInit(VARIANTARG* pvarg)
{
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->llVal = 0;
    pvarg->brecVal.pRecInfo = nullptr;
}

HRESULT VariantClear(VARIANTARG* pvarg)
{
    if (!pvarg) return E_INVALIDARG;
    switch (pvarg->vt) {
    case VT_BSTR: SysFreeString(pvarg->bstrVal); break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        if (pvarg->punkVal) pvarg->punkVal->Release();
        break;
    default: break;
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc)
{
    if (!pvargDest || !pvargSrc) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    VARIANT copy = *pvargSrc;
    if (copy.vt == VT_BSTR && copy.bstrVal) {
        copy.bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
        if (!copy.bstrVal) return E_OUTOFMEMORY;
    } else if ((copy.vt == VT_UNKNOWN || copy.vt == VT_DISPATCH) && copy.punkVal) {
        copy.punkVal->AddRef();
    }
    VariantClear(pvargDest);
    *pvargDest = copy;
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT, VARTYPE vt)
try {
    if (!pvargDest || !pvarSrc) return E_INVALIDARG;
    const std::optional<VARIANT> source = Dereferenced(pvarSrc);
    if (!source) return DISP_E_BADVARTYPE;

    VARIANT result;
    VariantInit(&result);
    HRESULT hr = S_OK;
    switch (vt) {
    case VT_EMPTY: break;
    case VT_I2:
    case VT_I4: {
        double number = 0;
        LONG whole = 0;
        hr = NumberOf(*source, number);
        if (SUCCEEDED(hr))
            hr = vt == VT_I2 ? ToWhole(number, INT16_MIN, INT16_MAX, whole) : ToWhole(number, INT32_MIN, INT32_MAX, whole);
        if (SUCCEEDED(hr)) {
            result.vt = vt;
            if (vt == VT_I2) result.iVal = static_cast<SHORT>(whole);
            else result.lVal = whole;
        }
        break;
    }
    case VT_BSTR:
        hr = TextOf(*source, result.bstrVal);
        if (SUCCEEDED(hr)) result.vt = VT_BSTR;
        break;
    default: hr = DISP_E_BADVARTYPE; break;
    }
    if (FAILED(hr)) return hr;
    VariantClear(pvargDest);
    *pvargDest = result;
    return S_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

// The component's bit-string operations through its interface, on any text:
// no crash, results of the promised lengths, and bit strings that read back
// to the text they came from.
#include "component_access.h"

#include <scripted_ui_host.h>
#include <ansicodes.h>
#include <stringapiset.h>

#include <string>

namespace {

std::u16string TextFrom(const uint8_t* data, size_t size, bool wide)
{
    std::u16string text;
    if (wide) {
        for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    } else {
        for (size_t i = 0; i < size; ++i) text.push_back(AnsiCharOfCode(data[i]));
    }
    return text;
}

BSTR Make(const std::u16string& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }
std::u16string Read(BSTR b) { return std::u16string(b ? b : u"", SysStringLen(b)); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static ScriptedUiHost host;
    host.messageBoxes.clear();
    _Binary& binary = TheBinary();
    const uint8_t selector = data[0];
    const std::u16string text = TextFrom(data + 1, size - 1, selector & 0x10);
    BSTR argument = Make(text);
    BSTR result = nullptr;
    SHORT number = 0;
    switch (selector % 4) {
    case 0: {
        const HRESULT hr = binary.Dec(&argument, &number);
        if (SUCCEEDED(hr) != (text.size() <= 8)) std::abort();
        if (SUCCEEDED(hr) && (number < 0 || number > 255 || SysStringLen(argument) != 8)) std::abort();
        break;
    }
    case 1:
        if (SUCCEEDED(binary.ChrBin(&argument, &result)) && SysStringLen(result) != 1) std::abort();
        break;
    case 2: {
        const std::u16string before = Read(argument);
        if (FAILED(binary.GetStringFromBits(&argument, &result)) || Read(argument) != before) std::abort();
        break;
    }
    case 3: {
        size_t coded = 0;
        for (char16_t c : text) coded += AnsiCodeOfChar(c) >= 0;
        if (FAILED(binary.GetStringBits(argument, &result)) || SysStringLen(result) != 8 * coded) std::abort();
        if (coded == text.size() && !text.empty()) {
            BSTR back = nullptr;
            if (FAILED(binary.GetStringFromBits(&result, &back)) || Read(back) != text) std::abort();
            SysFreeString(back);
        }
        if (host.messageBoxes.size() != text.size() - coded) std::abort();
        break;
    }
    }
    SysFreeString(argument);
    SysFreeString(result);
    return 0;
}

// Late-bound calls through IDispatch: names, argument conversion, write-back
// of in/out values and failures as exceptions.
#include "component_environment.h"

namespace {

class DispatchTest : public BinaryTest {
protected:
    VARIANT result{}, shown{};
    EXCEPINFO exception{};
    UINT argError = 99;

    // Calls with `count` arguments, `named` of them named with ids `names`.
    HRESULT Call(DISPID id, VARIANT* args, UINT count = 1, WORD flags = DISPATCH_METHOD, UINT named = 0,
                 DISPID* names = nullptr)
    {
        DISPPARAMS params{args, names, count, named};
        VariantClear(&result);
        VariantClear(&shown);
        argError = 99;
        const HRESULT hr = binary->Invoke(id, IID_NULL, 0, flags, &params, &result, &exception, &argError);
        VariantChangeType(&shown, &result, 0, VT_BSTR);
        return hr;
    }
    ~DispatchTest() override { VariantClear(&result), VariantClear(&shown); }
};

// Names are matched without regard to case, parameter names too.
TEST_F(DispatchTest, NamesAreMatchedWithoutRegardToCase)
{
    const std::tuple<std::u16string, std::u16string, DISPID, HRESULT> cases[] = {
        {u"decrypt", u"StrFileName", 0x60030001, S_OK}, {u"ENCRYPT", u"x", 0x60030002, DISP_E_UNKNOWNNAME},
        {u"bin", u"decimalnum", 0x60030004, S_OK}, {u"getstringfrombits", u"bits", 0x60030005, S_OK},
        {u"ChrBin", u"binary", 0x60030007, S_OK}, {u"dec", u"BINARY", 0x60030008, S_OK},
        {u"GetStringBits", u"needbits", 0x60030009, S_OK}, {u"CharBits", u"c", DISPID_UNKNOWN, DISP_E_UNKNOWNNAME},
    };
    for (auto [name, parameter, id, hr] : cases) {
        LPOLESTR names[] = {name.data(), parameter.data(), nullptr};
        DISPID ids[3] = {};
        EXPECT_EQ(binary->GetIDsOfNames(IID_NULL, names, 1, 0, ids), id == DISPID_UNKNOWN ? hr : S_OK);
        EXPECT_EQ(binary->GetIDsOfNames(IID_NULL, names, 2, 0, ids), hr);
        EXPECT_EQ(std::tuple(ids[0], ids[1]), std::tuple(id, hr == S_OK ? 0 : DISPID_UNKNOWN))
            << testing::PrintToString(name);
    }
    LPOLESTR none[] = {nullptr};
    DISPID id = 0;
    EXPECT_EQ(binary->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id), E_POINTER);
    EXPECT_EQ(binary->GetIDsOfNames(IID_NULL, none, 1, 0, nullptr), E_POINTER);
}

// Script hosts pass variables as references to VARIANTs. Only a value that
// the operation changed goes back, in the variable's own type: Dec and
// ChrBin pad their argument, the others leave it alone, also when it had to
// be converted for the call.
TEST_F(DispatchTest, OnlyChangedArgumentsAreWrittenBackInTheVariablesOwnType)
{
    // The operation, the variable's type and value, the result, and the variable's type and value after.
    const std::tuple<DISPID, VARTYPE, std::u16string, std::u16string, VARTYPE, std::u16string> cases[] = {
        {DISPID_Binary_Bin, VT_BSTR, u"5.4", u"00000101", VT_BSTR, u"5.4"},
        {DISPID_Binary_Bin, VT_BSTR, u"&H5", u"00000101", VT_BSTR, u"&H5"},
        {DISPID_Binary_Bin, VT_EMPTY, u"", u"00000000", VT_EMPTY, u""},
        {DISPID_Binary_GetStringFromBits, VT_EMPTY, u"", {u'\0'}, VT_EMPTY, u""},
        {DISPID_Binary_GetStringBits, VT_BSTR, u"A", u"01000001", VT_BSTR, u"A"},
        {DISPID_Binary_Dec, VT_BSTR, u"101", u"5", VT_BSTR, u"00000101"},
        {DISPID_Binary_Dec, VT_I2, u"101", u"5", VT_I2, u"101"},
        {DISPID_Binary_ChrBin, VT_EMPTY, u"", {u'\0'}, VT_BSTR, u"00000000"},
    };
    for (const auto& [id, vt, before, expected, vtAfter, after] : cases) {
        UniqueBstr text(AllocBstr(before));
        VARIANT source = Reference(text), variable{}, arg{};
        if (vt != VT_EMPTY) VariantChangeType(&variable, &source, 0, vt);
        arg.vt = VT_BYREF | VT_VARIANT;
        arg.pvarVal = &variable;
        ASSERT_EQ(Call(id, &arg, 1, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
        const VARTYPE typeAfter = variable.vt;
        VariantChangeType(&variable, &variable, 0, VT_BSTR);
        EXPECT_EQ(std::tuple(BstrView(shown.bstrVal), typeAfter, BstrView(variable.bstrVal)),
                  std::tuple(expected, vtAfter, after)) << std::hex << id << " of " << vt;
        VariantClear(&variable);
    }
    UniqueBstr number(AllocBstr(u" 5 "));
    VARIANT arg = Reference(number);
    ASSERT_EQ(Call(DISPID_Binary_Bin, &arg), S_OK);
    EXPECT_EQ(std::tuple(BstrView(shown.bstrVal), number.view()), std::tuple(u"00000101", u" 5 "));
}

// Calls outside the interface, arguments that don't convert, and the named
// parameter with another id than GetIDsOfNames gives it, are refused.
TEST_F(DispatchTest, CallsOutsideTheInterfaceAreRefused)
{
    UniqueBstr letters(AllocBstr(u"abc")), tooBig(AllocBstr(u"40000")), digits(AllocBstr(u"101"));
    VARIANT args[] = {Reference(digits), Reference(digits)}, lettersArg = Reference(letters), tooBigArg = Reference(tooBig);
    DISPID zero[] = {0, 0}, one[] = {1}, unknown[] = {DISPID_UNKNOWN};
    const std::tuple<DISPID, VARIANT*, UINT, WORD, UINT, DISPID*, HRESULT, UINT> cases[] = {
        {DISPID_Binary_Dec, args, 0, DISPATCH_METHOD, 0, nullptr, DISP_E_BADPARAMCOUNT, 99},
        {DISPID_Binary_Dec, args, 2, DISPATCH_METHOD, 0, nullptr, DISP_E_BADPARAMCOUNT, 99},
        {0x60030003, args, 1, DISPATCH_METHOD, 0, nullptr, DISP_E_MEMBERNOTFOUND, 99},
        {DISPID_Binary_Dec, args, 1, DISPATCH_PROPERTYPUT, 0, nullptr, DISP_E_MEMBERNOTFOUND, 99},
        {DISPID_Binary_Bin, &lettersArg, 1, DISPATCH_METHOD, 0, nullptr, DISP_E_TYPEMISMATCH, 0},
        {DISPID_Binary_Bin, &tooBigArg, 1, DISPATCH_METHOD, 0, nullptr, DISP_E_OVERFLOW, 0},
        {DISPID_Binary_Dec, args, 1, DISPATCH_METHOD, 1, one, DISP_E_PARAMNOTFOUND, 0},
        {DISPID_Binary_Dec, args, 1, DISPATCH_METHOD, 1, unknown, DISP_E_PARAMNOTFOUND, 0},
        {DISPID_Binary_Dec, args, 2, DISPATCH_METHOD, 1, zero, DISP_E_BADPARAMCOUNT, 99},
        {DISPID_Binary_Dec, args, 1, DISPATCH_METHOD, 2, zero, E_INVALIDARG, 99},
    };
    for (const auto& [id, arg, count, flags, named, names, hr, error] : cases) {
        EXPECT_EQ(Call(id, arg, count, flags, named, names), hr) << std::hex << id << " " << count << " " << named;
        EXPECT_EQ(std::tuple(argError, result.vt, digits.view()), std::tuple(error, VT_EMPTY, u"101"));
    }
    EXPECT_EQ(Call(DISPID_Binary_Dec, args, 1, DISPATCH_METHOD, 1, zero), S_OK);
    EXPECT_EQ(std::tuple(result.iVal, digits.view()), std::tuple(5, u"00000101"));
    UINT count = 0;
    ITypeInfo* info = nullptr;
    EXPECT_EQ(std::tuple(binary->GetTypeInfoCount(&count), count), std::tuple(S_OK, 1U));
    EXPECT_EQ(binary->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX) << "one type describes the interface";
}

// A failure is an exception with its number and description; early-binding
// callers ask before they trust the thread's error info.
TEST_F(DispatchTest, FailureBecomesExceptionWithNumberAndDescription)
{
    UniqueBstr number(AllocBstr(u"256"));
    VARIANT arg = Reference(number);
    EXPECT_EQ(Call(DISPID_Binary_Bin, &arg), DISP_E_EXCEPTION);
    EXPECT_EQ(std::tuple(exception.scode, BstrView(exception.bstrDescription), BstrView(exception.bstrSource)),
              std::tuple(CTL_E_ILLEGALFUNCTIONCALL, u"Invalid procedure call or argument", u"Project1"));
    SysFreeString(exception.bstrSource), SysFreeString(exception.bstrDescription);
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(binary->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID__Binary), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IClassFactory), S_FALSE);
    support->Release();
}

}  // namespace

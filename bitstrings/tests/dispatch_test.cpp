// Late-bound calls through IDispatch: names, argument conversion, write-back
// of in/out values and failures as exceptions.
#include "component_environment.h"

namespace {

class DispatchTest : public BinaryTest {
protected:
    VARIANT result{};
    EXCEPINFO exception{};
    UINT argError = 99;

    void TearDown() override
    {
        VariantClear(&result);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
    }

    HRESULT Call(DISPID id, VARIANT* args, UINT count, WORD flags = DISPATCH_METHOD)
    {
        DISPPARAMS params{args, nullptr, count, 0};
        VariantClear(&result);
        argError = 99;
        return binary->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, &exception, &argError);
    }
};

// A by-reference string argument, as script hosts and comcall pass variables.
VARIANT Reference(UniqueBstr& text)
{
    VARIANT arg{};
    arg.vt = VT_BYREF | VT_BSTR;
    arg.pbstrVal = text.inout();
    return arg;
}

TEST_F(DispatchTest, NamesAreMatchedWithoutRegardToCase)
{
    const std::pair<std::u16string, DISPID> cases[] = {
        {u"decrypt", 0x60030001}, {u"ENCRYPT", 0x60030002}, {u"bin", 0x60030004}, {u"getstringfrombits", 0x60030005},
        {u"ChrBin", 0x60030007}, {u"dec", 0x60030008}, {u"GetStringBits", 0x60030009},
        {u"CharBits", DISPID_UNKNOWN}, {u"EncryptFile", DISPID_UNKNOWN}, {u"Binary", DISPID_UNKNOWN},
    };
    for (auto [name, expected] : cases) {
        LPOLESTR names[] = {name.data(), nullptr};
        DISPID ids[2] = {};
        EXPECT_EQ(binary->GetIDsOfNames(IID_NULL, names, 1, 0, ids),
                  expected == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK);
        EXPECT_EQ(ids[0], expected) << testing::PrintToString(name);
    }
    LPOLESTR names[] = {nullptr};
    DISPID ids[1] = {};
    EXPECT_EQ(binary->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids), E_POINTER);
    EXPECT_EQ(binary->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr), E_POINTER);
}

// A caller's variable: Empty, a 16-bit number or a text.
struct Variable {
    VARTYPE vt;
    std::u16string text;
    SHORT number = 0;
    bool operator==(const Variable&) const = default;
};
Variable Text(std::u16string text) { return {VT_BSTR, std::move(text)}; }
const Variable kEmpty{VT_EMPTY, {}};

void PrintTo(const Variable& variable, std::ostream* out)
{
    *out << "vt " << variable.vt << " " << testing::PrintToString(variable.text) << " " << variable.number;
}

// Script hosts pass variables as references to VARIANTs. Only a value that
// the operation changed goes back, in the variable's own type: Dec and
// ChrBin pad their argument, the others leave it alone, also when it had to
// be converted for the call.
TEST_F(DispatchTest, OnlyChangedArgumentsAreWrittenBackInTheVariablesOwnType)
{
    const struct {
        DISPID id;
        Variable before;
        std::u16string result;
        Variable after;
    } cases[] = {
        {DISPID_Binary_Bin, Text(u"5.4"), u"00000101", Text(u"5.4")},
        {DISPID_Binary_Bin, Text(u"&H5"), u"00000101", Text(u"&H5")},
        {DISPID_Binary_Bin, kEmpty, u"00000000", kEmpty},
        {DISPID_Binary_GetStringFromBits, kEmpty, std::u16string(1, u'\0'), kEmpty},
        {DISPID_Binary_GetStringBits, Text(u"A"), u"01000001", Text(u"A")},
        {DISPID_Binary_Dec, Text(u"101"), u"5", Text(u"00000101")},
        {DISPID_Binary_Dec, {VT_I2, {}, 101}, u"5", {VT_I2, {}, 101}},
        {DISPID_Binary_ChrBin, kEmpty, std::u16string(1, u'\0'), Text(u"00000000")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.id << " of " << testing::PrintToString(c.before));
        VARIANT variable{}, shown{};
        variable.vt = c.before.vt;
        if (c.before.vt == VT_BSTR) variable.bstrVal = AllocBstr(c.before.text);
        if (c.before.vt == VT_I2) variable.iVal = c.before.number;
        VARIANT arg{};
        arg.vt = VT_BYREF | VT_VARIANT;
        arg.pvarVal = &variable;
        ASSERT_EQ(Call(c.id, &arg, 1, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
        EXPECT_EQ(VariantChangeType(&shown, &result, 0, VT_BSTR), S_OK);
        EXPECT_EQ(BstrView(shown.bstrVal), c.result);
        const Variable after{variable.vt, std::u16string(BstrView(variable.vt == VT_BSTR ? variable.bstrVal : nullptr)),
                             variable.vt == VT_I2 ? variable.iVal : SHORT{0}};
        EXPECT_EQ(after, c.after);
        VariantClear(&shown);
        VariantClear(&variable);
    }
    UniqueBstr number(AllocBstr(u" 5 "));
    VARIANT arg = Reference(number);
    ASSERT_EQ(Call(DISPID_Binary_Bin, &arg, 1), S_OK);
    EXPECT_EQ(BstrView(result.bstrVal), u"00000101");
    EXPECT_EQ(number.view(), u" 5 ");
}

TEST_F(DispatchTest, CallsOutsideTheInterfaceAreRefused)
{
    UniqueBstr letters(AllocBstr(u"abc")), tooBig(AllocBstr(u"40000"));
    VARIANT args[2]{}, lettersArg = Reference(letters), tooBigArg = Reference(tooBig);
    const struct {
        DISPID id;
        VARIANT* args;
        UINT count;
        WORD flags;
        HRESULT hr;
        UINT argError;
    } cases[] = {
        {DISPID_Binary_GetStringBits, args, 0, DISPATCH_METHOD, DISP_E_BADPARAMCOUNT, 99},
        {DISPID_Binary_GetStringBits, args, 2, DISPATCH_METHOD, DISP_E_BADPARAMCOUNT, 99},
        {0x60030003, args, 1, DISPATCH_METHOD, DISP_E_MEMBERNOTFOUND, 99},
        {DISPID_Binary_GetStringBits, args, 1, DISPATCH_PROPERTYPUT, DISP_E_MEMBERNOTFOUND, 99},
        {DISPID_Binary_Bin, &lettersArg, 1, DISPATCH_METHOD, DISP_E_TYPEMISMATCH, 0},
        {DISPID_Binary_Bin, &tooBigArg, 1, DISPATCH_METHOD, DISP_E_OVERFLOW, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Call(c.id, c.args, c.count, c.flags), c.hr) << std::hex << c.id << " " << c.count << " " << c.flags;
        EXPECT_EQ(argError, c.argError);
    }
}

TEST_F(DispatchTest, FailureBecomesExceptionWithNumberAndDescription)
{
    UniqueBstr number(AllocBstr(u"256"));
    VARIANT arg = Reference(number);
    EXPECT_EQ(Call(DISPID_Binary_Bin, &arg, 1), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, CTL_E_ILLEGALFUNCTIONCALL);
    EXPECT_EQ(BstrView(exception.bstrDescription), u"Invalid procedure call or argument");
    EXPECT_EQ(BstrView(exception.bstrSource), u"Project1");
    EXPECT_EQ(number.view(), u"256");
}

// The parameter may be named, with the id that GetIDsOfNames gives its name.
TEST_F(DispatchTest, TheParameterMayBeGivenByName)
{
    std::u16string method = u"dec", parameter = u"BINARY";
    LPOLESTR names[] = {method.data(), parameter.data()};
    DISPID ids[2] = {};
    ASSERT_EQ(binary->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
    const struct {
        UINT count, named;
        DISPID id;
        HRESULT hr;
    } cases[] = {
        {1, 1, ids[1], S_OK}, {1, 1, 1, DISP_E_PARAMNOTFOUND}, {1, 1, DISPID_UNKNOWN, DISP_E_PARAMNOTFOUND},
        {2, 1, ids[1], DISP_E_BADPARAMCOUNT}, {1, 2, ids[1], E_INVALIDARG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " arguments, " << c.named << " named " << c.id);
        UniqueBstr digits(AllocBstr(u"101"));
        VARIANT args[2] = {Reference(digits), Reference(digits)};
        DISPID named[2] = {c.id, c.id};
        DISPPARAMS params{args, named, c.count, c.named};
        VariantClear(&result);
        argError = 99;
        EXPECT_EQ(binary->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, &argError), c.hr);
        EXPECT_EQ(result.iVal, c.hr == S_OK ? 5 : 0);
        EXPECT_EQ(argError, c.hr == DISP_E_PARAMNOTFOUND ? 0U : 99U);
        EXPECT_EQ(digits.view(), c.hr == S_OK ? u"00000101" : u"101");
    }
}

// IDispatch is the dual interface; early-binding callers ask before they
// trust the thread's error info.
TEST_F(DispatchTest, DualInterfaceTellsThatItsFailuresSetTheErrorInfo)
{
    void* dispatch = nullptr;
    ASSERT_EQ(binary->QueryInterface(IID_IDispatch, &dispatch), S_OK);
    EXPECT_EQ(dispatch, static_cast<IDispatch*>(binary.get()));
    binary->Release();
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(binary->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID__Binary), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IClassFactory), S_FALSE);
    IUnknown* identity = nullptr;
    ASSERT_EQ(support->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(binary.get()));
    identity->Release();
    support->Release();
}

TEST_F(DispatchTest, TypeInformationNamesAndDocumentsTheOperations)
{
    UINT count = 0;
    ASSERT_EQ(binary->GetTypeInfoCount(&count), S_OK);
    ASSERT_EQ(count, 1u);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(binary->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
    ASSERT_EQ(binary->GetTypeInfo(0, 0, &info), S_OK);
    EXPECT_EQ(ComponentExport<LPFNCANUNLOADNOW>("DllCanUnloadNow")(), S_FALSE);
    UniqueBstr name, help;
    ASSERT_EQ(info->GetDocumentation(DISPID_Binary_GetStringFromBits, name.inout(), help.inout(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(name.view(), u"GetStringFromBits");
    EXPECT_EQ(help.view(), u"Takes a string of bits an returns the string created by those bits, ");
    EXPECT_EQ(info->GetDocumentation(0x60030003, nullptr, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
    BSTR names[3] = {};
    UINT got = 0;
    ASSERT_EQ(info->GetNames(DISPID_Binary_Bin, names, 3, &got), S_OK);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(BstrView(names[0]), u"Bin");
    EXPECT_EQ(BstrView(names[1]), u"decimalnum");
    for (BSTR n : names) SysFreeString(n);
    UniqueBstr text(AllocBstr(u"AB"));
    VARIANT arg = Reference(text);
    DISPPARAMS params{&arg, nullptr, 1, 0};
    ASSERT_EQ(info->Invoke(binary.get(), DISPID_Binary_GetStringBits, DISPATCH_METHOD, &params, &result, nullptr,
                           nullptr),
              S_OK);
    EXPECT_EQ(BstrView(result.bstrVal), u"0100000101000010");
    info->Release();
}

}  // namespace

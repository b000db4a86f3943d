// Binary as its clients use it: the conversions early bound through the
// interface pointer and late bound through IDispatch as script hosts call
// them (names, argument conversion, write-back of in/out values, failures as
// exceptions), every operation when memory runs out, and the rules for
// unloading the library.
#include "component_environment.h"

#include "bit_strings.h"
#include "failing_allocations.h"

#include <functional>

namespace {

class BinaryClientTest : public BinaryTest {
protected:
    VARIANT result{};
    UINT argError = 99;

    // Calls as script hosts do, with `count` arguments, `named` of them named
    // with ids `names`; a failure reported as an exception gives the
    // exception's code.
    HRESULT Call(DISPID id, VARIANT* args, UINT count = 1, UINT named = 0, DISPID* names = nullptr)
    {
        DISPPARAMS params{args, names, count, named};
        EXCEPINFO exception{};
        VariantClear(&result);
        argError = 99;
        const HRESULT hr = binary->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result,
                                          &exception, &argError);
        SysFreeString(exception.bstrSource), SysFreeString(exception.bstrDescription);
        return hr == DISP_E_EXCEPTION ? exception.scode : hr;
    }
    ~BinaryClientTest() override { VariantClear(&result); }
};

// Script hosts pass variables as references to VARIANTs. Only a value that
// the operation changed goes back, in the variable's own type: Dec and
// ChrBin pad a short group, the others leave their argument alone, also when
// it had to be converted for the call. Any digit but '1' is a 0 bit;
// GetStringFromBits reads a group from every eighth position on while one
// more digit follows, and pads a short last group. A character without a
// code is reported and adds nothing.
TEST_F(BinaryClientTest, ResultsAndOnlyChangedArgumentsInTheVariablesOwnType)
{
    // The operation, the variable's type and value, the result (none: refused with error 5), and the variable's
    // type and value after.
    const std::tuple<DISPID, VARTYPE, std::u16string, std::u16string, VARTYPE, std::u16string> cases[] = {
        {DISPID_Binary_Bin, VT_BSTR, u"5.4", u"00000101", VT_BSTR, u"5.4"},
        {DISPID_Binary_Bin, VT_EMPTY, u"", u"00000000", VT_EMPTY, u""},
        {DISPID_Binary_Bin, VT_I2, u"255", u"11111111", VT_I2, u"255"},
        {DISPID_Binary_Bin, VT_I2, u"256", {}, VT_I2, u"256"},
        {DISPID_Binary_GetStringFromBits, VT_EMPTY, u"", {u'\0'}, VT_EMPTY, u""},
        {DISPID_Binary_GetStringFromBits, VT_BSTR, u"1", u"\x01", VT_BSTR, u"1"},
        {DISPID_Binary_GetStringFromBits, VT_BSTR, u"010000011", u"A", VT_BSTR, u"010000011"},
        {DISPID_Binary_GetStringFromBits, VT_BSTR, u"0100000110", u"A\x02", VT_BSTR, u"0100000110"},
        {DISPID_Binary_GetStringBits, VT_BSTR, u"A\u0100B", u"0100000101000010", VT_BSTR, u"A\u0100B"},
        {DISPID_Binary_Dec, VT_BSTR, u"101", u"5", VT_BSTR, u"00000101"},
        {DISPID_Binary_Dec, VT_I2, u"101", u"5", VT_I2, u"101"},
        {DISPID_Binary_Dec, VT_BSTR, u"1a1b1c1d", u"170", VT_BSTR, u"1a1b1c1d"},
        {DISPID_Binary_Dec, VT_BSTR, u"010000010", {}, VT_BSTR, u"010000010"},
        {DISPID_Binary_ChrBin, VT_EMPTY, u"", {u'\0'}, VT_BSTR, u"00000000"},
        {DISPID_Binary_ChrBin, VT_BSTR, u"010000010", {}, VT_BSTR, u"010000010"},
    };
    for (const auto& [id, vt, before, expected, vtAfter, after] : cases) {
        UniqueBstr text(AllocBstr(before));
        VARIANT source = Reference(text), variable{}, arg{};
        if (vt != VT_EMPTY) VariantChangeType(&variable, &source, 0, vt);
        arg.vt = VT_BYREF | VT_VARIANT;
        arg.pvarVal = &variable;
        const HRESULT hr = Call(id, &arg);
        const VARTYPE typeAfter = variable.vt;
        VariantChangeType(&variable, &variable, 0, VT_BSTR), VariantChangeType(&result, &result, 0, VT_BSTR);
        EXPECT_EQ(std::tuple(hr == CTL_E_ILLEGALFUNCTIONCALL, BstrView(result.bstrVal), typeAfter,
                             BstrView(variable.bstrVal)),
                  std::tuple(expected.empty(), expected, vtAfter, after)) << std::hex << id << " of " << vt;
        VariantClear(&variable);
    }
    EXPECT_THAT(ui.messageBoxes, testing::ElementsAre(testing::FieldsAre(u"value is not a valid ASCII Integer",
                                                                         u"Error!", UINT{MB_ICONERROR})));
    EXPECT_EQ(ui.doEventsCalls, 5) << "the event pump turned before every group of GetStringFromBits";
    const bitstrings::OleStringView digits = u"10111111";
    EXPECT_EQ(bitstrings::GroupValue(digits.substr(0, 3)), 5) << "a short group reads as padded on the left";
}

// Names are matched without regard to case, the parameter's too; a call
// names its argument by the id GetIDsOfNames gives it, or not at all. Calls
// outside the interface are refused.
TEST_F(BinaryClientTest, NamesAndCallsOutsideTheInterface)
{
    UniqueBstr digits(AllocBstr(u"101"));
    VARIANT args[] = {Reference(digits), Reference(digits)};
    DISPID zero[] = {0, 0}, one[] = {1}, unknown[] = {DISPID_UNKNOWN};
    // The operation, how many arguments, how many of them named and by which ids, the result, and the argument
    // it names as the wrong one (99: none).
    const std::tuple<DISPID, UINT, UINT, DISPID*, HRESULT, UINT> cases[] = {
        {0x60030003, 1, 0, nullptr, DISP_E_MEMBERNOTFOUND, 99},
        {DISPID_Binary_Dec, 1, 1, one, DISP_E_PARAMNOTFOUND, 0},
        {DISPID_Binary_Dec, 1, 1, unknown, DISP_E_PARAMNOTFOUND, 0},
        {DISPID_Binary_Dec, 2, 1, zero, DISP_E_BADPARAMCOUNT, 99},
        {DISPID_Binary_Dec, 1, 2, zero, E_INVALIDARG, 99},
    };
    for (const auto& [id, count, named, names, hr, error] : cases) {
        EXPECT_EQ(Call(id, args, count, named, names), hr) << std::hex << id << " " << count << " " << named;
        EXPECT_EQ(std::tuple(argError, result.vt, digits.view()), std::tuple(error, VT_EMPTY, u"101"));
    }
    std::u16string member = u"dEC", parameter = u"BINARY";
    LPOLESTR names[] = {member.data(), parameter.data()};
    DISPID ids[2] = {};
    EXPECT_EQ(binary->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
    EXPECT_EQ(Call(ids[0], args, 1, 1, ids + 1), S_OK);
    EXPECT_EQ(std::tuple(ids[0], result.iVal, digits.view()), std::tuple(DISPID_Binary_Dec, 5, u"00000101"));
}

// A client that passes no argument or no place for the result is refused,
// not followed. Running out of memory: every operation fails with error 7
// and says so in the thread's error info, whether every string allocation
// fails or only its first; late binding gives it as an exception with that
// number. Registration gives error 7 when objects can't be allocated,
// instead of throwing, and what was registered stays.
TEST_F(BinaryClientTest, MissingPointersAndMissingMemoryAreRefusedOnEveryPath)
{
    WriteBytes(processFolder / "memory.txt", "text");
    UniqueBstr digits(AllocBstr(u"101")), group(AllocBstr(u"01000001")), text(AllocBstr(u"AB")),
        bits(AllocBstr(u"0100000101000010")), name(AllocBstr((processFolder / "memory.txt").u16string())), out;
    SHORT number = 5;
    VARIANT empty{}, arg = Reference(text);
    for (const HRESULT hr : {binary->Bin(nullptr, out.inout()), binary->Bin(&number, nullptr),
                             binary->Dec(nullptr, &number), binary->Dec(digits.inout(), nullptr),
                             binary->ChrBin(nullptr, out.inout()), binary->ChrBin(digits.inout(), nullptr),
                             binary->GetStringFromBits(nullptr, out.inout()),
                             binary->GetStringFromBits(digits.inout(), nullptr),
                             binary->GetStringBits(text.get(), nullptr), binary->encrypt(name.get(), nullptr),
                             binary->decrypt(name.get(), nullptr)})
        EXPECT_EQ(hr, E_POINTER);
    // What fails, the call, and whether the thread's error info tells.
    const std::tuple<std::atomic<int>&, std::function<HRESULT()>, bool> calls[] = {
        {failingStrings, [&] { return binary->Bin(&number, out.inout()); }, true},
        {failingStrings, [&] { return binary->Dec(digits.inout(), &number); }, true},
        {failingStrings, [&] { return binary->ChrBin(group.inout(), out.inout()); }, true},
        {failingStrings, [&] { return binary->GetStringBits(text.get(), out.inout()); }, true},
        {failingStrings, [&] { return binary->GetStringFromBits(bits.inout(), out.inout()); }, true},
        {failingStrings, [&] { return ui.answers = {u"abcdefgh"}, binary->encrypt(name.get(), &empty); }, true},
        {failingStrings, [&] { return Call(DISPID_Binary_GetStringBits, &arg); }, false},
        {failingObjects, [&] { return ComponentExport("DllRegisterServer")(); }, false},
        {failingObjects, [&] { return ComponentExport("DllUnregisterServer")(); }, false},
    };
    for (const int failures : {-1, 1}) {
        for (std::size_t i = 0; i < std::size(calls); ++i) {
            SCOPED_TRACE(testing::Message() << "call " << i << ", " << failures << " failing");
            const auto& [failing, call, errorInfo] = calls[i];
            failing = failures;
            const HRESULT hr = call();
            failing = 0;
            if (errorInfo) ExpectError(hr, RTERR_OUT_OF_MEMORY);
            else EXPECT_EQ(hr, HRESULT_FROM_ERROR_NUMBER(RTERR_OUT_OF_MEMORY));
        }
    }
    // A string whose bit string would be longer than any string can be is refused, not wrapped round to a short one.
    UniqueBstr huge(SysAllocStringLen(nullptr, UINT_MAX / 8 + 1));
    ExpectError(binary->GetStringBits(huge.get(), out.inout()), RTERR_OUT_OF_MEMORY);
    EXPECT_EQ(digits.view(), u"101");
    EXPECT_FALSE(fs::exists(processFolder / "memory.pef"));
    EXPECT_TRUE(CreateBinary());
}

// The library stays while an object lives or a lock is held. The type
// description that script hosts ask for is such an object, under both its
// interfaces, and names each operation and its parameter.
TEST_F(BinaryClientTest, LibraryUnloadsOnlyWithoutLiveObjectsAndLocks)
{
    const auto canUnloadNow = ComponentExport<LPFNCANUNLOADNOW>("DllCanUnloadNow");
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(binary->GetTypeInfo(0, 0, &info), S_OK);
    binary.reset();
    void* asTypeInfo = nullptr;
    void* asUnknown = nullptr;
    const std::pair same(S_OK, static_cast<void*>(info));
    EXPECT_EQ(std::pair(info->QueryInterface(IID_ITypeInfo, &asTypeInfo), asTypeInfo), same);
    EXPECT_EQ(std::pair(info->QueryInterface(IID_IUnknown, &asUnknown), asUnknown), same);
    BSTR names[2] = {}, name = nullptr;
    UINT count = 0;
    EXPECT_EQ(info->GetNames(DISPID_Binary_Dec, names, 2, &count), S_OK);
    EXPECT_EQ(info->GetDocumentation(DISPID_Binary_ChrBin, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::tuple(count, BstrView(names[0]), BstrView(names[1]), BstrView(name)),
              std::tuple(2u, u"Dec", u"Binary", u"ChrBin"));
    SysFreeString(names[0]), SysFreeString(names[1]), SysFreeString(name);
    EXPECT_EQ((std::tuple{info->Release(), info->Release(), canUnloadNow()}), std::tuple(2u, 1u, S_FALSE));
    EXPECT_EQ(info->Release(), 0u);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_Binary, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(canUnloadNow(), S_OK) << "the class factory alone keeps nothing loaded";
    factory->LockServer(TRUE);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    factory->LockServer(FALSE), factory->LockServer(FALSE), factory->LockServer(TRUE);
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "an unmatched unlock must not cancel a later lock";
    factory->LockServer(FALSE), factory->Release();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace

// Running out of memory: every failure is error 7, and no exception leaves
// the component.
#include "component_environment.h"

#include "failing_allocations.h"

#include <functional>

namespace {

using OutOfMemoryTest = BinaryTest;

// Every operation fails with error 7 and says so in the thread's error info,
// whether every string allocation fails or only its first; late binding
// gives it as an exception with that number. Registration gives error 7
// when objects can't be allocated, instead of throwing, and what was
// registered stays.
TEST_F(OutOfMemoryTest, EveryOperationFailsWithErrorSeven)
{
    const fs::path file = NewTestFolder() / "notes.txt";
    WriteBytes(file, "text");
    UniqueBstr digits(AllocBstr(u"101")), group(AllocBstr(u"01000001")), text(AllocBstr(u"AB")),
        bits(AllocBstr(u"0100000101000010")), name(AllocBstr(file.u16string())), out;
    SHORT number = 5;
    VARIANT result{}, arg = Reference(text);
    EXCEPINFO exception{};
    DISPPARAMS params{&arg, nullptr, 1, 0};
    // What fails, the call, and whether the thread's error info tells.
    const std::tuple<std::atomic<int>&, std::function<HRESULT()>, bool> calls[] = {
        {failingStrings, [&] { return binary->Bin(&number, out.inout()); }, true},
        {failingStrings, [&] { return binary->Dec(digits.inout(), &number); }, true},
        {failingStrings, [&] { return binary->ChrBin(group.inout(), out.inout()); }, true},
        {failingStrings, [&] { return binary->GetStringBits(text.get(), out.inout()); }, true},
        {failingStrings, [&] { return binary->GetStringFromBits(bits.inout(), out.inout()); }, true},
        {failingStrings, [&] { return ui.answers = {u"abcdefgh"}, binary->encrypt(name.get(), &result); }, true},
        {failingStrings, [&] {
             const HRESULT hr = binary->Invoke(DISPID_Binary_GetStringBits, IID_NULL, 0, DISPATCH_METHOD, &params,
                                               &result, &exception, nullptr);
             SysFreeString(exception.bstrSource), SysFreeString(exception.bstrDescription);
             return hr == DISP_E_EXCEPTION ? exception.scode : hr;
         }, false},
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
    EXPECT_EQ(digits.view(), u"101");
    EXPECT_FALSE(fs::exists(file.parent_path() / "notes.pef"));
    EXPECT_TRUE(CreateBinary());
}

}  // namespace

// Running out of memory: every failure is error 7, and no exception leaves
// the component.
#include "component_environment.h"
#include "failing_allocations.h"

#include <functional>

namespace {

using OutOfMemoryTest = BinaryTest;

// Every operation fails with error 7 and says so in the thread's error info,
// whether every string allocation fails or only its first; late binding
// gives it as an exception with that number.
TEST_F(OutOfMemoryTest, EveryOperationFailsWithErrorSeven)
{
    const fs::path folder = NewTestFolder();
    WriteBytes(folder / "notes.txt", "text");
    UniqueBstr digits(AllocBstr(u"101")), group(AllocBstr(u"01000001")), text(AllocBstr(u"AB")),
        bits(AllocBstr(u"0100000101000010")), name(AllocBstr((folder / "notes.txt").u16string())), out;
    SHORT number = 5;
    VARIANT empty{};
    const std::pair<const char*, std::function<HRESULT()>> calls[] = {
        {"Bin", [&] { return binary->Bin(&number, out.inout()); }},
        {"Dec", [&] { return binary->Dec(digits.inout(), &number); }},
        {"ChrBin", [&] { return binary->ChrBin(group.inout(), out.inout()); }},
        {"GetStringBits", [&] { return binary->GetStringBits(text.get(), out.inout()); }},
        {"GetStringFromBits", [&] { return binary->GetStringFromBits(bits.inout(), out.inout()); }},
        {"encrypt", [&] { return binary->encrypt(name.get(), &empty); }},
    };
    for (const int failures : {FailingAllocations::kEvery, 1}) {
        for (const auto& [operation, call] : calls) {
            SCOPED_TRACE(testing::Message() << operation << " with " << failures << " failing");
            ui.answers = {u"abcdefgh"};
            HRESULT hr = S_OK;
            {
                const FailingAllocations noStrings(FailingAllocations::strings, failures);
                hr = call();
            }
            ExpectError(hr, RTERR_OUT_OF_MEMORY);
        }
    }
    EXPECT_EQ(digits.view(), u"101");
    EXPECT_FALSE(fs::exists(folder / "notes.pef"));

    VARIANT arg{};
    arg.vt = VT_BSTR;
    arg.bstrVal = text.get();
    DISPPARAMS params{&arg, nullptr, 1, 0};
    VARIANT result{};
    EXCEPINFO exception{};
    HRESULT hr = S_OK;
    {
        const FailingAllocations noStrings(FailingAllocations::strings);
        hr = binary->Invoke(DISPID_Binary_GetStringBits, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception,
                            nullptr);
    }
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, HRESULT_FROM_ERROR_NUMBER(RTERR_OUT_OF_MEMORY));
}

// No std::bad_alloc leaves the component through its exports, and what was
// registered stays.
TEST_F(OutOfMemoryTest, RegistrationFailsWithErrorSevenInsteadOfThrowing)
{
    for (const char* entryPoint : {"DllRegisterServer", "DllUnregisterServer"}) {
        HRESULT hr = S_OK;
        {
            const FailingAllocations noObjects(FailingAllocations::objects);
            hr = ComponentExport<LPFNREGISTERSERVER>(entryPoint)();
        }
        EXPECT_EQ(hr, HRESULT_FROM_ERROR_NUMBER(RTERR_OUT_OF_MEMORY)) << entryPoint;
    }
    EXPECT_TRUE(CreateBinary());
}

}  // namespace

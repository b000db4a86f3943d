// Times of the conversions of the Windows build through a CoCreateInstance
// pointer, as a native client sees them: bit strings of 1 MiB of text and
// back, which decrypt and encrypt go through. Run under Wine or Windows with
// the component registered; prints one line per measurement.
#include <binary_interface.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int kRepetitions = 5;
constexpr std::size_t kTextLength = std::size_t{1} << 20;

template <typename Operation>
double BestMilliseconds(Operation operation)
{
    double best = 1e300;
    for (int i = 0; i < kRepetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        operation();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main()
{
    if (FAILED(CoInitialize(nullptr))) return 1;
    _Binary* binary = nullptr;
    if (CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, IID__Binary,
                         reinterpret_cast<void**>(&binary)) != S_OK) {
        std::fputs("Project1.Binary is not registered\n", stderr);
        return 1;
    }
    std::wstring text(kTextLength, L'a');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<wchar_t>(0x20 + i % 0x5F);
    BSTR plain = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    BSTR digits = nullptr;
    BSTR row = SysAllocString(L"AB");

    const double rowCall = BestMilliseconds([&] {
        for (int i = 0; i < 100000; ++i) {
            BSTR bits = nullptr;
            binary->GetStringBits(row, &bits);
            SysFreeString(bits);
        }
    });
    const double toBits = BestMilliseconds([&] {
        SysFreeString(digits);
        binary->GetStringBits(plain, &digits);
    });
    const double fromBits = BestMilliseconds([&] {
        BSTR back = nullptr;
        binary->GetStringFromBits(&digits, &back);
        SysFreeString(back);
    });
    std::printf("GetStringBits of two characters: %.1f ns per call\n", rowCall * 1e6 / 100000);
    std::printf("GetStringBits of 1 MiB: %.1f ms\n", toBits);
    std::printf("GetStringFromBits of 8 Mi digits: %.1f ms\n", fromBits);

    SysFreeString(row);
    SysFreeString(digits);
    SysFreeString(plain);
    binary->Release();
    CoUninitialize();
    return 0;
}

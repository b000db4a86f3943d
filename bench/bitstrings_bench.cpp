// Speed and memory of the component "bitstrings", created through the
// component model the way its clients create it:
// - GetStringBits of a two-character string, the call the viewer makes once
//   per tile row (target: at most 100 ns per call);
// - encrypt and then decrypt of a 1 MiB text with scripted password answers
//   (target: at most 0.5 s each, peak memory at most 100 MiB; the peak
//   resident size is reported as the counter peak_rss_MiB).
#include <binary_interface.h>
#include <objbase.h>
#include <oleauto.h>
#include <scripted_ui_host.h>
#include <ansicodes.h>
#include <stringapiset.h>

#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTextBytes = 1 << 20;
constexpr char16_t kPassword[] = u"abcdefgh";

fs::path benchFolder;

_Binary* CreateBinary()
{
    _Binary* binary = nullptr;
    CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, IID__Binary, reinterpret_cast<void**>(&binary));
    return binary;
}

// The process's peak resident size so far, from /proc/self/status.
double PeakResidentMiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    return 0;
}

void BM_GetStringBitsOfTileRow(benchmark::State& state)
{
    _Binary* binary = CreateBinary();
    if (!binary) {
        state.SkipWithError("Binary could not be created");
        return;
    }
    const OLECHAR row[] = {AnsiCharOfCode(0x3C), AnsiCharOfCode(0xA5)};
    BSTR needbits = SysAllocStringLen(row, 2);
    for (auto _ : state) {
        BSTR bits = nullptr;
        binary->GetStringBits(needbits, &bits);
        benchmark::DoNotOptimize(bits);
        SysFreeString(bits);
    }
    SysFreeString(needbits);
    binary->Release();
}
BENCHMARK(BM_GetStringBitsOfTileRow);

// encrypt (range 0) or decrypt (range 1) of the same 1 MiB text.
void BM_ProtectOneMiB(benchmark::State& state)
{
    const bool decrypting = state.range(0) == 1;
    const fs::path text = benchFolder / "notes.txt";
    std::mt19937 random(20240611);
    std::string bytes(kTextBytes, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    std::ofstream(text, std::ios::binary) << bytes;

    ScriptedUiHost ui;
    _Binary* binary = CreateBinary();
    if (!binary) {
        state.SkipWithError("Binary could not be created");
        return;
    }
    const std::u16string textName = text.u16string();
    BSTR textFile = SysAllocStringLen(textName.data(), static_cast<UINT>(textName.size()));
    const std::u16string protectedName = (benchFolder / "notes.pef").u16string();
    BSTR protectedFile = SysAllocStringLen(protectedName.data(), static_cast<UINT>(protectedName.size()));
    VARIANT result;
    VariantInit(&result);
    if (decrypting) {
        ui.answers.push_back(kPassword);
        binary->encrypt(textFile, &result);
    }
    for (auto _ : state) {
        ui.answers.push_back(kPassword);
        const HRESULT hr = decrypting ? binary->decrypt(protectedFile, &result) : binary->encrypt(textFile, &result);
        if (FAILED(hr) || !ui.messageBoxes.empty()) state.SkipWithError("the call failed");
    }
    state.counters["peak_rss_MiB"] = PeakResidentMiB();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTextBytes));
    SysFreeString(textFile);
    SysFreeString(protectedFile);
    binary->Release();
}
BENCHMARK(BM_ProtectOneMiB)->ArgName("decrypt")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

// Registers the component into a registry of this run's own, so that the
// user's registry is neither needed nor touched.
int main(int argc, char** argv)
{
    std::string pattern = (fs::temp_directory_path() / "bitstrings-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    benchFolder = pattern;
    setenv("XDG_DATA_HOME", (benchFolder / "data").c_str(), 1);
    void* library = dlopen(BITSTRINGS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    auto registerServer = library ? reinterpret_cast<LPFNREGISTERSERVER>(dlsym(library, "DllRegisterServer")) : nullptr;
    if (!registerServer || FAILED(registerServer())) return 1;
    CoInitialize(nullptr);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    CoUninitialize();
    fs::remove_all(benchFolder);
    return 0;
}

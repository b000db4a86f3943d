// The console converter on whole files: convert of a 64 MiB file against a
// plain copy of it and against the same copy made safely, and render of an 8 MiB file against a plain decode of
// its pixel values, with the drawing of the sheet and the PNG encoding
// apart to show where the time goes.
#include "converter_tool.h"
#include "png_encoder.h"
#include "temp_folder.h"
#include "whole_file.h"
#include "whole_sheet.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

namespace fs = std::filesystem;

constexpr size_t kConvertBytes = size_t{64} << 20;
constexpr size_t kRenderBytes = size_t{8} << 20;

std::vector<uint8_t> RandomBytes(size_t size)
{
    std::mt19937 random(2024);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    return bytes;
}

// A command of the converter over a file of random bytes, as a build script runs it.
void RunCommand(benchmark::State& state, const std::string& command, size_t size, const char* output)
{
    const TempFolder folder;
    const std::string input = folder.Write("tiles.nes", RandomBytes(size));
    for (auto _ : state)
        if (RunConverter({command, input, (folder / output).string()}) != kSucceeded)
            state.SkipWithError((command + " failed").c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_ConvertCommand(benchmark::State& state) { RunCommand(state, "convert", kConvertBytes, "tiles.gb"); }

void BM_CopyFile(benchmark::State& state)
{
    const TempFolder folder;
    const std::string input = folder.Write("tiles.nes", RandomBytes(kConvertBytes));
    for (auto _ : state) fs::copy_file(input, folder / "copy.nes", fs::copy_options::overwrite_existing);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kConvertBytes));
}

// The same file read and written whole as convert reads and writes it, but
// not rearranged: the safe replacement's share (a temporary file, flushed to
// disk, renamed over the target).
void BM_CopyThroughFileTable(benchmark::State& state)
{
    const TempFolder folder;
    const std::string input = folder.Write("tiles.nes", RandomBytes(kConvertBytes));
    FILE_NUMBER_TABLE* table = FileTableCreateUtf8();
    std::vector<uint8_t> bytes;
    for (auto _ : state)
        if (ReadWholeFile(table, input, bytes) != 0 ||
            WriteWholeFile(table, (folder / "copy.nes").string(), bytes) != 0)
            state.SkipWithError("copy failed");
    FileTableDestroy(table);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kConvertBytes));
}

// The command as a whole: read, draw, encode, write.
void BM_RenderCommand(benchmark::State& state) { RunCommand(state, "render", kRenderBytes, "tiles.png"); }

void BM_DrawWholeSheet(benchmark::State& state)
{
    const std::vector<uint8_t> image = RandomBytes(kRenderBytes);
    WholeSheet sheet;
    for (auto _ : state) {
        DrawWholeSheet("nes", image, 1, 48, sheet);
        benchmark::DoNotOptimize(sheet.values.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRenderBytes));
}

void BM_EncodePng(benchmark::State& state)
{
    WholeSheet sheet;
    DrawWholeSheet("nes", RandomBytes(kRenderBytes), 1, 48, sheet);
    std::vector<uint8_t> png;
    for (auto _ : state) EncodePng(sheet, png);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRenderBytes));
}

// The pixel values of every row in the NES layout, without any drawing: the
// least a render has to do before encoding.
void BM_PlainDecode(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = RandomBytes(kRenderBytes);
    std::vector<uint8_t> pixels(bytes.size() / 2 * 8);
    for (auto _ : state) {
        uint8_t* out = pixels.data();
        for (size_t tile = 0; tile + 16 <= bytes.size(); tile += 16)
            for (size_t row = 0; row < 8; ++row) {
                const uint8_t low = bytes[tile + row], high = bytes[tile + row + 8];
                for (int bit = 7; bit >= 0; --bit)
                    *out++ = static_cast<uint8_t>((low >> bit & 1) | (high >> bit & 1) << 1);
            }
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRenderBytes));
}

}  // namespace

BENCHMARK(BM_ConvertCommand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyThroughFileTable)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderCommand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawWholeSheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainDecode)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

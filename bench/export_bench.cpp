// The export of converted tiles on an 8 MiB image: the rearrangement against a
// plain copy of the same buffer, and the whole export (rearrange and write
// through the file-number table) against copying the same file.
#include "export_converted.h"
#include "tile_conversion.h"

#include <filenums.h>
#include <uihost.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kImageBytes = 8 * 1024 * 1024;

std::vector<std::uint8_t> Image()
{
    std::vector<std::uint8_t> image(kImageBytes);
    std::iota(image.begin(), image.end(), std::uint8_t{0});
    return image;
}

void Rearrange(benchmark::State& state, TileConversion conversion)
{
    const std::vector<std::uint8_t> source = Image();
    std::vector<std::uint8_t> output(source.size());
    for (auto _ : state) {
        ConvertTiles(source, output, conversion);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageBytes));
}

void BM_ConvertTilesNesToGb(benchmark::State& state) { Rearrange(state, TileConversion::NesToGb); }
void BM_ConvertTilesGbToNes(benchmark::State& state) { Rearrange(state, TileConversion::GbToNes); }

void BM_MemcpyImage(benchmark::State& state)
{
    const std::vector<std::uint8_t> source = Image();
    std::vector<std::uint8_t> output(source.size());
    for (auto _ : state) {
        std::memcpy(output.data(), source.data(), source.size());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageBytes));
}

// A save dialog that always chooses the same path.
class FixedSaveDialog : public CommonDialog {
public:
    explicit FixedSaveDialog(std::string path) : path_(std::move(path)) {}
    std::string ShowOpen() override { return path_; }
    std::string ShowSave() override { return path_; }

private:
    std::string path_;
};

// A temporary folder holding the 8 MiB file as it was opened.
class ExportFolder {
public:
    ExportFolder()
    {
        std::string name = (fs::temp_directory_path() / "export-bench-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr) std::abort();
        folder_ = name;
        const std::vector<std::uint8_t> image = Image();
        std::ofstream(Opened(), std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    ~ExportFolder() { fs::remove_all(folder_); }
    ExportFolder(const ExportFolder&) = delete;
    ExportFolder& operator=(const ExportFolder&) = delete;

    fs::path Opened() const { return folder_ / "tiles.nes"; }
    fs::path Target() const { return folder_ / "tiles.gb"; }

private:
    fs::path folder_;
};

int AnswerOk(void*, LPCWSTR, LPCWSTR, UINT) { return 1; }

void BM_ExportFile(benchmark::State& state)
{
    const PLATFORM_UI_HOST quietHost{nullptr, &AnswerOk, nullptr, nullptr};
    SetUiHost(&quietHost);
    const ExportFolder folder;
    const std::vector<std::uint8_t> nesimage = Image();
    const std::vector<std::uint8_t> gbimage(nesimage.size());
    FixedSaveDialog cd1(folder.Target().string());
    FILE_NUMBER_TABLE* filetable = FileTableCreate();
    for (auto _ : state) ExportConverted("nes", nesimage, gbimage, cd1, filetable);
    FileTableDestroy(filetable);
    SetUiHost(nullptr);
    if (fs::file_size(folder.Target()) != kImageBytes) state.SkipWithError("the export wrote no whole file");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageBytes));
}

void BM_CopyFile(benchmark::State& state)
{
    const ExportFolder folder;
    for (auto _ : state) fs::copy_file(folder.Opened(), folder.Target(), fs::copy_options::overwrite_existing);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageBytes));
}

}  // namespace

BENCHMARK(BM_ConvertTilesNesToGb);
BENCHMARK(BM_ConvertTilesGbToNes);
BENCHMARK(BM_MemcpyImage);
BENCHMARK(BM_ExportFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();

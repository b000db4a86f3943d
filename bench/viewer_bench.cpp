// The viewer's sheet walks at full size: every row through the registered
// component, drawn on the real Picture1 (offscreen), with the Qt event pump;
// a plain decode of the same bytes for comparison; and how long a click
// waits while a walk runs.
#include "binary_row_converter.h"
#include "form1.h"
#include "registered_component.h"
#include "scripted_common_dialog.h"
#include "temp_folder.h"

#include <uihost.h>
#include <qt_ui_host.h>

#include <QApplication>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kWalkBytes = size_t{8} << 20;
constexpr size_t kClickBytes = size_t{64} << 20;

TempFolder* folder = nullptr;

std::vector<uint8_t> RandomBytes(size_t size)
{
    std::mt19937 random(2024);
    std::vector<uint8_t> bytes(size);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<uint8_t>(random()); });
    return bytes;
}

// The pixel values of every row of the bytes in the given layout, without
// any drawing: the least a walk has to do.
void PlainDecode(const std::vector<uint8_t>& bytes, bool nes, std::vector<uint8_t>& pixels)
{
    pixels.resize(bytes.size() / 2 * 8);
    uint8_t* out = pixels.data();
    for (size_t tile = 0; tile + 16 <= bytes.size(); tile += 16)
        for (size_t row = 0; row < 8; ++row) {
            const uint8_t low = bytes[tile + (nes ? row : 2 * row)];
            const uint8_t high = bytes[tile + (nes ? row + 8 : 2 * row + 1)];
            for (int bit = 7; bit >= 0; --bit)
                *out++ = static_cast<uint8_t>(((low >> bit) & 1) | ((high >> bit) & 1) << 1);
        }
}

double PlainDecodeSeconds(const std::vector<uint8_t>& bytes, bool nes)
{
    std::vector<uint8_t> pixels;
    PlainDecode(bytes, nes, pixels);
    constexpr int kRounds = 5;
    const auto start = Clock::now();
    for (int round = 0; round < kRounds; ++round) {
        PlainDecode(bytes, nes, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
    return std::chrono::duration<double>(Clock::now() - start).count() / kRounds;
}

// A loaded window; every iteration redraws the whole sheet from position 1.
void SheetWalk(benchmark::State& state, const char* name)
{
    const bool nes = std::string_view(name).ends_with(".nes");
    const std::vector<uint8_t> bytes = RandomBytes(kWalkBytes);
    const std::string path = folder->Write(name, bytes);
    BinaryRowConverter binary(u"");
    ScriptedCommonDialog cd1;
    cd1.answers.push_back(path);
    Form1 form(cd1, binary);
    form.Load();
    if (form.viewer().Ended()) {
        state.SkipWithError("the file could not be loaded");
        return;
    }
    auto* redraw = form.findChild<QPushButton*>("Command2");
    const auto start = Clock::now();
    for (auto _ : state) redraw->click();
    const double walk = std::chrono::duration<double>(Clock::now() - start).count() / static_cast<double>(state.iterations());

    const double plain = PlainDecodeSeconds(bytes, nes);
    const double rows = static_cast<double>(bytes.size() / 2);
    state.counters["rows"] = rows;
    state.counters["ns_per_row"] = walk * 1e9 / rows;
    state.counters["plain_decode_ms"] = plain * 1e3;
    state.counters["walk_to_plain_ratio"] = walk / plain;
}

void BM_GbWalk8MiB(benchmark::State& state) { SheetWalk(state, "walk.gb"); }
void BM_NesWalk8MiB(benchmark::State& state) { SheetWalk(state, "walk.nes"); }

// Clicks on Command1 queued from another thread every 20 ms or so while the
// first walk over 64 MiB runs; each reports how long it waited for its
// handler. The clicks begin once the walk's event pump has run the first
// time, so that reading the file at load is not counted. Then the window is
// closed, which ends the walk.
void BM_ClickWaitDuringWalk64MiB(benchmark::State& state)
{
    const std::string path = folder->Write("click.gb", RandomBytes(kClickBytes));
    constexpr int kClicks = 40;
    std::vector<double> waits;
    for (auto _ : state) {
        BinaryRowConverter binary(u"");
        ScriptedCommonDialog cd1;
        cd1.answers.push_back(path);
        Form1 form(cd1, binary);
        auto* button = form.findChild<QPushButton*>("Command1");
        std::atomic<Clock::rep> sent{0};
        std::atomic<int> handled{0};
        QObject::connect(button, &QPushButton::clicked, [&] {
            const Clock::time_point sentAt{Clock::duration(sent.load())};
            waits.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sentAt).count());
            ++handled;
        });
        std::atomic<bool> walking{false};
        QMetaObject::invokeMethod(&form, [&] { walking = true; }, Qt::QueuedConnection);
        std::thread user([&] {
            const auto loadDeadline = Clock::now() + std::chrono::seconds(30);
            while (!walking.load() && Clock::now() < loadDeadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            for (int click = 0; click < kClicks; ++click) {
                const int before = handled.load();
                sent = Clock::now().time_since_epoch().count();
                // Queued like the window system's events, and run by the same event pump.
                QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
                const auto deadline = Clock::now() + std::chrono::seconds(2);
                while (handled.load() == before && Clock::now() < deadline)
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            QMetaObject::invokeMethod(&form, "close", Qt::QueuedConnection);
        });
        form.Load();
        user.join();
        if (!form.viewer().Ended()) state.SkipWithError("the walk ended before the clicks");
    }
    if (waits.empty()) return;
    std::sort(waits.begin(), waits.end());
    state.counters["clicks"] = static_cast<double>(waits.size());
    state.counters["wait_median_ms"] = waits[waits.size() / 2];
    state.counters["wait_max_ms"] = waits.back();
}

}  // namespace

BENCHMARK(BM_GbWalk8MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_NesWalk8MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ClickWaitDuringWalk64MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char* argv[])
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TempFolder files;
    folder = &files;
    const RegisteredComponent component(BITSTRINGS_LIBRARY);
    QApplication app(argc, argv);
    InstallQtUiHost();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetUiHost(nullptr);
    return 0;
}

// The line rasteriser's own cost: lines of several slopes, pels and line
// textures are rasterised with no display current, so the driver takes
// each span and draws nothing. Reports spans per second.
#include <benchmark/benchmark.h>

#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"

namespace {

using namespace naplps;

void setUp() {
    nxg = Nxg{};
    ras = Raster{};
    ip = Interp{};
    ras.pen.LogPelX = ras.pen.LogPelY = 1;
    nxg.NXG_win_wid = nxg.SW1_pm_wid = 511;
    nxg.NXG_win_hgt = nxg.SW1_pm_hgt = 399;
}

// A fan of 64 lines from the centre of a 512 x 400 picture to its edges.
void BM_LineFan(benchmark::State &state) {
    const int pel = int(state.range(0)), texture = int(state.range(1));
    setUp();
    for (auto _ : state) {
        for (int k = 0; k < 16; k++) {
            const int s = k * 32;
            line(256, 200, s, 0, pel, pel, 16, 32, texture);
            line(256, 200, 511, s * 400 / 512, pel, pel, 16, 32, texture);
            line(256, 200, 511 - s, 399, pel, pel, 16, 32, texture);
            line(256, 200, 0, 399 - s * 400 / 512, pel, pel, 16, 32, texture);
        }
    }
    state.counters["spans/s"] = benchmark::Counter(double(ras.spans), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LineFan)
    ->ArgNames({"pel", "texture"})
    ->Args({1, 0})
    ->Args({3, 0})
    ->Args({1, 1})
    ->Args({1, 3})
    ->Args({4, 2});

// Long lines through the window and far beyond it, as a hostile stream can
// ask for.
void BM_LongLine(benchmark::State &state) {
    setUp();
    for (auto _ : state) line(-1000000, -3, 1000000, 5, 1, 1, 16, 32, int(state.range(0)));
    state.counters["spans/s"] = benchmark::Counter(double(ras.spans), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LongLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

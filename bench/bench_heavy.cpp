// Heavy streams: the CPU time of streams that make the decoder work hard for
// few bytes, decoded on a 512 x 400 in-memory picture as pdi2png decodes
// them. Counters: bytes of the stream, drawing work units spent and
// primitives refused for want of work (raster/raster.h), nanoseconds per
// unit and per stream byte.
#include <benchmark/benchmark.h>

#include <vector>

#include "decoder/api.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "tests/heavy_streams.h"

using namespace naplps;

namespace {

void decode(const heavy::Bytes &s, int w, int h) {
    pdi_load_state();
    int id = -1;
    if (pdi_win_open(&id, 0, nullptr, nullptr, w, h) != 0) return;
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, w - 1, h - 1);
    for (uint8_t b : s) {
        pdi_putchar(0, b);
        while (pdi_wait_ticks(0) > 0) pdi_tick(0);
    }
    pdi_flush(0);
    pdi_win_close(id);
}

void run(benchmark::State &state, const heavy::Bytes &s) {
    const int w = int(state.range(0)), h = int(state.range(1));
    uint64_t spent = 0, refused = 0;
    for (auto _ : state) {
        decode(s, w, h);
        spent = ras.WorkSpent;
        refused = ras.WorkRefused;
    }
    state.counters["bytes"] = double(s.size());
    state.counters["units"] = double(spent);
    state.counters["refused"] = double(refused);
    state.counters["ns_per_unit"] =
        benchmark::Counter(double(spent) * double(state.iterations()) / 1e9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["us_per_KB"] =
        benchmark::Counter(double(s.size()) * double(state.iterations()) / 1024 / 1e6,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

constexpr size_t KB10 = 10240;

void BM_IncrementalScroll(benchmark::State &state) { run(state, heavy::incrementalScroll(KB10)); }
void BM_ScrollFeeds(benchmark::State &state) { run(state, heavy::scrollFeeds(KB10)); }
void BM_MacroChainSolid(benchmark::State &state) {
    run(state, heavy::macroChain(heavy::solidFillBody(), 20, KB10));
}
void BM_MacroChainHatched(benchmark::State &state) {
    run(state, heavy::macroChain(heavy::hatchedFillBody(), 20, KB10));
}
void BM_MacroChainPolygon(benchmark::State &state) {
    run(state, heavy::macroChain(heavy::polygonBody(), 20, KB10));
}

void BM_MacroChainTexture(benchmark::State &state) {
    run(state, heavy::macroChain(heavy::textureBody(), 20, KB10));
}
void BM_MacroChainRepeat(benchmark::State &state) {
    run(state, heavy::macroChain(heavy::repeatBody(), 20, KB10));
}
void BM_MacroChainWait(benchmark::State &state) {
    run(state, heavy::macroChain(heavy::waitBody(), 20, KB10));
}

#define HEAVY(name) \
    BENCHMARK(name)->Args({512, 400})->Args({1024, 1024})->Unit(benchmark::kMillisecond)
HEAVY(BM_IncrementalScroll);
HEAVY(BM_ScrollFeeds);
HEAVY(BM_MacroChainSolid);
HEAVY(BM_MacroChainHatched);
HEAVY(BM_MacroChainPolygon);
HEAVY(BM_MacroChainTexture);
HEAVY(BM_MacroChainRepeat);
HEAVY(BM_MacroChainWait);

}  // namespace

BENCHMARK_MAIN();

// Characters drawn per second: the text path alone (no display, the driver
// draws nothing) and on a private 8-bit Xvfb through the driver, at the
// normal character size and at a size whose glyph dots are 2 x 2 pixels
// with diagonal smoothing; and glyph lookups in the built-in font.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "decoder/c1.h"
#include "interp/interp.h"
#include "nxg/nxgfnt.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "text/text.h"
#include "interp/state.h"
#include "tests/x11_fixture.h"
#include "text/state.h"

namespace naplps {
namespace {

const std::string LINE = "The quick brown fox jumps over the lazy dog 0123456789 !?";

void resetText(int px, int py) {
    std::vector<int32_t> r(DATA_SIZE, 0);
    int32_t reset[] = {9, 1, 0, 0, 1, 0, 0, 0, 0, 0};
    std::copy(std::begin(reset), std::end(reset), r.begin());
    pdi(OP_RESET, r.data());
    int32_t text[] = {8, 0, 0, 0, 0, 0, 0, px * 0x8000, py * 0x8000};
    std::copy(std::begin(text), std::end(text), r.begin());
    pdi(OP_TEXT, r.data());
    ras.pen.ColorNo = 16;
}

void drawLines(benchmark::State &state) {
    std::vector<int32_t> rec(DATA_SIZE, 0);
    rec[0] = int32_t(LINE.size());
    for (size_t i = 0; i < LINE.size(); i++) rec[i + 1] = LINE[i];
    int64_t chars = 0;
    for (auto _ : state) {
        pdi_putchar(0, 0x1E);  // home
        PDI_moji(SET_PRIMARY, rec.data());
        chars += rec[0];
    }
    state.counters["chars/s"] = benchmark::Counter(double(chars), benchmark::Counter::kIsRate);
}

void BM_TextNoDisplay(benchmark::State &state) {
    pdi_load_state();
    pdi_ctl(0, 0, 0, 0, 512);
    resetText(int(state.range(0)), int(state.range(1)));
    drawLines(state);
    pdi_load_state();
}
BENCHMARK(BM_TextNoDisplay)->Args({12, 20})->Args({32, 40});

void BM_TextXvfb(benchmark::State &state) {
    xtest::resetState();
    if (xtest::xvfbDisplay(8).empty()) {
        state.SkipWithError("Xvfb could not be started");
        return;
    }
    auto w = std::make_unique<xtest::TestWindow>(512, 400);
    if (!w->ok() || w->open() < 0) {
        state.SkipWithError("no window");
        return;
    }
    w->playArea();
    resetText(int(state.range(0)), int(state.range(1)));
    drawLines(state);
    XSync(w->dpy, False);
    w.reset();
    xtest::resetState();
}
BENCHMARK(BM_TextXvfb)->Args({12, 20})->Args({32, 40})->UseRealTime();

void BM_GlyphLookup(benchmark::State &state) {
    uint8_t buf[32];
    int code = 0x3021;
    for (auto _ : state) {
        benchmark::DoNotOptimize(uf_get1(code, buf));
        code = code == 0x4F53 ? 0x3021 : code + 1;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_GlyphLookup);

}  // namespace
}  // namespace naplps

BENCHMARK_MAIN();

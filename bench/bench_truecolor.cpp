// Cost of one blink tick in which one colour changes, for a 512 x 400
// picture: on a 24-bit TrueColor Xvfb (the pixels of the changed colour
// repainted from the driver's picture), on an 8-bit PseudoColor Xvfb (one
// colour cell stored) and on the in-memory surface. The changed colour
// covers a small rectangle, half the picture, or every other pixel of the
// whole picture (the most runs a row can hold). Each tick ends with the X
// server having done its work (XSync).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "interp/state.h"
#include "interp/blink.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "tests/x11_fixture.h"  // Xlib after GoogleTest

namespace naplps {
namespace {

constexpr int W = 512, H = 400;

void noSleep(int) {}

// Cell 0 everywhere, then the blinking cell 1 over the given coverage:
// 0 a 64 x 48 rectangle, 1 the left half, 2 every other pixel.
void drawPicture(int coverage) {
    NXG_set_pal(0, 0, 0, 0);
    NXG_set_pal(16, 255, 0, 0);
    NXG_set_pal(32, 0, 255, 0);
    ras.DRAW_COLOR_fg = 0;
    dot_p(0, 0, W, H - 1);
    ras.DRAW_COLOR_fg = 16;
    if (coverage == 0) {
        dot_p(100, 100, 64, 47);
    } else if (coverage == 1) {
        dot_p(0, 0, W / 2, H - 1);
    } else {
        std::vector<uint8_t> px(size_t(W) * H);
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) px[size_t(y) * W + x] = uint8_t((x + y) % 2 ? 1 : 2);
        NXG_put_image(px.data(), W, H, 0, 0);
    }
    // Colour 16 alternates at every tick.
    ip.BTFlag[16] = 1;
    ip.BTCount[16] = 0;
    ip.BTOnTime[16] = ip.BTOffTime[16] = 1;
    ip.BTOnR[16] = 255, ip.BTOnG[16] = 0, ip.BTOnB[16] = 0;
    ip.BTOffR[16] = 0, ip.BTOffG[16] = 0, ip.BTOffB[16] = 255;
}

// The time of an iteration is the cost of one tick (wall clock: the X
// server's share included).
void ticks(benchmark::State &state, Display *dpy) {
    for (auto _ : state) {
        blink_tick();
        if (dpy != nullptr) XSync(dpy, False);
    }
}

void onXvfb(benchmark::State &state, int depth) {
    xtest::resetState();
    nxg.sleep_ms = noSleep;
    nxgx.NXG_log_path = nullptr;
    if (xtest::xvfbDisplay(depth).empty()) {
        state.SkipWithError("Xvfb could not be started");
        return;
    }
    auto t = std::make_unique<xtest::TestWindow>(W, H, depth);
    if (!t->ok() || t->open() != 0) {
        state.SkipWithError("no window");
        return;
    }
    drawPicture(int(state.range(0)));
    XSync(t->dpy, False);
    ticks(state, t->dpy);
    if (nxgx.NXG_win_err != 0) state.SkipWithError("X error");
    t.reset();
    xtest::resetState();
}

void BM_BlinkTickTrueColor(benchmark::State &state) { onXvfb(state, 24); }
void BM_BlinkTickPseudoColor(benchmark::State &state) { onXvfb(state, 8); }

void BM_BlinkTickInMemory(benchmark::State &state) {
    xtest::resetState();
    int id = -1;
    if (pdi_win_open(&id, 0, nullptr, nullptr, W, H) != 0) {
        state.SkipWithError("no memory surface");
        return;
    }
    drawPicture(int(state.range(0)));
    ticks(state, nullptr);
    pdi_win_close(id);
    xtest::resetState();
}

BENCHMARK(BM_BlinkTickTrueColor)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_BlinkTickPseudoColor)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_BlinkTickInMemory)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace naplps

BENCHMARK_MAIN();

// Arcs drawn per second: whole circles and three-point arcs, outlined and
// filled, at radii of 10 and 100 pixels, without a display (the driver draws
// nothing) and on a private 8-bit Xvfb; and INCREMENTAL POINT pels per
// second.
#include <benchmark/benchmark.h>

#include <memory>
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
#include "interp/arc.h"
#include "interp/state.h"
#include "raster/arc.h"
#include "tests/x11_fixture.h"

namespace naplps {
namespace {

enum Kind { CIRCLE, DISK, ARC, SEGMENT };

void setUp() {
    ras.pen.Scr_Ratio = 512;
    ras.pen.PhyPelX = ras.pen.PhyPelY = 1;
    ras.pen.ColorMod = 1;
    ras.pen.ForColor = 16;
}

// One arc of the kind about (200, 200), radius r.
void drawArcs(benchmark::State &state) {
    const int kind = int(state.range(0)), r = int(state.range(1));
    int64_t arcs = 0;
    for (auto _ : state) {
        switch (kind) {
        case CIRCLE: arcoutline(200 - r, 200, 200 + r, 200, 200 - r, 200); break;
        case DISK: arcfil(200 - r, 200, 200 + r, 200, 200 - r, 200); break;
        case ARC: arcoutline(200 - r, 200, 200, 200 + r, 200 + r, 200); break;
        default: arcfil(200 - r, 200, 200, 200 + r, 200 + r, 200); break;
        }
        arcs++;
    }
    state.counters["arcs/s"] = benchmark::Counter(double(arcs), benchmark::Counter::kIsRate);
}

void BM_ArcNoDisplay(benchmark::State &state) {
    xtest::resetState();
    setUp();
    drawArcs(state);
    xtest::resetState();
}
BENCHMARK(BM_ArcNoDisplay)
    ->ArgsProduct({{CIRCLE, DISK, ARC, SEGMENT}, {10, 100}})
    ->ArgNames({"kind", "r"});

void BM_ArcXvfb(benchmark::State &state) {
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
    setUp();
    drawArcs(state);
    XSync(w->dpy, False);
    w.reset();
    xtest::resetState();
}
BENCHMARK(BM_ArcXvfb)
    ->ArgsProduct({{CIRCLE, DISK, ARC, SEGMENT}, {10, 100}})
    ->ArgNames({"kind", "r"})
    ->UseRealTime();

// Full batches of 24-bit direct-colour pels (the nearest-colour search per
// pel) and of 8-bit colour indices, rows of 256 pels in a field.
void BM_IncrementalPoint(benchmark::State &state) {
    xtest::resetState();
    setUp();
    const int n = int(state.range(0));
    ras.pen.ColorMod = n == 24 ? 0 : 1;
    ras.pen.LogPelX = ras.pen.LogPelY = 0x8000;
    ip.Act_L = 0, ip.Act_R = 256 * 0x8000, ip.Act_B = 0, ip.Act_T = 0xC80000;
    std::vector<int32_t> rec(DATA_SIZE, 0x2A);
    int64_t pels = 0;
    for (auto _ : state) {
        rec[0] = n + 1;
        rec[1] = n;
        PDI_incpoint(rec.data());
        pels += 6;
    }
    state.counters["pels/s"] = benchmark::Counter(double(pels), benchmark::Counter::kIsRate);
    xtest::resetState();
}
BENCHMARK(BM_IncrementalPoint)->Arg(8)->Arg(24);

}  // namespace
}  // namespace naplps

BENCHMARK_MAIN();

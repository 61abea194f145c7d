// Helpers of the drawing tests: instructions run through the dispatcher as
// decoded records (logical units: one pixel is 0x8000 at 512 pixels per
// unit screen), bytes fed through pdi_putchar, on a fresh in-memory surface
// read back as a grid of colour-cell digits (index 16 k shows as k).
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
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
#include "nxg/nxg.h"
#include "tests/surface_fixture.h"

namespace naplps::steps {

constexpr int32_t U = 0x8000;  // one pixel in logical units

inline void runRecord(int opcode, std::vector<int32_t> values) {
    values.insert(values.begin(), int32_t(values.size()));
    values.resize(DATA_SIZE);
    exec_instruction(opcode, values.data());
}
inline void run(int opcode, std::initializer_list<int32_t> values) { runRecord(opcode, values); }

// Stream bytes; type() ends the text run with a NUL, which does nothing else.
inline void feed(const std::string &bytes) {
    for (unsigned char b : bytes) pdi_putchar(0, b);
}
inline void type(const std::string &text) { feed(text + std::string(1, '\0')); }
// APS to a row and column (cells of the current character size), given as
// operand bytes.
inline std::string apsBytes(int row, int col) {
    return {char(C0_APS), char(0x40 + row), char(0x40 + col)};
}

// SELECT COLOR with colour indices 16 * digit at SngLen 1.
inline void colours(int fg) { run(OP_SELECTCOLOR, {fg * 4}); }
inline void colours(int fg, int bg) { run(OP_SELECTCOLOR, {fg * 4, bg * 4}); }
// DOMAIN with a pel of px x py pixels.
inline void pel(int px, int py) { run(OP_DOMAIN, {0, 2, 0, px * U, py * U}); }

// SET & POLYGON (filled or outlined) with pixel vertices: the first
// absolute, the others as relative pairs.
inline void polygon(int opcode, const std::vector<std::pair<int, int>> &pts) {
    std::vector<int32_t> v = {pts[0].first * U, pts[0].second * U};
    for (size_t i = 1; i < pts.size(); i++)
        v.insert(v.end(),
                 {(pts[i].first - pts[i - 1].first) * U, (pts[i].second - pts[i - 1].second) * U});
    runRecord(opcode, v);
}
// SET & RECTANGLE FILLED in pixels.
inline void rect(int x, int y, int w, int h) { run(OP_SETRECTFILL, {x * U, y * U, w * U, h * U}); }

// A surface of the fixture with the plug-in's drawing area, the lengths of
// RESET's domain group, a 1 x 1 pel, the solid texture and foreground 1.
class DrawTest : public ::testing::Test {
public:
    void open(int w, int h) {
        win.reset();
        ptest::resetState();
        win = std::make_unique<ptest::TestSurface>(w, h);
        ASSERT_EQ(win->open(), 0);
        win->playArea();
        dec.SngLen = 1;
        dec.MulLen = 3;
        ras.pen.PhyPelX = ras.pen.PhyPelY = 1;
        set_TEXTURE(0);
        colours(1);
    }
    void TearDown() override {
        win.reset();
        ptest::resetState();
    }
    ptest::Grid grid() { return win->grid(); }
    // The digit at bottom-up pixel (x, y).
    static char at(const ptest::Grid &g, int x, int y) {
        return g[g.size() - 1 - size_t(y)][size_t(x)];
    }
    // Clears the whole window to colour digit c.
    void clear(int c) {
        ras.DRAW_COLOR_fg = 16 * c;
        dot_p(0, 0, win->width, win->height - 1);
    }
    std::unique_ptr<ptest::TestSurface> win;
};

// Every pixel x < w, y < h (bottom-up) of g is want(x, y).
template <typename Want>
void expectPixels(const ptest::Grid &g, int w, int h, Want want) {
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) ASSERT_EQ(DrawTest::at(g, x, y), want(x, y)) << x << "," << y;
}

}  // namespace naplps::steps

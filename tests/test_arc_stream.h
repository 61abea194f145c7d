// Helpers of the line, command, arc and incremental-point tests: picture
// streams of 8-bit NAPLPS bytes (PDI set in GR, pixel coordinates at 512
// pixels per unit screen, four-byte multi-value operands: a quarter pixel a
// step), and a fixture of fresh memory surfaces read back as grids of colour
// cells (colour index 16k shows as cell k).
#pragma once

#include <memory>
#include <set>
#include <utility>

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

namespace naplps::arctest {

using ptest::Grid;
using ptest::pictureIs;
using Pixel = std::pair<int, int>;  // bottom-up (x, y)
using Ints = std::vector<int32_t>;  // several values compared at once

// Logical units of n pixels at 512 pixels per unit screen.
constexpr int32_t L(int32_t n) { return n * 0x8000; }

// The cell of bottom-up pixel (x, y); the cells of a list of pixels; the
// pixels that are not cell 0.
inline char at(const Grid &g, int x, int y) { return g[g.size() - 1 - size_t(y)][size_t(x)]; }
inline std::string cells(const Grid &g, std::initializer_list<Pixel> px) {
    std::string s;
    for (auto [x, y] : px) s += at(g, x, y);
    return s;
}
inline std::set<Pixel> lit(const Grid &g) {
    std::set<Pixel> s;
    for (size_t r = 0; r < g.size(); r++)
        for (size_t x = 0; x < g[r].size(); x++)
            if (g[r][x] != '0' && g[r][x] != '.') s.insert({int(x), int(g.size() - 1 - r)});
    return s;
}

struct Stream {
    std::vector<uint8_t> bytes;
    Stream &raw(int b) {
        bytes.push_back(uint8_t(b));
        return *this;
    }
    Stream &op(int opcode) { return raw(0x80 | opcode); }
    Stream &operand(int six) { return raw(0xC0 | (six & 0x3F)); }
    // A pair in quarter pixels: 12 bits each, x in the upper three bits of every byte.
    Stream &xyq(int qx, int qy) {
        for (int k = 3; k >= 0; k--) operand((((qx >> (3 * k)) & 7) << 3) | ((qy >> (3 * k)) & 7));
        return *this;
    }
    Stream &xy(int px, int py) { return xyq(4 * px, 4 * py); }
    // RESET of domain, colours (1: direct colour, 3: colour map), screen and
    // text; then DOMAIN with four-byte pairs and a pelx x pely pel (0: none).
    Stream &start(int colourCode, int pelx = 0, int pely = 0) {
        return op(OP_RESET).operand(1 | (colourCode << 1) | (1 << 3)).operand(1).domain(pelx, pely);
    }
    Stream &domain(int pelx, int pely) { return op(OP_DOMAIN).operand(3 << 2).xy(pelx, pely); }
    // SELECT COLOR: one value (transparent background) or two (opaque).
    Stream &select(int fg) { return op(OP_SELECTCOLOR).operand(fg >> 2); }
    Stream &select(int fg, int bg) { return select(fg).operand(bg >> 2); }
    // TEXTURE: line texture 0-3 and highlight.
    Stream &texture(int line, bool hilight = false) {
        return op(OP_TEXTURE).operand(line | (hilight ? 4 : 0));
    }
    Stream &moveTo(int px, int py) { return op(OP_ABSPOINT).xy(px, py); }
    Stream &end() { return raw(0x0F); }  // SI: ends the instruction, draws nothing
};

// Colour-map mode, foreground index 16, no logical pel (1 x 1, solid lines).
inline Stream plain() { return Stream().start(3).select(16); }

// Load-time state, and fresh memory surfaces (with, by default, the
// plug-in's drawing area), a 1 x 1 pel and colour index 16 in colour-map
// and direct mode.
class GeoTest : public ::testing::Test {
protected:
    void SetUp() override { ptest::resetState(); }
    std::unique_ptr<ptest::TestSurface> window(int w, int h, bool playArea = true) {
        auto t = std::make_unique<ptest::TestSurface>(w, h);
        EXPECT_EQ(t->open(), 0);
        if (playArea) t->playArea();
        ras.pen.PhyPelX = ras.pen.PhyPelY = ras.pen.ColorMod = 1;
        ras.pen.ForColor = ras.pen.ColorNo = 16;
        return t;
    }
    // The picture that draw(surface) or a stream makes on a fresh surface.
    template <class Draw>
    Grid drawn(int w, int h, Draw draw) {
        auto t = window(w, h);
        draw(*t);
        return t->grid();
    }
    Grid picture(int w, int h, const Stream &s) {
        return drawn(w, h, [&](ptest::TestSurface &t) { t.feed(s.bytes); });
    }
};

}  // namespace naplps::arctest

// In-memory test surfaces and pixel grids for the drawing tests.
#include "tests/surface_fixture.h"

#include <algorithm>
#include <sstream>

#include "decoder/api.h"
#include "nxg/nxg.h"

namespace naplps::ptest {

void resetState() { pdi_load_state(); }

TestSurface::~TestSurface() { close(); }

int TestSurface::open() {
    int r = pdi_win_open(&id, 0, nullptr, nullptr, width, height);
    if (r == 0) pdi_load_canvas(id, 0, 0, width, height);
    return r;
}

void TestSurface::playArea() {
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, width - 1, height - 1);
}

void TestSurface::feed(const std::vector<uint8_t> &bytes) {
    for (uint8_t b : bytes) pdi_putchar(0, b);
}

void TestSurface::feed(const std::string &bytes) { feed(std::vector<uint8_t>(bytes.begin(), bytes.end())); }

void TestSurface::resize(int w, int h) {
    width = w;
    height = h;
}

void TestSurface::close() {
    if (id >= 0) {
        pdi_win_close(id);
        id = -1;
    }
}

Grid TestSurface::grid() const {
    Grid g;
    if (id < 0 || id >= NXG_WIN_MAX) return g;
    const NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    for (int y = 0; y < w.pic_h; y++) {
        std::string row;
        for (int x = 0; x < w.pic_w; x++) {
            uint8_t p = w.pic[size_t(y) * size_t(w.pic_w) + size_t(x)];
            row += p < 16 ? "0123456789abcdef"[p] : '?';
        }
        g.push_back(row);
    }
    return g;
}

::testing::AssertionResult pictureIs(const Grid &actual, const Grid &expected) {
    bool same = actual.size() == expected.size();
    for (size_t r = 0; same && r < actual.size(); r++) {
        const std::string &a = actual[r], &e = expected[r];
        if (a.size() != e.size()) same = false;
        for (size_t c = 0; same && c < a.size(); c++)
            if (a[c] != e[c] && !(e[c] == '.' && a[c] == '0')) same = false;
    }
    if (same) return ::testing::AssertionSuccess();
    std::ostringstream os;
    size_t width = 8;
    for (auto &e : expected) width = std::max(width, e.size());
    os << "picture differs\n  " << std::string("expected") << std::string(width - 8, ' ')
       << "   actual\n";
    size_t rows = std::max(actual.size(), expected.size());
    for (size_t r = 0; r < rows; r++) {
        std::string e = r < expected.size() ? expected[r] : "";
        std::string a = r < actual.size() ? actual[r] : "";
        bool rowSame = e.size() == a.size();
        for (size_t c = 0; rowSame && c < e.size(); c++)
            if (e[c] != a[c] && !(e[c] == '.' && a[c] == '0')) rowSame = false;
        os << (rowSame ? "  " : "* ") << e << std::string(width - e.size(), ' ') << " | " << a
           << "\n";
    }
    return ::testing::AssertionFailure() << os.str();
}

::testing::AssertionResult onlyCells(const TestSurface &s) {
    Grid g = s.grid();
    if (g.empty()) return ::testing::AssertionFailure() << "no picture";
    for (size_t r = 0; r < g.size(); r++)
        if (g[r].find('?') != std::string::npos)
            return ::testing::AssertionFailure() << "row " << r << " holds a byte of no cell: " << g[r];
    return ::testing::AssertionSuccess();
}

Grid blank(int w, int h, char c) { return Grid(size_t(h), std::string(size_t(w), c)); }

}  // namespace naplps::ptest

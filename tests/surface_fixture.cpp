// The drawing tests' harness: pdienc scripts in, grids of colour cells out.
#include "tests/surface_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "decoder/api.h"
#include "nxg/nxg.h"

namespace naplps::ptest {

void resetState() { pdi_load_state(); }

Bytes encode(const std::string &pdt) {
    std::string text = pdt;
    std::replace(text.begin(), text.end(), ';', '\n');
    char path[] = "/tmp/naplps-script-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) {
        ADD_FAILURE() << "no temporary file";
        return {};
    }
    close(fd);
    std::ofstream(path) << text << "\n";
    FILE *p = popen((std::string(PDIENC_PATH) + " " + path + " - 2>&1").c_str(), "r");
    Bytes out;
    for (int c; p && (c = std::fgetc(p)) != EOF;) out.push_back(uint8_t(c));
    int status = p ? pclose(p) : -1;
    unlink(path);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "pdienc refused the script: " << std::string(out.begin(), out.end());
        return {};
    }
    return out;
}

TestSurface::~TestSurface() { close(); }

int TestSurface::open() {
    int r = pdi_win_open(&id, 0, nullptr, nullptr, width, height);
    if (r == 0) pdi_load_canvas(id, 0, 0, width, height);
    return r;
}

void TestSurface::playArea(int ratio) {
    pdi_ctl(0, 0, 0, 0, ratio);
    pdi_clip(0, 0, 0, width - 1, height - 1);
}

void TestSurface::feed(const Bytes &bytes) {
    for (uint8_t b : bytes) pdi_putchar(0, b);
}

void TestSurface::feed(const std::string &bytes) { feed(Bytes(bytes.begin(), bytes.end())); }

void TestSurface::resize(int w, int h) {
    width = w;
    height = h;
}

void TestSurface::close() {
    if (id >= 0) pdi_win_close(id);
    id = -1;
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

const char kPen[] = "domain pel=1,1\nselect 16\n";

Grid drawn(int w, int h, const std::string &pdt, int ratio) {
    resetState();
    TestSurface s(w, h);
    if (s.open() != 0) return {};
    s.playArea(ratio);
    s.play(kPen + pdt);
    pdi_flush(0);
    return s.grid();
}

Grid art(const std::string &rows) {
    Grid g;
    std::istringstream in(rows);
    for (std::string row; in >> row;) g.push_back(row);
    return g;
}

static bool sameRow(const std::string &a, const std::string &e) {
    if (a.size() != e.size()) return false;
    for (size_t c = 0; c < a.size(); c++)
        if (a[c] != e[c] && !(e[c] == '.' && a[c] == '0')) return false;
    return true;
}

::testing::AssertionResult pictureIs(const Grid &actual, const Grid &expected) {
    bool same = actual.size() == expected.size();
    for (size_t r = 0; same && r < actual.size(); r++) same = sameRow(actual[r], expected[r]);
    if (same) return ::testing::AssertionSuccess();
    std::ostringstream os;
    size_t width = 8;
    for (auto &e : expected) width = std::max(width, e.size());
    os << "picture differs\n  expected" << std::string(width - 8, ' ') << "   actual\n";
    for (size_t r = 0; r < std::max(actual.size(), expected.size()); r++) {
        std::string e = r < expected.size() ? expected[r] : "";
        std::string a = r < actual.size() ? actual[r] : "";
        os << (sameRow(a, e) ? "  " : "* ") << e << std::string(width - e.size(), ' ') << " | " << a
           << "\n";
    }
    return ::testing::AssertionFailure() << os.str();
}

::testing::AssertionResult draws(const std::string &pdt, const std::string &picture, int ratio) {
    Grid want = art(picture);
    if (want.empty()) return ::testing::AssertionFailure() << "no picture";
    return pictureIs(drawn(int(want[0].size()), int(want.size()), pdt, ratio), want) << "script:\n"
                                                                                     << pdt;
}

::testing::AssertionResult onlyCells(const TestSurface &s) {
    Grid g = s.grid();
    if (g.empty()) return ::testing::AssertionFailure() << "no picture";
    for (size_t r = 0; r < g.size(); r++)
        if (g[r].find('?') != std::string::npos)
            return ::testing::AssertionFailure() << "row " << r << " holds a byte of no cell";
    return ::testing::AssertionSuccess();
}

Grid blank(int w, int h, char c) { return Grid(size_t(h), std::string(size_t(w), c)); }

char at(const Grid &g, int x, int y) { return g[g.size() - 1 - size_t(y)][size_t(x)]; }

}  // namespace naplps::ptest

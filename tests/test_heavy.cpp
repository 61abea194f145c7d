// Heavy and hostile streams (tests/heavy_streams.h) on the in-memory
// surface: the slow streams that scrolled the picture once per pel or per
// line feed are drawn whole within the work their bytes pay for, and a
// scroll moves the rows as they were; streams whose macros replay heavy
// drawing spend no more drawing work than their bytes earn, while what the
// meter refuses is pixels only, never the state the stream goes on from;
// and no real picture is ever refused work. Time is measured by
// bench/bench_heavy, not here.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoder/api.h"
#include "decoder/state.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "tests/heavy_streams.h"
#include "tests/surface_fixture.h"
#include "text/state.h"

namespace naplps {
namespace {

using heavy::Bytes;
using ptest::Grid;

constexpr size_t KB10 = 10240;

// Feeds a stream as the tools do (pauses ticked through, the end of the
// stream completed) into a fresh w x h surface from the load-time state.
struct Decoded {
    Grid grid;
    uint64_t refused = 0, spent = 0, copies = 0;
};

Decoded decode(const Bytes &s, int w = 512, int h = 400) {
    ptest::resetState();
    nxg.sleep_ms = [](int) {};
    ptest::TestSurface t(w, h);
    EXPECT_EQ(t.open(), 0);
    t.playArea();
    for (uint8_t b : s) {
        pdi_putchar(0, b);
        while (pdi_wait_ticks(0) > 0) pdi_tick(0);
    }
    pdi_flush(0);
    return Decoded{t.grid(), ras.WorkRefused, ras.WorkSpent, ras.copies};
}

Bytes cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// RESET, SELECT COLOR 240, TEXT with characters 8 x 10, SCROLL ON: the
// cursor stands on the bottom row, where a line feed scrolls.
Bytes scrollingText() {
    return {0xA0, 0xC8, 0xC1, 0xBE, 0xFC, 0xA2, 0xC0, 0xC0, 0xC0, 0xC9, 0xC2, 0x97};
}

// The first and last rows holding anything but colour cell 0, or {-1, -1}.
std::pair<int, int> inkRows(const Grid &g) {
    int first = -1, last = -1;
    for (int r = 0; r < int(g.size()); r++)
        if (g[r].find_first_not_of('0') != std::string::npos) {
            if (first < 0) first = r;
            last = r;
        }
    return {first, last};
}

// The grid moved up by d rows, blank rows coming in at the bottom.
Grid movedUp(const Grid &g, int d) {
    Grid out(g.size(), std::string(g.empty() ? 0 : g[0].size(), '0'));
    for (int r = d; r < int(g.size()); r++) out[r - d] = g[r];
    return out;
}

// --- The slow streams ------------------------------------------------------

// INCREMENTAL POINT with a pel as wide as the field scrolls the field once
// for every pel; 10 KB of its data scroll it thousands of times, and the
// scrolls cost less than the bytes earn: nothing is refused.
TEST(HeavyStreams, PelsAsWideAsTheFieldScrollOnceEachWithinTheirWork) {
    const Bytes s = heavy::incrementalScroll(KB10);
    ASSERT_EQ(s.size(), 10216u);
    Decoded d = decode(s);
    EXPECT_GT(d.copies, 5000u);
    EXPECT_EQ(d.refused, 0u);
    EXPECT_LE(d.spent, s.size() * uint64_t(WORK_PER_BYTE));
    EXPECT_TRUE(
        ptest::pictureIs(d.grid, decode(heavy::incrementalScroll(KB10)).grid));  // repeatable
}

// SCROLL ON and 10,240 line feeds: every feed at the bottom row scrolls the
// picture once, the text written before them has left it, and nothing is
// refused, on the plug-in's usual picture and on the largest.
TEST(HeavyStreams, TenThousandLineFeedsScrollOnceEachWithinTheirWork) {
    for (auto [w, h] : {std::pair{512, 400}, std::pair{1024, 1024}}) {
        Bytes s = cat(scrollingText(), {'X'});
        s.insert(s.end(), 10240, 0x0A);
        Decoded d = decode(s, w, h);
        EXPECT_EQ(d.copies, 10240u) << w;
        EXPECT_EQ(d.refused, 0u) << w;
        EXPECT_TRUE(ptest::pictureIs(d.grid, decode(scrollingText(), w, h).grid)) << w;
    }
}

// A scroll moves every row of the picture by the same number of rows: after
// one, two and three line feeds the character is the first picture moved
// up by one, two and three times the first feed's step.
TEST(HeavyStreams, AScrollMovesTheRowsAsTheyWere) {
    const Grid before = decode(cat(scrollingText(), {'X'})).grid;
    auto [top, bottom] = inkRows(before);
    ASSERT_GE(top, 0);
    const Grid once = decode(cat(scrollingText(), {'X', 0x0A})).grid;
    const int step = top - inkRows(once).first;
    ASSERT_GT(step, 0);
    for (int k = 1; k <= 3; k++) {
        Bytes s = cat(scrollingText(), {'X'});
        s.insert(s.end(), size_t(k), 0x0A);
        EXPECT_TRUE(ptest::pictureIs(decode(s).grid, movedUp(before, k * step))) << k;
    }
    EXPECT_LT(bottom, 400);
}

// --- The work meter --------------------------------------------------------

// The most a single primitive can overdraw before the meter stops the next:
// a row of the largest surface in pattern, or a glyph, or a pattern made.
constexpr uint64_t OVERDRAW = 64 * 1024 * 1024;

struct Hostile {
    const char *name;
    Bytes body;
};

std::vector<Hostile> hostileBodies() {
    return {{"hatched fills", heavy::hatchedFillBody()},
            {"polygons", heavy::polygonBody()},
            {"textures", heavy::textureBody()},
            {"repeated text", heavy::repeatBody()}};
}

// A 20-deep chain of macros replaying heavy drawing asks for far more than
// its bytes earn: the meter refuses the rest, and the work spent stays
// within what the bytes paid for and what a picture starts with.
TEST(WorkMeter, MacroChainsSpendNoMoreThanTheirBytesPayFor) {
    for (const Hostile &h : hostileBodies()) {
        const Bytes s = heavy::macroChain(h.body, 20, 4096);
        for (auto [w, hgt] : {std::pair{512, 400}, std::pair{1024, 1024}}) {
            Decoded d = decode(s, w, hgt);
            EXPECT_LE(d.spent,
                      uint64_t(WORK_AT_LOAD) + s.size() * uint64_t(WORK_PER_BYTE) + OVERDRAW)
                << h.name << " " << w;
            EXPECT_GT(d.spent, uint64_t(WORK_AT_LOAD) + s.size() * uint64_t(WORK_PER_BYTE) / 2)
                << h.name << " " << w;  // it did ask for more than the bytes pay
        }
    }
}

// The state that a stream goes on from (decoder, drawing state, text) is
// the same whether the meter refused drawing or not: refused work is
// pixels only. The unmetered decode is given, after its first byte, more
// work than it can ever spend.
TEST(WorkMeter, RefusedDrawingLeavesTheStreamsStateAsItWouldBe) {
    for (const Hostile &h : hostileBodies()) {
        const Bytes s = heavy::macroChain(h.body, 20, 1024);
        for (bool metered : {true, false}) {
            ptest::resetState();
            ptest::TestSurface t(128, 100);
            ASSERT_EQ(t.open(), 0);
            t.playArea();
            bool dry = false;
            for (uint8_t b : s) {
                pdi_putchar(0, b);
                dry = dry || work_exhausted();
                if (!metered && ras.WorkLeft < INT64_MAX / 4) ras.WorkLeft = INT64_MAX / 4;
            }
            pdi_flush(0);
            static Decoder decMetered;
            static Interp ipMetered;
            static Text txtMetered;
            static Pen penMetered;
            if (metered) {
                EXPECT_TRUE(dry) << h.name;
                decMetered = dec, ipMetered = ip, txtMetered = txt, penMetered = ras.pen;
                continue;
            }
            EXPECT_FALSE(dry) << h.name;
            EXPECT_EQ(ras.WorkRefused, 0u) << h.name;
            EXPECT_EQ(std::memcmp(&dec, &decMetered, sizeof dec), 0) << h.name;
            EXPECT_EQ(std::memcmp(&ip, &ipMetered, sizeof ip), 0) << h.name;
            EXPECT_EQ(std::memcmp(&txt, &txtMetered, sizeof txt), 0) << h.name;
            EXPECT_EQ(std::memcmp(&ras.pen, &penMetered, sizeof ras.pen), 0) << h.name;
        }
    }
}

// Once the work is spent nothing more is drawn; the bytes that follow earn
// it back, and what they ask for is drawn again.
TEST(WorkMeter, DrawingResumesWhenLaterBytesPayForIt) {
    ptest::resetState();
    ptest::TestSurface t(64, 50);
    ASSERT_EQ(t.open(), 0);
    t.playArea();
    const Bytes chain = heavy::macroChain(heavy::hatchedFillBody(), 20, 4096);
    t.feed(chain);
    ASSERT_GT(ras.WorkRefused, 0u);
    const Grid hatched = t.grid();
    ASSERT_FALSE(ptest::pictureIs(hatched, ptest::blank(64, 50, hatched[0][0])));
    // The bytes of a solid rectangle over the whole picture in colour index
    // 0x60 pay for it: it covers everything.
    const Bytes rect = {0xA3, 0xC0, 0xBE, 0xE0, 0xB3, 0xC0, 0xC0, 0xC0, 0xDB, 0xF8, 0xFF, 0x00};
    t.feed(rect);
    const Grid after = t.grid();
    EXPECT_TRUE(ptest::pictureIs(after, ptest::blank(64, 50, after[0][0])));
    EXPECT_NE(after, hatched);
}

// Real pictures never come near the meter: every picture of the corpus and
// of the examples is drawn without a refusal, on the usual picture and on
// the largest. (The corpus part is skipped when the corpus is absent.)
TEST(WorkMeter, NoRealPictureIsRefusedWork) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const char *dir : {EXAMPLES_DIR, CORPUS_DIR})
        for (auto &e : std::filesystem::recursive_directory_iterator(dir, ec))
            if (e.is_regular_file() && e.path().extension() != ".png") files.push_back(e.path());
    ASSERT_FALSE(files.empty());
    for (const auto &f : files) {
        std::ifstream in(f, std::ios::binary);
        const Bytes s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (auto [w, h] : {std::pair{512, 400}, std::pair{1024, 1024}}) {
            Decoded d = decode(s, w, h);
            EXPECT_EQ(d.refused, 0u) << f << " " << w;
            EXPECT_FALSE(work_exhausted()) << f << " " << w;
        }
    }
}

}  // namespace
}  // namespace naplps

// The PDI dispatcher and the point, line, rectangle, polygon and FIELD
// instructions, run through `pdi` with decoded records (and once from
// stream bytes) on a private 8-bit Xvfb at the plug-in's scale of 512
// pixels per unit screen. Pictures are grids of colour cells, top row
// first; colour index 16 shows as cell 1.
#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <memory>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/executors.h"
#include "interp/commands.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "text/state.h"
#include "tests/x11_fixture.h"

namespace naplps {
namespace {

using xtest::Grid;
using xtest::pictureIs;
using xtest::TestWindow;

// Logical units of n pixels at 512 pixels per unit screen.
constexpr int32_t L(int32_t n) { return n * 0x8000; }

// A decoded record of its own allocation (so that a read past its end is
// caught): the count, then the values.
struct Record {
    std::vector<int32_t> words = std::vector<int32_t>(DATA_SIZE, 0);
    Record(std::initializer_list<int32_t> values) {
        words[0] = int32_t(values.size());
        int i = 1;
        for (int32_t v : values) words[size_t(i++)] = v;
    }
    int32_t *data() { return words.data(); }
};

void run(int opcode, Record r) { pdi(opcode, r.data()); }

// Pixel values as logical pairs.
Record pixels(std::initializer_list<int32_t> px) {
    Record r{};
    int i = 1;
    for (int32_t v : px) r.words[size_t(i++)] = L(v);
    r.words[0] = int32_t(px.size());
    return r;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        xtest::resetState();
        if (xtest::xvfbDisplay(8).empty()) GTEST_SKIP() << "Xvfb could not be started";
    }
    void TearDown() override { xtest::resetState(); }

    // A window with a slot and the plug-in's drawing area; lines in colour
    // index 16 with a one-pixel pel.
    std::unique_ptr<TestWindow> window(int w, int h) {
        auto t = std::make_unique<TestWindow>(w, h);
        EXPECT_TRUE(t->ok());
        EXPECT_GE(t->open(), 0);
        t->playArea();
        ip.ColorNo = 16;
        ip.PhyPelX = ip.PhyPelY = 1;
        return t;
    }
};

// --- Dispatch -------------------------------------------------------------------

TEST_F(Commands, EveryInstructionButIncrementalPointEndsAnIncrementalRun) {
    auto t = window(4, 4);
    for (int op = 0x20; op <= 0x3F; op++) {
        if (op == OP_RESET || op == OP_WAIT) continue;  // they clear or pause the screen
        ip.IncDrawX = ip.IncDrawY = 5;
        txt.Done_auto_apd = 1;
        run(op, Record{});
        EXPECT_EQ(txt.Done_auto_apd, 0) << std::hex << op;
        if (op == OP_INCPOINT) {
            EXPECT_EQ(ip.IncDrawX, 5);
        } else {
            EXPECT_EQ(ip.IncDrawX, -1) << std::hex << op;
            EXPECT_EQ(ip.IncDrawY, -1) << std::hex << op;
        }
    }
}

TEST_F(Commands, OpcodesOutsideThePdiSetChangeNoDrawingState) {
    auto t = window(4, 4);
    run(0x24, pixels({1, 2}));
    const Interp before = ip;
    for (int op : {0x00, 0x1F, 0x40, 0x7F, -1, INT_MAX}) run(op, pixels({3, 3, 1, 1}));
    EXPECT_EQ(ip.LogDrawX, before.LogDrawX);
    EXPECT_EQ(ip.LogDrawY, before.LogDrawY);
    EXPECT_EQ(ip.PhyDrawX, before.PhyDrawX);
    EXPECT_EQ(ip.LogActWd, before.LogActWd);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(4, 4)));
}

TEST_F(Commands, LineAbsoluteFromStreamBytesDrawsToTheDecodedPoint) {
    auto t = window(140, 3);
    dec.MulLen = 3;  // as after a RESET with its domain group
    // LINE ABSOLUTE to (0x400000, 0), ended by the next instruction's byte.
    t->feed(std::vector<uint8_t>{0xA8, 0xC8, 0xC0, 0xC0, 0xA4});
    Grid g = t->pixmapGrid();
    EXPECT_EQ(g[2], std::string(129, '1') + std::string(11, '0'));
    EXPECT_EQ(g[1], std::string(140, '0'));
    EXPECT_EQ(ip.LogDrawX, 0x400000);
    EXPECT_EQ(ip.PhyDrawX, 128);
}

// --- Points -----------------------------------------------------------------

TEST_F(Commands, PointsMoveTheDrawingPointAndTheDrawingFormsPaintPels) {
    auto t = window(8, 6);
    run(OP_ABSPOINT, pixels({1, 1, 3, 4}));  // moves only
    EXPECT_EQ(ip.LogDrawX, L(3));
    EXPECT_EQ(ip.PhyDrawY, 4);
    run(OP_RELPOINT, pixels({-1, -1}));
    EXPECT_EQ(ip.LogDrawX, L(2));
    EXPECT_EQ(ip.LogDrawY, L(3));
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(8, 6)));
    // A pel of 1 x 1 covers one column and two rows.
    run(OP_ABSPOINTSET, pixels({1, 0, 6, 3, 7}));  // the lone 7 is ignored
    run(OP_RELPOINTSET, pixels({-2, 1}));
    EXPECT_EQ(ip.PhyDrawX, 4);
    EXPECT_EQ(ip.PhyDrawY, 4);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "....1...",
                                               "....1.1.",
                                               "......1.",
                                               "........",
                                               ".1......",
                                               ".1......",
                                           }));
}

TEST_F(Commands, TheCursorFollowsThePointOnlyInMoveModesZeroAndTwo) {
    auto t = window(4, 4);
    for (int mode : {0, 1, 2, 3}) {
        txt.MovePara = mode;
        ip.LogCursX = ip.LogCursY = ip.PhyCursX = ip.PhyCursY = -7;
        run(OP_ABSPOINT, pixels({10, 20}));
        if (mode == 0 || mode == 2) {
            EXPECT_EQ(ip.LogCursX, L(10)) << mode;
            EXPECT_EQ(ip.LogCursY, L(20)) << mode;
            EXPECT_EQ(ip.PhyCursX, 10) << mode;
            EXPECT_EQ(ip.PhyCursY, 20) << mode;
        } else {
            EXPECT_EQ(ip.LogCursX, -7) << mode;
            EXPECT_EQ(ip.PhyCursY, -7) << mode;
        }
        EXPECT_EQ(ip.LogDrawX, L(10)) << mode;
    }
}

// --- Lines ----------------------------------------------------------------------

TEST_F(Commands, LinesJoinIntoAPolylineEndingAtTheLastPoint) {
    const Grid u = {
        "............",
        "............",
        ".111111.....",
        "......1.....",
        "......1.....",
        "......1.....",
        ".111111.....",
        "............",
    };
    {
        auto t = window(12, 8);
        run(OP_ABSPOINT, pixels({1, 1}));
        run(OP_ABSLINE, pixels({6, 1, 6, 5, 1, 5}));
        EXPECT_TRUE(pictureIs(t->pixmapGrid(), u));
        EXPECT_EQ(ip.LogDrawX, L(1));
        EXPECT_EQ(ip.LogDrawY, L(5));
        EXPECT_EQ(ip.LogCursY, L(5));
        EXPECT_EQ(ip.PhyCursX, 1);
    }
    xtest::resetState();
    {
        auto t = window(12, 8);
        run(OP_ABSPOINT, pixels({1, 1}));
        run(OP_RELLINE, pixels({5, 0, 0, 4, -5, 0, 9}));
        EXPECT_TRUE(pictureIs(t->pixmapGrid(), u));
        EXPECT_EQ(ip.LogDrawX, L(1));
        EXPECT_EQ(ip.LogDrawY, L(5));
    }
}

TEST_F(Commands, SetAndLineGroupsAreSeparateSegments) {
    const Grid two = {
        "........",
        ".11111..",
        "........",
        "........",
        ".11111..",
        "........",
    };
    {
        auto t = window(8, 6);
        run(OP_SETABSLINE, pixels({1, 1, 5, 1, 1, 4, 5, 4, 3, 3, 3}));  // last group incomplete
        EXPECT_TRUE(pictureIs(t->pixmapGrid(), two));
        EXPECT_EQ(ip.LogDrawX, L(5));
        EXPECT_EQ(ip.LogDrawY, L(4));
    }
    xtest::resetState();
    {
        auto t = window(8, 6);
        run(OP_SETRELLINE, pixels({5, 1, -4, 0, 1, 4, 4, 0}));
        EXPECT_TRUE(pictureIs(t->pixmapGrid(), two));
        EXPECT_EQ(ip.LogDrawX, L(5));
        EXPECT_EQ(ip.LogDrawY, L(4));
    }
}

// --- Rectangles -----------------------------------------------------------------

TEST_F(Commands, RectanglesFollowEachOtherAlongX) {
    const Grid sideBySide = {
        "............",
        "....11111...",
        ".1111...1...",
        ".1..1...1...",
        ".11111111...",
        "............",
    };
    {
        auto t = window(12, 6);
        run(OP_ABSPOINT, pixels({1, 1}));
        run(OP_RECTLINE, pixels({3, 2, 4, 3}));
        EXPECT_TRUE(pictureIs(t->pixmapGrid(), sideBySide));
        EXPECT_EQ(ip.LogDrawX, L(8));
        EXPECT_EQ(ip.LogDrawY, L(1));
    }
    xtest::resetState();
    {
        auto t = window(12, 6);
        txt.MovePara = 1;  // the physical point is then left as the handler leaves it
        ip.PhyDrawY = 77;
        run(OP_SETRECTLINE, pixels({1, 1, 3, 2, 4, 1, 4, 3}));
        EXPECT_TRUE(pictureIs(t->pixmapGrid(), sideBySide));
        EXPECT_EQ(ip.LogDrawX, L(8));
        EXPECT_EQ(ip.PhyDrawX, 8);
        EXPECT_EQ(ip.PhyDrawY, 77);
    }
}

TEST_F(Commands, RectanglesWithNegativeSizesExtendBackFromTheCorner) {
    auto t = window(8, 6);
    run(OP_ABSPOINT, pixels({5, 4}));
    run(OP_RECTLINE, pixels({-4, -3}));
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "........",
                                               ".11111..",
                                               ".1...1..",
                                               ".1...1..",
                                               ".11111..",
                                               "........",
                                           }));
    EXPECT_EQ(ip.LogDrawX, L(1));
    EXPECT_EQ(ip.LogDrawY, L(4));
}

// --- Polygons -------------------------------------------------------------------

const Grid kBox = {
    "........",
    "..11111.",
    "..1...1.",
    "..1...1.",
    "..11111.",
    "........",
};

TEST_F(Commands, PolygonOutlineStartsAtTheStoredPhysicalPointAndMovesNothing) {
    auto t = window(8, 6);
    // The logical point converts to (0, 1), but the stored pixel point is
    // (2, 1): the outline starts there.
    ip.LogDrawX = 0;
    ip.LogDrawY = L(1);
    ip.PhyDrawX = 2;
    ip.PhyDrawY = 1;
    ip.LogCursX = ip.PhyCursX = -3;
    run(OP_POLYLINE, pixels({6, 0, 0, 3, -4, 0}));
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), kBox));
    EXPECT_EQ(ip.LogDrawX, 0);
    EXPECT_EQ(ip.PhyDrawX, 2);
    EXPECT_EQ(ip.LogCursX, -3);
    EXPECT_EQ(ip.PhyCursX, -3);
}

TEST_F(Commands, PolygonOutlineWithoutPairsIsOnePelAtTheFirstVertex) {
    auto t = window(6, 4);
    ip.PhyDrawX = 3;
    ip.PhyDrawY = 1;
    run(OP_POLYLINE, Record{});
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "......",
                                               "......",
                                               "...1..",
                                               "......",
                                           }));
}

TEST_F(Commands, SetPolygonOutlineStartsAtItsAbsoluteVertexAndMovesThePointThere) {
    auto t = window(8, 6);
    run(OP_SETPOLYLINE, pixels({2, 1, 4, 0, 0, 3, -4, 0}));
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), kBox));
    EXPECT_EQ(ip.LogDrawX, L(2));
    EXPECT_EQ(ip.LogDrawY, L(1));
    EXPECT_EQ(ip.PhyCursX, 2);
    // Without its first vertex the instruction is ignored.
    run(OP_SETPOLYLINE, pixels({6}));
    run(OP_SETPOLYFILL, Record{});
    EXPECT_EQ(ip.LogDrawX, L(2));
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), kBox));
}

TEST_F(Commands, PolygonFillStoresTheVerticesClosedAndKeepsToTheStore) {
    auto t = window(16, 12);
    run(OP_ABSPOINT, pixels({2, 2}));
    run(OP_POLYFILL, pixels({6, 0, 0, 5, -3, 2}));
    const int32_t expected[] = {2, 2, 8, 2, 8, 7, 5, 9, 2, 2};
    for (int i = 0; i < 10; i++) EXPECT_EQ(ip.idata[i], expected[i]) << i;
    EXPECT_EQ(ip.LogDrawX, L(2));  // the point does not move
    // The fill covers its first vertex and the inside.
    Grid g = t->pixmapGrid();
    EXPECT_EQ(g[11 - 2][2], '1');
    EXPECT_EQ(g[11 - 4][5], '1');

    // A record with the most pairs it can carry, and one whose count claims
    // more than the record holds: the store and the record are kept to.
    ip.LineTexture = 2;
    Record big{};
    big.words[0] = DATA_MAX_VALUES;
    for (int i = 1; i <= DATA_MAX_VALUES; i++) big.words[size_t(i)] = (i & 1) ? L(1) : 0;
    pdi(OP_POLYFILL, big.data());
    big.words[0] = 100000;
    pdi(OP_SETPOLYFILL, big.data());
    pdi(OP_POLYLINE, big.data());
    pdi(OP_RELLINE, big.data());
    big.words[0] = -5;
    pdi(OP_POLYFILL, big.data());
    EXPECT_EQ(ip.LineTexture, 2);
    EXPECT_EQ(ip.idata[0], ip.PhyDrawX);
}

TEST_F(Commands, SetPolygonFillMovesThePointToItsFirstVertex) {
    auto t = window(12, 10);
    run(OP_SETPOLYFILL, pixels({3, 1, 5, 0, 0, 4}));
    const int32_t expected[] = {3, 1, 8, 1, 8, 5, 3, 1};
    for (int i = 0; i < 8; i++) EXPECT_EQ(ip.idata[i], expected[i]) << i;
    EXPECT_EQ(ip.LogDrawX, L(3));
    EXPECT_EQ(ip.PhyCursY, 1);
}

// --- FIELD ------------------------------------------------------------------------

TEST_F(Commands, FieldWithNegativeSizesExtendsLeftAndDownFromItsOrigin) {
    auto t = window(4, 4);
    run(OP_FIELD, pixels({100, 80, -40, -30}));
    EXPECT_EQ(ip.LogActX, L(100));
    EXPECT_EQ(ip.PhyActWd, -40);
    EXPECT_EQ(ip.PhyActHi, -30);
    EXPECT_EQ(ip.Act_L, L(60));
    EXPECT_EQ(ip.Act_R, L(100));
    EXPECT_EQ(ip.Act_B, L(50));
    EXPECT_EQ(ip.Act_T, L(80));
    EXPECT_EQ(ip.LogDrawX, L(100));
    EXPECT_EQ(ip.PhyDrawY, 80);
    EXPECT_EQ(ip.LogCursY, L(80));
}

TEST_F(Commands, FieldWithOnePairTakesItsOriginFromTheDrawingPoint) {
    auto t = window(4, 4);
    run(OP_ABSPOINT, pixels({10, 20}));
    run(OP_FIELD, pixels({30, 40, 5}));
    EXPECT_EQ(ip.LogActX, L(10));
    EXPECT_EQ(ip.PhyActY, 20);
    EXPECT_EQ(ip.PhyActWd, 30);
    EXPECT_EQ(ip.Act_R, L(40));
    EXPECT_EQ(ip.Act_T, L(60));
}

TEST_F(Commands, FieldWithoutValuesRestoresTheUnitScreen) {
    auto t = window(4, 4);
    run(OP_FIELD, pixels({100, 80, 40, 30}));
    run(OP_FIELD, pixels({7}));
    EXPECT_EQ(ip.LogActX, 0);
    EXPECT_EQ(ip.LogActWd, UNIT_WIDTH);
    EXPECT_EQ(ip.LogActHi, UNIT_HEIGHT);
    EXPECT_EQ(ip.PhyActWd, 1023);
    EXPECT_EQ(ip.PhyActHi, 1023);
    EXPECT_EQ(ip.Act_L, 0);
    EXPECT_EQ(ip.Act_R, UNIT_WIDTH);
    EXPECT_EQ(ip.Act_B, 0);
    EXPECT_EQ(ip.Act_T, UNIT_HEIGHT);
    EXPECT_EQ(ip.LogDrawX, 0);
    EXPECT_EQ(ip.LogDrawY, 0);
}

TEST_F(Commands, FieldEdgesAreLimitedToTheUnitScreenAndNeverCross) {
    auto t = window(4, 4);
    run(OP_FIELD, pixels({500, 350, 100, 100}));
    EXPECT_EQ(ip.Act_L, L(500));
    EXPECT_EQ(ip.Act_R, UNIT_WIDTH);
    EXPECT_EQ(ip.Act_T, UNIT_HEIGHT);
    const int32_t v[] = {INT32_MIN, -L(10), 0, L(10), UNIT_WIDTH + L(50), INT32_MAX};
    for (int32_t x : v)
        for (int32_t w : v) {
            Record r{x, x, w, w};
            pdi(OP_FIELD, r.data());
            EXPECT_LE(ip.Act_L, ip.Act_R) << x << " " << w;
            EXPECT_LE(ip.Act_B, ip.Act_T) << x << " " << w;
            EXPECT_LE(ip.Act_L, UNIT_WIDTH);
            EXPECT_LE(ip.Act_B, UNIT_HEIGHT);
        }
}

}  // namespace
}  // namespace naplps

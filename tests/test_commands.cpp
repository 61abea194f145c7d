// The PDI dispatcher and the point, line, rectangle, polygon and FIELD
// instructions, run through `pdi` with decoded records at 512 pixels per
// unit screen, on exact pixels. (The arc and incremental-point tests drive
// lines through stream bytes.)
#include <climits>

#include "interp/commands.h"
#include "tests/test_arc_stream.h"
#include "text/state.h"

namespace naplps {
namespace {

using namespace arctest;

// Runs an instruction on a decoded record of its own allocation (a read
// past its end is caught): the count, then the values, given in pixels.
void run(int opcode, const Ints &px) {
    Ints rec(DATA_SIZE, 0);
    rec[0] = int32_t(px.size());
    for (size_t i = 0; i < px.size(); i++) rec[i + 1] = L(px[i]);
    exec_instruction(opcode, rec.data());
}

using Commands = GeoTest;

TEST_F(Commands, EveryInstructionButIncrementalPointEndsAnIncrementalRunAndOthersAreIgnored) {
    auto t = window(4, 4);
    for (int op = 0x20; op <= 0x3F; op++) {
        if (op == OP_RESET || op == OP_WAIT) continue;  // they clear or pause the screen
        ip.IncDrawX = ip.IncDrawY = 5;
        txt.Done_auto_apd = 1;
        run(op, {});
        const int32_t inc = op == OP_INCPOINT ? 5 : -1;
        EXPECT_EQ((Ints{txt.Done_auto_apd, ip.IncDrawX, ip.IncDrawY}), (Ints{0, inc, inc})) << std::hex << op;
    }
    run(OP_ABSPOINT, {1, 2});
    const Grid before = t->grid();
    // Opcodes outside the PDI set; INCREMENTAL LINE and POLYGON, which draw nothing.
    for (int op : {0x00, 0x1F, 0x40, 0x7F, -1, INT_MAX, OP_INCLINE, OP_INCPOLY}) run(op, {3, 3, 1, 1, 2, 2});
    EXPECT_EQ((Ints{ip.LogDrawX, ip.PhyDrawY}), (Ints{L(1), 2}));
    EXPECT_TRUE(pictureIs(t->grid(), before));
}

TEST_F(Commands, PointsMoveTheDrawingPointAndTheCursorInMoveModesZeroAndTwo) {
    auto t = window(8, 6);
    run(OP_ABSPOINT, {1, 1, 3, 4});  // moves only
    run(OP_RELPOINT, {-1, -1});
    EXPECT_EQ((Ints{ip.LogDrawX, ip.LogDrawY}), (Ints{L(2), L(3)}));
    run(OP_ABSPOINTSET, {1, 0, 6, 3, 7});  // a 1 x 1 pel: 1 column, 2 rows; the lone 7 is ignored
    run(OP_RELPOINTSET, {-2, 1});
    EXPECT_EQ((Ints{ip.PhyDrawX, ip.PhyDrawY}), (Ints{4, 4}));
    EXPECT_TRUE(pictureIs(t->grid(), {"....1...", "....1.1.", "......1.", "........", ".1......", ".1......"}));
    for (int mode : {0, 1, 2, 3}) {
        txt.MovePara = mode;
        ip.LogCursX = ip.LogCursY = ip.PhyCursX = ip.PhyCursY = -7;
        run(OP_ABSPOINT, {10, 20});
        EXPECT_EQ((Ints{ip.LogCursX, ip.LogCursY, ip.PhyCursX, ip.PhyCursY}),
                  (mode % 2 == 0 ? Ints{L(10), L(20), 10, 20} : Ints(4, -7)))  // the cursor follows in 0 and 2
            << mode;
    }
}

const Grid kU = {"............", "............", ".111111.....", "......1.....",
                 "......1.....", "......1.....", ".111111.....", "............"};
const Grid kTwo = {"........", ".11111..", "........", "........", ".11111..", "........"};
const Grid kSideBySide = {"............", "....11111...", ".1111...1...",
                          ".1..1...1...", ".11111111...", "............"};
const Grid kBackBox = {"........", ".11111..", ".1...1..", ".1...1..", ".11111..", "........"};
const Grid kPel = {"......", "......", "...1..", "......"};
const Grid kBox = {"........", "..11111.", "..1...1.", "..1...1.", "..11111.", "........"};

TEST_F(Commands, LinesRectanglesAndSetPolygonsDrawAndLeaveThePointAtTheirEnd) {
    struct Case {
        int x, y, opcode;  // the drawing point before, in pixels
        Ints values;
        const Grid &picture;
        int endX, endY;
    };
    const Case cases[] = {
        {1, 1, OP_ABSLINE, {6, 1, 6, 5, 1, 5}, kU, 1, 5},
        {1, 1, OP_RELLINE, {5, 0, 0, 4, -5, 0, 9}, kU, 1, 5},
        {0, 0, OP_SETABSLINE, {1, 1, 5, 1, 1, 4, 5, 4, 3, 3, 3}, kTwo, 5, 4},  // last group incomplete
        {0, 0, OP_SETRELLINE, {5, 1, -4, 0, 1, 4, 4, 0}, kTwo, 5, 4},
        {1, 1, OP_RECTLINE, {3, 2, 4, 3}, kSideBySide, 8, 1},  // rectangles follow each other along x
        {0, 0, OP_SETRECTLINE, {1, 1, 3, 2, 4, 1, 4, 3}, kSideBySide, 8, 1},
        {5, 4, OP_RECTLINE, {-4, -3}, kBackBox, 1, 4},  // negative sizes extend back from the corner
        {0, 0, OP_SETPOLYLINE, {2, 1, 4, 0, 0, 3, -4, 0}, kBox, 2, 1},
        {3, 1, OP_POLYLINE, {}, kPel, 3, 1},  // no pairs: one pel at the first vertex
    };
    for (const Case &c : cases) {
        ptest::resetState();
        auto t = window(int(c.picture[0].size()), int(c.picture.size()));
        run(OP_ABSPOINT, {c.x, c.y});
        run(c.opcode, c.values);
        EXPECT_TRUE(pictureIs(t->grid(), c.picture)) << std::hex << c.opcode;
        EXPECT_EQ((Ints{ip.LogDrawX, ip.LogDrawY, ip.PhyCursX}), (Ints{L(c.endX), L(c.endY), c.endX}))
            << std::hex << c.opcode;
    }
}

TEST_F(Commands, PolygonOutlineStartsAtTheStoredPhysicalPointAndMovesNothing) {
    auto t = window(8, 6);
    ip.LogDrawY = L(1);  // converts to (0, 1), but the stored pixel point is (2, 1)
    ip.PhyDrawX = 2, ip.PhyDrawY = 1;
    ip.LogCursX = ip.PhyCursX = -3;
    run(OP_POLYLINE, {6, 0, 0, 3, -4, 0});
    run(OP_SETPOLYLINE, {6});  // without the first vertex: ignored
    run(OP_SETPOLYFILL, {});
    EXPECT_TRUE(pictureIs(t->grid(), kBox));
    EXPECT_EQ((Ints{ip.LogDrawX, ip.PhyDrawX, ip.LogCursX, ip.PhyCursX}), (Ints{0, 2, -3, -3}));
}

TEST_F(Commands, PolygonFillsStoreTheVerticesClosedAndKeepToStoreAndRecord) {
    auto t = window(16, 12);
    run(OP_SETPOLYFILL, {3, 1, 5, 0, 0, 4});
    EXPECT_EQ(Ints(ip.idata, ip.idata + 8), (Ints{3, 1, 8, 1, 8, 5, 3, 1}));
    EXPECT_EQ((Ints{ip.LogDrawX, ip.PhyCursY}), (Ints{L(3), 1}));  // moved to the first vertex
    run(OP_ABSPOINT, {2, 2});
    run(OP_POLYFILL, {6, 0, 0, 5, -3, 2});
    EXPECT_EQ(Ints(ip.idata, ip.idata + 10), (Ints{2, 2, 8, 2, 8, 7, 5, 9, 2, 2}));
    EXPECT_EQ(ip.LogDrawX, L(2));  // does not move
    EXPECT_EQ(cells(t->grid(), {{2, 2}, {5, 4}}), "11");  // the first vertex and the inside
    // The most pairs a record carries, and counts beyond the record: the
    // vertex store and the state after it are kept to.
    ras.pen.LineTexture = 2;
    Ints big(DATA_SIZE, 0);
    for (int i = 1; i <= DATA_MAX_VALUES; i++) big[size_t(i)] = (i & 1) ? L(1) : 0;
    for (int n : {DATA_MAX_VALUES, 100000, -5})
        for (int op : {OP_POLYFILL, OP_SETPOLYFILL, OP_POLYLINE, OP_RELLINE}) exec_instruction(op, (big[0] = n, big.data()));
    EXPECT_EQ((Ints{ras.pen.LineTexture, ip.idata[0]}), (Ints{2, ip.PhyDrawX}));
}

TEST_F(Commands, FieldSetsItsEdgesFromOriginAndSizeWithinTheUnitScreen) {
    auto t = window(4, 4);
    const auto field = [] {
        return Ints{ip.LogActX, ip.PhyActY, ip.PhyActWd, ip.PhyActHi, ip.Act_L, ip.Act_R, ip.Act_B, ip.Act_T};
    };
    run(OP_FIELD, {100, 80, -40, -30});  // negative sizes extend left and down
    EXPECT_EQ(field(), (Ints{L(100), 80, -40, -30, L(60), L(100), L(50), L(80)}));
    EXPECT_EQ((Ints{ip.LogDrawX, ip.PhyDrawY, ip.LogCursY}), (Ints{L(100), 80, L(80)}));
    run(OP_ABSPOINT, {10, 20});
    run(OP_FIELD, {30, 40, 5});  // one pair: the origin is the drawing point
    EXPECT_EQ(field(), (Ints{L(10), 20, 30, 40, L(10), L(40), L(20), L(60)}));
    run(OP_FIELD, {7});  // no pair: the unit screen
    EXPECT_EQ(field(), (Ints{0, 0, 1023, 1023, 0, UNIT_WIDTH, 0, UNIT_HEIGHT}));
    EXPECT_EQ((Ints{ip.LogActWd, ip.LogActHi, ip.LogDrawX, ip.LogDrawY}), (Ints{UNIT_WIDTH, UNIT_HEIGHT, 0, 0}));
    run(OP_FIELD, {500, 350, 100, 100});  // limited to the unit screen
    EXPECT_EQ(field(), (Ints{L(500), 350, 100, 100, L(500), UNIT_WIDTH, L(350), UNIT_HEIGHT}));
    const int32_t v[] = {INT32_MIN, -L(10), 0, L(10), UNIT_WIDTH + L(50), INT32_MAX};
    for (int32_t x : v)
        for (int32_t w : v) {
            exec_instruction(OP_FIELD, Ints{4, x, x, w, w, 0, 0, 0}.data());
            EXPECT_TRUE(ip.Act_L <= ip.Act_R && ip.Act_B <= ip.Act_T) << x << " " << w;
            EXPECT_TRUE(ip.Act_L <= UNIT_WIDTH && ip.Act_B <= UNIT_HEIGHT) << x << " " << w;
        }
}

// An encoder writes a full-width field as width -1.0: such a field would lie
// wholly left of the screen, and is read with the width's magnitude; text
// in it then runs along the screen as in a field of width +1.0. A negative
// width that leaves the field on the screen is kept.
TEST_F(Commands, AFieldWhollyOffTheScreenReadsItsSizesMagnitude) {
    const auto text = [](int x, int quarterWidth) {
        Stream s = plain();
        s.op(OP_FIELD).xy(x, 40).xyq(quarterWidth, 4 * 40).raw('A').raw('B').end();
        return s;
    };
    const Grid full = picture(64, 64, text(0, 2047)), minus = picture(64, 64, text(0, -2048));
    EXPECT_TRUE(pictureIs(minus, full));
    EXPECT_EQ((Ints{ip.Act_L, ip.Act_R}), (Ints{0, UNIT_WIDTH}));
    int second = 0;  // pixels of B, the cell after A
    for (auto [x, y] : lit(minus)) second += x >= 12 && x < 24 && y >= 40 && y < 60;
    EXPECT_GT(second, 20);
    // From x 40 a width of -40 pixels stays on the screen: B wraps to its left edge.
    const Grid left = picture(64, 64, text(40, -160));
    EXPECT_EQ((Ints{ip.Act_L, ip.Act_R}), (Ints{0, L(40)}));
    EXPECT_FALSE(pictureIs(left, full));
}

}  // namespace
}  // namespace naplps

// The text cursor driven by stream bytes, with no window open (drawing goes
// nowhere, only positions are checked): advance and wrapping at the field
// and screen edges, CR/LF after an automatic wrap, spacing, APS, APH, FF,
// NSR, line steps on every path, characters left on a line, word wrap, the
// code sets, REPEAT, and the load-time state before any RESET.

#include <climits>
#include <tuple>

#include "interp/control.h"
#include "tests/pdi_steps.h"
#include "text/state.h"
#include "text/text.h"

namespace naplps {
namespace {

using namespace steps;
using namespace std::string_literals;

constexpr int32_t CW = 0x60000, CH = 0xA0000;  // character size after RESET

using Pos = std::pair<int32_t, int32_t>;
Pos cursor() { return {ip.LogCursX, ip.LogCursY}; }
// Feeds each step's bytes and checks where the cursor is then.
void script(const std::vector<std::pair<std::string, Pos>> &steps) {
    for (auto &[bytes, want] : steps) {
        feed(bytes);
        EXPECT_EQ(cursor(), want) << "after " << ::testing::PrintToString(bytes);
    }
}
void charSize(int32_t w, int32_t h) { run(OP_TEXT, {0, 0, 0, 0, 0, 0, w, h}); }

class Cursor : public ::testing::Test {
protected:
    void SetUp() override {  // RESET of the domain and text groups
        pdi_load_state();
        pdi_ctl(0, 0, 0, 0, 512);
        run(OP_RESET, {1, 0, 0, 1, 0, 0, 0, 0, 0});
    }
    void TearDown() override { pdi_load_state(); }
    // A field 5 cells wide and 3 rows high, one cell in and two rows up.
    void smallField() { run(OP_FIELD, {CW, 2 * CH, 5 * CW, 3 * CH}); }
};

TEST_F(Cursor, WrapsAtTheFieldEdgeInsideItAndAtTheScreenEdgeOutside) {
    smallField();
    script({{apsBytes(4, 4) + "A\0"s, {5 * CW, 4 * CH}},  // the top row of the field, fourth cell
            {"B\0"s, {CW, 3 * CH}}});  // the next cell would end beyond the field
    EXPECT_EQ((Pos{ip.PhyCursX, ip.PhyDrawY}),
              (Pos{12, 60}));  // the drawing point follows the cursor
    // The bottom row wraps to the top one; BS at the field's start goes to the
    // end of the line above, HT back; scrolling off, LF below the bottom row
    // and VT above the top one wrap; outside the field the screen's edge counts.
    script({{"CDEFGHIJKL\0"s, {CW, 4 * CH}},
            {apsBytes(3, 1) + "A\0\x08"s, {CW, 3 * CH}},
            {"\x08", {5 * CW, 4 * CH}},
            {"\x09", {CW, 3 * CH}},
            {apsBytes(2, 2) + "A\0\n"s, {3 * CW, 4 * CH}},
            {"\x0b", {3 * CW, 2 * CH}},
            {apsBytes(1, 40) + "A\0"s, {41 * CW, CH}},
            {"B\0"s, {0, 0}}});  // 43 cells > 0x1000000
    EXPECT_EQ(txt.InField, 0);
}

TEST_F(Cursor, CrAndLfRightAfterAnAutomaticWrapAreSwallowedOnce) {
    smallField();
    const Pos wrapped{CW, 3 * CH}, below{CW, 2 * CH};
    script({{apsBytes(4, 5) + "A\r",
             wrapped}});  // the CR ends the run: the first control after the wrap
    EXPECT_EQ(txt.Done_auto_apd, AUTO_SWALLOWED);
    script({{"\n", wrapped}});
    EXPECT_EQ(txt.Done_auto_apd, AUTO_NONE);
    // Two LFs: neither moves, a third does; any other control ends the
    // swallowing; without a wrap CR moves as usual.
    script({{"\n", below},
            {apsBytes(4, 5) + "A\n\n", wrapped},
            {"\n", below},
            {apsBytes(4, 5) + "A\x07\n", below},
            {apsBytes(4, 3) + "A\r", {CW, 4 * CH}}});
}

TEST_F(Cursor, ActivePositionHomeAndFormFeed) {
    script({{apsBytes(5, 7), {7 * CW, 5 * CH}},
            {apsBytes(0x3F, 0x3F), {0x1000000, 0xC80000}}});  // held at the edges
    charSize(INT32_MAX, INT32_MIN);
    script({{apsBytes(0x3F, 0x3F), {0x1000000, INT32_MIN}}});  // beyond int32
    // An APS cut short is dropped; APH and FF go to the first line, whatever the height's sign.
    charSize(CW, CH);
    script({{apsBytes(1, 1) + std::string{char(C0_APS), char(0x45), '\r'}, {0, CH}},
            {apsBytes(3, 3) + "\x1e", {0, 0xC80000 - CH}},
            {apsBytes(3, 3) + "\x0c", {0, 0xC80000 - CH}}});
    charSize(CW, -2 * CH);
    script({{"\x0c", {0, 0xC80000 - 2 * CH}}});
}

TEST_F(Cursor, NonSelectiveResetRestoresCodeSetsTextAndColour) {
    for (int g = 0; g < 4; g++) {
        dec.Gset[g] = SET_MOSAIC;
        dec.GPG[g % 2] = 3;
    }
    dec.MulLen = 1;
    ras.pen.ColorMod = 2;
    ras.pen.ColorNo = 99;
    run(OP_TEXT, {2, 1, 3, 2, 0, 0, 3 * CW, 3 * CH});
    script({{apsBytes(4, 4), {12 * CW, 12 * CH}},
            {std::string{char(C0_NSR), '\0'}, {12 * CW, 12 * CH}}});
    EXPECT_EQ((std::vector<int>{dec.Gset[0], dec.Gset[1], dec.Gset[2], dec.Gset[3], dec.GPG[0],
                                dec.GPG[1], dec.GLS}),
              (std::vector<int>{SET_PRIMARY, SET_PDI, SET_SUPPL, SET_MOSAIC, 0, 1, -1}));
    EXPECT_EQ(
        (std::vector<int>{dec.MulLen, ras.pen.ColorMod, ras.pen.ColorNo, ip.DrawValueR, txt.Rotate,
                          txt.CharPath, txt.InterChar, ip.LogCharX, ip.LogCharY, txt.ChrFld_r}),
        (std::vector<int>{3, 0, 7, 15, 0, 0, 0, CW, CH, CW}));
    dec.GLS = 2;  // with a position, in cells of the restored size; ASCII in GL
    script({{std::string{char(C0_NSR), char(0x42), char(0x43)}, {3 * CW, 2 * CH}},
            {"AB\0"s, {5 * CW, 2 * CH}}});
}

// LF moves across the path by the line size and VT undoes it, on every path.
TEST_F(Cursor, LineFeedAndVerticalTabAreOppositeStepsOnEveryPath) {
    const Pos step[4] = {{0, -CH}, {0, CH}, {CW, 0}, {-CW, 0}};
    for (int path = 0; path < 4; path++) {
        run(OP_TEXT, {0, path, 0, 0, 0, 0});
        const int32_t x = 20 * CW, y = 10 * CH, dx = step[path].first, dy = step[path].second;
        script({{apsBytes(10, 20), {x, y}},
                {"\n", {x + dx, y + dy}},
                {"\x0b", {x, y}},
                {"\x0b", {x - dx, y - dy}}});
    }
}

TEST_F(Cursor, WordWrapAndTheEndOfLineWithBadSizes) {
    run(OP_FIELD, {0, 0, 5 * CW, 0xC80000});  // five cells a line
    // With room for 3 after "a ", abcd moves down; abc fills the line and the
    // space goes on; a word longer than a line wraps again inside it; with
    // word wrap off the word is cut at the edge.
    script({{"\x95" + apsBytes(10, 0) + "a abcd\0"s, {4 * CW, 9 * CH}},
            {apsBytes(10, 0) + "a abc \0"s, {CW, 9 * CH}},
            {apsBytes(10, 0) + "a ab\0"s, {4 * CW, 10 * CH}},
            {apsBytes(10, 0) + "a abcdefgh\0"s, {3 * CW, 8 * CH}},
            {"\x96" + apsBytes(10, 0) + "a abcd\0"s, {CW, 9 * CH}}});
    // No path, no width, a width of INT32_MIN, a cursor at INT32_MIN: characters left on the line.
    const int32_t cases[][4] = {
        {7, CW, 0, 0}, {0, 0, 0, 0}, {0, INT32_MIN, 0, 0}, {0, 1, INT32_MIN, INT32_MAX}};
    for (auto &c : cases) {
        txt.CharPath = c[0];
        ip.LogCharX = c[1];
        ip.LogCursX = c[2];
        EXPECT_EQ(inq_eol_chars(), c[3]) << c[0] << " " << c[1];
    }
}

// ASCII (backslash as yen), one-byte hiragana, katakana and voiced mark,
// two-byte JIS in GR, DRCS, supplementary (accents do not advance).
TEST_F(Cursor, EachCodeSetFindsItsCharacterAndAdvancesOneCell) {
    const std::tuple<std::string, int, int32_t> cases[] = {{"A", 0x2341, CW},
                                                           {"\\", 0x216F, CW},
                                                           {"\x1b(A"
                                                            "1",
                                                            0x2422, CW},
                                                           {"\x1b(C"
                                                            "1",
                                                            0x2522, CW},
                                                           {"\x1b(G"
                                                            "\x5e",
                                                            0x212B, CW},
                                                           {"\x1b$)@\x1b~"
                                                            "\xb0\xa1",
                                                            0x3021, CW},
                                                           {"\x1b$)J\x1b~"
                                                            "\xf4\xa4",
                                                            0x7424, CW},
                                                           {"\x1b){\x1b~"
                                                            "\xa1",
                                                            0x0021, CW},
                                                           {"\x19"
                                                            "\x31",
                                                            0x0031, CW},
                                                           {"\x19"
                                                            "\x41",
                                                            0x0041, 0},
                                                           {"\x19"
                                                            "\x4f",
                                                            0x004F, 0},
                                                           {"\x19"
                                                            "\x50",
                                                            0x0050, CW}};
    for (auto &[bytes, code, advance] : cases) {
        SetUp();
        type(apsBytes(3, 3) + bytes);
        EXPECT_EQ(txt.LastCharCode, code) << bytes << std::hex << " " << txt.LastCharCode;
        EXPECT_EQ(ip.LogCursX - 3 * CW, advance) << bytes;
    }
}

TEST_F(Cursor, RepeatDrawsTheLastCharacterAgain) {
    script({{apsBytes(10, 0) + "A\0\x86\x43"s, {4 * CW, 10 * CH}},  // REPEAT 3
            {"\r\x86\x42", {2 * CW, 10 * CH}}});  // after a CR: still one cell each
    smallField();
    // REPEAT to the end of the line: four more, and the cursor wraps.
    script({{apsBytes(3, 1) + "A\0\x87"s, {CW, 2 * CH}}});
}

TEST(CursorAtLoad, ZeroSizesMoveNothingAndDivideNothing) {
    pdi_load_state();
    EXPECT_EQ(inq_eol_chars(), 0);
    script({{"AB\r\n\x08\x09\x0b\0\x1b|\xa1\xff\x1c\x30\x30\0\x87\x86\x45\x95"
             "a bc d\0"s,
             {0, 0}},
            {"\x0c", {0, 0xC80000}}});
    pdi_load_state();
}

}  // namespace
}  // namespace naplps

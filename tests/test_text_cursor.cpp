// The text cursor driven by stream bytes: character advance and wrapping
// at the field and screen edges, the swallowed CR/LF after an automatic
// line change, spacing, APS, APH and FF, NSR, the previous-line step on
// every path, word wrap, the characters left on a line, REPEAT, and the
// load-time state before any RESET. No window is open: drawing goes
// nowhere, only positions are checked.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/executors.h"
#include "interp/commands.h"
#include "interp/control.h"
#include "interp/state.h"
#include "text/state.h"
#include "text/text.h"

namespace naplps {
namespace {

constexpr int32_t CW = 0x60000;  // character width after RESET
constexpr int32_t CH = 0xA0000;  // character height after RESET

void feed(const std::string &bytes) {
    for (unsigned char b : bytes) pdi_putchar(0, b);
}
// Text bytes, then a NUL that ends the run (and does nothing else).
void type(const std::string &text) { feed(text + std::string(1, '\0')); }

std::vector<int32_t> record(std::initializer_list<int32_t> values) {
    std::vector<int32_t> r(DATA_SIZE, 0);
    r[0] = int32_t(values.size());
    int i = 1;
    for (int32_t v : values) r[size_t(i++)] = v;
    return r;
}

void instr(int opcode, std::initializer_list<int32_t> values) {
    auto r = record(values);
    pdi(opcode, r.data());
}

// APS to a row and column (cells of the current character size).
std::string apsBytes(int row, int col) { return {char(C0_APS), char(0x20 + row), char(0x20 + col)}; }

struct Pos {
    int32_t x, y;
    bool operator==(const Pos &o) const { return x == o.x && y == o.y; }
};
std::ostream &operator<<(std::ostream &os, const Pos &p) {
    return os << std::hex << "(0x" << p.x << ", 0x" << p.y << ")";
}
Pos cursor() { return {ip.LogCursX, ip.LogCursY}; }

class Cursor : public ::testing::Test {
protected:
    void SetUp() override {
        pdi_load_state();
        pdi_ctl(0, 0, 0, 0, 512);
        instr(OP_RESET, {1, 0, 0, 1, 0, 0, 0, 0, 0});  // domain and text
    }
    void TearDown() override { pdi_load_state(); }

    // A field 5 cells wide and 3 rows high, one cell in and two rows up.
    void smallField() { instr(OP_FIELD, {CW, 2 * CH, 5 * CW, 3 * CH}); }
};

// --- Character advance and wrapping -------------------------------------------

TEST_F(Cursor, AdvanceWrapsAtTheFieldEdgeToTheStartOfTheNextLine) {
    smallField();
    feed(apsBytes(4, 4));  // the top row of the field, fourth cell
    type("A");
    EXPECT_EQ(cursor(), (Pos{5 * CW, 4 * CH}));
    type("B");  // the next cell would end beyond the field
    EXPECT_EQ(cursor(), (Pos{CW, 3 * CH}));
    EXPECT_EQ(ip.PhyCursX, 12);
    EXPECT_EQ(ip.PhyCursY, 60);
    // The drawing point follows the cursor.
    EXPECT_EQ(ip.LogDrawX, CW);
    EXPECT_EQ(ip.PhyDrawY, 60);
    // Three more lines: the bottom row wraps to the top one.
    type("CDEFG" "HIJKL");
    EXPECT_EQ(cursor(), (Pos{CW, 4 * CH}));
}

TEST_F(Cursor, OutsideTheFieldTheScreenEdgeCounts) {
    smallField();
    feed(apsBytes(1, 40));  // below the field, near the right of the screen
    type("A");
    EXPECT_EQ(cursor(), (Pos{41 * CW, CH}));
    EXPECT_EQ(txt.InField, 0);
    type("B");  // the next cell would end at 43 cells > 0x1000000
    EXPECT_EQ(cursor(), (Pos{0, 0}));
}

TEST_F(Cursor, BackspaceAtTheFieldStartGoesToTheEndOfThePreviousLine) {
    smallField();
    feed(apsBytes(3, 1));
    type("A");
    feed("\x08");
    EXPECT_EQ(cursor(), (Pos{CW, 3 * CH}));
    feed("\x08");
    EXPECT_EQ(cursor(), (Pos{5 * CW, 4 * CH}));
    feed("\x09");  // HT: forward again, wrapping to the next line
    EXPECT_EQ(cursor(), (Pos{CW, 3 * CH}));
}

TEST_F(Cursor, CrAndLfRightAfterAnAutomaticWrapAreSwallowedOnce) {
    smallField();
    // The CR that ends the text run is the first control after the wrap.
    const Pos wrapped{CW, 3 * CH};
    feed(apsBytes(4, 5) + "A\r");
    EXPECT_EQ(cursor(), wrapped);
    EXPECT_EQ(txt.Done_auto_apd, AUTO_SWALLOWED);
    feed("\n");
    EXPECT_EQ(cursor(), wrapped);
    EXPECT_EQ(txt.Done_auto_apd, AUTO_NONE);
    feed("\n");
    EXPECT_EQ(cursor(), (Pos{CW, 2 * CH}));

    // Two LFs after a wrap: neither moves; a third does.
    feed(apsBytes(4, 5) + "A\n\n");
    EXPECT_EQ(cursor(), wrapped);
    feed("\n");
    EXPECT_EQ(cursor(), (Pos{CW, 2 * CH}));

    // Any other control in between ends the swallowing.
    feed(apsBytes(4, 5) + "A\x07\n");
    EXPECT_EQ(cursor(), (Pos{CW, 2 * CH}));
    // A CR at the end of a line that did not wrap moves as usual.
    feed(apsBytes(4, 3) + "A\r");
    EXPECT_EQ(cursor(), (Pos{CW, 4 * CH}));
}

TEST_F(Cursor, LineStepsPastTheFieldWrapWhenScrollingIsOff) {
    smallField();
    feed(apsBytes(2, 2));
    type("A");
    feed("\n");  // below the bottom row: back to the top row
    EXPECT_EQ(cursor(), (Pos{3 * CW, 4 * CH}));
    feed("\x0b");  // VT: above the top row: to the bottom row
    EXPECT_EQ(cursor(), (Pos{3 * CW, 2 * CH}));
}

// --- Spacing --------------------------------------------------------------------

TEST_F(Cursor, InterCharacterAndInterRowSpacingWidenTheSteps) {
    txt.InterChar = 1;
    EXPECT_EQ(Cal_InterChar(0x60000), 0x78000);
    txt.InterChar = 2;
    EXPECT_EQ(Cal_InterChar(0x60000), 0x90000);
    txt.InterRow = 3;
    EXPECT_EQ(Cal_InterRow(-0xA0000), -0x140000);
    txt.InterRow = 1;
    EXPECT_EQ(Cal_InterRow(-0xA0000), -0xC8000);
    // The extremes saturate.
    txt.InterRow = 3;
    EXPECT_EQ(Cal_InterRow(INT32_MIN), INT32_MIN);
    txt.InterChar = 2;
    EXPECT_EQ(Cal_InterChar(INT32_MAX), INT32_MAX);

    // Through TEXT: spacing 1 between characters, 2 between rows.
    instr(OP_TEXT, {0, 0, 1, 2, 0, 0});
    feed(apsBytes(10, 0));
    type("AB");
    EXPECT_EQ(cursor(), (Pos{2 * 0x78000, 10 * CH}));
    feed("\n");
    EXPECT_EQ(cursor(), (Pos{2 * 0x78000, 10 * CH - 0xF0000}));
}

TEST_F(Cursor, ProportionalSpacingNarrowsTheAdvanceByTheRightMargin) {
    instr(OP_TEXT, {0, 0, 3, 0, 0, 0});
    auto advanceAfter = [](const char *c) {
        feed(apsBytes(10, 10));
        int32_t x0 = ip.LogCursX;
        type(c);
        return ip.LogCursX - x0;
    };
    // The margins are in 22nds of the width; 'W' has no right margin, 'i'
    // a wide one; the advance also loses the pull-back of the left margin.
    int32_t w = advanceAfter("W"), i = advanceAfter("i"), m = advanceAfter("m");
    EXPECT_LT(i, m);
    EXPECT_LT(m, w);
    EXPECT_LE(w, CW);
    EXPECT_GT(i, 0);
    // Without proportional spacing every character advances one cell.
    instr(OP_TEXT, {0, 0, 0, 0, 0, 0});
    EXPECT_EQ(advanceAfter("i"), CW);
    // After a carriage return the first character is not pulled back, and
    // a control code as the last character has no margins.
    instr(OP_TEXT, {0, 0, 3, 0, 0, 0});
    txt.LastCharType = SET_PRIMARY;
    txt.LastCharCd_a = 0x05;
    EXPECT_EQ(Cal_InterChar(CW), CW);
}

// --- Positioning controls ------------------------------------------------------

TEST_F(Cursor, ActivePositionSetIsHeldAtTheScreenEdges) {
    feed(apsBytes(0, 0));
    EXPECT_EQ(cursor(), (Pos{0, 0}));
    feed(apsBytes(5, 7));
    EXPECT_EQ(cursor(), (Pos{7 * CW, 5 * CH}));
    EXPECT_EQ(ip.PhyCursX, 84);
    EXPECT_EQ(ip.PhyCursY, 100);
    feed(apsBytes(0x5F, 0x5F));  // row and column 95
    EXPECT_EQ(cursor(), (Pos{0x1000000, 0xC80000}));
    // Character sizes whose multiples leave the int32 range.
    instr(OP_TEXT, {0, 0, 0, 0, 0, 0, INT32_MAX, INT32_MIN});
    feed(apsBytes(0x5F, 0x5F));
    EXPECT_EQ(cursor(), (Pos{0x1000000, INT32_MIN}));
    // An APS cut short by a control is dropped.
    instr(OP_TEXT, {0, 0, 0, 0, 0, 0, CW, CH});
    feed(apsBytes(1, 1));
    feed(std::string{char(C0_APS), char(0x25), '\r'});
    EXPECT_EQ(cursor(), (Pos{0, CH}));
}

TEST_F(Cursor, HomeAndFormFeedGoToTheFirstTextLine) {
    feed(apsBytes(3, 3));
    feed("\x1e");
    EXPECT_EQ(cursor(), (Pos{0, 0xC80000 - CH}));
    feed(apsBytes(3, 3));
    feed("\x0c");
    EXPECT_EQ(cursor(), (Pos{0, 0xC80000 - CH}));
    // A character height of either sign gives the same first line.
    instr(OP_TEXT, {0, 0, 0, 0, 0, 0, CW, -2 * CH});
    feed("\x0c");
    EXPECT_EQ(cursor(), (Pos{0, 0xC80000 - 2 * CH}));
    EXPECT_EQ(ip.PhyCursY, 360);
}

TEST_F(Cursor, NonSelectiveResetRestoresCodeSetsTextAndColour) {
    dec.Gset[0] = SET_MOSAIC;
    dec.Gset[1] = SET_DRCS;
    dec.Gset[2] = SET_PRIMARY;
    dec.Gset[3] = SET_PDI;
    dec.GPG[0] = 2;
    dec.GPG[1] = 3;
    dec.MulLen = 1;
    ip.ColorMod = 2;
    ip.ColorNo = 99;
    instr(OP_TEXT, {2, 1, 3, 2, 0, 0, 3 * CW, 3 * CH});
    feed(apsBytes(4, 4));
    const Pos before = cursor();
    feed(std::string{char(C0_NSR), '\0'});  // no position: the cursor stays
    EXPECT_EQ(dec.Gset[0], SET_PRIMARY);
    EXPECT_EQ(dec.Gset[1], SET_PDI);
    EXPECT_EQ(dec.Gset[2], SET_SUPPL);
    EXPECT_EQ(dec.Gset[3], SET_MOSAIC);
    EXPECT_EQ(dec.GPG[0], 0);
    EXPECT_EQ(dec.GPG[1], 1);
    EXPECT_EQ(dec.GLS, -1);
    EXPECT_EQ(dec.MulLen, 3);
    EXPECT_EQ(ip.ColorMod, 0);
    EXPECT_EQ(ip.ColorNo, 7);
    EXPECT_EQ(ip.DrawValueR, 15);
    EXPECT_EQ(ip.DrawValueG, 15);
    EXPECT_EQ(ip.DrawValueB, 15);
    EXPECT_EQ(txt.Rotate, 0);
    EXPECT_EQ(txt.CharPath, 0);
    EXPECT_EQ(txt.InterChar, 0);
    EXPECT_EQ(ip.LogCharX, CW);
    EXPECT_EQ(ip.LogCharY, CH);
    EXPECT_EQ(txt.ChrFld_r, CW);
    EXPECT_EQ(cursor(), before);

    // With a position, in cells of the restored size; ASCII reaches GL.
    dec.GLS = 2;
    feed(std::string{char(C0_NSR), char(0x42), char(0x43)});
    EXPECT_EQ(cursor(), (Pos{3 * CW, 2 * CH}));
    EXPECT_EQ(dec.GLS, -1);
    type("AB");
    EXPECT_EQ(cursor(), (Pos{5 * CW, 2 * CH}));
}

// LF and VT are opposite steps on every character path.
TEST_F(Cursor, VerticalTabUndoesALineFeedOnEveryPath) {
    for (int path = 0; path < 4; path++) {
        SCOPED_TRACE(path);
        instr(OP_TEXT, {0, path, 0, 0, 0, 0});
        feed(apsBytes(10, 20));
        const Pos start = cursor();
        feed("\n");
        const Pos down = cursor();
        EXPECT_FALSE(down == start);
        feed("\x0b");
        EXPECT_EQ(cursor(), start);
        feed("\x0b");
        const Pos up = cursor();
        // The previous line lies on the other side of the start.
        EXPECT_EQ(int64_t(up.x) - start.x, int64_t(start.x) - down.x);
        EXPECT_EQ(int64_t(up.y) - start.y, int64_t(start.y) - down.y);
    }
}

TEST_F(Cursor, LineFeedsMoveAcrossThePathByTheLineSize) {
    const Pos steps[4] = {{0, -CH}, {0, CH}, {CW, 0}, {-CW, 0}};
    for (int path = 0; path < 4; path++) {
        SCOPED_TRACE(path);
        instr(OP_TEXT, {0, path, 0, 0, 0, 0});
        feed(apsBytes(10, 20));
        const Pos start = cursor();
        feed("\n");
        EXPECT_EQ(cursor(), (Pos{start.x + steps[path].x, start.y + steps[path].y}));
    }
}

// --- Characters left on the line and word wrap ---------------------------------

TEST_F(Cursor, CharactersLeftOnTheLineFollowThePath) {
    smallField();
    feed(apsBytes(3, 2));  // inside: 2 cells from the left edge at 1
    const int inside[4] = {4, 1, 2, 1};
    for (int path = 0; path < 4; path++) {
        txt.CharPath = path;
        EXPECT_EQ(inq_eol_chars(), inside[path]) << path;
    }
    feed(apsBytes(1, 10));  // outside: the screen's edges count
    const int outside[4] = {32, 10, 19, 1};
    for (int path = 0; path < 4; path++) {
        txt.CharPath = path;
        EXPECT_EQ(inq_eol_chars(), outside[path]) << path;
    }
    txt.CharPath = 7;
    EXPECT_EQ(inq_eol_chars(), 0);
    txt.CharPath = 0;
    ip.LogCharX = 0;
    EXPECT_EQ(inq_eol_chars(), 0);
    ip.LogCharX = INT32_MIN;  // a size of either sign counts by its magnitude
    EXPECT_EQ(inq_eol_chars(), 0);
    ip.LogCharX = 1;
    ip.LogCursX = INT32_MIN;
    EXPECT_EQ(inq_eol_chars(), INT32_MAX);
}

class WordWrap : public Cursor {
protected:
    void SetUp() override {
        Cursor::SetUp();
        instr(OP_FIELD, {0, 0, 5 * CW, 0xC80000});  // five cells a line
        feed("\x95");                              // word wrap on
    }
};

TEST_F(WordWrap, AWordLongerThanTheRoomLeftStartsANewLine) {
    feed(apsBytes(10, 0));
    type("a abcd");  // room for 3 after "a ": abcd moves down
    EXPECT_EQ(cursor(), (Pos{4 * CW, 9 * CH}));
}

TEST_F(WordWrap, AWordThatFitsStaysOnItsLine) {
    feed(apsBytes(10, 0));
    type("a abc ");  // abc fills the line; the space goes to the next
    EXPECT_EQ(cursor(), (Pos{CW, 9 * CH}));
    feed(apsBytes(10, 0));
    type("a ab");
    EXPECT_EQ(cursor(), (Pos{4 * CW, 10 * CH}));
}

TEST_F(WordWrap, WithoutWordWrapTheWordIsCutAtTheEdge) {
    feed("\x96");
    feed(apsBytes(10, 0));
    type("a abcd");
    EXPECT_EQ(cursor(), (Pos{CW, 9 * CH}));
}

TEST_F(WordWrap, AWordLongerThanALineWrapsOnceAndThenBreaks) {
    feed(apsBytes(10, 0));
    type("a abcdefgh");  // a new line, then the automatic wrap inside it
    EXPECT_EQ(cursor(), (Pos{3 * CW, 8 * CH}));
}

// --- Code sets ---------------------------------------------------------------------

TEST_F(Cursor, EachCodeSetFindsItsCharacterAndAdvancesOneCell) {
    struct Case {
        std::string bytes;
        int code;      // JIS row and cell (or 0 and the code) of the character
        int32_t advance;
    };
    const Case cases[] = {
        {"A", 0x2341, CW},                          // ASCII as full-width JIS
        {"\\", 0x216F, CW},                        // backslash as the yen sign
        {"\x1b(A" "1", 0x2422, CW},                 // one-byte hiragana
        {"\x1b(C" "1", 0x2522, CW},                 // one-byte katakana
        {"\x1b(G" "\x5e", 0x212B, CW},              // voiced sound mark
        {"\x1b$)@\x1b~" "\xb0\xa1", 0x3021, CW},    // two-byte JIS in GR
        {"\x1b$)J\x1b~" "\xf4\xa4", 0x7424, CW},
        {"\x1b){\x1b~" "\xa1", 0x0021, CW},         // DRCS
        {"\x19" "\x31", 0x0031, CW},                // supplementary: plus-minus
        {"\x19" "\x41", 0x0041, 0},                 // a non-spacing accent
        {"\x19" "\x4f", 0x004F, 0},
        {"\x19" "\x50", 0x0050, CW},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes);
        pdi_load_state();
        pdi_ctl(0, 0, 0, 0, 512);
        instr(OP_RESET, {1, 0, 0, 1, 0, 0, 0, 0, 0});
        feed(apsBytes(3, 3));
        type(c.bytes);
        EXPECT_EQ(txt.LastCharCode, c.code) << std::hex << txt.LastCharCode;
        EXPECT_EQ(ip.LogCursX - 3 * CW, c.advance);
    }
}

// --- Repeat ---------------------------------------------------------------------

TEST_F(Cursor, RepeatDrawsTheLastCharacterAgain) {
    feed(apsBytes(10, 0));
    type("A");
    feed("\x86\x43");  // REPEAT 3
    EXPECT_EQ(cursor(), (Pos{4 * CW, 10 * CH}));
    EXPECT_EQ(txt.LastCharCd_a, 'A');
    feed("\r\x86\x42");  // after a carriage return: still one cell a repeat
    EXPECT_EQ(cursor(), (Pos{2 * CW, 10 * CH}));
    // REPEAT to the end of the line fills what is left of it.
    smallField();
    feed(apsBytes(3, 1));
    type("A");
    feed("\x87");  // four more: the line is full and the cursor wraps
    EXPECT_EQ(cursor(), (Pos{CW, 2 * CH}));
}

// --- Before the stream's first RESET --------------------------------------------

TEST(CursorAtLoad, ZeroSizesMoveNothingAndDivideNothing) {
    pdi_load_state();
    EXPECT_EQ(inq_eol_chars(), 0);
    type("AB\r\n\x08\x09\x0b");
    feed("\x1b|\xa1\xff");  // mosaics
    type("\x1c\x30\x30");
    feed("\x87\x86\x45\x95");
    type("a bc d");
    EXPECT_EQ(cursor(), (Pos{0, 0}));
    feed("\x0c");
    EXPECT_EQ(cursor(), (Pos{0, 0xC80000}));
    pdi_load_state();
}

}  // namespace
}  // namespace naplps

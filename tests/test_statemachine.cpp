// The byte-stream state machine: bytes in, executor calls out. Every case is
// also fed split in two blocks at every byte offset, as a browser delivers
// them, and must give the same calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "tests/recorder.h"

using namespace naplps;

namespace {

using Bytes = std::vector<uint8_t>;

struct Case {
    const char *name;
    Bytes bytes;
    const char *calls;  // expected calls joined by " | "
    int mulLen = 3;
};

// NUL (0x00) is a plain C0 control; cases end with it to flush a pending
// instruction.
const std::vector<Case> kCases = {
    // Code sets and shifts.
    {"PDI opcode through GR", {0xA8, 0xC8, 0xC0, 0xC0, 0x00}, "pdi 28 400000 0 | c0 0"},
    {"SO invokes the PDI set into GL, SI the primary set",
     {0x0E, 0x28, 0x48, 0x40, 0x40, 0x0F, 0x41, 0x00},
     "pdi 28 400000 0 | moji B 41 | c0 0"},
    {"text waits for the byte after it", {0x41, 0x42, 0x0D}, "moji B 41 42 | c0 d"},
    {"text ends at a byte of another set", {0x41, 0xA4, 0x00}, "moji B 41 | pdi 24 | c0 0"},
    {"opcode after opcode has no operands", {0xA4, 0xA5, 0x00}, "pdi 24 | pdi 25 | c0 0"},
    {"operand byte without opcode is ignored", {0xC8, 0xC8, 0x41, 0x00}, "moji B 41 | c0 0"},
    {"SS2 then a control cancels the shift", {0x19, 0x0D, 0x41, 0x00}, "c0 d | moji B 41 | c0 0"},
    {"SS2 shifts one character into G2", {0x19, 0x41, 0x42, 0x00}, "moji | 41 | moji B 42 | c0 0"},
    {"SS3 shifts one character into G3 (mosaics)", {0x1D, 0x41, 0x00}, "mosaic 41 | c0 0"},
    {"LS3R puts the mosaic set into GR", {0x1B, 0x7C, 0xA1, 0xA2, 0x00}, "mosaic 21 22 | c0 0"},
    {"LS2 puts the supplementary set into GL", {0x1B, 0x6E, 0x41, 0x00}, "moji | 41 | c0 0"},
    {"two-byte set designated with ESC $ B",
     {0x1B, 0x24, 0x42, 0x24, 0x22, 0x30, 0x21, 0x00},
     "moji @ 2422 3021 | c0 0"},
    {"a lone last byte of a two-byte run is lost",
     {0x1B, 0x24, 0x42, 0x21, 0x21, 0x22, 0x22, 0x23, 0x00},
     "moji @ 2121 2222 | c0 0"},
    {"two-byte set into G1 with ESC $ ) B, used through GR",
     {0x1B, 0x24, 0x29, 0x42, 0xA4, 0xA2, 0x00},
     "moji @ 2422 | c0 0"},
    {"a control inside an escape sequence abandons it",
     {0x1B, 0x28, 0x0D, 0x41, 0x00},
     "c0 d | moji B 41 | c0 0"},
    {"ESC restarts an escape sequence", {0x1B, 0x28, 0x1B, 0x6E, 0x41, 0x00}, "moji | 41 | c0 0"},
    {"unknown final bytes are ignored",
     {0x1B, 0x7B, 0x1B, 0x21, 0x22, 0x23, 0x42, 0x41, 0x00},
     "moji B 41 | c0 0"},
    // C1 controls, 8-bit and 7-bit.
    {"8-bit C1: END closes nothing, underline goes to the text", {0x85, 0x99}, "c1 99"},
    {"ESC Fe is the C1 control", {0x1B, 0x45, 0x1B, 0x59}, "c1 99"},
    {"ESC @ then a name is DEF MACRO: its body is not drawn", {0x1B, 0x40, 0x51, 0x41}, ""},
    {"REPEAT takes an operand byte, ignoring others", {0x86, 0x21, 0x43}, "c1 86 3"},
    {"REPEAT broken by a control", {0x86, 0x0D}, "c0 d"},
    {"DEF DRCS takes any graphic byte as its name", {0x83, 0xC1}, "deftex 41"},
    {"texture names outside A to D are ignored", {0x84, 0x45, 0x43, 0x00}, "deftex 6 | c0 0"},
    {"DEF MACRO name broken by a control", {0x80, 0x0D, 0x41, 0x00}, "c0 d | moji B 41 | c0 0"},
    // NSR and APS parameters.
    {"NSR with two operand bytes", {0x1F, 0x41, 0x42}, "c0 1f 1 2"},
    {"NSR ended by a text byte, which is drawn",
     {0x1F, 0x21, 0x22, 0x00},
     "c0 1f | moji B 21 22 | c0 0"},
    {"NSR broken by a control", {0x1F, 0x41, 0x0D}, "c0 1f | c0 d"},
    {"NSR ended by the TEXT opcode, which is executed",
     {0x1F, 0xA2, 0xF0, 0x00},
     "c0 1f | pdi 22 0 0 3 | c0 0"},
    {"APS with two operand bytes", {0x1C, 0x41, 0x45}, "c0 1c 1 5"},
    {"APS broken by a control is dropped", {0x1C, 0x41, 0x0D}, "c0 d"},
    {"APS ended by a text byte, which is drawn", {0x1C, 0x21, 0x41, 0x00}, "moji B 21 41 | c0 0"},
    // Incremental instructions.
    {"INCREMENTAL POINT with count 0 does nothing", {0xB9, 0xC0, 0x41, 0x00}, "moji B 41 | c0 0"},
    {"INCREMENTAL POINT count broken by a control loses it",
     {0xB9, 0x0D, 0x41, 0x00},
     "moji B 41 | c0 0"},
    {"INCREMENTAL POINT batches of count words",
     {0xB9, 0xC2, 0xC1, 0xC2, 0xC3, 0x00},
     "incpoint 2 1 2 | incpoint 2 3 | c0 0"},
    {"INCREMENTAL POINT data broken by a text byte",
     {0xB9, 0xC3, 0xC1, 0x41, 0x00},
     "incpoint 3 1 | moji B 41 | c0 0"},
    {"INCREMENTAL LINE start point then batches ended by low bits",
     {0xBA, 0xC8, 0xC0, 0xC0, 0xC4, 0xC8, 0xC1, 0xC5, 0x00},
     "incline 400000 0 4 8 1 | incline 400000 0 5 | c0 0"},
    {"INCREMENTAL POLYGON pending data flushed by a control",
     {0xBB, 0xC8, 0xC0, 0xC0, 0xC4, 0xC8, 0x00},
     "incpoly 400000 0 4 8 | c0 0"},
    {"incremental start point broken by a control loses it",
     {0xBA, 0xC8, 0x0D, 0x41, 0x00},
     "moji B 41 | c0 0"},
    // Macros.
    {"invoking an undefined macro plays nothing",
     {0x1B, 0x29, 0x7A, 0xA1, 0x41, 0x00},
     "moji B 41 | c0 0"},
    {"DEF MACRO stores and draws nothing until END",
     {0x80, 0x41, 0x41, 0x42, 0xA8, 0xC8, 0x85, 0x41, 0x00},
     "moji B 41 | c0 0"},
    {"DEF MACRO ended by ESC E", {0x80, 0x41, 0x41, 0x1B, 0x28, 0x42, 0x1B, 0x45, 0x00}, "c0 0"},
    {"DEFP MACRO stores and draws", {0x81, 0x41, 0x41, 0x42, 0x85, 0x00}, "moji B 41 42 | c0 0"},
    {"DEFP MACRO ended by ESC E", {0x81, 0x41, 0x41, 0x1B, 0x45}, "moji B 41"},
    {"a new DEF code ends a capture and starts the next",
     {0x80, 0x41, 0x42, 0x81, 0x43, 0x44, 0x85},
     "moji B 44"},
    // Operand lengths.
    {"operand length 0 at load decodes the default three-byte operands",
     {0xA8, 0xC8, 0xC0, 0xC0, 0xD0, 0x00},
     "pdi 28 400000 0 800000 0 | c0 0",
     0},
    {"DOMAIN changes the length within the instruction",
     {0xA1, 0xC8, 0xC8, 0xC0, 0xC0, 0x00},
     "pdi 21 0 2 0 400000 0 | c0 0",
     1},
};

void prepare(int mulLen) {
    resetAll();
    dec.MulLen = mulLen;
    dec.SngLen = mulLen ? 1 : 0;
}

class StateMachineCase : public ::testing::TestWithParam<Case> {};

TEST_P(StateMachineCase, WholeStream) {
    const Case &c = GetParam();
    prepare(c.mulLen);
    EXPECT_EQ(joined(feed(c.bytes)), c.calls);
    EXPECT_EQ(dec.procmode, PM_IDLE);
}

TEST_P(StateMachineCase, SplitAtEveryOffset) {
    const Case &c = GetParam();
    for (size_t cut = 0; cut <= c.bytes.size(); cut++) {
        prepare(c.mulLen);
        Bytes a(c.bytes.begin(), c.bytes.begin() + long(cut)),
            b(c.bytes.begin() + long(cut), c.bytes.end());
        auto calls = feed(a);
        auto more = feed(b);
        calls.insert(calls.end(), more.begin(), more.end());
        EXPECT_EQ(joined(calls), c.calls) << "split at " << cut;
    }
}

std::string caseName(const ::testing::TestParamInfo<Case> &info) {
    std::string s;
    for (const char *p = info.param.name; *p; p++) s += std::isalnum(uint8_t(*p)) ? *p : '_';
    return s;
}

INSTANTIATE_TEST_SUITE_P(Bytes, StateMachineCase, ::testing::ValuesIn(kCases), caseName);

// Designations change the code-set table as the escape sequence says.
TEST(Designation, EscapeSequencesSetTheTable) {
    struct D {
        Bytes seq;
        int g[4];
    } table[] = {
        {{0x1B, 0x24, 0x42}, {'@', 'W', '|', '}'}},              // ESC $ B: '@' into G0
        {{0x1B, 0x24, 0x29, 0x42}, {'B', '@', '|', '}'}},        // ESC $ ) B: '@' into G1
        {{0x1B, 0x24, 0x2B, 0x4A}, {'B', 'W', '|', 'J'}},        // ESC $ + J
        {{0x1B, 0x24, 0x44}, {'D', 'W', '|', '}'}},              // ESC $ D into G0
        {{0x1B, 0x28, 0x57}, {'B', 'W', '|', '}'}},              // ESC ( W: ignored
        {{0x1B, 0x29, 0x57}, {'B', 'W', '|', '}'}},              // ESC ) W
        {{0x1B, 0x2A, 0x7A}, {'B', 'W', 'z', '}'}},              // ESC * z: macros into G2
        {{0x1B, 0x2F, 0x7B}, {'B', 'W', '|', '{'}},              // ESC / {: DRCS into G3
        {{0x1B, 0x28, 0x43}, {'C', 'W', '|', '}'}},              // ESC ( C: kana into G0
        {{0x1B, 0x2B, 0x42}, {'B', 'W', '|', 'B'}},              // ESC + B
        {{0x1B, 0x2A, 0x7C}, {'B', 'W', '|', '}'}},              // ESC * |: already there
        {{0x1B, 0x24, 0x28, 0x42}, {'B', 'W', '|', '}'}},        // second intermediate not ) * +
        {{0x1B, 0x25, 0x29, 0x42}, {'B', 'W', '|', '}'}},        // first intermediate not $
        {{0x1B, 0x24, 0x29, 0x28, 0x42}, {'B', 'W', '|', '}'}},  // four bytes: ignored
    };
    for (auto &t : table) {
        resetAll();
        feed(t.seq);
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(dec.Gset[i], t.g[i]) << "G" << i << " after sequence #" << (&t - table);
        EXPECT_EQ(dec.procmode, PM_IDLE);
    }
}

TEST(Designation, LockingShiftsOfGR) {
    resetAll();
    feed({0x1B, 0x7D});  // LS2R
    EXPECT_EQ(dec.GPG[1], 2);
    feed({0x1B, 0x7E});  // LS1R
    EXPECT_EQ(dec.GPG[1], 1);
    feed({0x1B, 0x6F});  // LS3
    EXPECT_EQ(dec.GPG[0], 3);
    feed({0x0F});  // SI
    EXPECT_EQ(dec.GPG[0], 0);
}

// A DEF MACRO body is stored byte for byte, a held ESC included, and the
// capture's end leaves the store consistent.
TEST(MacroCapture, BodiesAreStoredAsTheyStood) {
    resetAll();
    feed({0x80, 0x41, 0x41, 0x1B, 0x28, 0x42, 0xA8, 0x1B, 0x45});
    ASSERT_EQ(dec.MACROSiz[0x21], 5);
    EXPECT_EQ(dec.MACROPtr[0x21], 0);
    EXPECT_EQ(Bytes(dec.MACROBuf, dec.MACROBuf + 5), (Bytes{0x41, 0x1B, 0x28, 0x42, 0xA8}));
    EXPECT_EQ(dec.MACRONextPtr, 5);
    EXPECT_EQ(dec.DefiningFlag, 0);
    EXPECT_EQ(dec.ChkEndDef, 0);
}

TEST(MacroCapture, EscapeFollowedByOtherByteIsStored) {
    resetAll();
    feed({0x80, 0x41, 0x1B, 0x1B, 0x46, 0x85});
    ASSERT_EQ(dec.MACROSiz[0x21], 3);
    EXPECT_EQ(Bytes(dec.MACROBuf, dec.MACROBuf + 3), (Bytes{0x1B, 0x1B, 0x46}));
}

TEST(MacroCapture, LongBodyIsCutAtTheStoreEnd) {
    resetAll();
    Bytes s = {0x80, 0x41};
    s.insert(s.end(), 5000, 0x41);
    s.push_back(0x85);
    feed(s);
    EXPECT_EQ(dec.MACROSiz[0x21], 4096);
    EXPECT_EQ(dec.MACRONextPtr, 4096);
    EXPECT_EQ(dec.MACROBuf[4096], 0);
    // The next definition finds no room and stays empty; nothing breaks.
    feed({0x80, 0x42, 0x41, 0x42, 0x85});
    EXPECT_EQ(dec.MACROSiz[0x22], 0);
}

// From load on, a macro plays as if its bytes stood in the stream, and
// re-entering itself stops.
TEST(MacroPlayback, PlaysStoredBytesAndStopsOnReentry) {
    resetAll();
    dec.MulLen = 3;
    feed({0x1B, 0x29, 0x7A});              // macros into G1 (GR)
    feed({0x80, 0x41, 0x58, 0x59, 0x85});  // macro 'A' = "XY"
    EXPECT_EQ(joined(feed({0xC1, 0x00})), "moji B 58 59 | c0 0");
    EXPECT_EQ(dec.MACRONestLevel, 0);
    EXPECT_EQ(dec.MACRONst[0x21], 0);

    // 'B' invokes itself: the second entry sets the recursion flag and every
    // playback stops, the outer one too, before the body's last byte.
    feed({0x80, 0x42, 0x5A, 0xC2, 0x5A, 0x85});
    rec.calls.clear();
    EXPECT_EQ(joined(feed({0xC2, 0x00})), "moji B 5a | c0 0");
    EXPECT_EQ(dec.MACRONestLevel, 0);
    EXPECT_EQ(dec.func_macro_type, 0);
}

TEST(MacroPlayback, InstructionMaySpanTheMacroEnd) {
    resetAll();
    dec.func_macro_mode = 1;
    dec.MulLen = 3;
    feed({0x1B, 0x2A, 0x7A});              // macros into G2
    feed({0x80, 0x41, 0xA8, 0xC8, 0x85});  // 'A' = LINE opcode and one operand byte
    EXPECT_EQ(joined(feed({0x19, 0x41, 0xC0, 0xC0, 0x00})), "pdi 28 400000 0 | c0 0");
}

TEST(MacroPlayback, TMacrosAreNeverPlayed) {
    resetAll();
    dec.func_macro_mode = 1;
    feed({0x1B, 0x29, 0x7A});
    feed({0x82, 0x41, 0x58, 0x85});
    EXPECT_EQ(joined(feed({0xC1, 0x00})), "c0 0");
}

// Distinct macros each playing the next ten times, 20 deep, would ask for
// 10^20 plays: playback stops once it has played what the stream's bytes
// paid for, and the bytes that follow pay for playback again.
TEST(MacroPlayback, AChainOfMacrosEndsWithinItsBudget) {
    resetAll();
    Bytes s = {0x1B, 0x29, 0x7A};  // macros into G1 (GR)
    for (int k = 0; k < 20; k++) {
        s.insert(s.end(), {0x80, uint8_t(0x41 + k)});
        s.insert(s.end(), 10,
                 uint8_t(k < 19 ? 0xC2 + k : 'X'));  // the next macro, or 'X' at the end
        s.push_back(0x85);
    }
    s.push_back(0xC1);
    feed(s);
    pdi_flush(0);
    size_t played = 0;  // the X drawn
    for (auto &c : rec.calls)
        if (c.rfind("moji B", 0) == 0) played += size_t(std::count(c.begin(), c.end(), ' ')) - 1;
    EXPECT_GT(played, 10000u) << played;  // a chain plays as long as it is paid for
    EXPECT_LE(played, size_t(MACRO_PLAY_PER_BYTE) * s.size());
    EXPECT_EQ(dec.MACRONestLevel, 0);
    for (int m = 0; m < MACRO_COUNT; m++) EXPECT_EQ(dec.MACRONst[m], 0);
    rec.calls.clear();
    EXPECT_EQ(joined(feed({0xD4, 0x00})),
              "moji B 58 58 58 58 58 58 58 58 58 58 | c0 0");  // 'T' plays whole
}

// The end of a stream completes what is pending as the byte after it would,
// once: a second flush and the bytes that follow draw nothing twice.
TEST(EndOfStream, FlushCompletesThePendingInstructionOnce) {
    const struct {
        Bytes bytes;
        const char *calls;
    } cases[] = {
        {{0x41, 0x42}, "moji B 41 42"},
        {{0x1B, 0x24, 0x42, 0x24, 0x22, 0x30}, "moji @ 2422"},
        {{0xA8, 0xC8, 0xC0, 0xC0}, "pdi 28 400000 0"},
        {{0xA4}, "pdi 24"},
        {{0xB9, 0xC3, 0xC1}, "incpoint 3 1"},
        {{0xBB, 0xC8, 0xC0, 0xC0, 0xC4}, "incpoly 400000 0 4"},
        {{0x1F, 0x41}, "c0 1f"},
        {{0x1C, 0x41}, ""},
        {{0x1B, 0x28}, ""},
        {{0x99}, "c1 99"},
    };
    for (auto &c : cases) {
        prepare(3);
        feed(c.bytes);
        pdi_flush(0);
        pdi_flush(0);
        EXPECT_EQ(joined(rec.calls), c.calls) << c.calls;
        EXPECT_EQ(dec.procmode, PM_IDLE);
    }
    prepare(3);
    feed({0x41, 0x42});
    pdi_flush(0);
    rec.calls.clear();
    EXPECT_EQ(joined(feed({0x43, 0x00})), "moji B 43 | c0 0");  // a new run, not AB again
}

TEST(ResultValue, ReportsPendingStatusOnce) {
    resetAll();
    dec.PDI_ret_val = 1;
    EXPECT_EQ(pdi_putchar(0, 0x41), 1);
    dec.PDI_ret_val = 2;
    EXPECT_EQ(pdi_putchar(0, 0x41), 2);
    EXPECT_EQ(pdi_putchar(0, 0x41), 0);
}

}  // namespace

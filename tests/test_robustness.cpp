// Hostile and endless input: the machine never writes outside its buffers,
// hands over records that fit, loses no text, and a control byte always
// brings it back to the idle state.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
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

// Every record handed over fits the record buffer.
void expectRecordsFit() {
    for (auto &c : rec.calls) {
        size_t values = 0;
        for (char ch : c) values += ch == ' ';
        ASSERT_LE(values, size_t(DATA_SIZE)) << c.substr(0, 40);
    }
}

// Brings the machine back to idle the way a stream can: END closes any
// capture, a CR breaks any collection.
void expectRecovers() {
    feed({0x85, 0x0D});
    EXPECT_EQ(dec.procmode, PM_IDLE);
    EXPECT_EQ(dec.DefiningFlag, 0);
}

TEST(Endless, EscapeIntermediates) {
    resetAll();
    Bytes s = {0x1B};
    s.insert(s.end(), 100000, 0x21);
    s.push_back(0x42);  // final byte of a sequence far too long: ignored
    feed(s);
    EXPECT_EQ(dec.Gset[0], 'B');
    EXPECT_EQ(dec.procmode, PM_IDLE);
}

TEST(Endless, PdiOperandsAreCutToWholeOperands) {
    struct {
        int opcode, operandBytes, values;
    } table[] = {
        {0xA8, 1537, 1024},     // LINE: 513 operands would be 1026 values
        {0xA8, 100000, 1024},   // far beyond the instruction buffer
        {0xBC, 342 * 3, 1023},  // SET COLOR: 342 colours would be 1026 values
        {0xBF, 2000, 1024},     // BLINK groups of four
        {0xBD, 100000, 1024},   // WAIT values
    };
    for (auto &t : table) {
        resetAll();
        dec.MulLen = 3;
        dec.SngLen = 1;
        Bytes s = {uint8_t(t.opcode)};
        if (t.opcode == 0xBD) s.push_back(0xDC);  // WAIT's '\'
        s.insert(s.end(), size_t(t.operandBytes), 0xC9);
        s.push_back(0x00);
        auto calls = feed(s);
        ASSERT_EQ(calls.size(), 2u);
        ASSERT_EQ(dec.data[0], 0) << "the NUL's record follows";
        size_t values = 0;
        for (char ch : calls[0]) values += ch == ' ';
        EXPECT_EQ(values - 1, size_t(t.values)) << std::hex << t.opcode;  // the opcode
    }
}

TEST(Endless, LongTextRunsArriveWhole) {
    for (int twoByte = 0; twoByte <= 1; twoByte++) {
        resetAll();
        if (twoByte) feed({0x1B, 0x24, 0x42});
        const int chars = 3000;
        Bytes s(size_t(chars * (twoByte + 1)), 0x30);
        s.push_back(0x00);
        auto calls = feed(s);
        long total = 0;
        for (auto &c : calls) {
            if (c.rfind("moji", 0) != 0) continue;
            for (char ch : c) total += ch == ' ';
            total -= 1;  // the set
            EXPECT_EQ(c.find(twoByte ? " 30 " : " 3030"), std::string::npos) << "codes intact";
        }
        EXPECT_EQ(total, chars);
        expectRecordsFit();
    }
}

TEST(Endless, IncrementalPointWithRefusedBitCount) {
    resetAll();
    rec.incpointResult = [](const int32_t *) { return 0; };  // counts above 48 draw nothing
    Bytes s = {0xB9, 0xF5};                                  // bit count 53
    s.insert(s.end(), 20000, 0xC1);
    s.push_back(0x00);
    feed(s);
    EXPECT_LE(dec.Len, dec.brkcnt);
    expectRecordsFit();
    // Each refused batch is offered once and dropped.
    long batches = 0;
    for (auto &c : rec.calls) batches += c.rfind("incpoint", 0) == 0;
    EXPECT_EQ(batches, 20000 / 53 + 1);
}

TEST(Endless, IncrementalLineWithoutBatchEnd) {
    resetAll();
    dec.MulLen = 3;
    Bytes s = {0xBA, 0xC0, 0xC0, 0xC0};
    s.insert(s.end(), 5000, 0xC4);  // low two bits never set
    s.push_back(0x00);
    auto calls = feed(s);
    expectRecordsFit();
    long words = 0;
    for (auto &c : calls)
        if (c.rfind("incline", 0) == 0)
            for (char ch : c) words += ch == ' ';
    EXPECT_GE(words, 5000) << "no data byte is lost";
}

TEST(Hostile, NestedAndUnterminatedDefinitions) {
    resetAll();
    dec.func_macro_mode = 1;
    feed({0x1B, 0x29, 0x7A});
    // Definitions inside definitions, never ended, then invoked while open.
    Bytes s;
    for (int i = 0; i < 200; i++) {
        s.push_back(uint8_t(0x80 + i % 3));
        s.push_back(uint8_t(0x41 + i % 20));
        s.push_back(uint8_t(0xC1 + i % 20));
        s.push_back(0x1B);
        if (i % 7 == 0) s.push_back(0x45);
    }
    feed(s);
    expectRecovers();
    for (int m = 0; m < MACRO_COUNT; m++) {
        EXPECT_GE(dec.MACROSiz[m], 0);
        if (dec.MACROSiz[m] > 0) {
            EXPECT_LE(dec.MACROPtr[m] + dec.MACROSiz[m], dec.MACRONextPtr);
        }
    }
    EXPECT_LE(dec.MACRONextPtr, MACROBUF_LIMIT);
}

TEST(Hostile, MacrosInvokingEachOtherTerminate) {
    resetAll();
    dec.func_macro_mode = 1;
    feed({0x1B, 0x29, 0x7A});
    // 'A' plays 'B' twice, 'B' plays 'A' twice: ends at the first re-entry.
    feed({0x80, 0x41, 0xC2, 0xC2, 0x41, 0x85, 0x80, 0x42, 0xC1, 0xC1, 0x42, 0x85});
    feed({0xC1, 0x00});
    EXPECT_EQ(dec.MACRONestLevel, 0);
    for (int m = 0; m < MACRO_COUNT; m++) EXPECT_EQ(dec.MACRONst[m], 0);
    // A macro already playing eight times is not started again.
    feed({0x80, 0x43, 0x58, 0x85});
    dec.MACRONst[0x23] = MACRO_NEST_MAX;
    rec.calls.clear();
    EXPECT_EQ(joined(feed({0xC3, 0x00})), "c0 0");
    EXPECT_EQ(dec.MACRONst[0x23], MACRO_NEST_MAX);
}

// Drives the machine into each state and feeds every byte value there.
TEST(Hostile, EveryByteInEveryState) {
    const Bytes prefixes[15] = {
        {},                        // 0 idle
        {0x1B},                    // 1 escape
        {0x41},                    // 2 one-byte text
        {0x1B, 0x24, 0x42, 0x21},  // 3 two-byte text
        {0xA8},                    // 4 PDI operands
        {0xB9},                    // 5 incremental point count
        {0xB9, 0xC3},              // 6 incremental point data
        {0xBA},                    // 7 incremental start point
        {0xBA, 0xC0, 0xC0, 0xC0},  // 8 incremental data
        {0x1F},                    // 9 NSR parameters
        {0x1C},                    // 10 APS parameters
        {0x86},                    // 11 repeat count
        {0x80},                    // 12 definition name
        {0x84},                    // 13 texture name
        {0x83},                    // 14 DRCS name
    };
    for (int state = 0; state < 15; state++) {
        for (int b = 0; b < 256; b++) {
            resetAll();
            dec.MulLen = 3;
            feed(prefixes[state]);
            ASSERT_EQ(dec.procmode, state) << "prefix of state " << state;
            feed({uint8_t(b)});
            expectRecovers();
            ASSERT_EQ(dec.procmode, PM_IDLE) << "state " << state << " byte " << b;
        }
    }
}

Bytes randomStream(unsigned seed, size_t n) {
    std::mt19937 gen(seed);
    Bytes s(n);
    // Biased towards the interesting bytes: controls, shifts, operands.
    const uint8_t hot[] = {0x1B, 0x0E, 0x0F, 0x19, 0x1D, 0x1C, 0x1F, 0x80, 0x81, 0x82, 0x83,
                           0x84, 0x85, 0x86, 0x24, 0x28, 0x29, 0x7A, 0xB9, 0xBA, 0xA1, 0x45};
    for (auto &b : s) {
        unsigned r = gen();
        b = (r & 7) == 0 ? hot[(r >> 3) % sizeof hot] : uint8_t(r >> 8);
    }
    return s;
}

TEST(Hostile, PseudoRandomStreams) {
    for (unsigned seed = 1; seed <= 12; seed++) {
        resetAll();
        dec.func_macro_mode = int32_t(seed % 2);  // macros play in half the runs
        if (seed % 3 == 0) dec.Dimen = 1;
        feed(randomStream(seed, 200000));
        expectRecordsFit();
        expectRecovers();
        EXPECT_LE(dec.MACRONextPtr, MACROBUF_LIMIT);
        EXPECT_EQ(dec.MACRONestLevel, 0);
        rec.calls.clear();
    }
}

TEST(Corpus, EveryPictureDecodes) {
    std::filesystem::path dir = CORPUS_DIR;
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) GTEST_SKIP() << "no corpus at " << dir;
    int files = 0;
    for (auto &e : std::filesystem::recursive_directory_iterator(dir, ec)) {
        if (!e.is_regular_file()) continue;
        std::ifstream f(e.path(), std::ios::binary);
        Bytes s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        resetAll();
        feed(s);
        expectRecordsFit();
        expectRecovers();
        files++;
    }
    EXPECT_GT(files, 0);
}

}  // namespace

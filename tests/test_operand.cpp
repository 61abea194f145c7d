// Operand decoding: multi-value, single-value and colour operands, and the
// record each instruction builds.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "tests/recorder.h"

using namespace naplps;

namespace {

using Bytes = std::vector<uint8_t>;
using Values = std::vector<int32_t>;

// Decodes an instruction (opcode and operand bytes) into its record's values.
Values record(Bytes instr) {
    int32_t data[DATA_SIZE] = {};
    pdiana(instr.data(), int(instr.size()), data);
    return Values(data + 1, data + 1 + data[0]);
}

class Operands : public ::testing::Test {
protected:
    void SetUp() override {
        resetAll();
        dec.MulLen = 3;
        dec.SngLen = 1;
    }
};

TEST_F(Operands, MultiValueCoordinates) {
    struct {
        Bytes b;
        int32_t x, y;
        int used;
    } table[] = {
        {{0x48, 0x40, 0x40}, 0x400000, 0, 3},   {{0x50, 0x40, 0x40}, 0x800000, 0, 3},
        {{0x60, 0x40, 0x40}, -0x1000000, 0, 3}, {{0x7F, 0x7F, 0x7F}, -0x10000, -0x10000, 3},
        {{0x41, 0x40, 0x40}, 0, 0x400000, 3},   {{0x44, 0x40, 0x40}, 0, -0x1000000, 3},
        {{0x48, 0x40}, 0x400000, 0, 2},        // instruction ends early
        {{0x48, 0x20, 0x20}, 0x400000, 0, 1},  // non-operand bytes are zero bits
        {{0x20, 0x7F, 0x7F}, 0, 0, 0},         // first byte not an operand
    };
    for (auto &t : table) {
        int32_t out[2] = {-7, -7};
        EXPECT_EQ(getmul(t.b.data(), 0, int(t.b.size()), out), t.used);
        EXPECT_EQ(out[0], t.x) << std::hex << int(t.b[0]);
        EXPECT_EQ(out[1], t.y) << std::hex << int(t.b[0]);
    }
}

TEST_F(Operands, MultiValueScaleFollowsLength) {
    const Bytes b = {0x48, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40};
    for (int len = 1; len <= 8; len++) {
        dec.MulLen = len;
        int32_t out[2];
        EXPECT_EQ(getmul(b.data(), 0, 8, out), len);
        EXPECT_EQ(out[0], 0x400000) << "MulLen " << len;
    }
    dec.MulLen = 8;
    const Bytes fine = {0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x49};
    int32_t out[2];
    getmul(fine.data(), 0, 8, out);
    EXPECT_EQ(out[0], 1 << 1);  // the finest step at eight bytes
    EXPECT_EQ(out[1], 1 << 1);
}

TEST_F(Operands, ThreeDimensionalOperandsAreDefinedZeros) {
    dec.Dimen = 1;
    EXPECT_EQ(record({0x28, 0x48, 0x40, 0x40, 0x50, 0x40, 0x40}), (Values{0, 0, 0, 0}));
    EXPECT_EQ(record({0x21, 0x48, 0x48, 0x40, 0x40}), (Values{0, 2, 0, 0, 0}));
}

TEST_F(Operands, ZeroLengthsBeforeFirstDomainDecodeTheDefaultDomain) {
    dec.MulLen = 0;
    dec.SngLen = 0;
    EXPECT_EQ(record({0x28, 0x48, 0x40, 0x40, 0x50}), (Values{0x400000, 0, 0x800000, 0}));
    EXPECT_EQ(record({0x3E, 0x45, 0x46}), (Values{5, 6}));
    EXPECT_EQ(record({0x3C, 0x7F, 0x7F, 0x7F}), (Values{63, 63, 63}));
    EXPECT_EQ(dec.MulLen, 0);  // the state itself stays as loaded
}

TEST_F(Operands, SingleValue) {
    const Bytes b = {0x45, 0x46, 0x47};
    int32_t v;
    EXPECT_EQ(getsng(b.data(), 0, 3, &v), 1);
    EXPECT_EQ(v, 5);
    dec.SngLen = 2;
    EXPECT_EQ(getsng(b.data(), 0, 3, &v), 2);
    EXPECT_EQ(v, 5 * 64 + 6);
    EXPECT_EQ(getsng(b.data(), 2, 3, &v), 1);  // second byte missing: zero bits
    EXPECT_EQ(v, 7 * 64);
}

TEST_F(Operands, Colour) {
    EXPECT_EQ(record({0x3C, 0x7F, 0x7F, 0x7F}), (Values{63, 63, 63}));
    EXPECT_EQ(record({0x3C, 0x7F, 0x40, 0x40}), (Values{48, 48, 48}));
    EXPECT_EQ(record({0x3C, 0x64, 0x40, 0x40}),
              (Values{32 + 16, 0, 0}));                               // bits 5 and 2: component 0
    EXPECT_EQ(record({0x3C, 0x52, 0x40, 0x40}), (Values{0, 48, 0}));  // bits 4 and 1: component 1
    EXPECT_EQ(record({0x3C, 0x7F, 0x7F, 0x7F, 0x7F}), (Values{63, 63, 63, 48, 48, 48}));
}

TEST_F(Operands, CoordinateRecordsCountOperandsByPosition) {
    EXPECT_EQ(record({0x24, 0x48, 0x40, 0x40, 0x50}), (Values{0x400000, 0, 0x800000, 0}));
    EXPECT_EQ(record({0x24, 0x48, 0x40, 0x40, 0x48, 0x40, 0x40, 0x50}),
              (Values{0x400000, 0, 0x400000, 0, 0x800000, 0}));
    EXPECT_EQ(record({0x38}), Values{});  // FIELD without operands
}

TEST_F(Operands, ControlRecords) {
    EXPECT_EQ(record({0x20}), (Values{0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(record({0x20, 0x7F, 0x55}), (Values{1, 3, 7, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(record({0x20, 0x7F, 0x20}), (Values{1, 3, 7, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(record({0x21}), Values{});
    EXPECT_EQ(record({0x21, 0x48}), (Values{0, 2, 0}));
    EXPECT_EQ(dec.MulLen, 3);
    EXPECT_EQ(record({0x21, 0x64, 0x48, 0x40}), (Values{0, 1, 1, 0x400000, 0}));
    EXPECT_EQ(dec.MulLen, 2);  // DOMAIN changed the length for its own operand
    dec.MulLen = 3;
    EXPECT_EQ(record({0x22, 0x7F}), (Values{3, 3, 3}));
    EXPECT_EQ(record({0x22, 0x46, 0x49}), (Values{2, 1, 0, 1, 2, 0}));
    EXPECT_EQ(record({0x22, 0x40, 0x40, 0x48, 0x40, 0x40}),
              (Values{0, 0, 0, 0, 0, 0, 0x400000, 0}));
    EXPECT_EQ(record({0x23, 0x4D}), (Values{1, 1, 1}));
    EXPECT_EQ(record({0x23, 0x4D, 0x50, 0x40, 0x40}), (Values{1, 1, 1, 0x800000, 0}));
}

TEST_F(Operands, WaitSelectColourBlink) {
    EXPECT_EQ(record({0x3D, 0x5C, 0x43, 0x44}), (Values{3, 4}));
    EXPECT_EQ(record({0x3D, 0x43}), Values{});
    EXPECT_EQ(record({0x3D, 0x5C}), (Values{0}));
    EXPECT_EQ(record({0x3E, 0x45, 0x46}), (Values{5, 6}));
    EXPECT_EQ(record({0x3E, 0x45}), (Values{5}));
    EXPECT_EQ(record({0x3E}), Values{});
    EXPECT_EQ(record({0x3F, 0x41, 0x42, 0x43, 0x44, 0x45}), (Values{1, 2, 3, 4, 5, 0, 0, 0}));
    dec.SngLen = 2;
    EXPECT_EQ(record({0x3F, 0x41, 0x42, 0x43, 0x44, 0x45}), (Values{66, 3, 4, 5}));
}

}  // namespace

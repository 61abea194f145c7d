// The macro store and the status tables: kinds replace each other, bodies
// stay end to end, and no store operation leaves the buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/api.h"
#include "raster/raster.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "tests/recorder.h"

using namespace naplps;

namespace {

using Bytes = std::vector<uint8_t>;

std::string body(int name) {
    int m = name - 0x20;
    return std::string(dec.MACROBuf + dec.MACROPtr[m],
                       dec.MACROBuf + dec.MACROPtr[m] + dec.MACROSiz[m]);
}

TEST(Status, KindsReplaceEachOtherAndDrcsBitStays) {
    resetAll();
    set_TMACRO('Q');
    EXPECT_TRUE(test_TMACRO('Q'));
    set_MACRO('Q');
    EXPECT_FALSE(test_TMACRO('Q'));
    EXPECT_TRUE(test_MACRO('Q'));
    set_TMACRO('Q');
    set_DRCS_def('Q');
    EXPECT_TRUE(test_TMACRO('Q'));
    EXPECT_TRUE(test_DRCS_def('Q'));
    clearDRCS();
    EXPECT_FALSE(test_DRCS_def('Q'));
    EXPECT_TRUE(test_TMACRO('Q'));
    clearmacro();
    EXPECT_FALSE(test_TMACRO('Q'));
    reset_TMACRO('R');
    set_PMACRO('R' | 0x80);  // bit 7 ignored
    EXPECT_TRUE(test_PMACRO('R'));
    reset_PMACRO('R');
    EXPECT_FALSE(test_PMACRO('R'));
}

TEST(Status, NamesOutsideTheTablesAreIgnored) {
    resetAll();
    set_TMACRO(0x1F);
    set_DRCS_def(0x05);
    EXPECT_FALSE(test_TMACRO(0x1F));
    EXPECT_FALSE(test_DRCS_def(0x05));
    for (auto st : dec.Defined_Status) EXPECT_EQ(st, 0);
    set_Texture_def('E');
    EXPECT_EQ(ras.Texture_Status, 0);
    set_Texture_def('C');
    EXPECT_EQ(ras.Texture_Status, 4);
    EXPECT_TRUE(test_Texture_def('C'));
    EXPECT_FALSE(test_Texture_def('E'));
    reset_Texture_def('C');
    EXPECT_EQ(ras.Texture_Status, 0);
}

TEST(Store, RedefinitionMovesLaterBodiesDown) {
    resetAll();
    clearmacro();
    feed({0x80, 'A', '1', '2', '3', '4', '5', 0x85});
    feed({0x80, 'B', 'x', 'y', 'z', 0x85});
    feed({0x80, 'A', 'p', 'q', 0x85});
    EXPECT_EQ(body('B'), "xyz");
    EXPECT_EQ(dec.MACROPtr['B' - 0x20], 0);
    EXPECT_EQ(body('A'), "pq");
    EXPECT_EQ(dec.MACROPtr['A' - 0x20], 3);
    EXPECT_EQ(dec.MACRONextPtr, 5);
    EXPECT_EQ(dec.MacroDfP, 5);
}

TEST(Store, ClearStartsTheNextBodyAtZero) {
    resetAll();
    feed({0x80, 'A', '1', '2', 0x85});
    clearmacro();
    for (int n = 0x20; n < 0x80; n++) EXPECT_FALSE(test_TMACRO(n));
    feed({0x80, 'C', '7', 0x85});
    EXPECT_EQ(dec.MACROPtr['C' - 0x20], 0);
    EXPECT_EQ(body('C'), "7");
}

// RESET's macro group can arrive while a DEFP MACRO body is captured (its
// bytes are executed as well): the body then starts over in the empty store.
TEST(Store, ClearDuringCaptureKeepsTheBodyConsistent) {
    resetAll();
    feed({0x80, 'A', '1', '2', '3', 0x85});
    feed({0x81, 'B', 'x', 'y'});
    clearmacro();
    feed({'z', 0x85});
    EXPECT_EQ(dec.MACROSiz['A' - 0x20], 0);
    EXPECT_EQ(body('B'), "z");
    EXPECT_EQ(dec.MACRONextPtr, 1);
    EXPECT_LE(dec.MACROPtr['B' - 0x20], dec.MacroDfP);
    // The store keeps working.
    feed({0x80, 'B', 'k', 0x85});
    EXPECT_EQ(body('B'), "k");
    EXPECT_EQ(dec.MACRONextPtr, 1);
}

TEST(Store, InconsistentBodyIsForgottenNotMoved) {
    resetAll();
    clearmacro();
    feed({0x80, 'A', '1', '2', 0x85});
    Bytes before(dec.MACROBuf, dec.MACROBuf + MACROBUF_SIZE);
    struct {
        int ptr, size;
    } bad[] = {{4090, 100}, {-5, 3}, {1, 4000}, {0, -3}};
    for (auto &b : bad) {
        dec.MACROPtr['Z' - 0x20] = b.ptr;
        dec.MACROSiz['Z' - 0x20] = b.size;
        deleteMacro('Z');
        EXPECT_EQ(dec.MACROSiz['Z' - 0x20], 0);
        EXPECT_EQ(Bytes(dec.MACROBuf, dec.MACROBuf + MACROBUF_SIZE), before);
        EXPECT_EQ(dec.MACRONextPtr, 2);
    }
    EXPECT_EQ(body('A'), "12");
}

}  // namespace

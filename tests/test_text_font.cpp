// The built-in font: the JIS to Shift_JIS conversion, the table's index and
// glyph layout, glyph lookup and coverage, the supplementary glyphs, and the
// conversion of ASCII and one-byte kana to full-width JIS codes.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "nxg/nxgfnt.h"
#include "text/text.h"

namespace naplps {
namespace {

bool blank(const uint8_t *g) {
    for (int i = 0; i < uf_fsize1; i++)
        if (g[i] != 0) return false;
    return true;
}

uint32_t indexEntry(int g) {
    const uint8_t *e = NXG_fnt_tbl + 4 * g;
    return uint32_t(e[0]) | uint32_t(e[1]) << 8 | uint32_t(e[2]) << 16 | uint32_t(e[3]) << 24;
}

bool validSjis(int s) {
    int lead = s >> 8, trail = s & 0xFF;
    bool leadOk = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEF);
    return leadOk && trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
}

// Rows of a glyph that hold any dot.
std::set<int> inkRows(const uint8_t *g) {
    std::set<int> rows;
    for (int r = 0; r < 16; r++)
        if (g[2 * r] | g[2 * r + 1]) rows.insert(r);
    return rows;
}

TEST(FontJisToShiftJis, PublishedValuesAndRejectedBytes) {
    EXPECT_EQ(NXG_jis_to_jms(0x2121), 0x8140);
    EXPECT_EQ(NXG_jis_to_jms(0x2422), 0x82A0);
    EXPECT_EQ(NXG_jis_to_jms(0x7424), 0xEAA2);
    EXPECT_EQ(NXG_jis_to_jms(0x215F), 0x817E);  // odd row, last cell before the gap
    EXPECT_EQ(NXG_jis_to_jms(0x2160), 0x8180);  // odd row skips trail 0x7F
    EXPECT_EQ(NXG_jis_to_jms(0x5E7E), 0x9FFC);  // last lead byte below the gap
    EXPECT_EQ(NXG_jis_to_jms(0x5F21), 0xE040);  // first lead byte above it
    for (int bad : {0x2020, 0x217F, 0x7F21, 0x2021, 0x0000, 0x21FF, 0x1234})
        EXPECT_EQ(NXG_jis_to_jms(bad), 0) << std::hex << bad;
}

TEST(FontJisToShiftJis, EveryJisCodeHasItsOwnValidShiftJisCode) {
    std::set<int> seen;
    for (int hi = 0x21; hi <= 0x7E; hi++) {
        for (int lo = 0x21; lo <= 0x7E; lo++) {
            int s = NXG_jis_to_jms(hi << 8 | lo);
            ASSERT_TRUE(validSjis(s)) << std::hex << (hi << 8 | lo) << " -> " << s;
            ASSERT_TRUE(seen.insert(s).second) << std::hex << s;
        }
    }
    EXPECT_EQ(seen.size(), 94u * 94u);
}

TEST(FontTable, IndexPointsAtPackedGlyphsOfValidCodesOnly) {
    // Counting the valid positions from 0x8140 independently: every group's
    // entry is the number of glyphs before it times 32.
    uint32_t glyphs = 0;
    for (int g = 0; g < NXG_FNT_INDEX_ENTRIES; g++) {
        int first = 0x8140 + 16 * g;
        ASSERT_EQ(indexEntry(g), 32 * glyphs) << "group " << std::hex << first;
        for (int s = first; s < first + 16; s++) {
            int lead = s >> 8;
            bool inTable = ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA)) &&
                           validSjis(s) && s < 0xEAB0;
            if (inTable) glyphs++;
        }
    }
    // 41 full lead bytes of 188 codes, then 0xEA40 .. 0xEAAF.
    EXPECT_EQ(glyphs, 41u * 188u + 63u + 48u);
    EXPECT_LE(NXG_FNT_INDEX_SIZE + 32 * glyphs, uint32_t(NXG_FNT_TBL_SIZE));
    EXPECT_EQ(NXG_FNT_INDEX_SIZE, 6752);
    EXPECT_EQ(sizeof NXG_fnt_tbl, 257000u);
}

TEST(FontLookup, FindsGlyphsAndLeavesTheBufferAloneWithoutOne) {
    uint8_t buf[32];
    std::memset(buf, 0xAA, sizeof buf);
    EXPECT_EQ(uf_get1(0x2121, buf), 0);  // ideographic space
    EXPECT_TRUE(blank(buf));

    EXPECT_EQ(uf_get1(0x2330, buf), 0);  // full-width digit zero
    EXPECT_FALSE(blank(buf));
    uint8_t one[32];
    ASSERT_EQ(uf_get1(0x2331, one), 0);
    EXPECT_NE(std::memcmp(buf, one, 32), 0);

    for (int none : {0x7432, 0x7521, 0x7E7E, 0x2120, 0x217F, 0x3020, 0x307F, 0x2020, 0, -1}) {
        std::memset(buf, 0x5A, sizeof buf);
        EXPECT_EQ(uf_get1(none, buf), -1) << std::hex << none;
        for (uint8_t b : buf) ASSERT_EQ(b, 0x5A) << std::hex << none;
    }
    // The last code with a place in the table, and rows that are present
    // but blank.
    for (int blankCode : {0x7431, 0x7425, 0x2921, 0x2C7E, 0x2E21, 0x2F7E, 0x4F54}) {
        std::memset(buf, 0x5A, sizeof buf);
        EXPECT_EQ(uf_get1(blankCode, buf), 0) << std::hex << blankCode;
        EXPECT_TRUE(blank(buf)) << std::hex << blankCode;
    }
}

TEST(FontLookup, CoversKanaSymbolsAndBothKanjiLevels) {
    uint8_t buf[32];
    // Hiragana, katakana, Greek, Cyrillic, box drawing, row 0x2D symbols,
    // first-level kanji to 0x4F53, second-level kanji to 0x7424.
    for (int code : {0x2422, 0x2573, 0x2621, 0x2721, 0x2821, 0x2D21, 0x3021, 0x4F53, 0x5021, 0x7424}) {
        ASSERT_EQ(uf_get1(code, buf), 0) << std::hex << code;
        EXPECT_FALSE(blank(buf)) << std::hex << code;
    }
    // Kanji glyphs differ from one another.
    uint8_t other[32];
    ASSERT_EQ(uf_get1(0x3022, other), 0);
    ASSERT_EQ(uf_get1(0x3021, buf), 0);
    EXPECT_NE(std::memcmp(buf, other, 32), 0);
}

// Glyphs of the font the table is built from, read back from its .hex file:
// the table holds for each JIS code the glyph of the same character.
TEST(FontLookup, GlyphsAreThoseOfTheSameCharactersInTheSourceFont) {
    std::ifstream in("/usr/share/unifont/unifont_jp.hex");
    if (!in) GTEST_SKIP() << "unifont_jp.hex is not installed";
    const std::map<std::string, int> wanted = {
        {"FF10", 0x2330},  // full-width 0
        {"FF21", 0x2341},  // full-width A
        {"3042", 0x2422},  // hiragana a
        {"4E9C", 0x3021},  // first kanji of level 1
        {"7464", 0x7424},  // last kanji of level 2
        {"2460", 0x2D21},  // circled digit one
    };
    int checked = 0;
    std::string line;
    while (std::getline(in, line)) {
        auto it = wanted.find(line.substr(0, line.find(':')));
        if (it == wanted.end()) continue;
        std::string hex = line.substr(line.find(':') + 1);
        ASSERT_EQ(hex.size(), 64u) << it->first;
        uint8_t expect[32], got[32];
        for (int i = 0; i < 32; i++) expect[i] = uint8_t(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
        ASSERT_EQ(uf_get1(it->second, got), 0);
        EXPECT_EQ(std::memcmp(expect, got, 32), 0) << "U+" << it->first;
        checked++;
    }
    EXPECT_EQ(checked, int(wanted.size()));
}

TEST(FontSupplementary, BlankEndsAccentsAboveOrBelowAndLetters) {
    EXPECT_TRUE(blank(SuppleBuf));                  // 0x20
    EXPECT_TRUE(blank(SuppleBuf + 32 * 0x5F));      // 0x7F
    // Accents over the letter sit in the top rows of the cell, those under
    // it in the bottom rows: the letter's own rows stay free.
    for (int k : {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x4A, 0x4D, 0x4F}) {
        std::set<int> rows = inkRows(SuppleBuf + 32 * (k - 0x20));
        ASSERT_FALSE(rows.empty()) << std::hex << k;
        EXPECT_LE(*rows.rbegin(), 5) << std::hex << k;
    }
    for (int k : {0x4B, 0x4C, 0x4E}) {
        std::set<int> rows = inkRows(SuppleBuf + 32 * (k - 0x20));
        ASSERT_FALSE(rows.empty()) << std::hex << k;
        EXPECT_GE(*rows.begin(), 12) << std::hex << k;
    }
    // Spacing characters (pound, degree, AE, sharp s) have glyphs of their own.
    for (int k : {0x23, 0x30, 0x61, 0x7B}) {
        EXPECT_FALSE(blank(SuppleBuf + 32 * (k - 0x20))) << std::hex << k;
        EXPECT_NE(std::memcmp(SuppleBuf + 32 * (k - 0x20), SuppleBuf + 32 * (0x31 - 0x20), 32), 0);
    }
}

TEST(FontCodes, AsciiAndKanaBecomeFullWidthJisCodesWithGlyphs) {
    EXPECT_EQ(hantojis(0x41), 0x2341);
    EXPECT_EQ(hantojis(0x20), 0x2121);
    EXPECT_EQ(hantojis(0x5C), 0x216F);  // yen sign
    EXPECT_EQ(hantojis(0x7E), 0x2131);  // overline
    EXPECT_EQ(hantojis(0x7F), 0x2121);
    EXPECT_EQ(hantojis(0x30), 0x2330);
    EXPECT_EQ(hantojis(0x7A), 0x237A);
    EXPECT_EQ(hantojis(0xC1), 0x2341);  // bit 7 is not part of the code
    EXPECT_EQ(knhantojis(0x31), 0x2522);
    EXPECT_EQ(knhantojis(0x21), 0x2123);
    EXPECT_EQ(knhantojis(0x5E), 0x212B);
    EXPECT_EQ(knhantojis(0x60), 0x2121);
    // Control codes have no place in the tables: a blank space.
    EXPECT_EQ(hantojis(0x05), 0x2121);
    EXPECT_EQ(knhantojis(0x1F), 0x2121);
    uint8_t buf[32];
    for (int c = 0x21; c <= 0x7E; c++) {
        ASSERT_EQ(uf_get1(hantojis(c), buf), 0) << std::hex << c;
        EXPECT_FALSE(blank(buf)) << "ASCII " << char(c);
    }
    for (int c = 0x21; c <= 0x5F; c++) {
        ASSERT_EQ(uf_get1(knhantojis(c), buf), 0) << std::hex << c;
        EXPECT_FALSE(blank(buf)) << "kana " << std::hex << c;
    }
}

}  // namespace
}  // namespace naplps

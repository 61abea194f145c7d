// The built-in font: JIS to Shift_JIS, glyph lookup and its misses, and
// ASCII and kana as full-width JIS codes with glyphs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "nxg/nxgfnt.h"
#include "text/text.h"

namespace naplps {
namespace {

TEST(Font, JisToShiftJisIsOneToOneAndRejectsBytesOutsideTheRows) {
    // Odd rows skip trail 0x7F; the lead bytes jump the 0xA0 .. 0xDF gap.
    const std::pair<int, int> known[] = {{0x2121, 0x8140}, {0x2422, 0x82A0}, {0x7424, 0xEAA2}, {0x215F, 0x817E},
                                         {0x2160, 0x8180}, {0x5E7E, 0x9FFC}, {0x5F21, 0xE040}};
    for (auto [jis, sjis] : known) EXPECT_EQ(NXG_jis_to_jms(jis), sjis) << std::hex << jis;
    for (int bad : {0x2020, 0x217F, 0x7F21, 0x2021, 0x0000, 0x21FF, 0x1234}) EXPECT_EQ(NXG_jis_to_jms(bad), 0);
    std::set<int> seen;
    for (int hi = 0x21; hi <= 0x7E; hi++)
        for (int lo = 0x21; lo <= 0x7E; lo++) {
            int s = NXG_jis_to_jms(hi << 8 | lo);
            int lead = s >> 8, trail = s & 0xFF;
            ASSERT_TRUE(((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEF)) && trail >= 0x40 &&
                        trail <= 0xFC && trail != 0x7F && seen.insert(s).second)
                << std::hex << (hi << 8 | lo) << " -> " << s;
        }
}

// A code without a glyph leaves the buffer alone; rows that are present but blank give a blank glyph.
TEST(Font, LookupMissesLeaveTheBufferAlone) {
    uint8_t buf[32];
    for (int code : {0x7432, 0x7521, 0x7E7E, 0x2120, 0x217F, 0x3020, 0x307F, 0x2020, 0, -1, 0x2121, 0x7431, 0x2921,
                     0x2C7E, 0x2E21, 0x2F7E, 0x4F54}) {
        std::memset(buf, 0x5A, sizeof buf);
        bool none = code < 0x2121 || code > 0x7431 || (code & 0xFF) < 0x21 || (code & 0xFF) > 0x7E;
        EXPECT_EQ(uf_get1(code, buf), none ? -1 : 0) << std::hex << code;
        EXPECT_EQ(std::count(buf, buf + 32, none ? 0x5A : 0), 32) << std::hex << code;
    }
}

TEST(Font, AsciiAndKanaBecomeFullWidthJisCodesWithGlyphs) {
    // Yen for backslash, overline for tilde; bit 7 is not part of the code;
    // controls and DEL have no place in the tables: a blank space.
    const std::pair<int, int> ascii[] = {{0x41, 0x2341}, {0x20, 0x2121}, {0x5C, 0x216F}, {0x7E, 0x2131}, {0x7F, 0x2121},
                                         {0x30, 0x2330}, {0x7A, 0x237A}, {0xC1, 0x2341}, {0x05, 0x2121}};
    for (auto [c, jis] : ascii) EXPECT_EQ(hantojis(c), jis) << std::hex << c;
    const std::pair<int, int> kana[] = {{0x31, 0x2522}, {0x21, 0x2123}, {0x5E, 0x212B}, {0x60, 0x2121}, {0x1F, 0x2121}};
    for (auto [c, jis] : kana) EXPECT_EQ(knhantojis(c), jis) << std::hex << c;
    uint8_t buf[32];
    for (int c = 0x21; c <= 0x7E; c++) EXPECT_TRUE(uf_get1(hantojis(c), buf) == 0 && std::count(buf, buf + 32, 0) < 32) << std::hex << c;
    for (int c = 0x21; c <= 0x5F; c++) EXPECT_TRUE(uf_get1(knhantojis(c), buf) == 0 && std::count(buf, buf + 32, 0) < 32) << std::hex << c;
}

}  // namespace
}  // namespace naplps

// The built-in font: 16 x 16 glyphs of the JIS X 0208 character set in
// Shift_JIS order, the 96 glyphs of the supplementary set, and the lookup of
// a glyph by its JIS code. Plain data and arithmetic: no X calls.
//
// Glyph format: 32 bytes, 16 rows from the top, 2 bytes a row (left 8 dots
// first), most significant bit leftmost; a set bit is a foreground dot.
#pragma once

#include <cstdint>

namespace naplps {

constexpr int uf_fsize1 = 32;                // bytes of one glyph
constexpr int NXG_FNT_INDEX_ENTRIES = 1688;  // groups of 16 Shift_JIS codes from 0x8140
constexpr int NXG_FNT_INDEX_SIZE = NXG_FNT_INDEX_ENTRIES * 4;  // 6752
constexpr int NXG_FNT_TBL_SIZE = 257000;
// A glyph must end at or before this offset of the table; the group of
// Shift_JIS 0xEAB0 (JIS 0x7432) and later has none.
constexpr int NXG_FNT_LIMIT = 256991;
constexpr int SUPPLE_BUF_SIZE = 96 * uf_fsize1;

// Index (1688 little-endian 32-bit offsets into the glyph section, one for
// each group of 16 Shift_JIS codes) followed by the packed glyphs of every
// valid code from 0x8140 to 0xEAAF.
extern const uint8_t NXG_fnt_tbl[NXG_FNT_TBL_SIZE];
// The supplementary set, code k (0x20 .. 0x7F) at 32 * (k - 0x20).
extern const uint8_t SuppleBuf[SUPPLE_BUF_SIZE];

// The built-in font has nothing to open or release.
void uf_open();
void uf_close();

// The Shift_JIS code of a JIS X 0208 code (row in the high byte, cell in the
// low byte), or 0 when either byte is outside 0x21 .. 0x7E.
int NXG_jis_to_jms(int code);
// Copies the glyph of a JIS code into buf (32 bytes) and returns 0, or
// returns -1 and leaves buf alone when the table has no glyph for it.
int uf_get1(int code, uint8_t *buf);

}  // namespace naplps

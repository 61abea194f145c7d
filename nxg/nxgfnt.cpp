// Glyph lookup in the built-in font (the table itself is generated from
// GNU Unifont at build time by tools/mkfont).
#include "nxg/nxgfnt.h"

#include <cstring>

namespace naplps {

// The font is compiled in: nothing to open or release.
void uf_open() {}
void uf_close() {}

int NXG_jis_to_jms(int code) {
    int hi = (code >> 8) & 0xFF, lo = code & 0xFF;
    if (hi < 0x21 || hi > 0x7E || lo < 0x21 || lo > 0x7E) return 0;
    if (hi & 1)
        lo += lo <= 0x5F ? 0x1F : 0x20;
    else
        lo += 0x7E;
    int lead = ((hi - 0x21) >> 1) + 0x81;
    if (lead > 0x9F) lead += 0x40;
    return lead << 8 | lo;
}

int uf_get1(int code, uint8_t *buf) {
    unsigned s = unsigned(NXG_jis_to_jms(code)) & 0xFFFF;
    if (s < 0x8140) return -1;
    unsigned g = (s - 0x8140) >> 4;
    if (g >= unsigned(NXG_FNT_INDEX_ENTRIES)) return -1;
    const uint8_t *e = NXG_fnt_tbl + 4 * g;
    uint32_t entry =
        uint32_t(e[0]) | uint32_t(e[1]) << 8 | uint32_t(e[2]) << 16 | uint32_t(e[3]) << 24;
    uint64_t off = uint64_t(entry) + NXG_FNT_INDEX_SIZE + uf_fsize1 * (s % 16);
    if (off + uf_fsize1 > uint64_t(NXG_FNT_LIMIT)) return -1;
    std::memcpy(buf, NXG_fnt_tbl + off, uf_fsize1);
    return 0;
}

}  // namespace naplps

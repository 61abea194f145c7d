// Builds the built-in font as C++ source: the 16 x 16 JIS X 0208 glyph
// table NXG_fnt_tbl (Shift_JIS-ordered index and packed glyphs) and the 96
// glyphs of the supplementary set, SuppleBuf, from GNU Unifont .hex files.
//
//   mkfont OUT.cpp FONT.hex [MORE.hex ...]
//
// A code point is looked up in the .hex files in the order given (the first
// that has it wins). JIS X 0208 codes reach Unicode through their Shift_JIS
// form and the system's CP932 converter, so that the symbols of row 0x2D and
// the full-width forms of ASCII are found too. Glyphs 8 dots wide are
// centred in the 16-dot cell.
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using Glyph = std::vector<uint8_t>;  // 32 bytes, 2 a row from the top

constexpr int GLYPH_BYTES = 32;
constexpr int INDEX_ENTRIES = 1688;             // groups 0x8140 .. 0xEABF (0xEAC0 exclusive)
constexpr int INDEX_BYTES = INDEX_ENTRIES * 4;  // 6752
constexpr int TABLE_BYTES = 257000;
constexpr int SJIS_FIRST = 0x8140;
constexpr int SJIS_LAST_GLYPH = 0xEAAF;  // JIS 0x7431

std::map<uint32_t, Glyph> glyphs;  // code point -> 16 x 16 glyph

int hexval(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads "XXXX:hex" lines; 32 hex digits are an 8 x 16 glyph, 64 a 16 x 16.
bool readHex(const char *path) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        uint32_t cp = uint32_t(std::stoul(line.substr(0, colon), nullptr, 16));
        if (glyphs.count(cp)) continue;
        std::string h = line.substr(colon + 1);
        while (!h.empty() && hexval(h.back()) < 0) h.pop_back();
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i + 1 < h.size(); i += 2) {
            int a = hexval(h[i]), b = hexval(h[i + 1]);
            if (a < 0 || b < 0) break;
            bytes.push_back(uint8_t(a << 4 | b));
        }
        Glyph g(GLYPH_BYTES, 0);
        if (bytes.size() == 32) {
            g.assign(bytes.begin(), bytes.end());
        } else if (bytes.size() == 16) {
            for (int r = 0; r < 16; r++) {  // centred: columns 4 .. 11
                g[2 * r] = uint8_t(bytes[r] >> 4);
                g[2 * r + 1] = uint8_t(bytes[r] << 4);
            }
        } else {
            continue;
        }
        glyphs[cp] = g;
    }
    return true;
}

const Glyph *glyphOf(uint32_t cp) {
    auto it = glyphs.find(cp);
    return it == glyphs.end() ? nullptr : &it->second;
}

// The Unicode code point of a two-byte Shift_JIS code under CP932, or 0.
uint32_t sjisToUnicode(iconv_t cd, int s) {
    char in[2] = {char(s >> 8), char(s & 0xFF)};
    uint32_t out = 0;
    char *ip = in, *op = reinterpret_cast<char *>(&out);
    size_t il = 2, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0 || ol != 0) return 0;
    return out;
}

// JIS X 0208 row and cell of a valid Shift_JIS code.
void sjisToJis(int s, int *row, int *cell) {
    int lead = s >> 8, trail = s & 0xFF;
    int r = lead <= 0x9F ? (lead - 0x81) * 2 + 0x21 : (lead - 0xC1) * 2 + 0x21;
    if (trail >= 0x9F) {
        *row = r + 1;
        *cell = trail - 0x7E;
    } else {
        *row = r;
        *cell = trail - (trail >= 0x80 ? 0x20 : 0x1F);
    }
}

bool validLead(int lead) {
    return (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA);
}
bool validTrail(int t) { return t >= 0x40 && t <= 0xFC && t != 0x7F; }

// Rows whose glyphs the table carries; the others stay blank.
bool covered(int row, int cell) {
    if (row >= 0x21 && row <= 0x28) return true;
    if (row == 0x2D) return true;
    if (row >= 0x30 && row <= 0x4E) return true;
    if (row == 0x4F) return cell <= 0x53;
    if (row >= 0x50 && row <= 0x73) return true;
    if (row == 0x74) return cell <= 0x24;
    return false;
}

// The supplementary set: Unicode for codes 0x20 .. 0x7F (0: blank). Codes
// 0x41 .. 0x4F are accents that do not advance; they take the spacing form's
// glyph, which Unifont draws above (or, for cedilla, underline and ogonek,
// below) a lower-case letter.
const uint32_t SUPPLE_UNICODE[96] = {
    // 0x20
    0,
    0x00A1,
    0x00A2,
    0x00A3,
    0x0024,
    0x00A5,
    0x0023,
    0x00A7,
    0x00A4,
    0x2018,
    0x201C,
    0x00AB,
    0x2190,
    0x2191,
    0x2192,
    0x2193,
    // 0x30
    0x00B0,
    0x00B1,
    0x00B2,
    0x00B3,
    0x00D7,
    0x00B5,
    0x00B6,
    0x00B7,
    0x00F7,
    0x2019,
    0x201D,
    0x00BB,
    0x00BC,
    0x00BD,
    0x00BE,
    0x00BF,
    // 0x40: non-spacing grave, acute, circumflex, tilde, macron, breve,
    // dot, diaeresis, (diaeresis), ring, cedilla, underline, double acute,
    // ogonek, caron
    0,
    0x0060,
    0x00B4,
    0x02C6,
    0x02DC,
    0x00AF,
    0x02D8,
    0x02D9,
    0x00A8,
    0x00A8,
    0x02DA,
    0x00B8,
    0x0332,
    0x02DD,
    0x02DB,
    0x02C7,
    // 0x50
    0x2015,
    0x00B9,
    0x00AE,
    0x00A9,
    0x2122,
    0x266A,
    0x00AC,
    0x00A6,
    0,
    0,
    0,
    0,
    0x215B,
    0x215C,
    0x215D,
    0x215E,
    // 0x60
    0x2126,
    0x00C6,
    0x0110,
    0x00AA,
    0x0126,
    0,
    0x0132,
    0x013F,
    0x0141,
    0x00D8,
    0x0152,
    0x00BA,
    0x00DE,
    0x0166,
    0x014A,
    0x0149,
    // 0x70
    0x0138,
    0x00E6,
    0x0111,
    0x00F0,
    0x0127,
    0x0131,
    0x0133,
    0x0140,
    0x0142,
    0x00F8,
    0x0153,
    0x00DF,
    0x00FE,
    0x0167,
    0x014B,
    0,
};

void emit(FILE *f, const char *decl, const std::vector<uint8_t> &bytes) {
    std::fprintf(f, "%s = {\n", decl);
    for (size_t i = 0; i < bytes.size(); i++) {
        std::fprintf(f, "%u,", bytes[i]);
        if (i % 32 == 31) std::fputc('\n', f);
    }
    std::fprintf(f, "};\n\n");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT.cpp FONT.hex [MORE.hex ...]\n", argv[0]);
        return 2;
    }
    for (int i = 2; i < argc; i++) {
        if (!readHex(argv[i])) {
            std::fprintf(stderr, "mkfont: cannot read %s (install the unifont package)\n", argv[i]);
            return 1;
        }
    }
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == iconv_t(-1)) {
        std::fprintf(stderr, "mkfont: no CP932 converter\n");
        return 1;
    }

    std::vector<uint8_t> table(TABLE_BYTES, 0);
    std::vector<uint8_t> glyphSection;
    int found = 0, missing = 0;
    // Walk the groups of 16 codes; every valid position takes one glyph,
    // invalid ones take no space.
    for (int g = 0; g < INDEX_ENTRIES; g++) {
        uint32_t offset = uint32_t(glyphSection.size());
        // Empty groups point at the next glyph: fixed up below.
        bool any = false;
        for (int k = 0; k < 16; k++) {
            int s = SJIS_FIRST + 16 * g + k;
            if (!validLead(s >> 8) || !validTrail(s & 0xFF) || s > SJIS_LAST_GLYPH) continue;
            any = true;
            Glyph glyph(GLYPH_BYTES, 0);
            int row, cell;
            sjisToJis(s, &row, &cell);
            if (covered(row, cell)) {
                uint32_t cp = sjisToUnicode(cd, s);
                if (cp != 0) {
                    if (const Glyph *src = glyphOf(cp)) {
                        glyph = *src;
                        found++;
                    } else {
                        missing++;
                    }
                }
            }
            glyphSection.insert(glyphSection.end(), glyph.begin(), glyph.end());
        }
        uint32_t entry = any ? offset : UINT32_MAX;
        std::memcpy(&table[4 * g], &entry, 4);
    }
    iconv_close(cd);
    // Empty groups repeat the offset of the next glyph (the end of the
    // glyph section for the groups after the last one).
    uint32_t next = uint32_t(glyphSection.size());
    for (int g = INDEX_ENTRIES - 1; g >= 0; g--) {
        uint32_t e;
        std::memcpy(&e, &table[4 * g], 4);
        if (e == UINT32_MAX) {
            e = next;
        } else {
            next = e;
        }
        uint8_t le[4] = {uint8_t(e), uint8_t(e >> 8), uint8_t(e >> 16), uint8_t(e >> 24)};
        std::memcpy(&table[4 * g], le, 4);
    }
    if (INDEX_BYTES + glyphSection.size() > size_t(TABLE_BYTES)) {
        std::fprintf(stderr, "mkfont: glyph section too large\n");
        return 1;
    }
    std::memcpy(&table[INDEX_BYTES], glyphSection.data(), glyphSection.size());

    std::vector<uint8_t> supple(96 * GLYPH_BYTES, 0);
    for (int k = 0; k < 96; k++) {
        if (SUPPLE_UNICODE[k] == 0) continue;
        if (const Glyph *src = glyphOf(SUPPLE_UNICODE[k]))
            std::memcpy(&supple[GLYPH_BYTES * k], src->data(), GLYPH_BYTES);
    }

    FILE *f = std::fopen(argv[1], "w");
    if (f == nullptr) {
        std::fprintf(stderr, "mkfont: cannot write %s\n", argv[1]);
        return 1;
    }
    std::fprintf(
        f, "// Generated by tools/mkfont from GNU Unifont: the built-in font. Do not edit.\n");
    std::fprintf(f, "#include \"nxg/nxgfnt.h\"\n\nnamespace naplps {\n\n");
    emit(f, "alignas(4) const uint8_t NXG_fnt_tbl[NXG_FNT_TBL_SIZE]", table);
    emit(f, "const uint8_t SuppleBuf[SUPPLE_BUF_SIZE]", supple);
    std::fprintf(f, "}  // namespace naplps\n");
    if (std::fclose(f) != 0) return 1;
    std::fprintf(stderr, "mkfont: %d glyphs (%d codes without one), %zu bytes of glyphs\n", found,
                 missing, glyphSection.size());
    return 0;
}

// Streams that make a decoder work hard for few bytes: the inputs of the
// heavy-stream tests (tests/test_heavy.cpp) and of the benchmark that times
// them (bench/bench_heavy.cpp). Each is built from a few instructions in the
// 8-bit form (picture instructions in GR) and repeated to a given length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace heavy {

using Bytes = std::vector<uint8_t>;

inline void append(Bytes &s, std::initializer_list<uint8_t> b) { s.insert(s.end(), b); }

// RESET (screen cleared, text attributes back to their defaults).
inline Bytes reset() { return {0xA0, 0xC8, 0xC1}; }

// INCREMENTAL POINT whose pel is as wide as the field: every pel ends its
// row, and every row leaves the field, which scrolls. The 64-byte stream
// that shows the pattern is RESET, DOMAIN, the instruction and its data;
// the data bytes are repeated until the stream is `size` bytes long, and a
// NUL ends it.
inline Bytes incrementalScroll(size_t size) {
    static const uint8_t head[] = {0xA0, 0xC0, 0xC1, 0xA1, 0xC8, 0xD8, 0xF8, 0xF9, 0xB9};
    static const uint8_t data[] = {0xC1, 0xD1, 0xC8, 0xE0, 0xCF, 0xFF, 0xF9, 0xFC, 0xF0, 0xDA, 0xCC,
                                   0xFE, 0xC3, 0xF1, 0xF7, 0xC0, 0xF9, 0xE2, 0xDD, 0xCD, 0xE8, 0xC3,
                                   0xC2, 0xC3, 0xC1, 0xF0, 0xDB, 0xF6, 0xC3, 0xDC, 0xF8, 0xFF, 0xDD,
                                   0xEC, 0xDD, 0xDC, 0xFA, 0xE5, 0xC2, 0xF5, 0xCC, 0xD7, 0xE5, 0xCF,
                                   0xEA, 0xF6, 0xD8, 0xE6, 0xE4, 0xFF, 0xF2, 0xC4, 0xFD, 0xDF};
    Bytes s(std::begin(head), std::end(head));
    while (s.size() + sizeof data + 1 <= size) s.insert(s.end(), std::begin(data), std::end(data));
    s.push_back(0x00);
    return s;
}

// SCROLL ON after a RESET, then `feeds` line feeds: once the cursor has
// reached the bottom row, every line feed scrolls the picture by a row of
// text.
inline Bytes scrollFeeds(size_t feeds) {
    Bytes s = reset();
    s.push_back(0x97);  // SCROLL ON
    s.insert(s.end(), feeds, 0x0A);
    return s;
}

// A chain of `depth` macros designated into G2: macro '!' holds `body`,
// every later one plays the one before it twice (through SS2). After the
// definitions the deepest is played again and again until the stream is
// `size` bytes long, so the playback budget, not the definitions, decides
// how much is played.
inline Bytes macroChain(const Bytes &body, int depth, size_t size) {
    Bytes s = {0x1B, 0x2A, 0x7A};  // the macro set into G2
    s.push_back(0x80);             // DEFINE MACRO '!'
    s.push_back(0x21);
    s.insert(s.end(), body.begin(), body.end());
    s.push_back(0x85);  // END
    for (int k = 1; k <= depth; k++) {
        uint8_t name = uint8_t(0x21 + k), prev = uint8_t(name - 1);
        append(s, {0x80, name, 0x19, prev, 0x19, prev, 0x85});
    }
    const uint8_t deepest = uint8_t(0x21 + depth);
    while (s.size() + 2 <= size) append(s, {0x19, deepest});
    return s;
}

// Macro bodies. A filled rectangle over the whole unit screen in a solid
// colour, with a line of text.
inline Bytes solidFillBody() {
    return {0xBE, 0xFC,                                // SELECT COLOR 240
            0xB3, 0xC0, 0xC0, 0xC0, 0xDB, 0xF8, 0xFF,  // SET & RECTANGLE FILLED
            0xA2, 0xC0, 0xC0, 0xC0, 0xC9, 0xC2,        // TEXT: size 8 x 10
            'H',  'E',  'L',  'L',  'O',  ' ',  'W',  'O', 'R', 'L', 'D'};
}

// The same rectangle in vertical hatching of one-pixel pels, with a
// background colour: every pixel of every row is patterned.
inline Bytes hatchedFillBody() {
    return {0xA1, 0xC8, 0xC0, 0xC0, 0xC9,               // DOMAIN: pel 1 x 1
            0xA3, 0xC8,                                 // TEXTURE: pattern 1
            0xBE, 0xFC, 0xC8,                           // SELECT COLOR 240, 32
            0xB3, 0xC0, 0xC0, 0xC0, 0xDB, 0xF8, 0xFF};  // SET & RECTANGLE FILLED
}

// A filled triangle over the whole unit screen, drawn row by row.
inline Bytes polygonBody() {
    return {0xBE, 0xFC,                                                   // SELECT COLOR 240
            0xB7, 0xC0, 0xC0, 0xC0, 0xDB, 0xF8, 0xFF, 0xC4, 0xC7, 0xC1};  // SET & POLYGON FILLED
}

// Texture changes: patterns prepared again and again, a programmable one
// from a mask larger than its grid among them.
inline Bytes textureBody() {
    return {0xA3, 0xC8,                     // TEXTURE: pattern 1
            0xA3, 0xD0,                     // pattern 2
            0xA3, 0xE8, 0xC9, 0xE4, 0xE4,   // pattern 5, mask 100 x 100
            0xA1, 0xC8, 0xC0, 0xC0, 0xDB};  // DOMAIN: pel 3 x 3
}

// Text after a RESET, a character repeated 63 times by REPEAT, twice.
inline Bytes repeatBody() { return {0xA0, 0xC8, 0xC1, 'A', 0x86, 0x7F, 'W', 0x86, 0x7F}; }

// WAITs of the longest pause, which a host without a clock ticks through.
inline Bytes waitBody() { return {0xBD, 0xDC, 0xFF, 0xBD, 0xDC, 0xFF}; }

}  // namespace heavy

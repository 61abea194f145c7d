// Picture streams for the arc and incremental-point tests: 8-bit NAPLPS
// bytes with the PDI set in GR, coordinates in pixels at the plug-in's scale
// of 512 pixels per unit screen, multi-value operands of four bytes (a
// quarter pixel per step).
#pragma once

#include <cstdint>
#include <vector>

#include "decoder/decoder.h"

namespace naplps::arctest {

struct Stream {
    std::vector<uint8_t> bytes;

    // An instruction's opcode (0x20 .. 0x3F) and its operand bytes.
    Stream &op(int opcode) {
        bytes.push_back(uint8_t(0x80 | opcode));
        return *this;
    }
    Stream &operand(int six) {
        bytes.push_back(uint8_t(0xC0 | (six & 0x3F)));
        return *this;
    }
    // One coordinate pair in quarter pixels: 12 bits each, x in the upper
    // three bits of every byte.
    Stream &xyq(int qx, int qy) {
        for (int k = 3; k >= 0; k--) operand((((qx >> (3 * k)) & 7) << 3) | ((qy >> (3 * k)) & 7));
        return *this;
    }
    Stream &xy(int px, int py) { return xyq(4 * px, 4 * py); }

    // RESET of the domain, the colours (code 1: direct colour, 2 or 3:
    // colour map), the screen (black) and the text attributes (the field is
    // the unit screen again); then DOMAIN with four-byte coordinates and a
    // pel of pelx x pely pixels (0: no logical pel).
    Stream &start(int colourCode, int pelx = 0, int pely = 0) {
        op(OP_RESET).operand(1 | (colourCode << 1) | (1 << 3)).operand(1);
        return domain(pelx, pely);
    }
    Stream &domain(int pelx, int pely) { return op(OP_DOMAIN).operand(3 << 2).xy(pelx, pely); }
    // SELECT COLOR with one value (colour-map mode, transparent background)
    // or two (opaque background); indices are multiples of 4.
    Stream &select(int fg) { return op(OP_SELECTCOLOR).operand(fg >> 2); }
    Stream &select(int fg, int bg) { return op(OP_SELECTCOLOR).operand(fg >> 2).operand(bg >> 2); }
    // TEXTURE: line texture 0-3, highlight, fill pattern 0.
    Stream &texture(int lineTexture, bool hilight = false) {
        return op(OP_TEXTURE).operand(lineTexture | (hilight ? 4 : 0));
    }
    // POINT SET ABSOLUTE.
    Stream &moveTo(int px, int py) { return op(OP_ABSPOINT).xy(px, py); }
    // A byte that ends the instruction in hand and draws nothing (SI).
    Stream &end() {
        bytes.push_back(0x0F);
        return *this;
    }
};

}  // namespace naplps::arctest

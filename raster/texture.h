// Fill textures: solid, the three hatchings and the programmable patterns
// A-D prepared as 1-bit rows for the span writer, and the capture of
// pattern and DRCS definitions into the 50 x 50 definition grid.
#pragma once

#include <cstdint>

namespace naplps {

constexpr int TEXTURE_GRID = 50;           // cells per grid row and column
constexpr int TEXTURE_CELLS = 640;         // cells of one prepared mask row
constexpr int TEXTURE_SIZE_MAX = 1 << 16;  // largest pattern period in pixels

// set_TEXTURE(code) and def_texture() are declared in raster/raster.h.

// Starts capturing drawing output into the definition grid: codes 4-7 for
// the patterns A-D, 32-127 for a DRCS character. Ignored while a definition
// runs or for any other code.
void start_def_texture(int code);
// Turns what was drawn since the definition began into the character or
// pattern.
void end_def_texture();

// Copies the lower-left 16 x 16 cells of a grid into the DRCS glyph of code.
void TEXTURE_B_to_DRCSBuf(const uint8_t *grid, int code);
// Eight cells into one byte, the first cell in the most significant bit.
uint8_t packtobyte(const uint8_t *cells);
// Forgets every stored pattern.
void clear_TEXTURE();
// The four stored patterns.
uint8_t *get_adr_TEXTURE();

}  // namespace naplps

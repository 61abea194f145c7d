// What the stream decoder calls outside itself: the instruction executors
// and the few raster, text and font operations its outward operations use.
// They are defined by the interpreter, text, raster and font code; the
// state-machine tests link a recording set instead.
#pragma once

#include <cstdint>

namespace naplps {

// Executors of complete instructions.
void pdi(int opcode, int32_t *data);          // PDI instruction, record decoded
void PDI_c0(int code, int32_t *data);         // C0 control
void PDI_c1(int code, int32_t *data);         // C1 control
void PDI_moji(int set, int32_t *data);        // text run of a character set
void PDI_mosaic(int32_t *data);               // run of mosaic characters
int PDI_incpoint(int32_t *data);              // INCREMENTAL POINT batch
void PDI_incline(int32_t *data);              // INCREMENTAL LINE data
void PDI_incpoly(int32_t *data);              // INCREMENTAL POLYGON data

// Turns what was drawn since a DRCS or texture definition began into the
// character or pattern.
void end_def_texture();

// Clip rectangle of the raster engine (pixels, inclusive).
int Set_Clip(int x1, int y1, int x2, int y2);
// Raster start-up: clears the current window.
void ginitialize();
// Recomputes the character field from the text state.
void setChrFld();
// The built-in font has nothing to open or release.
void uf_open();
void uf_close();

}  // namespace naplps

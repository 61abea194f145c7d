// Executors the decoder calls whose drawing is not built yet, and the ones
// that have nothing to do. Each "not drawn yet" entry is replaced by the
// code that draws it when that code lands.
#include "decoder/executors.h"
#include "interp/commands.h"
#include "text/state.h"

namespace naplps {

// C0 controls (cursor movement): not drawn yet.
void PDI_c0(int, int32_t *) {}
// Text runs of a character set: not drawn yet.
void PDI_moji(int, int32_t *) {}
// Mosaic character runs: not drawn yet.
void PDI_mosaic(int32_t *) {}
// INCREMENTAL POINT batches: not drawn yet; no word of the batch is used.
int PDI_incpoint(int32_t *) { return 0; }
// The character field: not computed yet.
void setChrFld() {}
// Position of the cursor against the field: not computed yet (outside).
int Chk_Fields() { return 0; }

// INCREMENTAL LINE and INCREMENTAL POLYGON are accepted and draw nothing.
void PDI_incline(int32_t *) {}
void PDI_incpoly(int32_t *) {}

// Characters left on the line: not computed yet (none).
int inq_eol_chars() { return 0; }

// The built-in font is compiled in: nothing to open or release.
void uf_open() {}
void uf_close() {}

}  // namespace naplps

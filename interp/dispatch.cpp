// The PDI dispatcher: runs the handler of a complete instruction with its
// decoded operand record.
#include "interp/protocol.h"
#include "interp/interp.h"
#include "text/text.h"
#include "raster/raster.h"
#include "interp/arc.h"
#include "interp/colour.h"
#include "interp/commands.h"
#include "interp/control.h"
#include "interp/state.h"
#include "text/state.h"

namespace naplps {

void pdi(int opcode, int32_t *data) {
    txt.Done_auto_apd = 0;
    // Every instruction but INCREMENTAL POINT ends an incremental run.
    if (opcode != OP_INCPOINT) ip.IncDrawX = ip.IncDrawY = -1;
    switch (opcode) {
    case OP_RESET: PDI_reset(data); break;              // RESET
    case OP_DOMAIN: PDI_domain(data); break;            // DOMAIN
    case OP_TEXT: PDI_text(data); break;                // TEXT
    case OP_TEXTURE: PDI_texture(data); break;          // TEXTURE
    case OP_ABSPOINT: PDI_abspoint(data); break;        // POINT SET ABSOLUTE
    case OP_RELPOINT: PDI_relpoint(data); break;        // POINT SET RELATIVE
    case OP_ABSPOINTSET: PDI_abspointset(data); break;  // POINT ABSOLUTE
    case OP_RELPOINTSET: PDI_relpointset(data); break;  // POINT RELATIVE
    case OP_ABSLINE: PDI_absline(data); break;          // LINE ABSOLUTE
    case OP_RELLINE: PDI_relline(data); break;          // LINE RELATIVE
    case OP_SETABSLINE: PDI_setabsline(data); break;    // SET & LINE ABSOLUTE
    case OP_SETRELLINE: PDI_setrelline(data); break;    // SET & LINE RELATIVE
    case OP_ARCLINE: PDI_arcline(data); break;          // ARC OUTLINED
    case OP_ARCFILL: PDI_arcfill(data); break;          // ARC FILLED
    case OP_SETARCLINE: PDI_setarcline(data); break;    // SET & ARC OUTLINED
    case OP_SETARCFILL: PDI_setarcfill(data); break;    // SET & ARC FILLED
    case OP_RECTLINE: PDI_rectline(data); break;        // RECTANGLE OUTLINED
    case OP_RECTFILL: PDI_rectfill(data); break;        // RECTANGLE FILLED
    case OP_SETRECTLINE: PDI_setrectline(data); break;  // SET & RECTANGLE OUTLINED
    case OP_SETRECTFILL: PDI_setrectfill(data); break;  // SET & RECTANGLE FILLED
    case OP_POLYLINE: PDI_polyline(data); break;        // POLYGON OUTLINED
    case OP_POLYFILL: PDI_polyfill(data); break;        // POLYGON FILLED
    case OP_SETPOLYLINE: PDI_setpolyline(data); break;  // SET & POLYGON OUTLINED
    case OP_SETPOLYFILL: PDI_setpolyfill(data); break;  // SET & POLYGON FILLED
    case OP_FIELD: PDI_field(data); break;              // FIELD
    case OP_INCPOINT: PDI_incpoint(data); break;        // INCREMENTAL POINT
    case OP_INCLINE: PDI_incline(data); break;          // INCREMENTAL LINE
    case OP_INCPOLY: PDI_incpoly(data); break;          // INCREMENTAL POLYGON
    case OP_SETCOLOR: PDI_setcolor(data); break;        // SET COLOR
    case OP_WAIT: PDI_wait(data); break;                // WAIT
    case OP_SELECTCOLOR: PDI_selectcolor(data); break;  // SELECT COLOR
    case OP_BLINK: PDI_blink(data); break;              // BLINK
    default: break;                                     // not a PDI opcode
    }
}

}  // namespace naplps

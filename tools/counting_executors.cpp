// Executors that draw nothing and only count what the decoder hands them.
#include "tools/counting_executors.h"

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "decoder/c1.h"
#include "interp/interp.h"
#include "nxg/nxgfnt.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "text/text.h"

namespace naplps {

ExecCounts execCounts;

void pdi(int opcode, int32_t *) { execCounts.pdi[(opcode - 0x20) & 63]++; }
void PDI_c0(int code, int32_t *) { execCounts.c0[code & 31]++; }
void PDI_c1(int code, int32_t *data) {
    execCounts.c1[code & 31]++;
    // Definitions are opened here, as the real C1 handler does, so that
    // capture and the macro store are exercised.
    if (code >= C1_DEF_MACRO && code <= C1_DEFT_MACRO && data[0] >= 1)
        start_macro_def(code, data[1]);
    else if (code == C1_END && dec.DefiningFlag != 0)
        defEnd();
}
void PDI_moji(int, int32_t *data) {
    execCounts.textRuns++;
    execCounts.characters += data[0];
}
void PDI_mosaic(int32_t *data) {
    execCounts.mosaicRuns++;
    execCounts.mosaics += data[0];
}
int PDI_incpoint(int32_t *data) {
    execCounts.incpoint++;
    return data[0] - 1;
}
void PDI_incline(int32_t *) { execCounts.incline++; }
void PDI_incpoly(int32_t *) { execCounts.incpoly++; }
void end_def_texture() { execCounts.texturesEnded++; }
int Set_Clip(int, int, int, int) { return 0; }
void ginitialize() {}
void setChrFld() {}
void uf_open() {}
void uf_close() {}

}  // namespace naplps

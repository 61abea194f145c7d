// The interpreter's entries for the decoder: complete PDI instructions and
// the data batches of the incremental instructions.
#pragma once

#include <cstdint>

namespace naplps {

// A PDI instruction with its decoded operand record.
void pdi(int opcode, int32_t *data);
// An INCREMENTAL POINT batch; returns how many values it used.
int PDI_incpoint(int32_t *data);
// The operand lengths the decoder decodes with from now on.
void set_operand_lengths(int sng, int mul);
// INCREMENTAL LINE and INCREMENTAL POLYGON data.
void PDI_incline(int32_t *data);
void PDI_incpoly(int32_t *data);

}  // namespace naplps

// Handlers of the arc instructions (ARC OUTLINED, ARC FILLED and their SET &
// forms) and of INCREMENTAL POINT. Each takes the decoded operand record:
// word 0 the count, then the values.
#pragma once

#include <cstdint>

namespace naplps {

// ARC OUTLINED, ARC FILLED: from the drawing point through two relative
// points; one relative point alone is the diameter of a whole circle.
void PDI_arcline(int32_t *data);
void PDI_arcfill(int32_t *data);
// SET & ARC OUTLINED, SET & ARC FILLED: the start point is given absolute.
void PDI_setarcline(int32_t *data);
void PDI_setarcfill(int32_t *data);

// Bit counts per pel that INCREMENTAL POINT draws.
constexpr int INC_BITS_MIN = 1, INC_BITS_MAX = 48;

// INCREMENTAL POINT batch: word 0 the index of the last data word, word 1
// the bits per pel, words 2.. six data bits each. Returns the number of
// words used; the caller keeps the rest for the next batch.
int PDI_incpoint(int32_t *data);
// Scrolls the active field by one pel row (the row INCREMENTAL POINT paints
// next has left the field).
void scrollact();

}  // namespace naplps

// The decoder's C1 executor: definitions, the extended-data channel, and
// the hand-over of text attributes and blinking to the layers that act on
// them.
#pragma once

#include <cstdint>

namespace naplps {

void PDI_c1(int code, int32_t *data);

// One code EDC1 .. EDC4 of the extended-data channel. True when it completes
// a message whose check byte matches (its type in dec.Ty_EDC, its bytes in
// dec.EDC_bfr); an image message has then been recorded.
bool edc_code(int code);

}  // namespace naplps

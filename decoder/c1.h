// The decoder's C1 executor: definitions, the extended-data channel, and
// the hand-over of text attributes and blinking to the layers that act on
// them.
#pragma once

#include <cstdint>

namespace naplps {

void PDI_c1(int code, int32_t *data);

}  // namespace naplps

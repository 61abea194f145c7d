// One run of the fuzz target on an input (tests/fuzz/fuzz_one.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace naplps {

// Decodes `data` as the fuzz target does: display-offset pre-scan, the
// stream in blocks on an in-memory surface, then again after a resize. The
// first call restores the load-time state of the whole library.
void fuzz_one(const uint8_t *data, size_t size);

}  // namespace naplps

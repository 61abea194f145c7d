// Saturating 32-bit arithmetic for coordinates and sizes: whatever a stream
// asks for, sums and products stay defined and within the int32 range.
#pragma once

#include <cstdint>

namespace naplps {

// Clamps a 64-bit intermediate into the int32 range.
int32_t sat32(int64_t v);
// Sum of two logical values, saturated (relative moves accumulate).
inline int32_t addSat(int32_t a, int32_t b) { return sat32(int64_t(a) + b); }

}  // namespace naplps

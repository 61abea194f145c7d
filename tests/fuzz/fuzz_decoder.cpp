// libFuzzer target: every input is one run of fuzz_one (tests/fuzz/fuzz_one.cpp).
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_one.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    naplps::fuzz_one(data, size);
    return 0;
}

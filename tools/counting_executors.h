// Executors that draw nothing and only count what the decoder hands them.
#pragma once

#include <cstdint>

namespace naplps {

struct ExecCounts {
    long pdi[64] = {};  // by opcode 0x20 .. 0x3F (index opcode - 0x20)
    long c0[32] = {};
    long c1[32] = {};
    long textRuns = 0, characters = 0;
    long mosaicRuns = 0, mosaics = 0;
    long incpoint = 0, incline = 0, incpoly = 0;
    long texturesEnded = 0;
};

extern ExecCounts execCounts;

}  // namespace naplps

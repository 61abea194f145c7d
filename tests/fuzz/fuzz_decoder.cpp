// libFuzzer target: a hostile stream decoded as the plug-in decodes it, on
// the in-memory surface. The first three bytes choose the picture's size
// (2 x 2 up to 1024 x 1024) and the block size; the rest is the stream. It is
// decoded block by block, its pauses ticked through, ended, then decoded
// again from the load-time context as after a new window size.
#include <cstddef>
#include <cstdint>

#include "decoder/api.h"
#include "nxg/nxg.h"

using namespace naplps;

namespace {

void noSleep(int) {}

void decodeAll(const uint8_t *bytes, size_t size, size_t block, int w, int h) {
    core_load_state();
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, w - 1, h - 1);
    for (size_t at = 0; at < size; at += block) {
        size_t end = at + block < size ? at + block : size;
        for (size_t i = at; i < end; i++) {
            pdi_putchar(0, bytes[i]);
            while (pdi_wait_ticks(0) > 0) pdi_tick(0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3) return 0;
    // Sizes from 2 to 1024 a side, most of them small so runs stay fast.
    auto side = [](unsigned v) { return 2 + int(v * v * v / 16336); };
    int w = side(data[0]), h = side(data[1]);
    size_t block = 1 + size_t(data[2]) * 16;
    pdi_load_state();
    nxg.sleep_ms = noSleep;
    int id = -1;
    if (pdi_win_open(&id, 0, nullptr, nullptr, w, h) != 0 || id < 0) return 0;
    decodeAll(data + 3, size - 3, block, w, h);
    decodeAll(data + 3, size - 3, size, w, h);  // the redraw after a new size
    pdi_win_close(id);
    return 0;
}

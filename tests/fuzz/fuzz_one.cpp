// One run of the fuzz target: a hostile stream decoded as the plug-in
// decodes it, on the in-memory surface of the X-free library. The whole input is the
// stream; its last three bytes also choose the picture's size (2 x 2 up to
// 1024 x 1024, mostly small so that runs stay fast), the size of the blocks
// in which it arrives, and whether the file's display offset is applied.
//
// One run: the display-offset pre-scan over the bytes; the load-time
// context; the stream block by block (the window re-selected and the clip
// set again before each block, as the plug-in does), the ticks of its pauses
// passed (up to TICKS_MAX a decode; beyond them bytes go on arriving with
// the pause pending, as from a host that does not wait), the end of the
// stream and a few blink steps; then the same bytes again from the
// load-time context in a window of the other size, as after a resize.
//
// The libFuzzer entry (tests/fuzz/fuzz_decoder.cpp) and the replay of saved
// findings (tests/test_fuzz_regressions.cpp) both run this function.
#include <cstddef>
#include <cstdint>

#include "decoder/api.h"
#include "decoder/displayoffset.h"
#include "nxg/nxg.h"
#include "tests/fuzz/fuzz_one.h"

namespace naplps {

namespace {

// Side of the picture for parameter byte v: 2 .. 256 for v < 224, growing
// quadratically so that most runs draw small pictures, then up to 1024.
int side(unsigned v) {
    if (v < 224) return 2 + int(v * v * 254 / (223 * 223));
    return 256 + int((v - 224) * 768 / 31);
}

// Ticks a decode lets pass: a host ticks ten times a second, so a pause is
// time, not work, and a run need not spend it all.
constexpr int TICKS_MAX = 256;

// The memory slots of the first decode and of the one after a resize:
// opened once and kept, so a run at the sizes of the one before draws into
// the same pictures instead of new ones.
int slots[2] = {-1, -1};

bool selectWindow(int which, int w, int h) {
    int id = slots[which];
    if (pdi_win_open(&id, 0, nullptr, nullptr, w, h) != 0 || id < 0) return false;
    slots[which] = id;
    return true;
}

void decode(int which, const uint8_t *bytes, size_t size, size_t block, int w, int h, bool offset) {
    if (!selectWindow(which, w, h)) return;
    core_load_state();
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, w - 1, h - 1);
    if (offset && pdi_set_displayoffset_bytes(bytes, size, 0, 0, 640, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr) != 1) {
        pdi_ctl(0, 0, 0, 0, 512);
        pdi_clip(0, 0, 0, w - 1, h - 1);
    }
    int ticks = 0;
    for (size_t at = 0; at < size; at += block) {
        if (at > 0) {
            // The next block arrives: the plug-in selects its window and
            // sets the clip again.
            selectWindow(which, w, h);
            pdi_clip(0, 0, 0, w - 1, h - 1);
        }
        size_t end = at + block < size ? at + block : size;
        for (size_t i = at; i < end; i++) {
            pdi_putchar(0, bytes[i]);
            while (pdi_wait_ticks(0) > 0 && ticks < TICKS_MAX) {
                pdi_tick(0);
                ticks++;
            }
        }
    }
    pdi_flush(0);
    // A few blink steps after the end, as the host ticks them.
    if (pdi_blinking(0))
        for (int i = 0; i < 3; i++) pdi_tick(0);
}

}  // namespace

void fuzz_one(const uint8_t *data, size_t size) {
    static bool loaded = false;
    if (!loaded) {
        pdi_load_state();
        nxg.sleep_ms = [](int) {};
        loaded = true;
    }
    if (size < 3) return;
    const uint8_t *p = data + size - 3;
    int w = side(p[0]), h = side(p[1]);
    size_t block = size_t(1) << (p[2] & 0x0F);  // 1 .. 32768 bytes
    bool offset = p[2] & 0x10;

    if (!offset) {  // else each decode applies what the scan finds
        int32_t mode = 0, x = 0, y = 0;
        pdi_scan_displayoffset(data, size, &mode, &x, &y);
    }

    decode(0, data, size, block, w, h, offset);
    decode(1, data, size, size, h, w, offset);  // the redraw after a new size
}

}  // namespace naplps

// Blinking and pausing. One blink tick (100 ms) advances every blinking
// colour and rewrites a colour's palette entry when its phase ends. A WAIT
// does not sleep here: it leaves a number of pending ticks, and the host lets
// that time pass (on a timer, or asleep in a batch tool) and calls
// blink_tick once a tick before it decodes further bytes.
#include "interp/blink.h"

#include <algorithm>
#include <cstring>

#include "interp/state.h"
#include "nxg/nxg.h"

namespace naplps {

void blink_tick() {
    if (ip.WaitTimer > 0) ip.WaitTimer--;
    // Most ticks are a pause's, with nothing blinking: a host without a
    // clock (a batch tool) passes millions of them.
    static const uint8_t none[sizeof ip.BTFlag] = {};
    if (std::memcmp(ip.BTFlag, none, sizeof none) == 0) return;
    for (int i = 0; i < 256; i++) {
        if (ip.BTFlag[i] == 0) continue;
        if (ip.BTCount[i] != 0) {
            ip.BTCount[i]--;
            if (ip.BTCount[i] != 0) continue;
        }
        if (ip.BTFlag[i] == 1) {  // on phase ends: the off colour
            NXG_set_pal(i, ip.BTOffR[i], ip.BTOffG[i], ip.BTOffB[i]);
            NXG_flush();
            ip.BTCount[i] = ip.BTOffTime[i];
            ip.BTFlag[i] = 2;
        } else if (ip.BTFlag[i] == 2 || ip.BTFlag[i] == 3) {  // the on colour
            NXG_set_pal(i, ip.BTOnR[i], ip.BTOnG[i], ip.BTOnB[i]);
            NXG_flush();
            ip.BTCount[i] = ip.BTOnTime[i];
            ip.BTFlag[i] = 1;
        }
    }
}

void wait_ticks_add(int32_t ticks) {
    NXG_flush();  // the picture so far is shown during the pause
    ip.WaitTimer =
        std::min<int64_t>(int64_t(ip.WaitTimer) + std::max<int32_t>(ticks, 0), WAIT_PENDING_MAX);
}

int32_t wait_ticks_pending() { return ip.WaitTimer; }

bool blinking() {
    return std::any_of(std::begin(ip.BTFlag), std::end(ip.BTFlag),
                       [](uint8_t f) { return f != 0; });
}

}  // namespace naplps

// The blink step and WAIT's sleep: one blink tick advances every blinking
// colour and stores a colour when its phase ends; WAIT sleeps in ticks of
// 100 ms through the surface's sleep and ticks the blink at each step.
#include "interp/state.h"
#include "nxg/nxg.h"

namespace naplps {

void NXG_blink() {
    if (ip.WaitTimer != 0) ip.WaitTimer--;
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

void waiting() {
    NXG_flush();
    // Each pass's tick also counts WaitTimer down, so a wait of n ticks
    // ends after ceil(n / 2) passes.
    for (int32_t r = 0; ip.WaitTimer > r; r++) {
        nxg.sleep_ms(NXG_TICK_MS);
        NXG_blink();
    }
}

}  // namespace naplps

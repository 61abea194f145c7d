// Blink and wait timers: one blink tick advances every blinking colour and
// rewrites a colour's cell when its phase ends; WAIT sleeps in ticks of
// 100 ms and ticks the blink engine at each step.
#include <X11/Intrinsic.h>
#include <sys/select.h>

#include "interp/state.h"
#include "nxg/nxg_x.h"

namespace naplps {

void NXG_sleep_ms(int ms) {
    if (ms <= 0) return;
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    select(0, nullptr, nullptr, nullptr, &tv);
}

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

void NXG_timer_handler(void *, XtIntervalId *) {
    if (nxg.NXG_tmr_id != 0) XtRemoveTimeOut(nxg.NXG_tmr_id);
    NXG_blink();
    nxg.NXG_tmr_id = XtAddTimeOut(NXG_TICK_MS, NXG_timer_handler, nullptr);
}

// The hooks that would start and stop the periodic tick: blinking advances
// only during WAITs and the steps at the end of a stream.
void tmset() {}
void tmrset() {}

}  // namespace naplps

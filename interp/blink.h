// Blink ticks and the pauses of WAIT, driven by the host's clock.
#pragma once

#include <cstdint>

namespace naplps {

constexpr int BLINK_TICK_MS = 100;  // one blink tick
// Blink ticks a viewer runs after the end of a stream when a colour blinks.
constexpr int END_BLINK_STEPS = 40;
constexpr int32_t WAIT_PENDING_MAX = 36000;  // an hour of ticks: the pause never grows past it

// One tick has passed: every blinking colour steps, and a pending pause is
// one tick shorter.
void blink_tick();
// A WAIT asks for `ticks` more ticks of pause before the next byte.
void wait_ticks_add(int32_t ticks);
// Ticks of pause still pending (0: decoding may go on).
int32_t wait_ticks_pending();
// Whether any colour blinks.
bool blinking();

}  // namespace naplps

// The decoder for web pages: a thin C interface that JavaScript calls in the
// WebAssembly build (web/naplps-picture.js), and that native tests call the
// same way.
//
// Each picture has its own context (decoder, drawing state, text, raster,
// image request) and its own in-memory surface slot; every call makes that
// picture's state live for its duration only, so pictures may be fed,
// ticked and read in any interleaving. Nothing here sleeps or keeps time:
// the caller's timers call naplps_tick for a tick every NAPLPS_TICK_MS.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// One tick of a pause or of blinking, in milliseconds.
#define NAPLPS_TICK_MS 100
// Ticks a viewer runs after the end of a stream when a colour blinks.
#define NAPLPS_END_BLINK_STEPS 40
// Largest width and height of a picture.
#define NAPLPS_SIDE_MAX 4096
// Most ticks one naplps_tick call runs: a longest pause and the end blinking.
#define NAPLPS_TICKS_MAX 36040
// Pictures that can be open at once (the surface's slots).
#define NAPLPS_PICTURES_MAX 12

// Opens a picture of width x height pixels (each 2 .. NAPLPS_SIDE_MAX) in
// the state a picture has before its first byte. Returns a handle (>= 0);
// -1 for a size out of range, -2 when every picture is taken or there is
// no memory for it.
int naplps_open(int width, int height);

// Decodes bytes in order until all are decoded or one of them starts a
// pause (a WAIT). Returns the number of bytes decoded; the caller keeps the
// rest and feeds them once naplps_wait_ticks is 0 again. While a pause is
// pending nothing is decoded (0). -1 for a handle that is not open.
int naplps_feed(int handle, const uint8_t *bytes, int count);

// Ticks of pause still pending before the next byte may be fed.
int naplps_wait_ticks(int handle);

// `ticks` ticks have passed (1 from a timer; more at once to let a pause or
// the end-of-stream blinking pass without waiting, at most
// NAPLPS_TICKS_MAX): each makes a pending pause a tick shorter and steps
// every blinking colour. Returns the ticks of pause still pending.
int naplps_tick(int handle, int ticks);

// The end of the stream: an instruction still waiting for the byte after
// it is completed. Returns 1 when a colour blinks (the caller then runs
// NAPLPS_END_BLINK_STEPS ticks), else 0; -1 for a handle that is not open.
int naplps_end(int handle);

// 1 when any colour of the picture blinks.
int naplps_blinking(int handle);

// The picture as it shows now: width x height x 4 bytes (red, green, blue,
// alpha 255), rows from the top. The pointer stays valid until the next
// call for this handle; null for a handle that is not open.
const uint8_t *naplps_rgba(int handle);

int naplps_width(int handle);
int naplps_height(int handle);

// Releases the picture, its context and its slot.
void naplps_close(int handle);

#ifdef __cplusplus
}
#endif

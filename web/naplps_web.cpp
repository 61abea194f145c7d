// The decoder for web pages: one record a picture (its context, its memory
// slot and the buffers it is read back through), made live around each
// call as the plug-in makes an instance live around each block and tick.
#include "web/naplps_web.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "decoder/api.h"
#include "decoder/context.h"
#include "interp/blink.h"
#include "nxg/nxg.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define NAPLPS_EXPORT EMSCRIPTEN_KEEPALIVE
#else
#define NAPLPS_EXPORT
#endif

using namespace naplps;

static_assert(NAPLPS_TICK_MS == BLINK_TICK_MS, "the page's tick is the decoder's");
static_assert(NAPLPS_END_BLINK_STEPS == END_BLINK_STEPS, "the page blinks as the plug-in does");
static_assert(NAPLPS_PICTURES_MAX == NXG_WIN_MAX, "one surface slot a picture");
static_assert(NAPLPS_TICKS_MAX == WAIT_PENDING_MAX + END_BLINK_STEPS,
              "a longest pause and the end blinking");

namespace {

struct WebPicture {
    PictureContext ctx;
    int slot = -1;
    int width = 0, height = 0;
    std::vector<uint8_t> rgb, rgba;
};

std::unique_ptr<WebPicture> pictures[NAPLPS_PICTURES_MAX];

WebPicture *pictureOf(int handle) {
    if (handle < 0 || handle >= NAPLPS_PICTURES_MAX) return nullptr;
    return pictures[handle].get();
}

// Makes the picture's context and slot the live state. False when its slot
// cannot be made current (it always can once opened).
bool enter(WebPicture &p) {
    context_enter(p.ctx);
    int id = p.slot;
    return pdi_win_open(&id, 0, nullptr, nullptr, p.width, p.height) == 0 && id == p.slot;
}

void leave(WebPicture &p) {
    context_leave(p.ctx);
    NXG_no_surface();
}

}  // namespace

extern "C" {

NAPLPS_EXPORT int naplps_open(int width, int height) {
    if (width < 2 || height < 2 || width > NAPLPS_SIDE_MAX || height > NAPLPS_SIDE_MAX) return -1;
    int handle = 0;
    while (handle < NAPLPS_PICTURES_MAX && pictures[handle]) handle++;
    if (handle == NAPLPS_PICTURES_MAX) return -2;
    std::unique_ptr<WebPicture> p(new (std::nothrow) WebPicture());
    if (!p) return -2;
    p->width = width;
    p->height = height;
    // A picture starts from the load-time state, on a slot of its own set
    // up as the plug-in sets up its window: the unit screen 512 pixels wide
    // at the origin, the clip the whole picture.
    context_enter(PictureContext{});
    int id = -1;
    if (pdi_win_open(&id, 0, nullptr, nullptr, width, height) != 0 || id < 0) {
        if (id >= 0) pdi_win_close(id);
        return -2;
    }
    p->slot = id;
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, width - 1, height - 1);
    leave(*p);
    pictures[handle] = std::move(p);
    return handle;
}

NAPLPS_EXPORT int naplps_feed(int handle, const uint8_t *bytes, int count) {
    WebPicture *p = pictureOf(handle);
    if (!p) return -1;
    if (!bytes || count <= 0 || !enter(*p)) return 0;
    int done = 0;
    while (done < count && pdi_wait_ticks(0) == 0) pdi_putchar(0, bytes[done++]);
    leave(*p);
    return done;
}

NAPLPS_EXPORT int naplps_wait_ticks(int handle) {
    WebPicture *p = pictureOf(handle);
    return p ? int(p->ctx.ip.WaitTimer) : 0;
}

NAPLPS_EXPORT int naplps_tick(int handle, int ticks) {
    WebPicture *p = pictureOf(handle);
    if (!p || !enter(*p)) return 0;
    for (int i = std::min(ticks, NAPLPS_TICKS_MAX); i > 0; i--) pdi_tick(0);
    int left = pdi_wait_ticks(0);
    leave(*p);
    return left;
}

NAPLPS_EXPORT int naplps_end(int handle) {
    WebPicture *p = pictureOf(handle);
    if (!p) return -1;
    if (!enter(*p)) return 0;
    pdi_flush(0);
    int blinking = pdi_blinking(0) ? 1 : 0;
    leave(*p);
    return blinking;
}

NAPLPS_EXPORT int naplps_blinking(int handle) {
    WebPicture *p = pictureOf(handle);
    if (!p || !enter(*p)) return 0;
    int blinking = pdi_blinking(0) ? 1 : 0;
    leave(*p);
    return blinking;
}

NAPLPS_EXPORT const uint8_t *naplps_rgba(int handle) {
    WebPicture *p = pictureOf(handle);
    if (!p) return nullptr;
    size_t pixels = size_t(p->width) * size_t(p->height);
    try {
        p->rgb.resize(pixels * 3);
        p->rgba.resize(pixels * 4);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    if (!NXG_read_rgb(p->slot, p->rgb.data(), p->rgb.size())) return nullptr;
    const uint8_t *s = p->rgb.data();
    uint8_t *d = p->rgba.data();
    for (size_t i = 0; i < pixels; i++, s += 3, d += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 255;
    }
    return p->rgba.data();
}

NAPLPS_EXPORT int naplps_width(int handle) {
    WebPicture *p = pictureOf(handle);
    return p ? p->width : 0;
}

NAPLPS_EXPORT int naplps_height(int handle) {
    WebPicture *p = pictureOf(handle);
    return p ? p->height : 0;
}

NAPLPS_EXPORT void naplps_close(int handle) {
    WebPicture *p = pictureOf(handle);
    if (!p) return;
    pdi_win_close(p->slot);
    pictures[handle].reset();
}

}  // extern "C"

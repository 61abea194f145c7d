// The plug-in instance: one PluginInstance per embedded picture, its growing
// stream buffer, decoding of newly arrived bytes into the instance's window,
// re-decoding on a new window size, repaint on exposure, and the header
// banner shown at the start of every stream.
#include "plugin/npnap.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <X11/Xlib.h>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "interp/blink.h"
#include "interp/state.h"
#include "nxg/nxg.h"

namespace naplps {

Plugin plg;

namespace {

const char kMimeDescription[] = "image/naplps:.pdi:Pictarine";
const char kPluginName[] = "Pictarine";
const char kPluginDescription[] = "Zelvo Pictarine Plugin Personal Ver.1.0b";

// X sizes and coordinates are 16-bit on the wire; the decoder takes ints.
constexpr uint32_t DIM_MAX = 32767;
int dimInt(uint32_t v) { return int(std::min(v, DIM_MAX)); }

// Copies a NUL-terminated string into a fixed field, cutting it to fit.
void copyBounded(char *dst, size_t size, const char *src) {
    if (!src) src = "";
    size_t n = strnlen(src, size - 1);
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

PluginInstance *instanceOf(NPP instance) {
    return instance ? static_cast<PluginInstance *>(instance->pdata) : nullptr;
}

// The instance has a window that can be drawn into: a display, a window
// and at least 2 x 2 pixels (the driver refuses anything smaller).
bool drawable(const PluginInstance *This) {
    return This->display && This->window && This->width >= 2 && This->height >= 2;
}

Widget widgetOf(const PluginInstance *This) {
    if (!This->display || !This->window) return nullptr;
    return XtWindowToWidget(This->display, This->window);
}

// Expose handler: repaints the window from the decoder's backing pixmap.
// Exposure never decodes.
void Redraw(Widget, XtPointer client, XEvent *, Boolean *) {
    auto *This = static_cast<PluginInstance *>(client);
    if (This->fPdiLength != 0 && This->pdi_draw_flg == 1 && This->pdi_win_id >= 0)
        pdi_load_canvas(This->pdi_win_id, 0, 0, dimInt(This->width), dimInt(This->height));
}

void removeRedraw(PluginInstance *This) {
    if (Widget w = widgetOf(This)) XtRemoveEventHandler(w, ExposureMask, False, Redraw, This);
}

// Makes room for `more` further bytes: the buffer doubles (at least) so a
// long stream in small blocks is copied O(n) times in all. Sizes stay
// within int32 because fPdiLength is one. False: nothing changed.
bool reserve(PluginInstance *This, size_t more) {
    size_t need = size_t(This->fPdiLength) + more;
    if (need > size_t(INT32_MAX)) return false;
    if (This->pPdi && need <= This->fPdiCapacity) return true;
    size_t cap = This->fPdiCapacity;
    cap = cap > size_t(INT32_MAX) / 2 ? size_t(INT32_MAX) : cap * 2;
    if (cap < need) cap = need;
    if (cap == 0) cap = 1;
    auto *grown = static_cast<uint8_t *>(std::realloc(This->pPdi, cap));
    if (!grown) return false;
    This->pPdi = grown;
    This->fPdiCapacity = cap;
    return true;
}

// Reads the whole regular file at path into a new buffer. False, with
// nothing allocated, when it cannot be opened, examined or read.
bool readFile(const char *path, uint8_t **bytes, int32_t *length) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        uint64_t(st.st_size) > uint64_t(INT32_MAX)) {
        close(fd);
        return false;
    }
    size_t size = size_t(st.st_size);
    auto *buf = static_cast<uint8_t *>(std::malloc(size ? size : 1));
    if (!buf) {
        close(fd);
        return false;
    }
    size_t got = 0;
    while (got < size) {
        ssize_t n = read(fd, buf + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            std::free(buf);
            close(fd);
            return false;
        }
        if (n == 0) break;  // the file shrank since fstat
        got += size_t(n);
    }
    close(fd);
    *bytes = buf;
    *length = int32_t(got);
    return true;
}

}  // namespace

// ---- start-up and identity ----

NPError NPP_Initialize() {
    pdi_init(0, plg.Func, ip.X_org, ip.Y_org);
    return NPERR_NO_ERROR;
}

void NPP_Shutdown() {
    pdi_close(plg.pp);
    plg.pp = 0;
    pdi_term();
    // The library may be unloaded next: the host's own X error handler
    // must be back in place before that.
    NXG_end();
}

const char *NPP_GetMIMEDescription() { return kMimeDescription; }

NPError NPP_GetValue(void *, NPPVariable variable, void *value) {
    if (!value) return NPERR_GENERIC_ERROR;
    switch (variable) {
    case NPPVpluginNameString:
        *static_cast<const char **>(value) = kPluginName;
        return NPERR_NO_ERROR;
    case NPPVpluginDescriptionString:
        *static_cast<const char **>(value) = kPluginDescription;
        return NPERR_NO_ERROR;
    default: return NPERR_GENERIC_ERROR;
    }
}

jref NPP_GetJavaClass() { return nullptr; }

// ---- instances ----

NPError NPP_New(NPMIMEType, NPP instance, uint16_t mode, int16_t, char *[], char *[],
                NPSavedData *) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    auto *This = static_cast<PluginInstance *>(NPN_MemAlloc(sizeof(PluginInstance)));
    if (!This) return NPERR_OUT_OF_MEMORY_ERROR;
    std::memset(This, 0, sizeof *This);
    This->fWindow = nullptr;
    This->fMode = mode;
    This->window = 0;
    This->pPdi = nullptr;
    This->fPdiOffset = This->fPdiLength = 0;
    This->fBusy = 0;
    This->pdi_win_id = -1;
    This->pdi_draw_flg = 0;
    This->width = This->height = 0;
    This->ctx = new (std::nothrow) PictureContext();
    if (!This->ctx) {
        NPN_MemFree(This);
        return NPERR_OUT_OF_MEMORY_ERROR;
    }
    instance->pdata = This;
    return NPERR_NO_ERROR;
}

NPError NPP_Destroy(NPP instance, NPSavedData **) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance *This = instanceOf(instance);
    instance->pdata = nullptr;
    if (!This) return NPERR_NO_ERROR;
    // No exposure and no timer may reach the record once it is gone.
    removeRedraw(This);
    stopTimer(This);
    if (This->pdi_win_id >= 0) pdi_win_close(This->pdi_win_id);
    std::free(This->pPdi);
    delete This->ctx;
    NPN_MemFree(This);
    return NPERR_NO_ERROR;
}

NPError NPP_SetWindow(NPP instance, NPWindow *window) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance *This = instanceOf(instance);
    // At teardown hosts pass a null window, window handle or callback
    // structure: nothing to record then.
    if (!This || !window || !window->window || !window->ws_info) return NPERR_NO_ERROR;
    auto *ws = static_cast<NPSetWindowCallbackStruct *>(window->ws_info);
    if (!ws->display) return NPERR_NO_ERROR;

    Window xwin = Window(reinterpret_cast<uintptr_t>(window->window));
    if (This->display && This->window && (This->window != xwin || This->display != ws->display))
        removeRedraw(This);  // the handler stays with the old widget otherwise
    This->window = xwin;
    This->x = uint32_t(window->x);
    This->y = uint32_t(window->y);
    This->width = window->width;
    This->height = window->height;
    This->display = ws->display;

    Widget widget = widgetOf(This);
    if (widget) XtAddEventHandler(widget, ExposureMask, False, Redraw, This);

    if (widget && drawable(This) && This->pdi_win_id >= 0 && enterPicture(This))
        context_leave(*This->ctx);
    if (This->fPdiLength != 0 &&
        (dimInt(This->width) != This->win_wid || dimInt(This->height) != This->win_hgt)) {
        // The picture is drawn again from its first byte and a fresh
        // context; the pauses it has already shown pass at once.
        stopTimer(This);
        This->fast_until = std::max(This->fast_until, This->fPdiOffset);
        This->fPdiOffset = 0;
        This->pdi_draw_flg = 0;
        This->paused = 0;
        This->ended = 0;
        DrawPDI(This);
    }
    This->fWindow = window;
    return NPERR_NO_ERROR;
}

// ---- streams ----

NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream *stream, NPBool, uint16_t *stype) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance *This = instanceOf(instance);
    if (This) {
        This->NAP_draw_head = 1;
        This->fBusy = 1;
        This->ended = 0;
        copyBounded(This->mime_type, sizeof This->mime_type, type);
    }
    if (stream) stream->pdata = This;
    if (stype) *stype = NP_ASFILE;
    return NPERR_NO_ERROR;
}

int32_t NPP_WriteReady(NPP, NPStream *) { return plg.STREAMBUFSIZE; }

int32_t NPP_Write(NPP instance, NPStream *, int32_t, int32_t len, void *buffer) {
    PluginInstance *This = instanceOf(instance);
    if (This && len > 0 && buffer) {
        // A block that could not be stored is an error for the host, not
        // bytes consumed.
        if (AppendData(This, len, static_cast<const uint8_t *>(buffer)) != 0) return -1;
    }
    return len;
}

int AppendData(PluginInstance *This, int32_t size, const uint8_t *bytes) {
    if (size <= 0 || !bytes) return 0;
    if (!reserve(This, size_t(size))) return 1;  // the old bytes stay
    std::memcpy(This->pPdi + This->fPdiLength, bytes, size_t(size));
    This->fPdiLength += size;
    DrawPDI(This);
    return 0;
}

// Makes the instance's picture the live one: its context, and its window
// slot as the current drawing surface (a new slot shows the picture's own
// colours). False, with no context entered, when there is no usable window
// or no free slot; otherwise the caller leaves the context afterwards.
bool enterPicture(PluginInstance *This) {
    if (!drawable(This)) return false;
    Widget widget = widgetOf(This);
    if (!widget) return false;
    context_enter(*This->ctx);
    int id = This->pdi_win_id;
    pdi_win_open(&id, 0, widget, This->display, dimInt(This->width), dimInt(This->height));
    if (id < 0) {
        context_leave(*This->ctx);
        return false;
    }
    This->pdi_win_id = id;
    return true;
}

void onTimer(XtPointer client, XtIntervalId *);

void startTimer(PluginInstance *This, unsigned long ms) {
    Widget widget = widgetOf(This);
    if (!widget) return;
    stopTimer(This);
    This->timer = plg.add_timeout(XtWidgetToApplicationContext(widget), ms, onTimer, This);
}

// The stream is over and every byte decoded: the instruction still open is
// completed, and blinking colours step on the timer. A redraw of a finished
// stream ends the same way.
void streamEnded(PluginInstance *This) {
    if (This->ended) return;
    This->ended = 1;
    pdi_flush(plg.pp);  // the last instruction is drawn as if a byte ended it
    // Colours changed after the stream's drawing work was spent still wait
    // for the repaint of their pixels: the finished picture shows them.
    NXG_repaint_pending();
    if (pdi_blinking(plg.pp)) {
        This->blink_steps = BLINK_STEPS;
        startTimer(This, BLINK_TICK_MS);
    }
}

// Decodes stored bytes from fPdiOffset on, until the end or a WAIT. Runs on
// the instance's context, which is live only within this call.
void decodeStored(PluginInstance *This) {
    int32_t end = This->fPdiLength;
    while (This->fPdiOffset < end) {
        pdi_putchar(plg.pp, This->pPdi[This->fPdiOffset]);
        This->fPdiOffset++;  // only now is this byte decoded
        if (pdi_wait_ticks(plg.pp) == 0) continue;
        if (This->fPdiOffset <= This->fast_until) {
            // A pause already shown before a redraw: its ticks pass at once.
            while (pdi_wait_ticks(plg.pp) > 0) pdi_tick(plg.pp);
            continue;
        }
        This->paused = 1;
        startTimer(This, BLINK_TICK_MS);
        return;
    }
    if (This->fBusy == 0) streamEnded(This);
}

int DrawPDI(PluginInstance *This) {
    // Nothing is decoded until the host has given a usable window; the
    // bytes stay stored and a later call decodes them.
    if (!drawable(This)) return -1;
    Widget widget = widgetOf(This);
    if (!widget) return -1;
    int width = dimInt(This->width), height = dimInt(This->height);
    This->win_wid = width;
    This->win_hgt = height;
    XResizeWindow(This->display, This->window, unsigned(width), unsigned(height));

    if (This->NAP_draw_head) {
        // The banner shows for a moment before the picture: decoding waits
        // for the timer, the browser does not.
        This->NAP_draw_head = 0;
        Draw_head(This);
        This->paused = 1;
        startTimer(This, BANNER_PAUSE_MS);
        return 0;
    }
    if (This->paused) return 0;  // the timer goes on when the pause is over
    // A decode from the first byte starts from the load-time context.
    if (This->pdi_draw_flg == 0) *This->ctx = PictureContext{};
    if (!enterPicture(This)) return -1;  // no free window slot: try again with the next block
    if (This->pdi_draw_flg == 0) {
        pdi_ctl(plg.pp, plg.Ofunc, 0, 0, ip.PDI_scrratio);
        // The window shows the picture from now on: what the banner left
        // there gives way to the picture's own (still empty) pixels.
        pdi_load_canvas(This->pdi_win_id, 0, 0, width, height);
    }
    pdi_clip(plg.pp, 0, 0, width - 1, height - 1);
    This->pdi_draw_flg = 1;
    decodeStored(This);
    context_leave(*This->ctx);
    return 0;
}

void stopTimer(PluginInstance *This) {
    if (This->timer) plg.remove_timeout(This->timer);
    This->timer = 0;
}

// A tick of a pause or of the end-of-stream blinking, or the end of the
// banner's moment.
void onTimer(XtPointer client, XtIntervalId *) {
    auto *This = static_cast<PluginInstance *>(client);
    This->timer = 0;
    if (This->paused && This->pdi_draw_flg == 0) {  // the banner's moment is over
        This->paused = 0;
        DrawPDI(This);
        return;
    }
    if (!enterPicture(This)) return;
    pdi_tick(plg.pp);
    if (This->paused) {
        if (pdi_wait_ticks(plg.pp) > 0) {
            startTimer(This, BLINK_TICK_MS);
        } else {
            This->paused = 0;
            decodeStored(This);
        }
    } else if (This->blink_steps > 0 && --This->blink_steps > 0) {
        startTimer(This, BLINK_TICK_MS);
    }
    context_leave(*This->ctx);
}

void NPP_StreamAsFile(NPP instance, NPStream *, const char *fname) {
    PluginInstance *This = instanceOf(instance);
    if (!This) return;
    bool undrawnOpen = This->pdi_draw_flg == 0 && This->fBusy == 1;
    if (!fname) {
        if (undrawnOpen && This->fPdiLength != 0) DrawPDI(This);
        return;
    }
    // The record keeps the name cut to its field; the file is read by its
    // full name.
    copyBounded(This->filename, sizeof This->filename, fname);
    // The file's copy replaces the bytes the blocks built, but only once it
    // has been read whole: a missing or unreadable file keeps the old bytes.
    uint8_t *bytes = nullptr;
    int32_t length = 0;
    if (!readFile(fname, &bytes, &length)) return;
    std::free(This->pPdi);
    This->pPdi = bytes;
    This->fPdiCapacity = size_t(length ? length : 1);
    This->fPdiLength = length;
    if (undrawnOpen) {
        This->fPdiOffset = 0;
        DrawPDI(This);
    } else if (This->pdi_draw_flg == 1) {
        // The picture drawn from the blocks stays; later redraws decode the
        // file's bytes. A decode paused by a WAIT goes on in the file's.
        This->fPdiOffset = This->paused ? std::min(This->fPdiOffset, length) : length;
    } else {
        This->fPdiOffset = 0;
    }
}

NPError NPP_DestroyStream(NPP instance, NPStream *, NPReason) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance *This = instanceOf(instance);
    if (!This) return NPERR_NO_ERROR;
    This->fBusy = 0;
    // With every byte decoded the stream ends now; otherwise when the pause
    // in progress lets decoding reach the end.
    if (!This->paused && This->pdi_draw_flg == 1 && This->fPdiOffset == This->fPdiLength &&
        enterPicture(This)) {
        streamEnded(This);
        context_leave(*This->ctx);
    }
    return NPERR_NO_ERROR;
}

void NPP_Print(NPP, NPPrint *) {}

void NPP_URLNotify(NPP, const char *, NPReason, void *) {}

// ---- header banner ----

void bannerOrigin(uint32_t width, uint32_t height, int *x0, int *y0) {
    int64_t x = (int64_t(width) - LOGO_WID) / 2;
    int64_t y = (int64_t(height) - LOGO_HGT) / 2;
    *x0 = int(std::clamp<int64_t>(x, 0, DIM_MAX));
    *y0 = int(std::clamp<int64_t>(y, 0, DIM_MAX));
}

unsigned long PixelFromName(Display *display, const char *name) {
    Colormap cmap = DefaultColormap(display, 0);
    XColor screen, exact;
    if (XAllocNamedColor(display, cmap, name, &screen, &exact)) return screen.pixel;
    // No cell for it: the screen's own black or white.
    return std::strcmp(name, "black") == 0 ? BlackPixel(display, 0) : WhitePixel(display, 0);
}

void Draw_head_line(PluginInstance *This, int row, int x0, int y0, GC gc, unsigned long black,
                    unsigned long white) {
    if (row < 0 || row >= LOGO_HGT) return;
    const uint8_t *px = NAP_logo_tbl + row * LOGO_WID;
    int open = -1;  // colour of the open run: 0 black, 2 white, -1 none
    int start = 0;
    int y = y0 + row;
    auto closeRun = [&](int column) {
        XDrawLine(This->display, This->window, gc, x0 + start, y, x0 + column, y);
        open = -1;
    };
    for (int c = 0; c < LOGO_WID; c++) {
        int v = px[c];
        if (v == 0 || v == 2) {
            if (v == open) continue;
            if (open >= 0) closeRun(c);
            open = v;
            start = c;
            XSetForeground(This->display, gc, v == 0 ? black : white);
        } else if (open >= 0) {
            closeRun(c);
        }
    }
    if (open >= 0) closeRun(LOGO_WID);
}

void Draw_head(PluginInstance *This) {
    if (!drawable(This)) return;
    int x0, y0;
    bannerOrigin(This->width, This->height, &x0, &y0);

    XGCValues values;
    values.foreground = BlackPixel(This->display, 0);
    values.background = WhitePixel(This->display, 0);
    if (Widget widget = widgetOf(This)) {
        // Core widgets have no foreground resource; the default stays then.
        Pixel bg = values.background, fg = values.foreground;
        XtVaGetValues(widget, XtNbackground, &bg, XtNforeground, &fg, nullptr);
        values.background = bg;
        values.foreground = fg;
    }
    GC gc = XCreateGC(This->display, This->window, GCForeground | GCBackground, &values);
    unsigned long black = PixelFromName(This->display, "black");
    unsigned long white = PixelFromName(This->display, "white");
    unsigned long gray = PixelFromName(This->display, "lightgray");

    XSetForeground(This->display, gc, gray);
    XDrawRectangle(This->display, This->window, gc, 0, 0, unsigned(dimInt(This->width) - 1),
                   unsigned(dimInt(This->height) - 1));
    for (int pass = 0; pass < LOGO_PASSES; pass++)
        for (int row = pass; row < LOGO_HGT; row += LOGO_PASSES)
            Draw_head_line(This, row, x0, y0, gc, black, white);
    XFreeGC(This->display, gc);
    XFlush(This->display);
}

}  // namespace naplps

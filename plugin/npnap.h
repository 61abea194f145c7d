// The plug-in layer: one PluginInstance per embedded picture, the plug-in's
// NPP_ entries, the host services it calls (NPN_) and the header banner.
#pragma once

#include <cstddef>
#include <cstdint>

#include <X11/Intrinsic.h>

#include "decoder/context.h"
#include "interp/blink.h"
#include "plugin/npapi.h"

namespace naplps {

constexpr int MIME_TYPE_SIZE = 64;  // 63 characters and the NUL
constexpr int FILENAME_SIZE = 128;  // 127 characters and the NUL

// Header banner logo: LOGO_HGT rows of LOGO_WID bytes, 0 black, 1 not
// drawn, 2 white (generated from plugin/logo.txt).
constexpr int LOGO_WID = 216;
constexpr int LOGO_HGT = 220;
constexpr int LOGO_PASSES = 10;  // rows drawn interleaved in ten passes
constexpr int BANNER_PAUSE_MS = 1000;
constexpr int BLINK_STEPS = END_BLINK_STEPS;  // end-of-stream blink steps, one tick each
extern const uint8_t NAP_logo_tbl[LOGO_HGT * LOGO_WID];

// One embedded picture.
struct PluginInstance {
    NPWindow *fWindow;
    uint16_t fMode;
    Window window;
    Display *display;
    GC gc;  // not used
    uint32_t x, y;
    uint32_t width, height;
    int32_t fBusy;             // 1 while a stream is open
    int32_t fPdiOffset;        // first byte of pPdi not yet decoded
    int32_t fPdiLength;        // bytes stored in pPdi
    uint8_t *pPdi;             // the stream's bytes
    int32_t pdi_win_id;        // decoder window slot, -1 while none
    int32_t pdi_draw_flg;      // 1 once the buffer has been decoded into the window
    int32_t last_x, last_y;    // not used
    int32_t win_wid, win_hgt;  // width and height at the last decoding
    char mime_type[MIME_TYPE_SIZE];
    char filename[FILENAME_SIZE];
    // Room of pPdi; the buffer grows geometrically ahead of fPdiLength.
    size_t fPdiCapacity;

    // The picture's own decoding context: every decode of this instance
    // runs on it, and a decode from the first byte starts it afresh.
    PictureContext *ctx;
    int32_t NAP_draw_head;  // 1 while this picture's header banner is due
    // Time. Decoding pauses for the banner and for a stream's WAITs, and the
    // end of a stream steps its blinking colours; each is an Xt timer on the
    // browser's event loop, never a sleep.
    XtIntervalId timer;   // the timer in flight, 0 when none
    int32_t paused;       // 1 while decoding waits for the timer
    int32_t blink_steps;  // end-of-stream blink steps still to run
    int32_t fast_until;   // pauses before this offset pass at once (a redraw)
    int32_t ended;        // 1 once the end of the stream was decoded
};

// The plug-in layer's process-wide state.
struct Plugin {
    int32_t pp = 0;     // decoder handle
    int32_t Func = 1;   // passed to pdi_init, unused in mode 0
    int32_t Ofunc = 0;  // passed to pdi_ctl
    int32_t STREAMBUFSIZE = 0x0FFFFFFF;
    NPNetscapeFuncs gNetscapeFuncs = {};  // the host's table, saved at start-up
    // The timer service of the browser's event loop: Xt's; tests put a
    // clock of their own here.
    XtIntervalId (*add_timeout)(XtAppContext, unsigned long, XtTimerCallbackProc,
                                XtPointer) = XtAppAddTimeOut;
    void (*remove_timeout)(XtIntervalId) = XtRemoveTimeOut;
};

extern Plugin plg;

// The plug-in's entries (called through the trampolines of its table).
NPError NPP_Initialize();
void NPP_Shutdown();
const char *NPP_GetMIMEDescription();
NPError NPP_GetValue(void *instance, NPPVariable variable, void *value);
jref NPP_GetJavaClass();
NPError NPP_New(NPMIMEType type, NPP instance, uint16_t mode, int16_t argc, char *argn[],
                char *argv[], NPSavedData *saved);
NPError NPP_Destroy(NPP instance, NPSavedData **save);
NPError NPP_SetWindow(NPP instance, NPWindow *window);
NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream *stream, NPBool seekable,
                      uint16_t *stype);
int32_t NPP_WriteReady(NPP instance, NPStream *stream);
int32_t NPP_Write(NPP instance, NPStream *stream, int32_t offset, int32_t len, void *buffer);
void NPP_StreamAsFile(NPP instance, NPStream *stream, const char *fname);
NPError NPP_DestroyStream(NPP instance, NPStream *stream, NPReason reason);
void NPP_Print(NPP instance, NPPrint *printInfo);
void NPP_URLNotify(NPP instance, const char *url, NPReason reason, void *notifyData);

// Stream feeding and drawing.
int AppendData(PluginInstance *This, int32_t size, const uint8_t *bytes);
int DrawPDI(PluginInstance *This);
// Cancels the instance's timer, if one is in flight.
void stopTimer(PluginInstance *This);
// Makes the instance's context live and its window slot the current surface;
// false (nothing entered) without a usable window or a free slot.
bool enterPicture(PluginInstance *This);

// Header banner.
void Draw_head(PluginInstance *This);
void Draw_head_line(PluginInstance *This, int row, int x0, int y0, GC gc, unsigned long black,
                    unsigned long white);
unsigned long PixelFromName(Display *display, const char *name);
// Top-left corner of the logo in a window of the given size: centred,
// never negative.
void bannerOrigin(uint32_t width, uint32_t height, int *x0, int *y0);

// Host services.
void NPN_Version(int *plugin_major, int *plugin_minor, int *netscape_major, int *netscape_minor);
NPError NPN_GetValue(NPP instance, NPNVariable variable, void *value);
NPError NPN_GetURL(NPP instance, const char *url, const char *window);
NPError NPN_PostURL(NPP instance, const char *url, const char *window, uint32_t len,
                    const char *buf, NPBool file);
NPError NPN_RequestRead(NPStream *stream, NPByteRange *rangeList);
NPError NPN_NewStream(NPP instance, NPMIMEType type, const char *window, NPStream **stream);
int32_t NPN_Write(NPP instance, NPStream *stream, int32_t len, void *buffer);
NPError NPN_DestroyStream(NPP instance, NPStream *stream, NPReason reason);
void NPN_Status(NPP instance, const char *message);
const char *NPN_UserAgent(NPP instance);
void *NPN_MemAlloc(uint32_t size);
void NPN_MemFree(void *ptr);
uint32_t NPN_MemFlush(uint32_t size);
void NPN_ReloadPlugins(NPBool reloadPages);
JRIEnv *NPN_GetJavaEnv();
jref NPN_GetJavaPeer(NPP instance);

}  // namespace naplps

// pdi2png: decodes a NAPLPS picture file and writes the picture as a PNG.
//
//   pdi2png [--size WxH] [--no-wait] [--stats] [--x11] [--images DIR]
//           [--display-offset] FILE OUT.png
//
// By default the picture is drawn on the in-memory surface: no X server is
// needed, and pdi2png itself is built without X. With --x11 it is drawn into
// a window on the X display named by DISPLAY and the window's backing
// pixmap is read back; both give the same PNG. That is the work of
// pdi2png-x11, the same program built with the X back end, which pdi2png
// runs in its place. The surface is set up as the plug-in sets up its window: a
// slot from pdi_win_open, the unit screen 512 pixels wide at the origin, the
// clip the whole picture; then every byte goes through pdi_putchar.
// --no-wait lets WAIT pass without sleeping (the final picture is the same);
// --stats prints the number of line spans drawn to standard error.
// --images DIR draws the image a stream names when its message arrives,
// looked up inside DIR (pdi_draw_image with the recorded name and
// rectangle). --display-offset applies the file's DisplayOffset command
// before decoding: pdi_set_displayoffset, from the origin and a unit screen
// 640 pixels wide, gives origin, scale and clip; a file without the command
// is drawn as without the option.
#ifdef PDI2PNG_X11
#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "decoder/api.h"
#include "decoder/displayoffset.h"
#include "image/gdf.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "interp/blink.h"
#include "tools/cli.h"
#include "tools/png_file.h"
#include "nxg/nxg.h"
#ifdef PDI2PNG_X11
#include "nxg/nxg_x.h"
#endif
#include "raster/raster.h"

using namespace naplps;

namespace {

constexpr int MAX_SIDE = 4096;
// The screen that DisplayOffset offsets are given in.
constexpr int OFFSET_SCREEN = 640;

const char kUsage[] =
    "usage: pdi2png [--size WxH] [--no-wait] [--stats] [--x11] [--images DIR]\n"
    "               [--display-offset] FILE OUT.png\n"
    "Decodes the NAPLPS picture FILE and writes the final picture as a PNG.\n"
    "  --size WxH        picture size in pixels, each 2..4096 (default 512x400)\n"
    "  --no-wait         let WAIT pass without sleeping\n"
    "  --stats           print the number of line spans drawn to standard error\n"
    "  --x11             draw into a window on $DISPLAY instead of in memory\n"
    "  --images DIR      draw the images the stream names, found in DIR\n"
    "  --display-offset  apply the file's DisplayOffset command first\n"
    "  --help            print this text;  --version  print the version\n";

// What the picture is drawn with besides its bytes.
struct Extras {
    const char *file = nullptr;  // the picture file, for --display-offset
    bool displayOffset = false;
    bool images = false;  // draw the images the stream names
};

bool parseSize(const char *s, int *w, int *h) {
    char x = 0;
    char rest = 0;
    if (std::sscanf(s, "%d%c%d%c", w, &x, h, &rest) != 3 || (x != 'x' && x != 'X')) return false;
    return *w >= 2 && *h >= 2 && *w <= MAX_SIDE && *h <= MAX_SIDE;
}

bool readFile(const char *path, std::vector<uint8_t> *out) {
    FILE *f = std::fopen(path, "rb");
    if (!f) return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

void noSleep(int) {}

#ifdef PDI2PNG_X11
// The pixmap (or, without one, the window) as RGB rows, colours taken from
// the colormap cells the pixels name.
bool grab(Display *dpy, Drawable d, Colormap cmap, int w, int h, std::vector<uint8_t> *rgb) {
    XImage *im = XGetImage(dpy, d, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!im) return false;
    // Each distinct pixel value is looked up once; on an 8-bit screen the
    // values index a table directly.
    std::map<unsigned long, int> index;  // pixel value -> slot in cells
    int small[256];
    std::fill(std::begin(small), std::end(small), -1);
    std::vector<XColor> cells;
    std::vector<int> slotOf(size_t(w) * h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned long p = XGetPixel(im, x, y);
            int *k = nullptr;
            if (p < 256) {
                k = &small[p];
            } else {
                auto it = index.emplace(p, -1).first;
                k = &it->second;
            }
            if (*k < 0) {
                *k = int(cells.size());
                XColor c{};
                c.pixel = p;
                c.flags = DoRed | DoGreen | DoBlue;
                cells.push_back(c);
            }
            slotOf[size_t(y) * w + x] = *k;
        }
    XDestroyImage(im);
    if (!cells.empty()) XQueryColors(dpy, cmap, cells.data(), int(cells.size()));
    rgb->resize(size_t(w) * h * 3);
    for (size_t i = 0; i < slotOf.size(); i++) {
        const XColor &c = cells[size_t(slotOf[i])];
        (*rgb)[3 * i] = uint8_t(c.red >> 8);
        (*rgb)[3 * i + 1] = uint8_t(c.green >> 8);
        (*rgb)[3 * i + 2] = uint8_t(c.blue >> 8);
    }
    return true;
}

#endif

// Decodes the bytes into slot id, set up as the plug-in sets up its window.
void decode(const std::vector<uint8_t> &bytes, int w, int h, bool stats, const Extras &ex) {
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, w - 1, h - 1);
    if (ex.displayOffset &&
        pdi_set_displayoffset(ex.file, 0, 0, OFFSET_SCREEN, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr) != 1) {
        pdi_ctl(0, 0, 0, 0, 512);  // no command: as without the option
        pdi_clip(0, 0, 0, w - 1, h - 1);
    }
    // As in the plug-in, an instruction still open at the end of the data
    // is completed there.
    for (uint8_t b : bytes) {
        if (pdi_putchar(0, b) == 2 && ex.images) pdi_draw_image(nullptr, -1, -1, -1, -1);
        // A WAIT: its ticks pass (asleep unless --no-wait) before the next byte.
        while (pdi_wait_ticks(0) > 0) {
            nxg.sleep_ms(BLINK_TICK_MS);
            pdi_tick(0);
        }
    }
    pdi_flush(0);
    // The end of the stream, as the plug-in shows it: colours whose repaint
    // was left are repainted, and blinking colours step for a while.
    NXG_repaint_pending();
    if (pdi_blinking(0))
        for (int step = 0; step < END_BLINK_STEPS; step++) {
            nxg.sleep_ms(BLINK_TICK_MS);
            pdi_tick(0);
        }
    if (stats) std::fprintf(stderr, "spans %llu\n", (unsigned long long)ras.spans);
}

// The picture drawn on the in-memory surface, in the colours it shows.
int renderInMemory(const std::vector<uint8_t> &bytes, int w, int h, bool stats, const Extras &ex,
                   std::vector<uint8_t> *rgb) {
    int id = -1;
    if (pdi_win_open(&id, 0, nullptr, nullptr, w, h) != 0 || id < 0) {
        std::fprintf(stderr, "pdi2png: no memory for a %dx%d picture\n", w, h);
        return 1;
    }
    decode(bytes, w, h, stats, ex);
    rgb->resize(size_t(w) * size_t(h) * 3);
    bool ok = NXG_read_rgb(id, rgb->data(), rgb->size());
    pdi_win_close(id);
    if (!ok) {
        std::fprintf(stderr, "pdi2png: the picture could not be read\n");
        return 1;
    }
    return 0;
}

#ifdef PDI2PNG_X11
// The picture drawn into a window on the X display, read back from its
// backing pixmap.
int renderX11(const std::vector<uint8_t> &bytes, int w, int h, bool stats, const Extras &ex,
              std::vector<uint8_t> *rgb) {
    const char *dname = std::getenv("DISPLAY");
    if (!dname || !*dname) {
        std::fprintf(stderr, "pdi2png: no X display: DISPLAY is not set\n");
        return 1;
    }
    XtToolkitInitialize();
    XtAppContext app = XtCreateApplicationContext();
    int xargc = 0;
    Display *dpy = XtOpenDisplay(app, dname, "pdi2png", "Pdi2png", nullptr, 0, &xargc, nullptr);
    if (!dpy) {
        std::fprintf(stderr, "pdi2png: cannot open X display %s\n", dname);
        XtDestroyApplicationContext(app);
        return 1;
    }
    Widget shell =
        XtVaAppCreateShell("pdi2png", "Pdi2png", applicationShellWidgetClass, dpy, XtNwidth, w,
                           XtNheight, h, XtNmappedWhenManaged, False, nullptr);
    Widget canvas = XtVaCreateManagedWidget("canvas", coreWidgetClass, shell, XtNwidth, w,
                                            XtNheight, h, nullptr);
    XtRealizeWidget(shell);

    int id = -1;
    if (pdi_win_open(&id, 0, canvas, dpy, w, h) != 0 || id < 0) {
        std::fprintf(stderr, "pdi2png: no window slot for a %dx%d window\n", w, h);
        XtDestroyWidget(shell);
        XtCloseDisplay(dpy);
        XtDestroyApplicationContext(app);
        return 1;
    }
    const NxgXSlot &slot = nxgx.slot[id];
    // Images on a window of colour cells show in 128 cells of its colormap
    // reserved for them; other windows keep a colour per pixel themselves.
    unsigned long imageCells[NXG_GDF_CELLS] = {};
    bool cellsTaken = false;
    if (ex.images && !slot.ro_visual && slot.cms != 0) {
        if (slot.user_cmap) {
            // A private colormap is all ours: the cells below the window's.
            for (int k = 0; k < NXG_GDF_CELLS; k++) imageCells[k] = (unsigned long)k;
            pdi_set_gdfpal(slot.cms, imageCells);
        } else if (XAllocColorCells(dpy, slot.cms, True, nullptr, 0, imageCells, NXG_GDF_CELLS)) {
            cellsTaken = true;
            pdi_set_gdfpal(slot.cms, imageCells);
        } else {
            std::fprintf(stderr, "pdi2png: no colour cells free for images\n");
        }
    }
    decode(bytes, w, h, stats, ex);

    Colormap cmap = slot.cms ? slot.cms : DefaultColormap(dpy, DefaultScreen(dpy));
    Drawable src = slot.pm ? slot.pm : XtWindow(canvas);
    XSync(dpy, False);
    bool ok = grab(dpy, src, cmap, w, h, rgb);
    if (cellsTaken) XFreeColors(dpy, slot.cms, imageCells, NXG_GDF_CELLS, 0);
    pdi_win_close(id);
    NXG_end();
    XtDestroyWidget(shell);
    XtCloseDisplay(dpy);
    XtDestroyApplicationContext(app);
    if (!ok) {
        std::fprintf(stderr, "pdi2png: cannot read the picture back from the X server\n");
        return 1;
    }
    return 0;
}
#else
// Runs pdi2png-x11 from the directory of this program with the same
// arguments; returns only when it cannot.
int runX11(char **argv) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path = n > 0 ? std::string(self, size_t(n)) : std::string(argv[0]);
    size_t slash = path.rfind('/');
    path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "pdi2png-x11";
    execv(path.c_str(), argv);
    std::fprintf(stderr, "pdi2png: --x11 needs %s (a build with X11): %s\n", path.c_str(),
                 std::strerror(errno));
    return 1;
}
#endif

}  // namespace

int main(int argc, char **argv) {
    if (cli::standardOptions(argc, argv, "pdi2png", kUsage)) return 0;
    int w = 512, h = 400;
    bool noWait = false, stats = false, x11 = false;
    Extras ex;
    std::vector<const char *> files;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--size") {
            if (i + 1 >= argc || !parseSize(argv[i + 1], &w, &h)) {
                return cli::badUsage("pdi2png", kUsage, "--size needs WxH, each 2..4096");
            }
            i++;
        } else if (a == "--no-wait") {
            noWait = true;
        } else if (a == "--stats") {
            stats = true;
        } else if (a == "--x11") {
            x11 = true;
        } else if (a == "--images") {
            if (i + 1 >= argc || pdi_set_image_path(argv[i + 1]) != 0) {
                std::fprintf(stderr,
                             "pdi2png: --images needs a directory of at most %d characters\n",
                             GDF_PATH_MAX);
                return 2;
            }
            ex.images = true;
            i++;
        } else if (a == "--display-offset") {
            ex.displayOffset = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return cli::badUsage("pdi2png", kUsage, ("unknown option " + a).c_str());
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 2) return cli::badUsage("pdi2png", kUsage);
#ifndef PDI2PNG_X11
    if (x11) return runX11(argv);
#endif
    std::vector<uint8_t> bytes;
    if (!readFile(files[0], &bytes)) {
        std::fprintf(stderr, "pdi2png: cannot read %s: %s\n", files[0], std::strerror(errno));
        return 1;
    }

    if (noWait) nxg.sleep_ms = noSleep;
    std::vector<uint8_t> rgb;
    ex.file = files[0];
#ifdef PDI2PNG_X11
    int st = x11 ? renderX11(bytes, w, h, stats, ex, &rgb)
                 : renderInMemory(bytes, w, h, stats, ex, &rgb);
#else
    int st = renderInMemory(bytes, w, h, stats, ex, &rgb);
#endif
    if (st != 0) return st;
    if (!writePng(files[1], w, h, rgb)) {
        std::fprintf(stderr, "pdi2png: cannot write %s\n", files[1]);
        return 1;
    }
    return 0;
}

// pdiview: a small NPAPI host that plays a NAPLPS picture file through the
// Pictarine plug-in, as a browser would: it loads npnap.so, exchanges the
// function tables, gives the plug-in an Xt window and delivers the file as
// a stream in blocks, then keeps the window open (exposures repaint, a
// window-manager resize re-decodes) until it is closed. The window's title
// is the file's name.
//
//   pdiview [--size WxH] [--block N] [--delay MS] [--resize WxH]
//           [--png OUT.png] [--plugin PATH] [FILE]
//
// The plug-in is $PICTARINE_PLUGIN, or npnap.so beside pdiview (the build
// tree), or the installed one in the plug-in directory relative to
// pdiview's own. Without FILE the demo picture is played.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <X11/Intrinsic.h>
#include <X11/IntrinsicP.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "plugin/npapi.h"
#include "tools/cli.h"
#include "tools/png_file.h"

#ifndef PICTARINE_DEMO
#define PICTARINE_DEMO "examples/demo.pdi"
#endif

namespace {

const char kMime[] = "image/naplps";

struct Options {
    int width = 512, height = 400;
    long block = 4096;
    long delayMs = 0;
    int resizeW = 0, resizeH = 0;
    const char *png = nullptr;
    std::string plugin;
    std::string file = PICTARINE_DEMO;
};

// Everything the host keeps while it runs.
struct Host {
    Options opt;
    XtAppContext app = nullptr;
    Display *dpy = nullptr;
    Widget shell = nullptr, core = nullptr;
    Atom wmDelete = None;
    bool mapped = false;
    bool quit = false;
    NPPluginFuncs pf = {};
    NPNetscapeFuncs ns = {};
    NPP_t npp = {};
    NPWindow npwin = {};
    NPSetWindowCallbackStruct ws = {};
    bool windowGiven = false;
};

Host host;

const char kUsage[] =
    "usage: pdiview [--size WxH] [--block N] [--delay MS] [--resize WxH]\n"
    "               [--png OUT.png] [--plugin PATH] [FILE]\n"
    "Plays the NAPLPS picture FILE (default: the demo picture) through the\n"
    "Pictarine plug-in in a window.\n"
    "  --size WxH     window size (default 512x400)\n"
    "  --block N      bytes given to the plug-in at a time (default 4096)\n"
    "  --delay MS     pause after each block, 0..60000 ms\n"
    "  --resize WxH   resize the window once after the stream has ended\n"
    "  --png OUT.png  save the window after the stream has ended and exit\n"
    "  --plugin PATH  the plug-in to load (default: $PICTARINE_PLUGIN, or\n"
    "                 npnap.so beside pdiview, or the installed plug-in)\n"
    "  --help         print this text;  --version  print the version\n";

[[noreturn]] void usage() { std::exit(cli::badUsage("pdiview", kUsage)); }

// The directory of this program, "." when it cannot be told.
std::string ownDir() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return ".";
    exe[n] = '\0';
    std::string dir = exe;
    return dir.substr(0, dir.find_last_of('/'));
}

bool exists(const std::string &path) { return access(path.c_str(), R_OK) == 0; }

// The first of the candidates that can be read; the last one when none can
// (so that the error names it).
std::string firstReadable(const std::vector<std::string> &candidates) {
    for (const std::string &c : candidates)
        if (exists(c)) return c;
    return candidates.back();
}

// The part of a path after its last slash.
std::string baseName(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool parseSize(const char *s, int *w, int *h) {
    char *end;
    long a = std::strtol(s, &end, 10);
    if (end == s || (*end != 'x' && *end != 'X')) return false;
    const char *t = end + 1;
    long b = std::strtol(t, &end, 10);
    if (end == t || *end != '\0') return false;
    if (a < 2 || b < 2 || a > 8192 || b > 8192) return false;
    *w = int(a);
    *h = int(b);
    return true;
}

bool parseLong(const char *s, long lo, long hi, long *out) {
    char *end;
    errno = 0;
    long v = std::strtol(s, &end, 10);
    if (end == s || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
    *out = v;
    return true;
}

Options parseArgs(int argc, char **argv) {
    Options o;
    if (const char *p = std::getenv("PICTARINE_PLUGIN")) o.plugin = p;
    bool haveFile = false;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&]() -> const char * {
            if (i + 1 >= argc) usage();
            return argv[++i];
        };
        if (a == "--size") {
            if (!parseSize(value(), &o.width, &o.height)) usage();
        } else if (a == "--resize") {
            if (!parseSize(value(), &o.resizeW, &o.resizeH)) usage();
        } else if (a == "--block") {
            if (!parseLong(value(), 1, INT32_MAX, &o.block)) usage();
        } else if (a == "--delay") {
            if (!parseLong(value(), 0, 60000, &o.delayMs)) usage();
        } else if (a == "--png") {
            o.png = value();
        } else if (a == "--plugin") {
            o.plugin = value();
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            usage();
        } else if (!haveFile) {
            o.file = a;
            haveFile = true;
        } else {
            usage();
        }
    }
    // Beside pdiview in the build tree; where the install put it otherwise.
    std::string dir = ownDir();
    std::vector<std::string> plugins = {dir + "/npnap.so"};
#ifdef PICTARINE_PLUGIN_FROM_BIN
    plugins.push_back(dir + "/" PICTARINE_PLUGIN_FROM_BIN "/npnap.so");
#endif
    if (o.plugin.empty()) o.plugin = firstReadable(plugins);
    if (!haveFile) {
        std::vector<std::string> demos;
#ifdef PICTARINE_DATA_FROM_BIN
        demos.push_back(dir + "/" PICTARINE_DATA_FROM_BIN "/demo.pdi");
#endif
        demos.push_back(PICTARINE_DEMO);
        o.file = firstReadable(demos);
    }
    return o;
}

bool readFile(const std::string &path, std::vector<unsigned char> &out) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// ---- the host's services: memory is real, the rest answers harmlessly ----

void *hostMemAlloc(uint32_t size) { return std::malloc(size ? size : 1); }
void hostMemFree(void *p) { std::free(p); }
uint32_t hostMemFlush(uint32_t) { return 0; }
NPError hostGetURL(NPP, const char *, const char *) { return NPERR_GENERIC_ERROR; }
NPError hostPostURL(NPP, const char *, const char *, uint32_t, const char *, NPBool) {
    return NPERR_GENERIC_ERROR;
}
NPError hostRequestRead(NPStream *, NPByteRange *) { return NPERR_GENERIC_ERROR; }
NPError hostNewStream(NPP, NPMIMEType, const char *, NPStream **) { return NPERR_GENERIC_ERROR; }
int32_t hostWrite(NPP, NPStream *, int32_t, void *) { return -1; }
NPError hostDestroyStream(NPP, NPStream *, NPReason) { return NPERR_GENERIC_ERROR; }
void hostStatus(NPP, const char *) {}
const char *hostUserAgent(NPP) { return "pdiview/1.0"; }
void hostReloadPlugins(NPBool) {}
JRIEnv *hostGetJavaEnv() { return nullptr; }
jref hostGetJavaPeer(NPP) { return nullptr; }
NPError hostGetURLNotify(NPP, const char *, const char *, void *) { return NPERR_GENERIC_ERROR; }
NPError hostPostURLNotify(NPP, const char *, const char *, uint32_t, const char *, NPBool,
                          void *) {
    return NPERR_GENERIC_ERROR;
}
NPError hostGetValue(NPP, NPNVariable variable, void *value) {
    if (!value) return NPERR_GENERIC_ERROR;
    switch (variable) {
    case NPNVxDisplay: *static_cast<Display **>(value) = host.dpy; return NPERR_NO_ERROR;
    case NPNVxtAppContext: *static_cast<XtAppContext *>(value) = host.app; return NPERR_NO_ERROR;
    }
    return NPERR_GENERIC_ERROR;
}

void fillHostTable(NPNetscapeFuncs &ns) {
    ns = NPNetscapeFuncs{};
    ns.size = uint16_t(sizeof ns);
    ns.version = uint16_t((NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR);
    ns.geturl = hostGetURL;
    ns.posturl = hostPostURL;
    ns.requestread = hostRequestRead;
    ns.newstream = hostNewStream;
    ns.write = hostWrite;
    ns.destroystream = hostDestroyStream;
    ns.status = hostStatus;
    ns.uagent = hostUserAgent;
    ns.memalloc = hostMemAlloc;
    ns.memfree = hostMemFree;
    ns.memflush = hostMemFlush;
    ns.reloadplugins = hostReloadPlugins;
    ns.getJavaEnv = hostGetJavaEnv;
    ns.getJavaPeer = hostGetJavaPeer;
    ns.geturlnotify = hostGetURLNotify;
    ns.posturlnotify = hostPostURLNotify;
    ns.getvalue = hostGetValue;
}

// ---- window and events ----

long nowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return long(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Handles X events for up to ms milliseconds (0: only those already queued).
void pumpEvents(long ms) {
    long deadline = nowMs() + ms;
    for (;;) {
        while (XtAppPending(host.app) & XtIMXEvent) XtAppProcessEvent(host.app, XtIMXEvent);
        long left = deadline - nowMs();
        if (left <= 0 || host.quit) return;
        pollfd p = {ConnectionNumber(host.dpy), POLLIN, 0};
        poll(&p, 1, int(left));
    }
}

void giveWindow(int width, int height) {
    host.npwin.width = uint32_t(width);
    host.npwin.height = uint32_t(height);
    host.pf.setwindow(&host.npp, &host.npwin);
    host.windowGiven = true;
}

// The core window's own configure events are not a size to pass on: the
// plug-in itself sizes its window to the one it was given last.
void onStructure(Widget, XtPointer, XEvent *ev, Boolean *) {
    if (ev->type == MapNotify) host.mapped = true;
}

void onShellMessage(Widget, XtPointer, XEvent *ev, Boolean *) {
    if (ev->type == ClientMessage && Atom(ev->xclient.data.l[0]) == host.wmDelete)
        host.quit = true;
}

// The window manager (or --resize) gave the shell a new size: it is the
// picture's. The child window follows it and the plug-in is told, and
// decodes the picture again at the new size.
void onShellStructure(Widget, XtPointer, XEvent *ev, Boolean *) {
    if (ev->type == MapNotify) host.mapped = true;
    if (ev->type == DestroyNotify) host.quit = true;
    if (ev->type == ConfigureNotify) {
        int w = ev->xconfigure.width, h = ev->xconfigure.height;
        if (w < 1 || h < 1) return;
        if (Dimension(w) != host.core->core.width || Dimension(h) != host.core->core.height)
            XtResizeWidget(host.core, Dimension(w), Dimension(h), 0);
        if (host.windowGiven && (uint32_t(w) != host.npwin.width || uint32_t(h) != host.npwin.height))
            giveWindow(w, h);
    }
}

// ---- PNG ----

bool savePng(const char *path) {
    Window win = XtWindow(host.core);
    XWindowAttributes wa;
    if (!XGetWindowAttributes(host.dpy, win, &wa)) return false;
    int w = wa.width, h = wa.height;
    XImage *im = XGetImage(host.dpy, win, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!im) return false;
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    Visual *vis = wa.visual;
    bool direct = vis->c_class == TrueColor;
    // Indexed visuals: look every pixel value up in the window's colormap.
    std::vector<XColor> cells;
    if (!direct && wa.depth <= 12) {
        cells.resize(size_t(1) << wa.depth);
        for (size_t i = 0; i < cells.size(); i++) cells[i].pixel = i;
        XQueryColors(host.dpy, wa.colormap, cells.data(), int(cells.size()));
    }
    auto channel = [](unsigned long p, unsigned long mask) -> unsigned char {
        if (!mask) return 0;
        int shift = 0;
        while (!((mask >> shift) & 1)) shift++;
        unsigned long v = (p & mask) >> shift, max = mask >> shift;
        return (unsigned char)(v * 255 / max);
    };
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned long p = XGetPixel(im, x, y);
            unsigned char *o = &rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
            if (direct) {
                o[0] = channel(p, vis->red_mask);
                o[1] = channel(p, vis->green_mask);
                o[2] = channel(p, vis->blue_mask);
            } else if (p < cells.size()) {
                o[0] = (unsigned char)(cells[p].red >> 8);
                o[1] = (unsigned char)(cells[p].green >> 8);
                o[2] = (unsigned char)(cells[p].blue >> 8);
            } else {
                o[0] = o[1] = o[2] = 0;
            }
        }
    XDestroyImage(im);

    return writePng(path, w, h, rgb);
}

}  // namespace

int main(int argc, char **argv) {
    if (cli::standardOptions(argc, argv, "pdiview", kUsage)) return 0;
    host.opt = parseArgs(argc, argv);
    const Options &opt = host.opt;

    std::vector<unsigned char> bytes;
    if (!readFile(opt.file, bytes)) {
        std::fprintf(stderr, "pdiview: cannot read %s: %s\n", opt.file.c_str(),
                     std::strerror(errno ? errno : EIO));
        return 1;
    }

    void *lib = dlopen(opt.plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "pdiview: cannot load the plug-in %s: %s\n", opt.plugin.c_str(),
                     dlerror());
        return 1;
    }
    auto getMime = reinterpret_cast<const char *(*)()>(dlsym(lib, "NP_GetMIMEDescription"));
    auto initialize =
        reinterpret_cast<NPError (*)(NPNetscapeFuncs *, NPPluginFuncs *)>(dlsym(lib, "NP_Initialize"));
    auto shutdown = reinterpret_cast<NPError (*)()>(dlsym(lib, "NP_Shutdown"));
    if (!getMime || !initialize || !shutdown) {
        std::fprintf(stderr, "pdiview: %s is not an NPAPI plug-in (entries missing)\n",
                     opt.plugin.c_str());
        return 1;
    }
    const char *mime = getMime();
    if (!mime || std::strncmp(mime, kMime, sizeof kMime - 1) != 0) {
        std::fprintf(stderr, "pdiview: %s does not handle %s (it offers \"%s\")\n",
                     opt.plugin.c_str(), kMime, mime ? mime : "");
        return 1;
    }

    XtToolkitInitialize();
    host.app = XtCreateApplicationContext();
    int xargc = 1;
    char *xargv[] = {argv[0], nullptr};
    host.dpy = XtOpenDisplay(host.app, nullptr, "pdiview", "Pdiview", nullptr, 0, &xargc, xargv);
    if (!host.dpy) {
        const char *d = std::getenv("DISPLAY");
        std::fprintf(stderr,
                     "pdiview: cannot open display \"%s\" (set DISPLAY, or run under Xvfb "
                     "with --png)\n",
                     d ? d : "");
        return 1;
    }

    fillHostTable(host.ns);
    host.pf.size = uint16_t(sizeof host.pf);
    if (NPError err = initialize(&host.ns, &host.pf)) {
        std::fprintf(stderr, "pdiview: the plug-in refused to start (NPAPI error %d)\n", err);
        return 1;
    }

    // The title, as desktops show files: the file's name, then the program.
    std::string name = baseName(opt.file);
    std::string title = name + " - pdiview";
    host.shell = XtVaAppCreateShell("pdiview", "Pdiview", applicationShellWidgetClass, host.dpy,
                                    XtNtitle, title.c_str(), XtNiconName, name.c_str(),
                                    XtNwidth, opt.width, XtNheight, opt.height, nullptr);
    host.core = XtVaCreateManagedWidget("picture", widgetClass, host.shell, XtNwidth, opt.width,
                                        XtNheight, opt.height, XtNbackground,
                                        BlackPixel(host.dpy, DefaultScreen(host.dpy)), nullptr);
    XtAddEventHandler(host.core, StructureNotifyMask, False, onStructure, nullptr);
    XtAddEventHandler(host.shell, StructureNotifyMask, False, onShellStructure, nullptr);
    XtAddEventHandler(host.shell, NoEventMask, True, onShellMessage, nullptr);
    XtRealizeWidget(host.shell);
    host.wmDelete = XInternAtom(host.dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(host.dpy, XtWindow(host.shell), &host.wmDelete, 1);
    for (long until = nowMs() + 5000; !host.mapped && nowMs() < until;) pumpEvents(50);

    // One instance, its window, and the file as one stream.
    NPError err = host.pf.newp(const_cast<char *>(kMime), &host.npp, NP_EMBED, 0, nullptr, nullptr,
                               nullptr);
    if (err) {
        std::fprintf(stderr, "pdiview: the plug-in could not make an instance (NPAPI error %d)\n",
                     err);
        return 1;
    }
    Widget core = host.core;
    host.ws.type = NP_SETWINDOW;
    host.ws.display = host.dpy;
    XtVaGetValues(core, XtNcolormap, &host.ws.colormap, XtNdepth, &host.ws.depth, nullptr);
    host.ws.visual = DefaultVisual(host.dpy, DefaultScreen(host.dpy));
    host.npwin.window = reinterpret_cast<void *>(uintptr_t(XtWindow(core)));
    host.npwin.ws_info = &host.ws;
    // The window manager may already have changed the size asked for.
    Dimension cw = Dimension(opt.width), ch = Dimension(opt.height);
    XtVaGetValues(core, XtNwidth, &cw, XtNheight, &ch, nullptr);
    giveWindow(cw, ch);

    char path[PATH_MAX];
    std::string abs = realpath(opt.file.c_str(), path) ? path : opt.file;
    NPStream stream = {};
    stream.url = abs.c_str();
    stream.end = uint32_t(bytes.size());
    uint16_t stype = NP_NORMAL;
    err = host.pf.newstream(&host.npp, const_cast<char *>(kMime), &stream, 0, &stype);
    NPReason reason = NPRES_DONE;
    if (err) {
        std::fprintf(stderr, "pdiview: the plug-in refused the stream (NPAPI error %d)\n", err);
        reason = NPRES_NETWORK_ERR;
    }
    size_t offset = 0;
    int stalls = 0;
    while (!err && offset < bytes.size() && !host.quit) {
        int32_t ready = host.pf.writeready(&host.npp, &stream);
        size_t n = std::min(bytes.size() - offset, size_t(opt.block));
        if (ready > 0) n = std::min(n, size_t(ready));
        int32_t wrote = ready > 0 ? host.pf.write(&host.npp, &stream, int32_t(offset), int32_t(n),
                                                  bytes.data() + offset)
                                  : 0;
        if (wrote < 0) {
            std::fprintf(stderr, "pdiview: the plug-in gave up the stream at byte %zu\n", offset);
            reason = NPRES_NETWORK_ERR;
            break;
        }
        if (wrote == 0 && ++stalls > 100) {
            std::fprintf(stderr, "pdiview: the plug-in takes no more bytes at %zu\n", offset);
            reason = NPRES_NETWORK_ERR;
            break;
        }
        offset += std::min(size_t(wrote), n);
        pumpEvents(opt.delayMs);
    }
    if (!err && reason == NPRES_DONE && (offset < bytes.size() || host.quit))
        reason = NPRES_USER_BREAK;  // the window was closed while loading
    if (!err && reason == NPRES_DONE && (stype == NP_ASFILE || stype == NP_ASFILEONLY))
        host.pf.asfile(&host.npp, &stream, abs.c_str());
    if (!err) host.pf.destroystream(&host.npp, &stream, reason);

    if (opt.resizeW > 0) {
        XtVaSetValues(host.shell, XtNwidth, opt.resizeW, XtNheight, opt.resizeH, nullptr);
        for (long until = nowMs() + 2000;
             nowMs() < until && (host.npwin.width != uint32_t(opt.resizeW) ||
                                 host.npwin.height != uint32_t(opt.resizeH));)
            pumpEvents(20);
        // No window manager answered: size the picture's window directly.
        if (host.npwin.width != uint32_t(opt.resizeW) || host.npwin.height != uint32_t(opt.resizeH)) {
            XtResizeWidget(core, Dimension(opt.resizeW), Dimension(opt.resizeH), 0);
            giveWindow(opt.resizeW, opt.resizeH);
        }
    }

    int status = 0;
    if (opt.png) {
        // On top, so that whatever another window hid is exposed and
        // repainted from the plug-in's pixmap before the window is read.
        XRaiseWindow(host.dpy, XtWindow(host.shell));
        XSync(host.dpy, False);
        pumpEvents(100);
        XSync(host.dpy, False);
        if (savePng(opt.png)) {
            std::printf("pdiview: wrote %s\n", opt.png);
        } else {
            std::fprintf(stderr, "pdiview: cannot write %s\n", opt.png);
            status = 1;
        }
    } else {
        while (!host.quit) {
            XEvent ev;
            XtAppNextEvent(host.app, &ev);
            XtDispatchEvent(&ev);
        }
    }

    host.pf.destroy(&host.npp, nullptr);
    shutdown();
    XtDestroyApplicationContext(host.app);
    return status;
}

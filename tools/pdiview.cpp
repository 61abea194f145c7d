// pdiview: a small NPAPI host that plays a NAPLPS picture file through the
// Pictarine plug-in, as a browser would: it loads npnap.so, exchanges the
// function tables, gives the plug-in an Xt window and delivers the file as
// a stream in blocks, then keeps the window open (exposures repaint, a
// window-manager resize re-decodes) until it is closed. The window's title
// is the file's name.
//
//   pdiview [--size WxH] [--block N] [--delay MS] [--resize WxH]
//           [--png OUT.png] [--plugin PATH] [FILE...]
//
// Several files are several pictures on one page: one plug-in instance
// each, side by side from left to right without a gap, their streams
// delivered in interleaved blocks.
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
    std::vector<std::string> files;
};

// One picture of the page: a plug-in instance in its own window.
struct Picture {
    std::string file;
    std::vector<unsigned char> bytes;
    Widget core = nullptr;
    NPP_t npp = {};
    NPWindow npwin = {};
    NPSetWindowCallbackStruct ws = {};
    NPStream stream = {};
    std::string url;
    uint16_t stype = NP_NORMAL;
    size_t offset = 0;
    bool open = false;   // the stream is open
    bool given = false;  // the window was given to the plug-in
};

// Everything the host keeps while it runs.
struct Host {
    Options opt;
    XtAppContext app = nullptr;
    Display *dpy = nullptr;
    Widget shell = nullptr, page = nullptr;
    std::vector<Picture> pics;
    int picW = 0, picH = 0;  // size of each picture now
    Atom wmDelete = None;
    bool mapped = false;
    bool quit = false;
    NPPluginFuncs pf = {};
    NPNetscapeFuncs ns = {};
    bool windowGiven = false;
    long lastActivity = 0;  // when the last event or timer was handled
};

Host host;

const char kUsage[] =
    "usage: pdiview [--size WxH] [--block N] [--delay MS] [--resize WxH]\n"
    "               [--png OUT.png] [--plugin PATH] [FILE...]\n"
    "Plays NAPLPS picture files (default: the demo picture) through the\n"
    "Pictarine plug-in in a window; several files are pictures side by side.\n"
    "  --size WxH     size of each picture (default 512x400)\n"
    "  --block N      bytes given to the plug-in at a time (default 4096)\n"
    "  --delay MS     pause after each block, 0..60000 ms\n"
    "  --resize WxH   resize each picture once after the streams have ended\n"
    "  --png OUT.png  save the page once its pictures are settled and exit\n"
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
        } else {
            o.files.push_back(a);
        }
    }
    // Beside pdiview in the build tree; where the install put it otherwise.
    std::string dir = ownDir();
    std::vector<std::string> plugins = {dir + "/npnap.so"};
#ifdef PICTARINE_PLUGIN_FROM_BIN
    plugins.push_back(dir + "/" PICTARINE_PLUGIN_FROM_BIN "/npnap.so");
#endif
    if (o.plugin.empty()) o.plugin = firstReadable(plugins);
    if (o.files.empty()) {
        std::vector<std::string> demos;
#ifdef PICTARINE_DATA_FROM_BIN
        demos.push_back(dir + "/" PICTARINE_DATA_FROM_BIN "/demo.pdi");
#endif
        demos.push_back(PICTARINE_DEMO);
        o.files.push_back(firstReadable(demos));
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
NPError hostPostURLNotify(NPP, const char *, const char *, uint32_t, const char *, NPBool, void *) {
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

// Handles X events and the plug-in's timers for up to ms milliseconds (0:
// only those already due).
void pumpEvents(long ms) {
    long deadline = nowMs() + ms;
    for (;;) {
        while (XtAppPending(host.app)) {
            XtAppProcessEvent(host.app, XtIMAll);
            host.lastActivity = nowMs();
        }
        long left = deadline - nowMs();
        if (left <= 0 || host.quit) return;
        pollfd p = {ConnectionNumber(host.dpy), POLLIN, 0};
        poll(&p, 1, int(std::min(left, 10L)));  // timers are checked every 10 ms
    }
}

// Handles events until the plug-in has been idle for longer than any pause
// it sets (its timers are at most a second apart), or `limitMs` passes.
void settle(long limitMs) {
    host.lastActivity = nowMs();
    for (long until = nowMs() + limitMs; nowMs() < until && !host.quit;) {
        pumpEvents(50);
        if (nowMs() - host.lastActivity > 1200) return;
    }
}

// Gives every picture its window at the size of one picture, side by side.
void giveWindows(int width, int height) {
    host.picW = width;
    host.picH = height;
    for (size_t i = 0; i < host.pics.size(); i++) {
        Picture &p = host.pics[i];
        XtConfigureWidget(p.core, Position(i * size_t(width)), 0, Dimension(width),
                          Dimension(height), 0);
        p.npwin.x = int32_t(i * size_t(width));
        p.npwin.width = uint32_t(width);
        p.npwin.height = uint32_t(height);
        host.pf.setwindow(&p.npp, &p.npwin);
        p.given = true;
    }
    host.windowGiven = true;
}

// The core window's own configure events are not a size to pass on: the
// plug-in itself sizes its window to the one it was given last.
void onStructure(Widget, XtPointer, XEvent *ev, Boolean *) {
    if (ev->type == MapNotify) host.mapped = true;
}

int pageWidth(int picW) { return int(std::min<size_t>(32767, size_t(picW) * host.pics.size())); }

void onShellMessage(Widget, XtPointer, XEvent *ev, Boolean *) {
    if (ev->type == ClientMessage && Atom(ev->xclient.data.l[0]) == host.wmDelete) host.quit = true;
}

// The window manager (or --resize) gave the shell a new size: it is the
// page's, shared equally by the pictures. Their windows follow it and the
// plug-in is told, and decodes each picture again at its new size.
void onShellStructure(Widget, XtPointer, XEvent *ev, Boolean *) {
    if (ev->type == MapNotify) host.mapped = true;
    if (ev->type == DestroyNotify) host.quit = true;
    if (ev->type == ConfigureNotify) {
        int w = ev->xconfigure.width / int(host.pics.size()), h = ev->xconfigure.height;
        if (w < 1 || h < 1) return;
        if (Dimension(ev->xconfigure.width) != host.page->core.width ||
            Dimension(h) != host.page->core.height)
            XtResizeWidget(host.page, Dimension(ev->xconfigure.width), Dimension(h), 0);
        if (host.windowGiven && (w != host.picW || h != host.picH)) giveWindows(w, h);
    }
}

// ---- PNG ----

// Reads window win (w x h) into rgb at column x0 of a page pw pixels wide,
// in the colours its own colormap gives its pixels: each picture may have a
// colormap of its own.
bool grabWindow(Window win, int x0, int pw, std::vector<uint8_t> &rgb) {
    XWindowAttributes wa;
    if (!XGetWindowAttributes(host.dpy, win, &wa)) return false;
    int w = wa.width, h = wa.height;
    XImage *im = XGetImage(host.dpy, win, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!im) return false;
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
    size_t ph = rgb.size() / 3 / size_t(pw);
    for (int y = 0; y < h && size_t(y) < ph; y++)
        for (int x = 0; x < w && x0 + x < pw; x++) {
            unsigned long p = XGetPixel(im, x, y);
            unsigned char *o = &rgb[(size_t(y) * size_t(pw) + size_t(x0 + x)) * 3];
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
    return true;
}

// The page as a PNG: every picture in its own colours, side by side.
bool savePng(const char *path) {
    XWindowAttributes wa;
    if (!XGetWindowAttributes(host.dpy, XtWindow(host.page), &wa)) return false;
    int w = wa.width, h = wa.height;
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    if (!grabWindow(XtWindow(host.page), 0, w, rgb)) return false;
    for (const Picture &p : host.pics)
        if (!grabWindow(XtWindow(p.core), p.core->core.x, w, rgb)) return false;
    return writePng(path, w, h, rgb);
}

}  // namespace

// Opens the stream of every picture whose window was given.
bool openStreams() {
    for (Picture &p : host.pics) {
        char path[PATH_MAX];
        p.url = realpath(p.file.c_str(), path) ? path : p.file;
        p.stream.url = p.url.c_str();
        p.stream.end = uint32_t(p.bytes.size());
        NPError err = host.pf.newstream(&p.npp, const_cast<char *>(kMime), &p.stream, 0, &p.stype);
        if (err) {
            std::fprintf(stderr, "pdiview: the plug-in refused the stream of %s (NPAPI error %d)\n",
                         p.file.c_str(), err);
            return false;
        }
        p.open = true;
    }
    return true;
}

// Delivers the next block of one picture. False when its stream is over.
bool deliver(Picture &p, NPReason *reason) {
    if (p.offset >= p.bytes.size()) return false;
    int32_t ready = host.pf.writeready(&p.npp, &p.stream);
    size_t n = std::min(p.bytes.size() - p.offset, size_t(host.opt.block));
    if (ready > 0) n = std::min(n, size_t(ready));
    int32_t wrote = ready > 0 ? host.pf.write(&p.npp, &p.stream, int32_t(p.offset), int32_t(n),
                                              p.bytes.data() + p.offset)
                              : 0;
    if (wrote <= 0) {
        std::fprintf(stderr, "pdiview: the plug-in gave up the stream of %s at byte %zu\n",
                     p.file.c_str(), p.offset);
        *reason = NPRES_NETWORK_ERR;
        return false;
    }
    p.offset += std::min(size_t(wrote), n);
    return p.offset < p.bytes.size();
}

void endStream(Picture &p, NPReason reason) {
    if (!p.open) return;
    if (reason == NPRES_DONE && (p.offset < p.bytes.size() || host.quit))
        reason = NPRES_USER_BREAK;  // the window was closed while loading
    if (reason == NPRES_DONE && (p.stype == NP_ASFILE || p.stype == NP_ASFILEONLY))
        host.pf.asfile(&p.npp, &p.stream, p.url.c_str());
    host.pf.destroystream(&p.npp, &p.stream, reason);
    p.open = false;
}

int main(int argc, char **argv) {
    if (cli::standardOptions(argc, argv, "pdiview", kUsage)) return 0;
    host.opt = parseArgs(argc, argv);
    const Options &opt = host.opt;

    for (const std::string &f : opt.files) {
        Picture p;
        p.file = f;
        if (!readFile(f, p.bytes)) {
            std::fprintf(stderr, "pdiview: cannot read %s: %s\n", f.c_str(),
                         std::strerror(errno ? errno : EIO));
            return 1;
        }
        host.pics.push_back(std::move(p));
    }

    void *lib = dlopen(opt.plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "pdiview: cannot load the plug-in %s: %s\n", opt.plugin.c_str(),
                     dlerror());
        return 1;
    }
    auto getMime = reinterpret_cast<const char *(*)()>(dlsym(lib, "NP_GetMIMEDescription"));
    auto initialize = reinterpret_cast<NPError (*)(NPNetscapeFuncs *, NPPluginFuncs *)>(
        dlsym(lib, "NP_Initialize"));
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

    // The title, as desktops show files: the files' names, then the program.
    std::string name = baseName(opt.files[0]);
    for (size_t k = 1; k < opt.files.size(); k++) name += ", " + baseName(opt.files[k]);
    std::string title = name + " - pdiview";
    int pageW = pageWidth(opt.width);
    host.shell = XtVaAppCreateShell("pdiview", "Pdiview", applicationShellWidgetClass, host.dpy,
                                    XtNtitle, title.c_str(), XtNiconName, name.c_str(), XtNwidth,
                                    pageW, XtNheight, opt.height, nullptr);
    host.page = XtVaCreateManagedWidget("page", compositeWidgetClass, host.shell, XtNwidth, pageW,
                                        XtNheight, opt.height, XtNbackground,
                                        BlackPixel(host.dpy, DefaultScreen(host.dpy)), nullptr);
    for (size_t k = 0; k < host.pics.size(); k++)
        host.pics[k].core = XtVaCreateManagedWidget(
            "picture", widgetClass, host.page, XtNx, Position(k * size_t(opt.width)), XtNy, 0,
            XtNwidth, opt.width, XtNheight, opt.height, XtNbackground,
            BlackPixel(host.dpy, DefaultScreen(host.dpy)), nullptr);
    XtAddEventHandler(host.page, StructureNotifyMask, False, onStructure, nullptr);
    XtAddEventHandler(host.shell, StructureNotifyMask, False, onShellStructure, nullptr);
    XtAddEventHandler(host.shell, NoEventMask, True, onShellMessage, nullptr);
    XtRealizeWidget(host.shell);
    host.wmDelete = XInternAtom(host.dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(host.dpy, XtWindow(host.shell), &host.wmDelete, 1);
    for (long until = nowMs() + 5000; !host.mapped && nowMs() < until;) pumpEvents(50);

    // One instance and one window for each picture, then the files as
    // streams, in interleaved blocks.
    for (Picture &p : host.pics) {
        NPError err =
            host.pf.newp(const_cast<char *>(kMime), &p.npp, NP_EMBED, 0, nullptr, nullptr, nullptr);
        if (err) {
            std::fprintf(stderr,
                         "pdiview: the plug-in could not make an instance (NPAPI error %d)\n", err);
            return 1;
        }
        p.ws.type = NP_SETWINDOW;
        p.ws.display = host.dpy;
        XtVaGetValues(p.core, XtNcolormap, &p.ws.colormap, XtNdepth, &p.ws.depth, nullptr);
        p.ws.visual = DefaultVisual(host.dpy, DefaultScreen(host.dpy));
        p.npwin.window = reinterpret_cast<void *>(uintptr_t(XtWindow(p.core)));
        p.npwin.ws_info = &p.ws;
    }
    // The window manager may already have changed the size asked for.
    Dimension cw = Dimension(pageW), ch = Dimension(opt.height);
    XtVaGetValues(host.shell, XtNwidth, &cw, XtNheight, &ch, nullptr);
    giveWindows(std::max(1, int(cw) / int(host.pics.size())), ch);

    NPReason reason = openStreams() ? NPRES_DONE : NPRES_NETWORK_ERR;
    for (bool more = reason == NPRES_DONE; more && !host.quit;) {
        more = false;
        for (Picture &p : host.pics)
            if (reason == NPRES_DONE && deliver(p, &reason)) more = true;
        pumpEvents(opt.delayMs);
    }
    for (Picture &p : host.pics) endStream(p, reason);

    if (opt.resizeW > 0) {
        int rw = pageWidth(opt.resizeW);
        XtVaSetValues(host.shell, XtNwidth, rw, XtNheight, opt.resizeH, nullptr);
        for (long until = nowMs() + 2000;
             nowMs() < until && (host.picW != opt.resizeW || host.picH != opt.resizeH);)
            pumpEvents(20);
        // No window manager answered: size the pictures' windows directly.
        if (host.picW != opt.resizeW || host.picH != opt.resizeH) {
            XtResizeWidget(host.page, Dimension(rw), Dimension(opt.resizeH), 0);
            giveWindows(opt.resizeW, opt.resizeH);
        }
    }

    int status = 0;
    if (opt.png) {
        // The pictures' pauses and end-of-stream blinking run their course
        // first (at most a few minutes).
        settle(5 * 60 * 1000);
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

    for (Picture &p : host.pics) host.pf.destroy(&p.npp, nullptr);
    shutdown();
    XtDestroyApplicationContext(host.app);
    return status;
}

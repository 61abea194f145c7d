// The plug-in as a host sees it: npnap.so is loaded with dlopen and driven
// only through its four exported entries and the function tables they
// exchange, in Xt windows on a private 8-bit Xvfb. What the plug-in does
// inside is observed from outside: the test program defines a few Xlib
// calls and select() itself, so the library's calls reach these recorders
// first (the program exports its symbols), which count them and pass them
// on. select() with no descriptors is the product's sleep.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <elf.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "plugin/npapi.h"
#include "tests/x11_fixture.h"

#define REAL(name) \
    static auto real = reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name))

namespace {

// ---- what the library did, as recorded by the interposed calls ----

struct Line {
    Drawable d;
    GC gc;
    int x1, y1, x2, y2;
};

struct Recorder {
    bool realSleep = false;
    int sleeps100 = 0, sleeps1000 = 0, sleepsOther = 0;
    std::map<Pixmap, std::pair<unsigned, unsigned>> pixmaps;  // live backing pixmaps
    Pixmap lastPixmap = 0;
    int pixmapsMade = 0;
    int pixmapDraws = 0;       // drawing calls into a backing pixmap: decoding
    int resizes = 0;           // XResizeWindow: one per decoding pass
    int copiesToWindow = 0;    // XCopyArea from a backing pixmap to a window
    std::vector<Line> windowLines;
    std::vector<Line> windowRects;
    std::map<GC, unsigned long> foreground;
    std::set<GC> freed;
    bool countRealloc = false;
    int reallocs = 0;
};

Recorder rec;

bool isPixmap(Drawable d) { return rec.pixmaps.count(d) != 0; }

// Starts counting afresh; the backing pixmaps that exist stay known.
void resetCounts() {
    auto pixmaps = rec.pixmaps;
    Pixmap last = rec.lastPixmap;
    rec = Recorder{};
    rec.pixmaps = pixmaps;
    rec.lastPixmap = last;
}

}  // namespace

extern "C" {

int select(int nfds, fd_set *r, fd_set *w, fd_set *e, struct timeval *tv) {
    REAL(select);
    if (nfds == 0 && !r && !w && !e && tv) {
        long us = long(tv->tv_sec) * 1000000 + tv->tv_usec;
        if (us == 100000) rec.sleeps100++;
        else if (us == 1000000) rec.sleeps1000++;
        else rec.sleepsOther++;
        if (!rec.realSleep) return 0;
    }
    return real(nfds, r, w, e, tv);
}

Pixmap XCreatePixmap(Display *d, Drawable dr, unsigned w, unsigned h, unsigned depth) {
    REAL(XCreatePixmap);
    Pixmap p = real(d, dr, w, h, depth);
    if (p) {
        rec.pixmaps[p] = {w, h};
        rec.lastPixmap = p;
        rec.pixmapsMade++;
    }
    return p;
}

int XFreePixmap(Display *d, Pixmap p) {
    REAL(XFreePixmap);
    rec.pixmaps.erase(p);
    return real(d, p);
}

int XDrawLine(Display *d, Drawable dr, GC gc, int x1, int y1, int x2, int y2) {
    REAL(XDrawLine);
    if (isPixmap(dr)) rec.pixmapDraws++;
    else rec.windowLines.push_back({dr, gc, x1, y1, x2, y2});
    return real(d, dr, gc, x1, y1, x2, y2);
}

int XDrawSegments(Display *d, Drawable dr, GC gc, XSegment *s, int n) {
    REAL(XDrawSegments);
    if (isPixmap(dr)) rec.pixmapDraws++;
    return real(d, dr, gc, s, n);
}

int XFillRectangle(Display *d, Drawable dr, GC gc, int x, int y, unsigned w, unsigned h) {
    REAL(XFillRectangle);
    if (isPixmap(dr)) rec.pixmapDraws++;
    return real(d, dr, gc, x, y, w, h);
}

int XDrawRectangle(Display *d, Drawable dr, GC gc, int x, int y, unsigned w, unsigned h) {
    REAL(XDrawRectangle);
    if (isPixmap(dr)) rec.pixmapDraws++;
    else rec.windowRects.push_back({dr, gc, x, y, int(w), int(h)});
    return real(d, dr, gc, x, y, w, h);
}

int XCopyArea(Display *d, Drawable src, Drawable dst, GC gc, int sx, int sy, unsigned w,
              unsigned h, int dx, int dy) {
    REAL(XCopyArea);
    if (isPixmap(src) && !isPixmap(dst)) rec.copiesToWindow++;
    return real(d, src, dst, gc, sx, sy, w, h, dx, dy);
}

int XResizeWindow(Display *d, Window w, unsigned width, unsigned height) {
    REAL(XResizeWindow);
    rec.resizes++;
    return real(d, w, width, height);
}

int XSetForeground(Display *d, GC gc, unsigned long fg) {
    REAL(XSetForeground);
    rec.foreground[gc] = fg;
    return real(d, gc, fg);
}

int XFreeGC(Display *d, GC gc) {
    REAL(XFreeGC);
    rec.freed.insert(gc);
    return real(d, gc);
}

void *realloc(void *p, size_t n) {
    static void *(*real)(void *, size_t) = nullptr;
    if (!real) real = reinterpret_cast<void *(*)(void *, size_t)>(dlsym(RTLD_NEXT, "realloc"));
    if (rec.countRealloc) rec.reallocs++;
    return real(p, n);
}

}  // extern "C"

namespace {

// ---- the library and its tables ----

struct Library {
    void *handle = nullptr;
    const char *(*getMime)() = nullptr;
    NPError (*getValue)(void *, NPPVariable, void *) = nullptr;
    NPError (*initialize)(NPNetscapeFuncs *, NPPluginFuncs *) = nullptr;
    NPError (*shutdown)() = nullptr;
    NPPluginFuncs pf = {};
    NPNetscapeFuncs ns = {};
    bool started = false;
};

int allocs = 0, frees = 0;
bool keepFreed = false;  // MemFree leaves the memory as it was, until later
std::vector<void *> kept;
void *hostAlloc(uint32_t n) {
    allocs++;
    return malloc(n);
}
void hostFree(void *p) {
    frees++;
    if (keepFreed) kept.push_back(p);
    else free(p);
}

// Stands in the plug-in's table to show whether it was overwritten.
NPError markerNew(NPMIMEType, NPP, uint16_t, int16_t, char **, char **, NPSavedData *) {
    return NPERR_GENERIC_ERROR;
}

NPNetscapeFuncs hostTable(uint16_t size, uint16_t version) {
    NPNetscapeFuncs ns = {};
    ns.size = size;
    ns.version = version;
    ns.memalloc = hostAlloc;
    ns.memfree = hostFree;
    return ns;
}

Library &lib() {
    static Library l;
    if (!l.handle) {
        l.handle = dlopen(NPNAP_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!l.handle) return l;
        l.getMime = reinterpret_cast<decltype(l.getMime)>(dlsym(l.handle, "NP_GetMIMEDescription"));
        l.getValue = reinterpret_cast<decltype(l.getValue)>(dlsym(l.handle, "NP_GetValue"));
        l.initialize = reinterpret_cast<decltype(l.initialize)>(dlsym(l.handle, "NP_Initialize"));
        l.shutdown = reinterpret_cast<decltype(l.shutdown)>(dlsym(l.handle, "NP_Shutdown"));
    }
    return l;
}

// The library, started with a full host table.
Library &started() {
    Library &l = lib();
    if (l.handle && !l.started) {
        l.ns = hostTable(uint16_t(sizeof(NPNetscapeFuncs)), 0x0009);
        l.pf.size = uint16_t(sizeof(NPPluginFuncs));
        l.started = l.initialize(&l.ns, &l.pf) == NPERR_NO_ERROR;
    }
    return l;
}

// ---- one X connection for the whole run (the plug-in keeps its display) ----

struct XHost {
    XtAppContext app = nullptr;
    Display *dpy = nullptr;
};

XHost &xhost() {
    static XHost h;
    if (!h.dpy) {
        std::string name = naplps::xtest::xvfbDisplay(8);
        if (name.empty()) return h;
        XtToolkitInitialize();
        h.app = XtCreateApplicationContext();
        int argc = 0;
        char *argv[] = {nullptr};
        h.dpy = XtOpenDisplay(h.app, name.c_str(), "plugintest", "PluginTest", nullptr, 0, &argc,
                              argv);
    }
    return h;
}

void pump() {
    XHost &h = xhost();
    XSync(h.dpy, False);
    while (XtAppPending(h.app)) XtAppProcessEvent(h.app, XtIMAll);
}

unsigned long namedPixel(const char *name) {
    XColor s, e;
    XHost &h = xhost();
    if (!XAllocNamedColor(h.dpy, DefaultColormap(h.dpy, 0), name, &s, &e)) return ~0ul;
    return s.pixel;
}

// An Xt Core widget in its own shell, as a browser gives a plug-in.
struct HostWindow {
    Widget shell = nullptr, core = nullptr;
    Window win = 0;
    HostWindow(int w, int h) {
        XHost &x = xhost();
        // Windows alive together must not hide each other: two columns.
        static int made = 0;
        Position left = Position((made++ % 2) * 512);
        shell = XtVaAppCreateShell("plugintest", "PluginTest", applicationShellWidgetClass, x.dpy,
                                   XtNx, left, XtNy, 0, XtNwidth, Dimension(w), XtNheight,
                                   Dimension(h), XtNborderWidth, 0, nullptr);
        core = XtVaCreateManagedWidget("embed", coreWidgetClass, shell, XtNwidth, Dimension(w),
                                       XtNheight, Dimension(h), XtNborderWidth, 0, nullptr);
        XtRealizeWidget(shell);
        win = XtWindow(core);
        for (int i = 0; i < 500; i++) {
            XWindowAttributes a;
            XSync(x.dpy, False);
            if (XGetWindowAttributes(x.dpy, win, &a) && a.map_state == IsViewable) break;
            usleep(2000);
        }
        pump();
    }
    ~HostWindow() {
        XtDestroyWidget(shell);
        pump();
    }
    void resize(int w, int h) {
        XtVaSetValues(shell, XtNwidth, Dimension(w), XtNheight, Dimension(h), nullptr);
        XtVaSetValues(core, XtNwidth, Dimension(w), XtNheight, Dimension(h), nullptr);
        pump();
    }
};

// Pixels of a drawable as RGB triples, through the window's colormap.
std::vector<uint32_t> rgb(Drawable d, Window cmapOf, int w, int h) {
    XHost &x = xhost();
    XSync(x.dpy, False);
    XWindowAttributes a;
    XGetWindowAttributes(x.dpy, cmapOf, &a);
    XColor cells[256];
    for (int i = 0; i < 256; i++) cells[i].pixel = unsigned(i);
    XQueryColors(x.dpy, a.colormap, cells, 256);
    std::vector<uint32_t> out;
    XImage *im = XGetImage(x.dpy, d, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!im) return out;
    for (int yy = 0; yy < h; yy++)
        for (int xx = 0; xx < w; xx++) {
            unsigned long p = XGetPixel(im, xx, yy) & 0xFF;
            out.push_back(uint32_t(cells[p].red >> 8) << 16 | uint32_t(cells[p].green >> 8) << 8 |
                          uint32_t(cells[p].blue >> 8));
        }
    XDestroyImage(im);
    return out;
}

// One plug-in instance in its own window, driven through the table.
struct Instance {
    NPPluginFuncs &pf;
    HostWindow hw;
    NPP_t npp = {};
    NPSetWindowCallbackStruct ws = {};
    NPWindow npwin = {};
    NPStream stream = {};
    bool alive = false;
    int w, h;

    Instance(int width, int height) : pf(started().pf), hw(width, height), w(width), h(height) {
        alive = pf.newp(const_cast<char *>("image/naplps"), &npp, NP_EMBED, 0, nullptr, nullptr,
                        nullptr) == NPERR_NO_ERROR;
        ws.type = NP_SETWINDOW;
        ws.display = xhost().dpy;
        npwin.window = reinterpret_cast<void *>(uintptr_t(hw.win));
        npwin.ws_info = &ws;
    }
    ~Instance() { destroy(); }
    void destroy() {
        if (alive) pf.destroy(&npp, nullptr);
        alive = false;
        pump();
    }
    NPError setWindow(int width, int height) {
        if (width != w || height != h) hw.resize(width, height);
        w = width;
        h = height;
        npwin.width = uint32_t(width);
        npwin.height = uint32_t(height);
        NPError e = pf.setwindow(&npp, &npwin);
        pump();
        return e;
    }
    void newStream() {
        uint16_t stype = 0;
        ASSERT_EQ(pf.newstream(&npp, const_cast<char *>("image/naplps"), &stream, 0, &stype), 0);
        EXPECT_EQ(stype, NP_ASFILE);
    }
    void write(const std::vector<uint8_t> &bytes, std::vector<size_t> blocks = {}) {
        if (blocks.empty()) blocks.push_back(bytes.size());
        size_t off = 0;
        for (size_t n : blocks) {
            ASSERT_LE(off + n, bytes.size());
            EXPECT_GT(pf.writeready(&npp, &stream), int32_t(n));
            EXPECT_EQ(pf.write(&npp, &stream, int32_t(off), int32_t(n),
                               const_cast<uint8_t *>(bytes.data() + off)),
                      int32_t(n));
            off += n;
        }
        pump();
    }
    void endStream() {
        EXPECT_EQ(pf.destroystream(&npp, &stream, NPRES_DONE), 0);
        pump();
    }
    void play(const std::vector<uint8_t> &bytes, std::vector<size_t> blocks = {}) {
        newStream();
        write(bytes, blocks);
        endStream();
    }
    Pixmap pixmap() const {
        for (auto &p : rec.pixmaps)
            if (p.second.first == unsigned(w) && p.second.second == unsigned(h) &&
                p.first == rec.lastPixmap)
                return p.first;
        return 0;
    }
    std::vector<uint32_t> picture() const { return rgb(pixmap(), hw.win, w, h); }
    std::vector<uint32_t> window() const { return rgb(hw.win, hw.win, w, h); }
};

// ---- streams, written as the decoder reads them (8-bit, PDI in GR) ----

struct Bytes {
    std::vector<uint8_t> b;
    Bytes &op(int code) {
        b.push_back(uint8_t(0x80 | code));
        return *this;
    }
    Bytes &operand(int bits) {
        b.push_back(uint8_t(0xC0 | (bits & 0x3F)));
        return *this;
    }
    // A coordinate pair in 1/256 of the unit screen, 3-byte operand.
    Bytes &pair(int x, int y) {
        unsigned kx = unsigned(x) & 0x1FF, ky = unsigned(y) & 0x1FF;
        for (int i = 2; i >= 0; i--) operand(int(((kx >> (3 * i)) & 7) << 3 | ((ky >> (3 * i)) & 7)));
        return *this;
    }
    Bytes &raw(std::initializer_list<int> v) {
        for (int x : v) b.push_back(uint8_t(x));
        return *this;
    }
};

constexpr int RESET = 0x20, POINT_SET_ABS = 0x24, LINE_REL = 0x29, SET_RECT_FILLED = 0x33,
              SELECT_COLOR = 0x3E, BLINK = 0x3F;

// RESET of the domain, the colour map and the blink table, then colour
// index 192 (yellow) in colour-map mode.
Bytes start() {
    Bytes s;
    s.op(RESET).operand(0x01 | 0x02).operand(0x02);
    s.op(SELECT_COLOR).operand(192 >> 2);
    return s;
}

// 35 bytes: an absolute start, then relative lines, so that any byte
// decoded twice draws somewhere else.
std::vector<uint8_t> zigzag() {
    Bytes s = start();
    s.op(POINT_SET_ABS).pair(40, 40);
    s.op(LINE_REL).pair(30, 0).pair(0, 30).pair(-20, 10);
    s.op(LINE_REL).pair(50, 5).pair(10, 40);
    s.op(LINE_REL).pair(-60, 0).pair(5, -50);
    s.raw({0, 0});
    return s.b;
}

// A filled rectangle, another picture.
std::vector<uint8_t> block() {
    Bytes s = start();
    s.op(SET_RECT_FILLED).pair(20, 20).pair(60, 40);
    s.raw({0});
    return s.b;
}

size_t lit(const std::vector<uint32_t> &px) {
    size_t n = 0;
    for (uint32_t p : px) n += p != 0;
    return n;
}

std::vector<std::string> logoRows() {
    std::ifstream in(LOGO_TXT);
    std::vector<std::string> rows;
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("//", 0) != 0) rows.push_back(line + std::string(216, ' '));
    return rows;
}

class Plugin : public ::testing::Test {
protected:
    void SetUp() override {
        if (!lib().handle) GTEST_FAIL() << "cannot load " << NPNAP_PATH << ": " << dlerror();
        if (!xhost().dpy) GTEST_SKIP() << "no Xvfb";
        ASSERT_TRUE(started().started);
        resetCounts();
    }
};

// ---- the library's face ----

TEST(PluginLibrary, ExportsExactlyTheFourEntries) {
    std::ifstream f(NPNAP_PATH, std::ios::binary);
    std::vector<char> img((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_GT(img.size(), sizeof(Elf64_Ehdr));
    auto *eh = reinterpret_cast<const Elf64_Ehdr *>(img.data());
    ASSERT_EQ(eh->e_ident[EI_CLASS], ELFCLASS64);
    auto *sh = reinterpret_cast<const Elf64_Shdr *>(img.data() + eh->e_shoff);
    std::set<std::string> names;
    for (int i = 0; i < eh->e_shnum; i++) {
        if (sh[i].sh_type != SHT_DYNSYM) continue;
        const char *str = img.data() + sh[sh[i].sh_link].sh_offset;
        auto *sym = reinterpret_cast<const Elf64_Sym *>(img.data() + sh[i].sh_offset);
        size_t n = sh[i].sh_size / sizeof(Elf64_Sym);
        for (size_t k = 0; k < n; k++) {
            int bind = ELF64_ST_BIND(sym[k].st_info);
            if (sym[k].st_shndx != SHN_UNDEF && (bind == STB_GLOBAL || bind == STB_WEAK) &&
                sym[k].st_name != 0)
                names.insert(str + sym[k].st_name);
        }
    }
    EXPECT_EQ(names, (std::set<std::string>{"NP_GetMIMEDescription", "NP_GetValue",
                                            "NP_Initialize", "NP_Shutdown"}));
    ASSERT_NE(lib().handle, nullptr);
    EXPECT_EQ(dlsym(lib().handle, "NPP_New"), nullptr);
}

TEST(PluginLibrary, IdentityAndValues) {
    Library &l = lib();
    ASSERT_NE(l.handle, nullptr);
    EXPECT_STREQ(l.getMime(), "image/naplps:.pdi:Pictarine");
    const char *s = nullptr;
    EXPECT_EQ(l.getValue(nullptr, NPPVpluginNameString, &s), 0);
    EXPECT_STREQ(s, "Pictarine");
    EXPECT_EQ(l.getValue(nullptr, NPPVpluginDescriptionString, &s), 0);
    EXPECT_STREQ(s, "Zelvo Pictarine Plugin Personal Ver.1.0b");
    const char *untouched = "untouched";
    s = untouched;
    EXPECT_EQ(l.getValue(nullptr, NPPVpluginWindowBool, &s), 1);
    EXPECT_EQ(s, untouched);
}

TEST(PluginLibrary, InitializeChecksVersionAndTableSizes) {
    Library &l = lib();
    ASSERT_NE(l.handle, nullptr);
    const uint16_t hostSize = uint16_t(sizeof(NPNetscapeFuncs));
    const uint16_t plugSize = uint16_t(sizeof(NPPluginFuncs));
    auto run = [&](uint16_t hs, uint16_t version, uint16_t ps, NPPluginFuncs *out = nullptr) {
        NPNetscapeFuncs ns = hostTable(hs, version);
        NPPluginFuncs pf = {};
        pf.size = ps;
        pf.newp = markerNew;
        NPError e = l.initialize(&ns, &pf);
        if (out) *out = pf;
        return e;
    };
    NPPluginFuncs pf;
    EXPECT_EQ(run(hostSize, 0x0100, plugSize, &pf), 8);
    EXPECT_EQ(pf.newp, markerNew) << "filled on an error";
    EXPECT_EQ(run(64, 0x0009, plugSize), 3);
    EXPECT_EQ(run(hostSize, 0x0009, 48), 3);
    EXPECT_EQ(run(64, 0x0100, plugSize), 3) << "the size check wins";
    // The 32-bit interface sizes are too small for a 64-bit build's tables.
    EXPECT_EQ(run(72, 0x0009, plugSize), sizeof(void *) == 4 ? 0 : 3);
    EXPECT_EQ(run(hostSize, 0x0009, 52), sizeof(void *) == 4 ? 0 : 3);
    EXPECT_EQ(run(uint16_t(hostSize - 1), 0x0009, plugSize), 3);
    EXPECT_EQ(run(hostSize, 0x0009, uint16_t(plugSize - 1)), 3);
    EXPECT_EQ(l.initialize(nullptr, &pf), 3);
    NPNetscapeFuncs ns = hostTable(hostSize, 9);
    EXPECT_EQ(l.initialize(&ns, nullptr), 3);

    EXPECT_EQ(run(hostSize, 0x000B, plugSize, &pf), 0);
    EXPECT_EQ(pf.version, 9);
    EXPECT_EQ(pf.size, plugSize);
    EXPECT_NE(pf.newp, nullptr);
    EXPECT_NE(pf.destroy, nullptr);
    EXPECT_NE(pf.setwindow, nullptr);
    EXPECT_NE(pf.newstream, nullptr);
    EXPECT_NE(pf.destroystream, nullptr);
    EXPECT_NE(pf.asfile, nullptr);
    EXPECT_NE(pf.writeready, nullptr);
    EXPECT_NE(pf.write, nullptr);
    EXPECT_NE(pf.print, nullptr);
    EXPECT_EQ(pf.event, nullptr);
    EXPECT_EQ(pf.javaClass, nullptr);
}

// ---- stream feeding ----

TEST_F(Plugin, BlocksDecodeEachByteOnce) {
    std::vector<uint8_t> bytes = zigzag();
    ASSERT_EQ(bytes.size(), 35u);
    std::vector<uint32_t> whole;
    int wholeDraws;
    {
        Instance a(400, 300);
        a.setWindow(400, 300);
        a.play(bytes);
        whole = a.picture();
        wholeDraws = rec.pixmapDraws;
    }
    ASSERT_GT(lit(whole), 100u) << "the reference picture draws lines";
    resetCounts();
    Instance b(400, 300);
    b.setWindow(400, 300);
    b.play(bytes, {10, 20, 5});
    EXPECT_EQ(rec.pixmapDraws, wholeDraws);
    EXPECT_EQ(rec.resizes, 3) << "one decoding pass per block";
    EXPECT_TRUE(b.picture() == whole) << "the picture differs from the one decoded whole";
}

TEST_F(Plugin, NewSizeDecodesAgainWithoutBanner) {
    std::vector<uint8_t> bytes = zigzag();
    std::vector<uint32_t> reference;
    int referenceDraws;
    {
        Instance r(500, 300);
        r.setWindow(500, 300);
        r.play(bytes);
        reference = r.picture();
        referenceDraws = rec.pixmapDraws;
    }
    resetCounts();
    Instance a(400, 300);
    a.setWindow(400, 300);
    a.play(bytes);
    EXPECT_EQ(rec.sleeps1000, 1) << "one banner for the stream";

    resetCounts();
    a.setWindow(500, 300);
    EXPECT_EQ(rec.pixmapDraws, referenceDraws) << "all bytes decoded again, once";
    EXPECT_EQ(rec.sleeps1000, 0) << "no banner on a redraw";
    EXPECT_TRUE(rec.windowRects.empty()) << "no banner frame on a redraw";
    EXPECT_TRUE(a.picture() == reference);

    resetCounts();
    a.setWindow(500, 300);
    EXPECT_EQ(rec.pixmapDraws, 0) << "the same size decodes nothing";
    EXPECT_EQ(rec.resizes, 0);
}

TEST_F(Plugin, ExposureRepaintsFromThePixmapWithoutDecoding) {
    Instance a(400, 300);
    a.setWindow(400, 300);
    a.play(block());
    std::vector<uint32_t> pic = a.picture();
    ASSERT_GT(lit(pic), 1000u);
    // Spoil the window, then expose it.
    XHost &x = xhost();
    XSetWindowBackground(x.dpy, a.hw.win, namedPixel("red"));
    XClearArea(x.dpy, a.hw.win, 0, 0, 0, 0, False);
    resetCounts();
    XClearArea(x.dpy, a.hw.win, 0, 0, 0, 0, True);
    pump();
    EXPECT_GE(rec.copiesToWindow, 1);
    EXPECT_EQ(rec.pixmapDraws, 0);
    EXPECT_EQ(rec.resizes, 0);
    // The driver's repaint covers all but the last column and row.
    std::vector<uint32_t> win = a.window();
    size_t same = 0, compared = 0;
    for (int y = 0; y < 299; y++)
        for (int x = 0; x < 399; x++) {
            size_t i = size_t(y) * 400 + size_t(x);
            compared++;
            same += win[i] == pic[i];
        }
    EXPECT_EQ(same, compared) << "the window shows the pixmap again";
}

TEST_F(Plugin, BytesWaitForAFreeWindowSlot) {
    std::vector<uint8_t> bytes = zigzag();
    std::vector<uint32_t> reference;
    {
        Instance r(200, 150);
        r.setWindow(200, 150);
        r.play(bytes);
        reference = r.picture();
    }
    // Twelve instances take the driver's twelve window slots.
    std::vector<std::unique_ptr<Instance>> holders;
    for (int i = 0; i < 12; i++) {
        holders.push_back(std::make_unique<Instance>(40, 40));
        holders.back()->setWindow(40, 40);
        holders.back()->play(block());
    }
    resetCounts();
    int made = rec.pixmapsMade;
    Instance late(200, 150);
    late.setWindow(200, 150);
    late.newStream();
    late.write(bytes);
    EXPECT_EQ(rec.pixmapsMade, made);
    EXPECT_EQ(rec.pixmapDraws, 0) << "decoded without a window slot";
    // A slot comes free: the next block decodes every stored byte, once.
    holders[3].reset();
    late.write(std::vector<uint8_t>{0});
    late.endStream();
    EXPECT_TRUE(late.picture() == reference);
}

TEST_F(Plugin, NothingIsDecodedBeforeAUsableWindow) {
    Instance a(400, 300);
    NPPluginFuncs &pf = a.pf;
    // Hosts pass null pieces at teardown: ignored.
    EXPECT_EQ(pf.setwindow(&a.npp, nullptr), 0);
    NPWindow empty = {};
    EXPECT_EQ(pf.setwindow(&a.npp, &empty), 0);
    NPWindow noInfo = a.npwin;
    noInfo.ws_info = nullptr;
    noInfo.width = 400;
    noInfo.height = 300;
    EXPECT_EQ(pf.setwindow(&a.npp, &noInfo), 0);
    NPSetWindowCallbackStruct noDisplay = {};
    NPWindow nd = noInfo;
    nd.ws_info = &noDisplay;
    EXPECT_EQ(pf.setwindow(&a.npp, &nd), 0);
    EXPECT_EQ(pf.setwindow(nullptr, &a.npwin), 2);

    // A long MIME type is cut to its field.
    std::string longType(500, 'x');
    uint16_t stype = 0;
    ASSERT_EQ(pf.newstream(&a.npp, longType.data(), &a.stream, 0, &stype), 0);
    a.write(zigzag());
    EXPECT_EQ(rec.pixmapsMade, 0);
    EXPECT_EQ(rec.resizes, 0);
    a.setWindow(1, 1);
    EXPECT_EQ(rec.pixmapsMade, 0) << "a 1x1 window is not drawn into";
    EXPECT_EQ(rec.resizes, 0);
    EXPECT_EQ(rec.sleeps1000, 0) << "the banner waits for a window";
    a.setWindow(400, 300);
    EXPECT_EQ(rec.pixmapsMade, 1);
    EXPECT_EQ(rec.resizes, 1) << "the stored bytes decoded in one pass";
    EXPECT_EQ(rec.sleeps1000, 1);
    EXPECT_GT(lit(a.picture()), 100u);
    a.endStream();
}

TEST_F(Plugin, StreamAsFileReplacesTheBytesOnlyWhenTheFileIsRead) {
    std::vector<uint8_t> first = zigzag(), second = block();
    std::vector<uint32_t> refFirst, refSecond;
    {
        Instance r(300, 200);
        r.setWindow(300, 200);
        r.play(first);
        refFirst = r.picture();
        r.play(std::vector<uint8_t>{});
    }
    {
        Instance r(300, 200);
        r.setWindow(300, 200);
        r.play(second);
        refSecond = r.picture();
    }
    ASSERT_FALSE(refFirst == refSecond);

    Instance a(320, 200);
    a.setWindow(320, 200);
    a.newStream();
    a.write(first);
    // A missing file keeps the bytes the blocks built.
    a.pf.asfile(&a.npp, &a.stream, "/nonexistent/picture.pdi");
    a.endStream();
    a.setWindow(300, 200);
    EXPECT_TRUE(a.picture() == refFirst);

    // A file with a name longer than the record's field is still read whole,
    // and its bytes serve later redraws, not the picture already drawn.
    char dir[] = "/tmp/pluginXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/" + std::string(150, 'p') + ".pdi";
    {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char *>(second.data()), std::streamsize(second.size()));
    }
    a.newStream();
    rec.pixmapDraws = 0;
    a.pf.asfile(&a.npp, &a.stream, path.c_str());
    a.endStream();
    EXPECT_EQ(rec.pixmapDraws, 0);
    a.setWindow(320, 200);
    a.setWindow(300, 200);
    EXPECT_TRUE(a.picture() == refSecond);

    // A symbolic link is followed: the bytes are those of the file it
    // names, however long the link itself is.
    std::string target = std::string(dir) + "/first.pdi";
    std::string link = std::string(dir) + "/link.pdi";
    {
        std::ofstream f(target, std::ios::binary);
        f.write(reinterpret_cast<const char *>(first.data()), std::streamsize(first.size()));
    }
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    a.newStream();
    a.pf.asfile(&a.npp, &a.stream, link.c_str());
    a.endStream();
    a.setWindow(320, 200);
    a.setWindow(300, 200);
    EXPECT_TRUE(a.picture() == refFirst);
    unlink(link.c_str());
    unlink(target.c_str());
    unlink(path.c_str());
    rmdir(dir);
}

TEST_F(Plugin, AStreamEndingInsideADefinitionDoesNotSwallowTheNext) {
    std::vector<uint8_t> pic = block();
    std::vector<uint32_t> ref;
    {
        Instance r(300, 200);
        r.setWindow(300, 200);
        r.play(pic);
        ref = r.picture();
    }
    {
        // DEF MACRO 'A' and part of its body; the stream ends there.
        Instance a(300, 200);
        a.setWindow(300, 200);
        a.play(Bytes().raw({0x80, 0x41}).op(SET_RECT_FILLED).pair(1, 1).b);
    }
    resetCounts();
    Instance b(300, 200);
    b.setWindow(300, 200);
    b.play(pic);
    EXPECT_GT(rec.pixmapDraws, 0);
    EXPECT_TRUE(b.picture() == ref);
}

TEST_F(Plugin, DestroyFreesTheRecordAndStopsRepaints) {
    int a0 = allocs, f0 = frees;
    keepFreed = true;  // a stale handler would find the record intact
    Instance a(300, 200);
    a.setWindow(300, 200);
    a.play(block());
    EXPECT_EQ(allocs - a0, 1);
    a.destroy();  // the host's window stays
    EXPECT_EQ(frees - f0, 1);
    keepFreed = false;
    // A second instance takes the window slot the first one released.
    Instance b(300, 200);
    b.setWindow(300, 200);
    b.play(block());
    resetCounts();
    XClearArea(xhost().dpy, a.hw.win, 0, 0, 0, 0, True);
    pump();
    EXPECT_EQ(rec.copiesToWindow, 0) << "an exposure after NPP_Destroy reached the instance";
    for (void *p : kept) free(p);
    kept.clear();
}

TEST_F(Plugin, GrowsTheBufferGeometrically) {
    Instance a(300, 200);  // no window given: nothing is decoded
    a.newStream();
    std::vector<uint8_t> chunk(8192, 0x00);
    rec.countRealloc = true;
    const int blocks = 100 * 1024 * 1024 / 8192;
    for (int i = 0; i < blocks; i++)
        ASSERT_EQ(a.pf.write(&a.npp, &a.stream, i * 8192, 8192, chunk.data()), 8192);
    rec.countRealloc = false;
    EXPECT_LE(rec.reallocs, 40) << "100 MB in 8 KB blocks";
    a.endStream();
}

#if !defined(__SANITIZE_ADDRESS__)
// Address-space limits cannot be combined with AddressSanitizer's shadow.
TEST_F(Plugin, ABlockThatCannotBeStoredIsNotReportedAsConsumed) {
    Instance a(300, 200);
    a.newStream();
    const size_t big = size_t(1) << 30;
    void *huge = mmap(nullptr, big, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(huge, MAP_FAILED);
    std::vector<uint8_t> chunk(1 << 20, 0x00);
    EXPECT_EXIT(
        {
            // Room for 256 MB more than the process holds now.
            long pages = 0;
            if (FILE *f = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
                std::fclose(f);
            }
            rlimit lim;
            getrlimit(RLIMIT_AS, &lim);
            lim.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (256ul << 20);
            setrlimit(RLIMIT_AS, &lim);
            // The first block cannot be stored: an error, nothing written.
            int32_t first = a.pf.write(&a.npp, &a.stream, 0, int32_t(big), huge);
            // Later blocks are stored until the room is used up.
            int32_t small = a.pf.write(&a.npp, &a.stream, 0, 8, chunk.data());
            int32_t got = 0;
            for (int i = 0; i < 4096; i++) {
                got = a.pf.write(&a.npp, &a.stream, 0, int32_t(chunk.size()), chunk.data());
                if (got != int32_t(chunk.size())) break;
            }
            std::_Exit(first == -1 && small == 8 && got == -1 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    munmap(huge, big);
    a.endStream();
}
#endif

// The library may be unloaded after NP_Shutdown: the X error handler that
// its driver installed must not outlive it.
int hostErrorHandler(Display *, XErrorEvent *) { return 0; }

TEST_F(Plugin, ShutdownPutsBackTheHostsErrorHandler) {
    XErrorHandler before = XSetErrorHandler(hostErrorHandler);
    Instance a(100, 100);  // a host that never destroyed its instance
    a.setWindow(100, 100);
    a.play(block());
    XErrorHandler during = XSetErrorHandler(nullptr);
    XSetErrorHandler(during);
    EXPECT_NE(during, hostErrorHandler) << "the driver did not install its handler";
    EXPECT_EQ(lib().shutdown(), 0);
    EXPECT_EQ(XSetErrorHandler(before), hostErrorHandler);
}

// ---- end of stream ----

TEST_F(Plugin, BlinkStepsOnlyWhenAColourBlinks) {
    Instance a(300, 200);
    a.setWindow(300, 200);
    a.play(block());
    EXPECT_EQ(rec.sleeps100, 0);

    resetCounts();
    Bytes s = start();
    s.op(BLINK).operand(0).operand(3).operand(3).operand(0).raw({0});
    a.play(s.b);
    EXPECT_EQ(rec.sleeps100, 40);
    EXPECT_EQ(rec.sleeps1000, 1);
    EXPECT_EQ(rec.sleepsOther, 0);
}

// ---- the banner ----

struct BannerCase {
    int w, h, x0, y0;
};

class Banner : public Plugin, public ::testing::WithParamInterface<BannerCase> {};

TEST_P(Banner, LogoAndFrame) {
    BannerCase c = GetParam();
    std::vector<std::string> logo = logoRows();
    ASSERT_EQ(logo.size(), 220u);
    Instance a(c.w, c.h);
    XHost &x = xhost();
    unsigned long red = namedPixel("red");
    XSetWindowBackground(x.dpy, a.hw.win, red);
    XClearWindow(x.dpy, a.hw.win);
    a.setWindow(c.w, c.h);
    a.play(Bytes().raw({0}).b);  // draws nothing: the window keeps the banner

    // The frame, and its GC released afterwards.
    ASSERT_EQ(rec.windowRects.size(), 1u);
    const Line &f = rec.windowRects[0];
    EXPECT_EQ(f.x1, 0);
    EXPECT_EQ(f.y1, 0);
    EXPECT_EQ(f.x2, c.w - 1);
    EXPECT_EQ(f.y2, c.h - 1);
    EXPECT_TRUE(rec.freed.count(f.gc)) << "the banner's GC is not freed";

    // Every pixel of the logo: black for '#', white for '.', and a run's
    // colour one pixel past its end where the logo shows through.
    std::vector<uint32_t> win = rgb(a.hw.win, DefaultRootWindow(x.dpy), c.w, c.h);
    auto colourAt = [&](int r, int col) -> int {
        if (col >= 216) return ' ';
        return logo[size_t(r)][size_t(col)];
    };
    int checked = 0, wrong = 0;
    std::string firstWrong;
    for (int r = 0; r < 220; r++)
        for (int col = 0; col <= 216; col++) {
            int wx = c.x0 + col, wy = c.y0 + r;
            if (wx >= c.w || wy >= c.h) continue;
            int v = colourAt(r, col);
            if (v == ' ' && col > 0 && colourAt(r, col - 1) != ' ') v = colourAt(r, col - 1);
            uint32_t expect;
            if (v == '#') expect = 0x000000;
            else if (v == '.') expect = 0xFFFFFF;
            else if (wx == 0 || wy == 0 || wx == c.w - 1 || wy == c.h - 1) expect = 0xD3D3D3;
            else expect = 0xFF0000;
            uint32_t got = win[size_t(wy) * size_t(c.w) + size_t(wx)];
            checked++;
            if (got != expect && wrong++ == 0)
                firstWrong = "row " + std::to_string(r) + " column " + std::to_string(col);
        }
    EXPECT_GT(checked, 0);
    EXPECT_EQ(wrong, 0) << "first at " << firstWrong;

    // One row's lines: each run from its start to the column that closed
    // it, inclusive, in window coordinates.
    int row = 130;
    std::vector<Line> got;
    for (const Line &l : rec.windowLines)
        if (l.y1 == c.y0 + row && l.y2 == c.y0 + row && l.gc == f.gc) got.push_back(l);
    std::vector<std::pair<int, int>> runs;
    for (int col = 0; col < 216;) {
        int v = colourAt(row, col);
        if (v == ' ') {
            col++;
            continue;
        }
        int end = col;
        while (end < 216 && colourAt(row, end) == v) end++;
        runs.push_back({col, end});
        col = end;
    }
    ASSERT_EQ(got.size(), runs.size());
    for (size_t i = 0; i < runs.size(); i++) {
        EXPECT_EQ(got[i].x1, c.x0 + runs[i].first);
        EXPECT_EQ(got[i].x2, c.x0 + runs[i].second);
    }
    EXPECT_EQ(rec.sleeps1000, 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Banner,
                         ::testing::Values(BannerCase{400, 300, 92, 40}, BannerCase{216, 220, 0, 0},
                                           BannerCase{100, 100, 0, 0}),
                         [](const auto &i) {
                             return std::to_string(i.param.w) + "x" + std::to_string(i.param.h);
                         });

// ---- the host program, with the product's real sleeps ----

// The top-level window whose name starts with prefix, or 0.
Window findTopLevel(Display *d, const std::string &prefix) {
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    Window found = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n)) return 0;
    for (unsigned i = 0; i < n && !found; i++) {
        char *name = nullptr;
        if (XFetchName(d, kids[i], &name) && name) {
            if (std::string(name).rfind(prefix, 0) == 0) found = kids[i];
            XFree(name);
        }
    }
    if (kids) XFree(kids);
    return found;
}

bool exitedWith(pid_t pid, int code, int seconds) {
    for (int i = 0; i < seconds * 20; i++) {
        int st;
        if (waitpid(pid, &st, WNOHANG) == pid) return WIFEXITED(st) && WEXITSTATUS(st) == code;
        usleep(50000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return false;
}

// pdiview as a person runs it: the demo into a PNG; the demo in a window
// that a window manager resizes and closes; clear failures without a file,
// a plug-in or a display.
TEST(Pdiview, EndToEnd) {
    std::string display = naplps::xtest::xvfbDisplay(8);
    if (display.empty()) GTEST_SKIP() << "no Xvfb";
    std::string out = testing::TempDir() + "pdiview_demo_" + std::to_string(getpid()) + ".png";
    unlink(out.c_str());
    std::string cmd = "DISPLAY=" + display + " " + PDIVIEW_PATH + " --plugin " + NPNAP_PATH +
                      " --size 256x200 --block 7 --png " + out + " " + DEMO_PDI + " >/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream png(out, std::ios::binary);
    char sig[8] = {};
    png.read(sig, 8);
    EXPECT_EQ(std::string(sig + 1, 3), "PNG");
    unlink(out.c_str());

    // Window mode: the test acts as the window manager.
    Display *d = XOpenDisplay(display.c_str());
    ASSERT_NE(d, nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        execl(PDIVIEW_PATH, "pdiview", "--plugin", NPNAP_PATH, "--size", "256x200", DEMO_PDI,
              (char *)nullptr);
        _exit(127);
    }
    Window shell = 0;
    for (int i = 0; i < 200 && !shell; i++) {
        shell = findTopLevel(d, std::string("pdiview: ") + DEMO_PDI);
        if (!shell) usleep(50000);
    }
    ASSERT_NE(shell, 0u) << "no pdiview window";
    XResizeWindow(d, shell, 256, 250);
    XSync(d, False);
    // The picture's bottom row moves down with the window's; the colour
    // bars along it show at the new bottom once the picture is decoded again.
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    ASSERT_TRUE(XQueryTree(d, shell, &root, &parent, &kids, &n));
    ASSERT_EQ(n, 1u);
    Window picture = kids[0];
    XFree(kids);
    bool moved = false;
    for (int i = 0; i < 300 && !moved; i++) {
        XWindowAttributes a;
        XGetWindowAttributes(d, picture, &a);
        if (a.height == 250) {
            XImage *im = XGetImage(d, picture, 40, 246, 1, 1, AllPlanes, ZPixmap);
            if (im) {
                XColor c;
                c.pixel = XGetPixel(im, 0, 0);
                XQueryColor(d, a.colormap, &c);
                moved = c.red != 0 && c.red == c.green && c.green == c.blue;  // a grey bar
                XDestroyImage(im);
            }
        }
        if (!moved) usleep(50000);
    }
    EXPECT_TRUE(moved) << "the resized window does not show the picture decoded again";
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = shell;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, shell, False, NoEventMask, &ev);
    XSync(d, False);
    EXPECT_TRUE(exitedWith(pid, 0, 20)) << "pdiview did not end when its window was closed";
    XCloseDisplay(d);

    std::string bad = std::string(PDIVIEW_PATH) + " /nonexistent.pdi 2>/dev/null";
    int st = std::system(bad.c_str());
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 1);
    std::string noPlugin = "DISPLAY=" + display + " " + PDIVIEW_PATH +
                           " --plugin /nonexistent.so " + DEMO_PDI + " 2>/dev/null";
    st = std::system(noPlugin.c_str());
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 1);
    std::string noDisplay = "env -u DISPLAY " + std::string(PDIVIEW_PATH) + " --plugin " +
                            NPNAP_PATH + " " + DEMO_PDI + " 2>/dev/null";
    st = std::system(noDisplay.c_str());
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 1);
    st = std::system((std::string(PDIVIEW_PATH) + " --size 3 2>/dev/null").c_str());
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 2);
}

}  // namespace

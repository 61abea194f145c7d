// The plug-in layer linked in directly and driven through its entries, in
// Xt windows on the private 8-bit Xvfb: start-up, stream feeding, redraws,
// exposures, StreamAsFile, teardown and the banner. The product's sleeps are
// counted through the driver's sleep seam; pictures are compared as grids of
// the slot's colour cells.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "interp/blink.h"
#include "nxg/nxg.h"
#include "nxg/nxg_x.h"
#include "plugin/npnap.h"
#include "tests/test_truecolor_rgb.h"
#include "tests/x11_fixture.h"

using namespace naplps;
using xtest::Grid;
using Bytes = std::vector<uint8_t>;

namespace {

// The browser's clock: timers the plug-in asks for wait in a queue and fire
// when the test lets time pass; `sleeps` records the interval of each fired.
std::vector<int> sleeps;
struct FakeTimer {
    XtIntervalId id;
    unsigned long ms;
    XtTimerCallbackProc proc;
    XtPointer data;
};
std::vector<FakeTimer> timers;
XtIntervalId nextTimer = 1;
XtIntervalId addTimer(XtAppContext, unsigned long ms, XtTimerCallbackProc proc, XtPointer data) {
    timers.push_back({nextTimer, ms, proc, data});
    return nextTimer++;
}
void removeTimer(XtIntervalId id) {
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [id](const FakeTimer &t) { return t.id == id; }),
                 timers.end());
}
// Fires timers in the order they were set, at most `n` of them.
void passTime(int n = 100000) {
    for (; n > 0 && !timers.empty(); n--) {
        FakeTimer t = timers.front();
        timers.erase(timers.begin());
        sleeps.push_back(int(t.ms));
        t.proc(t.data, &t.id);
    }
}
int frees = 0;
bool keepFreed = false;  // the host's MemFree leaves the memory as it was
std::vector<void *> kept;
void *hostAlloc(uint32_t n) { return std::malloc(n); }
void hostFree(void *p) {
    frees++;
    keepFreed ? kept.push_back(p) : std::free(p);
}
NPError marker(NPMIMEType, NPP, uint16_t, int16_t, char **, char **, NPSavedData *) { return 1; }

// NP_Initialize with tables of these sizes; the plug-in's table, its newp
// set to the marker beforehand, comes back in *out.
NPError start(int hostSize, int version, int plugSize, NPPluginFuncs *out = nullptr,
              bool services = true) {
    NPNetscapeFuncs ns = {};
    ns.size = uint16_t(hostSize);
    ns.version = uint16_t(version);
    ns.memalloc = services ? hostAlloc : nullptr;
    ns.memfree = services ? hostFree : nullptr;
    NPPluginFuncs pf = {};
    pf.size = uint16_t(plugSize);
    pf.newp = marker;
    NPError e = NP_Initialize(&ns, &pf);
    if (out) *out = pf;
    return e;
}

// RESET of domain, colour map and blink table; colour 192 (yellow).
#define START 0xA0, 0xC3, 0xC2, 0xBE, 0xF0
// WAIT of 2 ticks (one sleep of a tick each time it is decoded), POINT SET
// ABS (40, 40), then LINE REL (30, 0) (0, 30) (-20, 10), LINE REL (50, 5)
// (10, 40) and LINE REL (-60, 0) (5, -50), in 1/256 of the unit screen: 38
// bytes, any of which decoded twice draws somewhere else or sleeps again.
const Bytes kZigzag = {START, 0xBD, 0xDC, 0xC2, 0xA4, 0xC0, 0xED, 0xC0, 0xA9, 0xC0, 0xD8, 0xF0,
                       0xC0,  0xC3, 0xC6, 0xF8, 0xE9, 0xE2, 0xA9, 0xC0, 0xF0, 0xD5, 0xC0, 0xCD,
                       0xD0,  0xA9, 0xF8, 0xC0, 0xE0, 0xC7, 0xC1, 0xEE, 0x00, 0x00};
// SET RECT FILLED at (20, 20), size (60, 40).
const Bytes kBlock = {START, 0xB3, 0xC0, 0xD2, 0xE4, 0xC0, 0xFD, 0xE0, 0x00};
size_t lit(const Grid &g) {  // pixels not of colour 0
    std::string all;
    for (const std::string &row : g) all += row;
    return all.size() - size_t(std::count(all.begin(), all.end(), '0'));
}

// One instance in its own window, as a browser embeds it; the window is
// given to the plug-in at once unless `give` is false. Windows alive
// together stand in two columns, wholly on the screen, so they can be read.
int live = 0;
struct Inst {
    xtest::TestWindow w;
    NPP_t npp = {};
    NPSetWindowCallbackStruct ws = {};
    NPWindow win = {};
    NPStream s = {};
    Inst(int width, int height, bool give = true) : w(width, height) {
        EXPECT_EQ(NPP_New(nullptr, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr), 0);
        ws.display = w.dpy;
        win.window = reinterpret_cast<void *>(uintptr_t(w.win));
        win.ws_info = &ws;
        XMoveWindow(w.dpy, XtWindow(w.shell), 512 * (live++ % 2), 0);
        if (give) setWindow(width, height);
    }
    ~Inst() { NPP_Destroy(&npp, nullptr), live--; }
    PluginInstance *pi() const { return static_cast<PluginInstance *>(npp.pdata); }
    void pump() {
        XSync(w.dpy, False);
        while (XtAppPending(w.app)) XtAppProcessEvent(w.app, XtIMAll);
    }
    void setWindow(int width, int height) {
        if (width != w.width || height != w.height) w.resize(width, height);
        win.width = uint32_t(width);
        win.height = uint32_t(height);
        EXPECT_EQ(NPP_SetWindow(&npp, &win), 0);
        passTime();
        pump();
    }
    void open(const char *type = "image/naplps") {
        uint16_t stype = 0;
        EXPECT_EQ(NPP_NewStream(&npp, const_cast<char *>(type), &s, 0, &stype), 0);
        EXPECT_EQ(stype, NP_ASFILE) << "the file copy not asked for";
    }
    void write(Bytes b) {  // a block, and the time until the next one
        EXPECT_EQ(NPP_Write(&npp, &s, 0, int32_t(b.size()), b.data()), int32_t(b.size()));
        passTime();
    }
    void end() {
        EXPECT_EQ(NPP_DestroyStream(&npp, &s, NPRES_DONE), 0);
        passTime();
        pump();
    }
    void play(const Bytes &b) {
        open();
        write(b);
        end();
    }
    Grid picture(bool window = false) {  // the pixmap, or the window, of the instance's slot
        w.id = pi()->pdi_win_id;
        Grid g = window ? w.windowGrid() : w.pixmapGrid();
        w.id = -1;
        return g;
    }
    void expose(unsigned long spoil) {  // paints the window one pixel value, then exposes it
        XSetWindowBackground(w.dpy, w.win, spoil);
        XClearArea(w.dpy, w.win, 0, 0, 0, 0, False);
        XClearArea(w.dpy, w.win, 0, 0, 0, 0, True);
        pump();
    }
};

Grid drawn(int w, int h, const Bytes &b) {
    Inst r(w, h);
    r.play(b);
    return r.picture();
}

TEST(PluginEntries, StartUpAndIdentity) {
    const int H = sizeof(NPNetscapeFuncs), P = sizeof(NPPluginFuncs);
    NPPluginFuncs pf;
    ASSERT_EQ(start(H, 0x000B, P, &pf), 0);
    EXPECT_EQ(pf.version, 9);
    EXPECT_EQ(pf.size, P);
    EXPECT_TRUE(pf.newp != marker && pf.destroy && pf.setwindow && pf.newstream &&
                pf.destroystream && pf.asfile && pf.writeready && pf.write && pf.print &&
                !pf.event && !pf.javaClass);
    // Refused start-ups (a size check wins over the version; the 32-bit
    // interface's sizes are too small for a 64-bit build's tables): the
    // plug-in's table is not filled, the host's table saved before stays.
    const int wide = sizeof(void *) == 4 ? 0 : 3;
    struct {
        int hostSize, version, plugSize, result;
    } cases[] = {{H, 0x0100, P, 8}, {64, 9, P, 3},    {H, 9, 48, 3},    {64, 0x0100, P, 3},
                 {72, 9, P, wide},  {H, 9, 52, wide}, {H - 1, 9, P, 3}, {H, 9, P - 1, 3}};
    for (auto &c : cases) {
        EXPECT_EQ(start(c.hostSize, c.version, c.plugSize, &pf), c.result) << c.hostSize;
        EXPECT_TRUE(!c.result || pf.newp == marker) << "filled on an error";
    }
    EXPECT_EQ(NP_Initialize(nullptr, &pf), 3);
    NPNetscapeFuncs ns = {};
    EXPECT_EQ(NP_Initialize(&ns, nullptr), 3);
    int v[4] = {-1, -1, -1, -1};
    NPN_Version(&v[0], &v[1], &v[2], &v[3]);
    EXPECT_EQ(std::vector<int>(v, v + 4), (std::vector<int>{0, 9, 0, 11}));
    NPN_Version(nullptr, nullptr, nullptr, nullptr);  // no place to store: nothing stored
    // A host table without entries: its services answer as failures.
    ASSERT_EQ(start(H, 9, P, &pf, false), 0);
    EXPECT_EQ(NPN_MemAlloc(16), nullptr);
    NPP_t npp = {};
    EXPECT_EQ(NPP_New(nullptr, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr), 5);
    EXPECT_EQ(NPN_GetURL(&npp, "x", nullptr), 1);
    EXPECT_EQ(NPN_UserAgent(&npp), nullptr);

    // A value the plug-in does not have: an error, nothing stored.
    const char *untouched = "untouched", *s = untouched;
    EXPECT_EQ(NP_GetValue(nullptr, NPPVpluginWindowBool, &s), 1);
    EXPECT_EQ(s, untouched);
    EXPECT_EQ(NP_GetValue(nullptr, NPPVpluginNameString, nullptr), 1);
}

struct PluginWindow : ::testing::Test {
    void SetUp() override {
        NAPLPS_NEED_XVFB(8);
        xtest::resetState();
        plg = Plugin{};
        plg.add_timeout = addTimer, plg.remove_timeout = removeTimer, timers.clear();
        nxg.sleep_ms = [](int) { ADD_FAILURE() << "the plug-in slept"; };
        ASSERT_EQ(start(sizeof(NPNetscapeFuncs), 9, sizeof(NPPluginFuncs)), 0);
    }
};

// Blocks decode each byte once; a new size decodes everything again,
// without the banner; the same size and an exposure decode nothing, and
// the exposure repaints the window from the pixmap.
TEST_F(PluginWindow, BlocksNewSizesAndExposures) {
    Grid whole = drawn(400, 300, kZigzag), wider = drawn(500, 300, kZigzag);
    ASSERT_GT(lit(whole), 100u);
    Inst a(400, 300);
    sleeps.clear();
    a.open();
    size_t at = 0;
    for (size_t n : {10, 20, 8}) {
        a.write(Bytes(kZigzag.begin() + long(at), kZigzag.begin() + long(at + n)));
        EXPECT_EQ(a.pi()->fPdiOffset, int32_t(at += n)) << "a block not decoded as it came";
    }
    a.end();
    EXPECT_TRUE(a.picture() == whole) << "the picture differs from the one decoded whole";
    EXPECT_EQ(sleeps, (std::vector<int>{BANNER_PAUSE_MS, BLINK_TICK_MS})) << "one banner, one WAIT";
    a.setWindow(500,
                300);  // decodes everything again without the banner; the WAIT shown passes at once
    EXPECT_EQ(sleeps, (std::vector<int>{BANNER_PAUSE_MS, BLINK_TICK_MS})) << "redraw";
    EXPECT_TRUE(a.picture() == wider);
    const NxgXSlot &slot = nxgx.slot[a.pi()->pdi_win_id];
    GC gc = XCreateGC(a.w.dpy, slot.pm, 0, nullptr);
    XSetForeground(a.w.dpy, gc, slot.pix_tbl[5]);
    XFillRectangle(a.w.dpy, slot.pm, gc, 0, 0, 500, 300);  // spoils the pixmap
    XFreeGC(a.w.dpy, gc);
    a.setWindow(500, 300);
    EXPECT_TRUE(a.picture() == xtest::blank(500, 300, '5')) << "the same size decoded";
    a.expose(slot.pix_tbl[9]);
    EXPECT_TRUE(a.picture(true) == xtest::blank(500, 300, '5')) << "not repainted from the pixmap";
}

// Bytes are stored until there is a window of at least 2 x 2 and a free
// window slot; the offset moves only over bytes decoded.
TEST_F(PluginWindow, BytesWaitForAUsableWindowAndASlot) {
    Grid ref = drawn(400, 300, kZigzag);
    sleeps.clear();
    Inst a(400, 300, false);
    // Hosts pass null pieces at teardown: ignored.
    NPSetWindowCallbackStruct nd = {};
    NPWindow empty = {}, noInfo = a.win, noDisplay = a.win;
    noInfo.ws_info = nullptr;
    noDisplay.ws_info = &nd;
    for (NPWindow *w : {static_cast<NPWindow *>(nullptr), &empty, &noInfo, &noDisplay})
        EXPECT_EQ(NPP_SetWindow(&a.npp, w), 0);
    EXPECT_EQ(NPP_SetWindow(nullptr, &a.win), 2);
    a.open(std::string(500, 'x').c_str());
    EXPECT_EQ(std::strlen(a.pi()->mime_type), size_t(MIME_TYPE_SIZE - 1)) << "not cut to its field";
    a.write(kZigzag);
    a.setWindow(1, 1);
    EXPECT_EQ(a.pi()->fPdiOffset, 0) << "a 1x1 window is drawn into";
    EXPECT_TRUE(sleeps.empty()) << "the banner did not wait for a window";
    xtest::TestWindow holder(40, 40);
    std::vector<int> ids(NXG_WIN_MAX, -1);
    for (int &id : ids) ASSERT_EQ(pdi_win_open(&id, 0, holder.core, holder.dpy, 40, 40), 0);
    a.setWindow(400, 300);
    EXPECT_EQ(a.pi()->fPdiOffset, 0) << "bytes counted as decoded without a window slot";
    pdi_win_close(ids[3]);  // a slot comes free: the next block decodes every byte, once
    a.write({0});
    a.end();
    EXPECT_EQ(a.pi()->fPdiOffset, 39);
    EXPECT_TRUE(a.picture() == ref);
    for (int id : ids)
        if (id != ids[3]) pdi_win_close(id);
}

TEST_F(PluginWindow, StreamAsFileReplacesTheBytesOnlyWhenTheFileIsRead) {
    Grid first = drawn(300, 200, kZigzag), second = drawn(300, 200, kBlock);
    ASSERT_FALSE(first == second);
    Inst a(320, 200);
    a.open();
    a.write(kZigzag);
    NPP_StreamAsFile(&a.npp, &a.s, "/nonexistent/picture.pdi");
    a.end();
    a.setWindow(300, 200);
    EXPECT_TRUE(a.picture() == first) << "a missing file lost the blocks' bytes";
    // A link whose name is longer than the record's field is read by its
    // full name; the bytes serve later redraws, not the picture drawn.
    char dir[] = "/tmp/pluginXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string target = std::string(dir) + "/block.pdi";
    std::string link = std::string(dir) + "/" + std::string(150, 'p') + ".pdi";
    std::ofstream(target, std::ios::binary)
        .write(reinterpret_cast<const char *>(kBlock.data()), std::streamsize(kBlock.size()));
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    a.open();
    NPP_StreamAsFile(&a.npp, &a.s, link.c_str());
    a.end();
    EXPECT_TRUE(a.picture() == first);
    a.setWindow(320, 200);
    a.setWindow(300, 200);
    EXPECT_TRUE(a.picture() == second);
    for (const std::string &f : {link, target, std::string(dir)}) remove(f.c_str());
}

TEST_F(PluginWindow, AStreamEndingInsideADefinitionDoesNotSwallowTheNext) {
    Grid ref = drawn(300, 200, kBlock);
    ASSERT_GT(lit(ref), 1000u);
    drawn(300, 200, {0x80, 0x41, 0xB3, 0xC0, 0xC0, 0xC9});  // DEF MACRO 'A', part of its body
    EXPECT_TRUE(drawn(300, 200, kBlock) == ref);
}

// The last instruction of a stream is drawn when the stream ends, once: a
// redraw of the finished stream draws it too, and a second stream into the
// instance goes on after it.
TEST_F(PluginWindow, TheLastInstructionOfAStreamIsDrawnOnce) {
    const Grid block = drawn(300, 200, kBlock);
    const Bytes open(kBlock.begin(), kBlock.end() - 1);  // no byte after the rectangle
    Inst a(300, 200);
    a.play(open);
    EXPECT_TRUE(a.picture() == block);
    Inst late(300, 200, false);  // the window comes after the stream's end
    late.play(open);
    late.setWindow(300, 200);
    EXPECT_TRUE(late.picture() == block) << "not drawn by the decoding of the finished stream";
    // RESET with its text group, yellow, APS to row 1, column 1, then text.
    const Bytes text = {0xA0, 0xC3, 0xC3, 0xBE, 0xF0, 0x1C, 0x41, 0x41, 'A', 'B'};
    Bytes whole = text;
    whole.insert(whole.end(), {'C', 0x00});
    const Grid abc = drawn(300, 200, whole);
    Inst b(300, 200);
    b.play(text);
    EXPECT_GT(lit(b.picture()), 50u) << "the stream's last text not drawn";
    b.play({'C', 0x00});
    EXPECT_TRUE(b.picture() == abc) << "the text drawn again, or C elsewhere";
}

TEST_F(PluginWindow, BufferGrowsGeometricallyAndABlockThatCannotBeStoredIsRefused) {
    Inst a(300, 200, false);  // no window given: nothing is decoded
    a.open();
    Bytes chunk(8192, 0x00);
    int grown = 0;
    for (int i = 0; i < 100 * 1024 * 1024 / 8192; i++) {
        size_t before = a.pi()->fPdiCapacity;
        ASSERT_EQ(NPP_Write(&a.npp, &a.s, i * 8192, 8192, chunk.data()), 8192);
        grown += a.pi()->fPdiCapacity != before;
    }
    EXPECT_LE(grown, 40) << "100 MB in 8 KB blocks";
    // Past 2 GB a block cannot be stored: an error, not bytes consumed.
    EXPECT_EQ(NPP_Write(&a.npp, &a.s, 0, INT32_MAX, chunk.data()), -1);
    EXPECT_EQ(a.pi()->fPdiLength, 100 * 1024 * 1024);
    a.end();
}

// NPP_Destroy gives the record back and no exposure reaches it later.
// NP_Shutdown, with an instance left open, puts back the host's X error
// handler: the library may be unloaded next.
int hostErrorHandler(Display *, XErrorEvent *) { return 0; }

TEST_F(PluginWindow, Teardown) {
    XErrorHandler before = XSetErrorHandler(hostErrorHandler);
    keepFreed = true;  // a stale handler would find the record intact
    Inst a(300, 200);
    a.play(kBlock);
    int f0 = frees;
    EXPECT_EQ(NPP_Destroy(&a.npp, nullptr), 0);  // the host's window stays
    EXPECT_TRUE(a.npp.pdata == nullptr && frees == f0 + 1);
    EXPECT_EQ(NPP_Destroy(nullptr, nullptr), 2);
    keepFreed = false;
    Inst b(300, 200);  // takes the window slot the first one released
    b.play(kBlock);
    // Both windows painted one colour; a stale handler of the first would
    // repaint the slot's window, the second's, from its pixmap.
    XSetWindowBackground(b.w.dpy, b.w.win, BlackPixel(b.w.dpy, 0));
    XClearArea(b.w.dpy, b.w.win, 0, 0, 0, 0, False);
    a.expose(BlackPixel(a.w.dpy, 0));
    std::set<unsigned long> shown;
    for (const Inst *i : {&a, &b})
        for (auto &row : i->w.pixels(i->w.win)) shown.insert(row.begin(), row.end());
    EXPECT_EQ(shown.size(), 1u) << "an exposure after NPP_Destroy reached the instance";
    for (void *p : kept) std::free(p);
    kept.clear();
    XErrorHandler during = XSetErrorHandler(nullptr);
    XSetErrorHandler(during);
    EXPECT_NE(during, hostErrorHandler) << "the driver did not install its handler";
    EXPECT_EQ(NP_Shutdown(), 0);
    EXPECT_EQ(XSetErrorHandler(before), hostErrorHandler);
}

// The banner: a light grey frame on the window's edge and the logo of
// plugin/logo.txt at its origin (centred, never negative), black for '#',
// white for '.', a run's colour also one pixel past its end (the lines
// include their end point); the window's background elsewhere, for the banner's moment; then
// the picture. A pause once a stream, and 40 blink steps when a colour blinks.
TEST_F(PluginWindow, BannerAndTheSleeps) {
    std::string src = __FILE__;
    std::ifstream in(src.substr(0, src.rfind('/')) + "/../plugin/logo.txt");
    std::vector<std::string> logo;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("//", 0) != 0) logo.push_back(line + std::string(LOGO_WID, ' '));
    ASSERT_EQ(logo.size(), size_t(LOGO_HGT));
    struct {
        uint32_t w, h;
        int x0, y0;
    } cases[] = {{400, 300, 92, 40}, {216, 220, 0, 0}, {100, 100, 0, 0},
                 {217, 221, 0, 0},   {218, 222, 1, 1}, {0xFFFFFFFFu, 0x80000000u, 32767, 32767}};
    for (auto &c : cases) {
        int x0 = -1, y0 = -1, w = int(c.w), h = int(c.h), wrong = 0;
        bannerOrigin(c.w, c.h, &x0, &y0);
        EXPECT_TRUE(x0 == c.x0 && y0 == c.y0) << c.w << "x" << c.h << ": " << x0 << "," << y0;
        if (c.w > 400) continue;
        Inst a(w, h);
        XColor red, exact, cells[256];
        Colormap cmap = DefaultColormap(a.w.dpy, 0);
        ASSERT_TRUE(XAllocNamedColor(a.w.dpy, cmap, "red", &red, &exact));
        a.expose(red.pixel);
        sleeps.clear();
        a.open();  // the first block shows the banner for its moment
        uint8_t nul = 0;
        EXPECT_EQ(NPP_Write(&a.npp, &a.s, 0, 1, &nul), 1);
        XSync(a.w.dpy, False);
        EXPECT_TRUE(timers.size() == 1 && timers[0].ms == BANNER_PAUSE_MS);
        for (int i = 0; i < 256; i++) cells[i].pixel = unsigned(i);
        XQueryColors(a.w.dpy, cmap, cells, 256);
        auto px = a.w.pixels(a.w.win);
        auto logoAt = [&](int x, int y) {  // the logo's character at window (x, y)
            bool in = y >= y0 && y < y0 + LOGO_HGT && x >= x0 && x < x0 + LOGO_WID;
            return in ? logo[size_t(y - y0)][size_t(x - x0)] : ' ';
        };
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                char v = logoAt(x, y) != ' ' ? logoAt(x, y) : logoAt(x - 1, y);
                bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
                int expect = v == '#' ? 0 : v == '.' ? 0xFFFFFF : edge ? 0xD3D3D3 : 0xFF0000;
                const XColor &g = cells[px[size_t(y)][size_t(x)] & 0xFF];
                wrong += (g.red >> 8 << 16 | g.green >> 8 << 8 | g.blue >> 8) != expect;
            }
        EXPECT_EQ(wrong, 0) << c.w << "x" << c.h;
        a.end();  // the moment over, the window shows the picture
        EXPECT_TRUE(a.picture(true) == a.picture()) << "the banner stayed in the window";
    }
    Inst b(100, 100);
    sleeps.clear();
    b.play({0xBE, 0xF0, 0xBF, 0xC0, 0xC3, 0xC3, 0xC0, 0x00});  // BLINK colour 192 to 0, 3 on, 3 off
    std::vector<int> want(1 + BLINK_STEPS, BLINK_TICK_MS);
    want[0] = BANNER_PAUSE_MS;
    EXPECT_EQ(sleeps, want);
}

// A WAIT pauses decoding, not the browser: during the pause an exposure
// repaints the window and a new size draws the picture again; closing the
// page during a pause leaves no timer behind.
TEST_F(PluginWindow, APauseHoldsNothingUp) {
    Grid wider = drawn(500, 300, kZigzag);
    Inst a(400, 300);
    a.open();
    ASSERT_EQ(
        NPP_Write(&a.npp, &a.s, 0, int32_t(kZigzag.size()), const_cast<uint8_t *>(kZigzag.data())),
        int32_t(kZigzag.size()));
    passTime(1);  // the banner's moment: decoding runs into the WAIT
    ASSERT_TRUE(a.pi()->paused && timers.size() == 1 &&
                a.pi()->fPdiOffset < int32_t(kZigzag.size()));
    a.expose(BlackPixel(a.w.dpy, 0));
    EXPECT_TRUE(a.picture(true) == a.picture()) << "no repaint during the pause";
    a.setWindow(500, 300);
    EXPECT_TRUE(a.picture() == wider) << "no redraw during the pause";
    a.end();
    Inst b(300, 200);
    b.open();
    NPP_Write(&b.npp, &b.s, 0, int32_t(kZigzag.size()), const_cast<uint8_t *>(kZigzag.data()));
    passTime(1);
    ASSERT_TRUE(b.pi()->paused && timers.size() == 1);
    NPP_Destroy(&b.npp, nullptr);
    EXPECT_TRUE(timers.empty()) << "a timer outlived its instance";
    b.npp.pdata = nullptr;
}

// Two pictures on one page: the second one's new window shows its own
// colour map, not the one the first picture left behind.
TEST_F(PluginWindow, APictureNeverShowsAnotherOnesColours) {
    const Bytes noReset = {0xBE, 0xF0, 0xB3, 0xC0, 0xD2,
                           0xE4, 0xC0, 0xFD, 0xE0, 0x00};  // colour 192
    auto rgbOf = [](Inst &i) {
        const NxgXSlot *x = &nxgx.slot[i.pi()->pdi_win_id];
        return tcrgb::drawableRgbOf(i.w.dpy, x->pm, x->cms, 300, 200);
    };
    tcrgb::Rgb alone;
    {
        Inst r(300, 200);
        r.play(noReset);
        alone = rgbOf(r);
    }
    Inst a(300, 200);
    a.play({START, 0xBC, 0xC0, 0xC0, 0xC0, 0x00});  // colour 192 made black
    Inst b(300, 200);
    b.play(noReset);
    EXPECT_EQ(tcrgb::differing(rgbOf(b), alone), 0u);
}

}  // namespace

// The plug-in on a 24-bit TrueColor window, linked in directly: everything
// it does (banner, streams in blocks, the end-of-stream blink steps, a new
// window size, exposures, teardown) reaches the X error handler not once,
// and the backing pixmap holds the picture in its true colours.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "interp/state.h"
#include "nxg/nxg.h"
#include "plugin/npnap.h"
#include "tests/test_truecolor_rgb.h"
#include "tests/x11_fixture.h"

using namespace naplps;

namespace {

void noSleep(int) {}
void *hostAlloc(uint32_t n) { return std::malloc(n); }
void hostFree(void *p) { std::free(p); }

// Lines in the X error log: one per call of the handler.
int logLines(const std::string &path) {
    std::ifstream in(path);
    int n = 0;
    std::string line;
    while (std::getline(in, line)) n++;
    return n;
}

TEST(TrueColorPlugin, NothingThePluginDoesRaisesAnXError) {
    if (xtest::xvfbDisplay(24).empty()) GTEST_SKIP() << "no 24-bit Xvfb";
    xtest::TestWindow w(320, 240, 24);
    ASSERT_TRUE(w.ok());
    xtest::resetState();
    plg = Plugin{};
    nxg.sleep_ms = noSleep;
    const std::string log =
        ::testing::TempDir() + "truecolor_xerrors_" + std::to_string(getpid()) + ".log";
    std::remove(log.c_str());
    nxg.NXG_log_path = log.c_str();

    NPNetscapeFuncs ns = {};
    ns.size = uint16_t(sizeof ns);
    ns.version = 0x0009;
    ns.memalloc = hostAlloc;
    ns.memfree = hostFree;
    NPPluginFuncs pf = {};
    pf.size = uint16_t(sizeof pf);
    ASSERT_EQ(NP_Initialize(&ns, &pf), 0);
    NPP_t npp = {};
    ASSERT_EQ(NPP_New(nullptr, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr), 0);
    NPSetWindowCallbackStruct ws = {};
    ws.display = w.dpy;
    NPWindow win = {};
    win.window = reinterpret_cast<void *>(uintptr_t(w.win));
    win.width = 320;
    win.height = 240;
    win.ws_info = &ws;
    ASSERT_EQ(NPP_SetWindow(&npp, &win), 0);

    std::ifstream in(DEMO_PDI, std::ios::binary);
    std::vector<uint8_t> demo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(demo.empty());
    auto play = [&](const std::vector<uint8_t> &bytes, size_t block) {
        NPStream s = {};
        uint16_t stype = 0;
        ASSERT_EQ(NPP_NewStream(&npp, nullptr, &s, 0, &stype), 0);
        for (size_t at = 0; at < bytes.size(); at += block) {
            int32_t n = int32_t(std::min(block, bytes.size() - at));
            EXPECT_EQ(NPP_Write(&npp, &s, int32_t(at), n, const_cast<uint8_t *>(bytes.data() + at)), n);
        }
        EXPECT_EQ(NPP_DestroyStream(&npp, &s, NPRES_DONE), 0);
    };
    play(demo, 97);
    // A colour that blinks: the 40 steps at the stream's end repaint it.
    play({0xBE, 0xF0, 0xBF, 0xC0, 0xC3, 0xC3, 0xC0, 0x00}, 3);

    auto *inst = static_cast<PluginInstance *>(npp.pdata);
    ASSERT_NE(inst, nullptr);
    int id = inst->pdi_win_id;
    ASSERT_GE(id, 0);
    EXPECT_EQ(nxg.NXG_win_tbl[id].ro_visual, 1);
    const _NXG_window_info &slot = nxg.NXG_win_tbl[id];
    tcrgb::Rgb pm = tcrgb::drawableRgbOf(w.dpy, slot.pm, slot.cms, 320, 240), pic = tcrgb::pictureRgb(id, 320, 240);
    ASSERT_FALSE(pm.empty());
    EXPECT_EQ(tcrgb::differing(pm, pic), 0u);
    // Every pixel shows one of the sixteen visible colours of the picture's
    // colour map, and the demo uses many of them.
    std::set<int> shown;
    for (size_t i = 0; i < pm.size(); i += 3) {
        int k = 0;
        while (k < 16 && !(ip.MapValueR[16 * k] == pm[i] && ip.MapValueG[16 * k] == pm[i + 1] &&
                           ip.MapValueB[16 * k] == pm[i + 2]))
            k++;
        ASSERT_LT(k, 16) << "pixel " << i / 3 << " shows no colour of the map";
        shown.insert(k);
    }
    EXPECT_GE(shown.size(), 8u);

    // A new size decodes the picture again; an exposure repaints the
    // window from the pixmap.
    w.resize(256, 200);
    win.width = 256;
    win.height = 200;
    ASSERT_EQ(NPP_SetWindow(&npp, &win), 0);
    XClearArea(w.dpy, w.win, 0, 0, 0, 0, True);
    XSync(w.dpy, False);
    while (XtAppPending(w.app)) XtAppProcessEvent(w.app, XtIMAll);
    pm = tcrgb::drawableRgbOf(w.dpy, slot.pm, slot.cms, 256, 200);
    EXPECT_EQ(tcrgb::differing(pm, tcrgb::drawableRgbOf(w.dpy, w.win, slot.cms, 256, 200)), 0u);
    EXPECT_EQ(tcrgb::differing(pm, tcrgb::pictureRgb(id, 256, 200)), 0u);

    EXPECT_EQ(NPP_Destroy(&npp, nullptr), 0);
    NP_Shutdown();
    XSync(w.dpy, False);
    EXPECT_EQ(logLines(log), 0) << "X errors were logged";
    EXPECT_EQ(nxg.NXG_win_err, 0);
    std::remove(log.c_str());
    xtest::resetState();
}

}  // namespace

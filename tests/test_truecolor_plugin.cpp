// The plug-in on a 24-bit TrueColor window, linked in directly: everything
// it does (streams in blocks, the end-of-stream blink steps, a new window
// size, an exposure, teardown) reaches the X error handler not once, and the
// backing pixmap and the window hold the picture in its true colours.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "nxg/nxg.h"
#include "plugin/npnap.h"
#include "tests/test_truecolor_rgb.h"

using namespace naplps;

namespace {

TEST(TrueColorPlugin, NothingThePluginDoesRaisesAnXError) {
    NAPLPS_NEED_XVFB(24);
    xtest::TestWindow w(320, 240, 24);
    ASSERT_TRUE(w.ok());
    xtest::resetState();
    plg = Plugin{};
    // The browser's clock runs as fast as the plug-in asks: each timer fires
    // when the test lets time pass.
    static std::vector<std::pair<XtTimerCallbackProc, XtPointer>> due;
    plg.add_timeout = [](XtAppContext, unsigned long, XtTimerCallbackProc p, XtPointer d) {
        due.push_back({p, d});
        return XtIntervalId(due.size());
    };
    plg.remove_timeout = [](XtIntervalId) { due.clear(); };
    auto passTime = [] {
        for (int n = 0; n < 10000 && !due.empty(); n++) {
            auto [p, d] = due.back();
            due.pop_back();
            XtIntervalId id = 0;
            p(d, &id);
        }
    };
    const std::string log =
        ::testing::TempDir() + "truecolor_xerrors_" + std::to_string(getpid()) + ".log";
    std::remove(log.c_str());
    nxgx.NXG_log_path = log.c_str();  // a line for each call of the X error handler

    NPNetscapeFuncs ns = {};
    ns.size = uint16_t(sizeof ns);
    ns.version = 0x0009;
    ns.memalloc = [](uint32_t n) { return std::malloc(n); };
    ns.memfree = [](void *p) { std::free(p); };
    NPPluginFuncs pf = {};
    pf.size = uint16_t(sizeof pf);
    ASSERT_EQ(NP_Initialize(&ns, &pf), 0);
    NPP_t npp = {};
    ASSERT_EQ(NPP_New(nullptr, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr), 0);
    NPSetWindowCallbackStruct ws = {NP_SETWINDOW, w.dpy, nullptr, 0, 0};
    NPWindow win = {reinterpret_cast<void *>(uintptr_t(w.win)), 0, 0, 320, 240, {}, &ws};
    ASSERT_EQ(NPP_SetWindow(&npp, &win), 0);
    std::vector<uint8_t> bytes(
        std::istreambuf_iterator<char>(std::ifstream(DEMO_PDI, std::ios::binary).rdbuf()), {});
    ASSERT_TRUE(
        !bytes.empty() &&
        bytes.back() ==
            0);  // the demo's end marker gives way to a blinking colour: 40 steps at the end
    bytes.insert(bytes.end() - 1, {0xBE, 0xF0, 0xBF, 0xC0, 0xC3, 0xC3, 0xC0});
    NPStream s = {};
    uint16_t stype = 0;
    ASSERT_EQ(NPP_NewStream(&npp, nullptr, &s, 0, &stype), 0);
    for (size_t at = 0; at < bytes.size(); at += 97)
        NPP_Write(&npp, &s, int32_t(at), int32_t(std::min<size_t>(97, bytes.size() - at)),
                  &bytes[at]),
            passTime();
    EXPECT_EQ(NPP_DestroyStream(&npp, &s, NPRES_DONE), 0);
    passTime();

    const int id = static_cast<PluginInstance *>(npp.pdata)->pdi_win_id;
    ASSERT_GE(id, 0);
    const NxgXSlot &slot = nxgx.slot[id];
    EXPECT_EQ(slot.ro_visual, 1);
    tcrgb::Rgb pm = tcrgb::drawableRgbOf(w.dpy, slot.pm, slot.cms, 320, 240);
    ASSERT_FALSE(pm.empty());
    EXPECT_EQ(tcrgb::differing(pm, tcrgb::pictureRgb(id, 320, 240)), 0u);

    // A new size decodes the picture again; an exposure repaints the window.
    w.resize(256, 200);
    win.width = 256;
    win.height = 200;
    ASSERT_EQ(NPP_SetWindow(&npp, &win), 0);
    XClearArea(w.dpy, w.win, 0, 0, 0, 0, True);
    XSync(w.dpy, False);
    while (XtAppPending(w.app)) XtAppProcessEvent(w.app, XtIMAll);
    EXPECT_EQ(tcrgb::differing(tcrgb::drawableRgbOf(w.dpy, w.win, slot.cms, 256, 200),
                               tcrgb::pictureRgb(id, 256, 200)),
              0u);

    EXPECT_EQ(NPP_Destroy(&npp, nullptr), 0);
    NP_Shutdown();
    XSync(w.dpy, False);
    EXPECT_EQ(std::ifstream(log).peek(), std::char_traits<char>::eof()) << "X errors were logged";
    EXPECT_EQ(nxgx.NXG_win_err, 0);
    std::remove(log.c_str());
    xtest::resetState();
}

}  // namespace

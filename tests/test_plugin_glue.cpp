// The plug-in layer linked in directly: what the dlopen tests cannot reach
// from outside. The host services as the plug-in sees them (NPN_Version),
// the banner's placement, and the product's sleeps counted through the
// driver's sleep seam (nxg.sleep_ms).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "plugin/npnap.h"
#include "tests/x11_fixture.h"

using namespace naplps;

namespace {

std::vector<int> sleeps;
void countSleep(int ms) { sleeps.push_back(ms); }

void *hostAlloc(uint32_t n) { return std::malloc(n); }
void hostFree(void *p) { std::free(p); }

NPError start(uint16_t version) {
    NPNetscapeFuncs ns = {};
    ns.size = uint16_t(sizeof ns);
    ns.version = version;
    ns.memalloc = hostAlloc;
    ns.memfree = hostFree;
    NPPluginFuncs pf = {};
    pf.size = uint16_t(sizeof pf);
    return NP_Initialize(&ns, &pf);
}

TEST(HostServices, VersionOfPluginAndHost) {
    ASSERT_EQ(start(0x000B), 0);
    int pmaj = -1, pmin = -1, nmaj = -1, nmin = -1;
    NPN_Version(&pmaj, &pmin, &nmaj, &nmin);
    EXPECT_EQ(pmaj, 0);
    EXPECT_EQ(pmin, 9);
    EXPECT_EQ(nmaj, 0);
    EXPECT_EQ(nmin, 11);
    // A refused start-up keeps the table saved before.
    EXPECT_EQ(start(0x0100), 8);
    NPN_Version(&pmaj, &pmin, &nmaj, &nmin);
    EXPECT_EQ(nmin, 11);
    NPN_Version(nullptr, nullptr, nullptr, nullptr);  // no place to store: nothing stored
}

TEST(HostServices, EmptyHostEntriesAnswerAsFailures) {
    NPNetscapeFuncs ns = {};
    ns.size = uint16_t(sizeof ns);
    NPPluginFuncs pf = {};
    pf.size = uint16_t(sizeof pf);
    ASSERT_EQ(NP_Initialize(&ns, &pf), 0);
    EXPECT_EQ(NPN_MemAlloc(16), nullptr);
    NPP_t npp = {};
    EXPECT_EQ(pf.newp(nullptr, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr), 5);
    EXPECT_EQ(NPN_GetURL(&npp, "x", nullptr), 1);
    EXPECT_EQ(NPN_UserAgent(&npp), nullptr);
}

TEST(Banner, OriginIsCentredAndNeverNegative) {
    struct Case {
        uint32_t w, h;
        int x0, y0;
    } cases[] = {
        {400, 300, 92, 40}, {216, 220, 0, 0}, {100, 100, 0, 0},
        {217, 221, 0, 0},   {218, 222, 1, 1}, {0xFFFFFFFFu, 0x80000000u, 32767, 32767},
    };
    for (const Case &c : cases) {
        int x0 = -1, y0 = -1;
        bannerOrigin(c.w, c.h, &x0, &y0);
        EXPECT_EQ(x0, c.x0) << c.w << "x" << c.h;
        EXPECT_EQ(y0, c.y0) << c.w << "x" << c.h;
    }
}

// One stream into a window: the banner's pause, and the 40 blink steps
// when a colour blinks, each one call of the sleep seam.
TEST(SleepSeam, BannerPauseAndBlinkSteps) {
    xtest::TestWindow w(300, 200);
    if (!w.ok()) GTEST_SKIP() << "no Xvfb";
    xtest::resetState();
    plg = Plugin{};
    nxg.sleep_ms = countSleep;
    ASSERT_EQ(start(0x0009), 0);
    NPP_t npp = {};
    ASSERT_EQ(NPP_New(nullptr, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr), 0);
    NPSetWindowCallbackStruct ws = {};
    ws.display = w.dpy;
    NPWindow win = {};
    win.window = reinterpret_cast<void *>(uintptr_t(w.win));
    win.width = 300;
    win.height = 200;
    win.ws_info = &ws;
    ASSERT_EQ(NPP_SetWindow(&npp, &win), 0);

    auto play = [&](std::vector<uint8_t> bytes) {
        NPStream s = {};
        uint16_t stype = 0;
        ASSERT_EQ(NPP_NewStream(&npp, nullptr, &s, 0, &stype), 0);
        EXPECT_EQ(NPP_Write(&npp, &s, 0, int32_t(bytes.size()), bytes.data()),
                  int32_t(bytes.size()));
        EXPECT_EQ(NPP_DestroyStream(&npp, &s, NPRES_DONE), 0);
    };
    // RESET of the colour map and blink table, then a rectangle.
    play({0xA0, 0xC3, 0xC2, 0xB3, 0xCA, 0xC0, 0xC0, 0xD0, 0xC0, 0xC0, 0x00});
    EXPECT_EQ(sleeps, std::vector<int>{BANNER_PAUSE_MS});

    // BLINK of the selected colour to colour 0, on and off 3 ticks.
    sleeps.clear();
    play({0xBE, 0xF0, 0xBF, 0xC0, 0xC3, 0xC3, 0xC0, 0x00});
    ASSERT_EQ(sleeps.size(), 1u + BLINK_STEPS);
    EXPECT_EQ(sleeps[0], BANNER_PAUSE_MS);
    for (size_t i = 1; i < sleeps.size(); i++) EXPECT_EQ(sleeps[i], NXG_TICK_MS);

    // The instance's record and window slot are released.
    EXPECT_EQ(NPP_Destroy(&npp, nullptr), 0);
    EXPECT_EQ(npp.pdata, nullptr);
    EXPECT_EQ(NPP_Destroy(nullptr, nullptr), 2);
    NPP_Shutdown();
}

}  // namespace

// Heavy streams on a window whose colour cells cannot be written (24-bit
// TrueColor Xvfb), where a colour change repaints every pixel of its
// colour: a stream that changes the colour of a picture of single-pixel
// hatching over and over pays for those repaints like any drawing, leaves
// the ones it cannot pay for, and shows the right colours once its end is
// shown (as the plug-in and pdi2png show it) or its window exposed.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "decoder/api.h"
#include "raster/raster.h"
#include "tests/heavy_streams.h"
#include "tests/test_truecolor_rgb.h"  // Xlib after GoogleTest

namespace naplps {
namespace {

using heavy::Bytes;

// A picture of one-pixel vertical hatching over the whole unit screen in
// colour index 240 on 32, then a macro chain that sets entry 240 to two
// colours in turn, replayed until the stream is `size` bytes long.
Bytes colourChurn(size_t size) {
    Bytes s = heavy::reset();
    Bytes fill = heavy::hatchedFillBody();
    s.insert(s.end(), fill.begin(), fill.end());
    const Bytes body = {0xBC, 0xC0, 0xC5, 0xDD,   // SET COLOR 10 20 30
                        0xBC, 0xD6, 0xE9, 0xD4};  // SET COLOR 200 100 50
    const Bytes chain = heavy::macroChain(body, 20, size - s.size());
    s.insert(s.end(), chain.begin(), chain.end());
    return s;
}

class HeavyDirect : public ::testing::Test {
protected:
    void TearDown() override {
        t.reset();
        xtest::resetState();
    }
    bool open(int w, int h) {
        xtest::resetState();
        nxg.sleep_ms = [](int) {};
        nxgx.NXG_log_path = nullptr;
        if (xtest::xvfbDisplay(24, -1).empty()) {
            if (xtest::inCi()) ADD_FAILURE() << "no 24-bit Xvfb";
            return false;
        }
        t = std::make_unique<xtest::TestWindow>(w, h, 24, -1);
        if (!t->ok() || t->open() != 0) return false;
        t->playArea();
        return t->slot()->ro_visual != 0;
    }
    tcrgb::Rgb pixmap() {
        XSync(t->dpy, False);
        return tcrgb::drawableRgbOf(t->dpy, t->slot()->pm, t->slot()->cms, t->width, t->height);
    }
    tcrgb::Rgb picture() { return tcrgb::pictureRgb(t->id, t->width, t->height); }
    std::unique_ptr<xtest::TestWindow> t;
};

// Thousands of colour changes over a picture of single pixels: the work
// spent, repaints included, stays within what the bytes earn; repaints are
// left, so the window lags behind its picture until the end of the stream
// is shown, and then shows exactly its colours.
TEST_F(HeavyDirect, ColourChangesPayForTheirRepaintsAndTheEndShowsTheRightColours) {
    if (!open(128, 100)) GTEST_SKIP() << "no 24-bit TrueColor Xvfb";
    const Bytes s = colourChurn(4096);
    t->feed(s);
    pdi_flush(0);
    EXPECT_LE(ras.WorkSpent,
              uint64_t(WORK_AT_LOAD) + s.size() * uint64_t(WORK_PER_BYTE) + (64u << 20));
    EXPECT_TRUE(nxg_repaint_left());
    EXPECT_GT(tcrgb::differing(pixmap(), picture()), 0u);
    NXG_repaint_pending();
    EXPECT_FALSE(nxg_repaint_left());
    EXPECT_EQ(tcrgb::differing(pixmap(), picture()), 0u);
}

// A window shown (an expose, or the start of a redraw) shows the colours
// whose repaint was left.
TEST_F(HeavyDirect, AWindowShownShowsTheColoursWhoseRepaintWasLeft) {
    if (!open(128, 100)) GTEST_SKIP() << "no 24-bit TrueColor Xvfb";
    t->feed(colourChurn(4096));
    ASSERT_TRUE(nxg_repaint_left());
    pdi_load_canvas(t->id, 0, 0, t->width, t->height);
    EXPECT_FALSE(nxg_repaint_left());
    EXPECT_EQ(tcrgb::differing(pixmap(), picture()), 0u);
}

}  // namespace
}  // namespace naplps

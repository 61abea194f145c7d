// Image files in X windows: on an 8-bit PseudoColor screen the image's
// colours go into the 128 image cells the host gives and its pixels are
// those cells; on a 24-bit TrueColor screen the pixels are the image's
// exact RGB. Drawn at a scale up and down, window and pixmap alike, with
// no X error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/gdf.h"
#include "tests/test_truecolor_rgb.h"
#include "tests/wngd_stream.h"

namespace naplps {
namespace {

using wngdtest::Bytes;
using wngdtest::Rgb;
using wngdtest::wngdFile;
using wngdtest::writeFile;

const std::vector<Rgb> FOUR = {{{200, 10, 10}}, {{10, 200, 10}}, {{10, 10, 200}}, {{250, 250, 5}}};

int indexAt(int c, int r) { return (c + 3 * r) % 4; }

std::string patternFile() {
    Bytes px;
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 8; c++) px.push_back(uint8_t(indexAt(c, r)));
    return writeFile("x11pat.wng", wngdFile(8, 4, FOUR, px));
}

class ImageX11 : public ::testing::Test {
protected:
    void SetUp() override {
        xtest::resetState();
        nxgx.NXG_log_path = nullptr;
    }
    void TearDown() override {
        if (t && cellsTaken) XFreeColors(t->dpy, t->slot()->cms, cells, NXG_GDF_CELLS, 0);
        t.reset();
        xtest::resetState();
    }
    bool open(int depth) {
        if (xtest::xvfbDisplay(depth).empty()) return false;
        t = std::make_unique<xtest::TestWindow>(64, 48, depth);
        if (!t->ok() || t->open() != 0) return false;
        t->playArea();
        return true;
    }
    std::unique_ptr<xtest::TestWindow> t;
    unsigned long cells[NXG_GDF_CELLS] = {};
    bool cellsTaken = false;
};

TEST_F(ImageX11, PseudoColorImagesShowInTheImageCellsGiven) {
    if (!open(8)) GTEST_SKIP() << "no 8-bit Xvfb";
    const std::string f = patternFile();
    const auto *slot = t->slot();
    ASSERT_NE(slot, nullptr);
    ASSERT_FALSE(slot->ro_visual);

    // Without image cells there is nowhere to show the colours: refused.
    auto before = t->pixels();
    EXPECT_EQ(pdi_load_gdf(0, 0, 8, 4, f.c_str()), -1);
    EXPECT_EQ(t->pixels(), before);

    if (slot->user_cmap) {
        for (int k = 0; k < NXG_GDF_CELLS; k++) cells[k] = (unsigned long)k;
    } else {
        ASSERT_NE(XAllocColorCells(t->dpy, slot->cms, True, nullptr, 0, cells, NXG_GDF_CELLS), 0);
        cellsTaken = true;
    }
    ASSERT_EQ(pdi_set_gdfpal(slot->cms, cells), 0);

    struct Draw {
        int x, y, w, h;
    };
    for (Draw d : {Draw{4, 6, 16, 8}, Draw{30, 2, 4, 2}, Draw{40, 20, 8, 4}}) {
        before = t->pixels();
        ASSERT_EQ(pdi_load_gdf(d.x, d.y, d.w, d.h, f.c_str()), 0);
        XSync(t->dpy, False);
        auto px = t->pixels();
        int top = 47 - (d.y + d.h), bad = 0;
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 64; x++) {
                bool inside = x >= d.x && x < d.x + d.w && y >= top && y < top + d.h;
                unsigned long want = inside
                                         ? cells[indexAt((x - d.x) * 8 / d.w, (y - top) * 4 / d.h)]
                                         : before[size_t(y)][size_t(x)];
                if (px[size_t(y)][size_t(x)] != want && bad++ < 5)
                    ADD_FAILURE() << d.w << "x" << d.h << " at (" << x << ", " << y << ")";
            }
        EXPECT_TRUE(xtest::windowMatchesPixmap(*t));
    }
    // The cells hold the image's colours.
    XColor c[4];
    for (int k = 0; k < 4; k++) {
        c[k].pixel = cells[k];
        c[k].flags = DoRed | DoGreen | DoBlue;
    }
    XQueryColors(t->dpy, slot->cms, c, 4);
    for (int k = 0; k < 4; k++) {
        EXPECT_EQ(c[k].red >> 8, FOUR[size_t(k)][0]);
        EXPECT_EQ(c[k].green >> 8, FOUR[size_t(k)][1]);
        EXPECT_EQ(c[k].blue >> 8, FOUR[size_t(k)][2]);
    }
    EXPECT_EQ(nxgx.NXG_win_err, 0);
}

TEST_F(ImageX11, TrueColorImagesShowTheirExactColours) {
    if (!open(24)) GTEST_SKIP() << "no 24-bit Xvfb";
    const std::string f = patternFile();
    const auto *slot = t->slot();
    ASSERT_NE(slot, nullptr);
    tcrgb::Rgb before = tcrgb::drawableRgbOf(t->dpy, slot->pm, slot->cms, 64, 48);
    ASSERT_EQ(pdi_load_gdf(4, 6, 16, 8, f.c_str()), 0);  // 2 x up
    ASSERT_EQ(pdi_load_gdf(30, 2, 4, 2, f.c_str()), 0);  // 2 x down
    tcrgb::Rgb rgb = tcrgb::drawableRgbOf(t->dpy, slot->pm, slot->cms, 64, 48);
    int bad = 0;
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) {
            const uint8_t *want = &before[size_t(y * 64 + x) * 3];
            Rgb img{};
            if (x >= 4 && x < 20 && y >= 47 - 14 && y < 47 - 14 + 8) {
                img = FOUR[size_t(indexAt((x - 4) / 2, (y - 33) / 2))];
                want = img.data();
            } else if (x >= 30 && x < 34 && y >= 47 - 4 && y < 47 - 4 + 2) {
                img = FOUR[size_t(indexAt((x - 30) * 2, (y - 43) * 2))];
                want = img.data();
            }
            const uint8_t *got = &rgb[size_t(y * 64 + x) * 3];
            if ((got[0] != want[0] || got[1] != want[1] || got[2] != want[2]) && bad++ < 5)
                ADD_FAILURE() << "(" << x << ", " << y << ")";
        }
    // The driver's own picture of the window says the same.
    EXPECT_EQ(tcrgb::pictureRgb(t->id, 64, 48), rgb);
    EXPECT_EQ(nxgx.NXG_win_err, 0);
}

}  // namespace
}  // namespace naplps

// Image files on the in-memory surface: WNGD files written here, drawn at
// their size, scaled up and down, placed by the picture's origin, named by
// a stream and looked up in the image directory; hostile names and headers
// refused with nothing drawn and no colour changed. Pixels are compared as
// the RGB the surface shows.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decoder/api.h"
#include "image/gdf.h"
#include "image/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "tests/wngd_stream.h"

namespace naplps {
namespace {

using wngdtest::Bytes;
using wngdtest::Rgb;
using wngdtest::scratchDir;
using wngdtest::wngdFile;
using wngdtest::writeFile;

const std::vector<Rgb> FOUR = {{{200, 10, 10}}, {{10, 200, 10}}, {{10, 10, 200}}, {{250, 250, 5}}};

// A w x h image of the four colours, index (c + 3r) mod 4 at column c, row r.
Bytes pattern(int w, int h) {
    Bytes px;
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++) px.push_back(uint8_t((c + 3 * r) % 4));
    return px;
}

class Image : public ::testing::Test {
protected:
    void SetUp() override { open(256, 128); }
    void TearDown() override {
        if (id >= 0) pdi_win_close(id);
        pdi_load_state();
    }
    void open(int w, int h) {
        if (id >= 0) pdi_win_close(id);
        pdi_load_state();
        W = w;
        H = h;
        id = -1;
        ASSERT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, w, h), 0);
        pdi_ctl(0, 0, 0, 0, 512);
        pdi_clip(0, 0, 0, w - 1, h - 1);
    }
    std::vector<uint8_t> picture() const {
        std::vector<uint8_t> rgb(size_t(W) * size_t(H) * 3);
        EXPECT_TRUE(NXG_read_rgb(id, rgb.data(), rgb.size()));
        return rgb;
    }
    Rgb at(const std::vector<uint8_t> &pic, int x, int y) const {
        size_t i = (size_t(y) * size_t(W) + size_t(x)) * 3;
        return {{pic[i], pic[i + 1], pic[i + 2]}};
    }
    // Every pixel of `pic` inside the window rectangle (X, Y, w, h) is
    // `expect(c, r)`; every pixel outside is as in `before`.
    template <typename F>
    void expectImage(const std::vector<uint8_t> &before, const std::vector<uint8_t> &pic, int X,
                     int Y, int w, int h, F expect) const {
        int bad = 0;
        for (int y = 0; y < H && bad < 5; y++)
            for (int x = 0; x < W && bad < 5; x++) {
                bool inside = x >= X && x < X + w && y >= Y && y < Y + h;
                Rgb want = inside ? expect(x - X, y - Y) : at(before, x, y);
                if (at(pic, x, y) != want) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ")"
                                  << (inside ? " inside" : " outside");
                    bad++;
                }
            }
    }
    int id = -1;
    int W = 0, H = 0;
};

TEST_F(Image, DrawnAtItsSizeScaledUpAndScaledDown) {
    std::string f = writeFile("pat.wng", wngdFile(100, 50, FOUR, pattern(100, 50)));
    auto colour = [](int c, int r) { return FOUR[size_t((c + 3 * r) % 4)]; };

    // (x, y) is the lower-left corner, y upwards: the top row of an image h
    // high is window row height - 1 - (y + h).
    std::vector<uint8_t> before = picture();
    ASSERT_EQ(pdi_load_gdf(20, 10, 100, 50, f.c_str()), 0);
    expectImage(before, picture(), 20, 127 - 60, 100, 50, colour);

    open(256, 128);
    before = picture();
    ASSERT_EQ(pdi_load_gdf(0, 0, 200, 100, f.c_str()), 0);  // each pixel a 2 x 2 block
    expectImage(before, picture(), 0, 27, 200, 100,
                [&](int c, int r) { return colour(c / 2, r / 2); });

    open(256, 128);
    before = picture();
    ASSERT_EQ(pdi_load_gdf(5, 5, 50, 25, f.c_str()), 0);  // every second pixel of every second row
    expectImage(before, picture(), 5, 127 - 30, 50, 25,
                [&](int c, int r) { return colour(2 * c, 2 * r); });

    open(256, 128);
    before = picture();
    ASSERT_EQ(pdi_load_gdf(0, 0, 300, 120, f.c_str()), 0);  // 3 x (2.4): cut at the window's edge
    expectImage(before, picture(), 0, 127 - 120, 256, 120,
                [&](int c, int r) { return colour(c / 3, int(float(r) / 2.4f)); });
}

TEST_F(Image, PlacedFromThePictureOriginAndClippedToTheWindow) {
    std::string f = writeFile("pat2.wng", wngdFile(4, 4, FOUR, pattern(4, 4)));
    auto colour = [](int c, int r) { return FOUR[size_t((c + 3 * r) % 4)]; };
    pdi_ctl(0, 0, 16, 10, 512);
    std::vector<uint8_t> before = picture();
    ASSERT_EQ(pdi_load_gdf(4, 2, 4, 4, f.c_str()), 0);
    expectImage(before, picture(), 20, 127 - (10 + 2 + 4), 4, 4, colour);

    // Partly left of and below the window: the part inside is drawn.
    open(64, 32);
    before = picture();
    ASSERT_EQ(pdi_load_gdf(-2, -3, 8, 8, f.c_str()), 0);
    expectImage(before, picture(), 0, 31 - 5, 6, 6,
                [&](int c, int r) { return colour((c + 2) / 2, r / 2); });

    // Wholly outside: nothing drawn, no failure.
    before = picture();
    EXPECT_EQ(pdi_load_gdf(1000, 1000, 8, 8, f.c_str()), 0);
    EXPECT_EQ(picture(), before);
}

TEST_F(Image, TheImageAStreamNamesIsDrawnFromTheImageDirectory) {
    writeFile("check.wng", wngdFile(2, 2, {{{255, 0, 0}}, {{0, 0, 255}}}, {0, 1, 1, 0}));
    // x 32, y 16, 64 x 32 pixels at the 512-pixel unit screen (1/16384 units).
    Bytes msg = wngdtest::imageMessage(32 * 32, 16 * 32, 64 * 32, 32 * 32, "CHECK.WNG");
    int last = 0;
    for (uint8_t b : msg) last = pdi_putchar(0, b);
    EXPECT_EQ(last, 2);
    EXPECT_STREQ(img.NXG_gdf_fname, "check.wng");
    EXPECT_EQ(img.NXG_gdf_draw_wid, 64);

    EXPECT_EQ(pdi_set_image_path((scratchDir() + "/").c_str()), 0);
    EXPECT_EQ(std::string(img.NXG_gdf_path), scratchDir());  // one '/' removed
    std::vector<uint8_t> before = picture();
    ASSERT_EQ(pdi_draw_image(nullptr, -1, -1, -1, -1), 0);
    expectImage(before, picture(), 32, 127 - (16 + 32), 64, 32, [](int c, int r) {
        return (c / 32 + r / 16) % 2 ? Rgb{{0, 0, 255}} : Rgb{{255, 0, 0}};
    });

    // Coordinates of the caller's replace the recorded ones; a caller's name
    // with '/' is a path as it stands, whatever the directory.
    open(256, 128);
    pdi_set_image_path("/nonexistent");
    std::string full = scratchDir() + "/check.wng";
    before = picture();
    ASSERT_EQ(pdi_draw_image(full.c_str(), 0, 0, 2, 2), 0);
    expectImage(before, picture(), 0, 125, 2, 2, [](int c, int r) {
        return (c + r) % 2 ? Rgb{{0, 0, 255}} : Rgb{{255, 0, 0}};
    });
    EXPECT_EQ(pdi_draw_image("check.wng", 0, 0, 2, 2), -1);  // not in /nonexistent
}

TEST_F(Image, NamesFromAStreamStayInsideTheImageDirectory) {
    std::string dir = scratchDir() + "/images";
    mkdir(dir.c_str(), 0700);
    mkdir((dir + "/sub").c_str(), 0700);
    Bytes file = wngdFile(2, 2, FOUR, {0, 1, 2, 3});
    writeFile("outside.wng", file);        // next to the directory
    writeFile("images/sub/in.wng", file);  // inside it
    writeFile("images/plain.wng", file);
    std::string fifo = dir + "/fifo.wng";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string outerFifo = scratchDir() + "/outer_fifo";
    unlink(outerFifo.c_str());
    ASSERT_EQ(mkfifo(outerFifo.c_str(), 0600), 0);
    unlink((dir + "/link.wng").c_str());
    ASSERT_EQ(symlink((scratchDir() + "/outside.wng").c_str(), (dir + "/link.wng").c_str()), 0);
    unlink((dir + "/linkdir").c_str());
    ASSERT_EQ(symlink(scratchDir().c_str(), (dir + "/linkdir").c_str()), 0);
    ASSERT_EQ(pdi_set_image_path(dir.c_str()), 0);

    const std::string refused[] = {"../outside.wng",
                                   scratchDir() + "/outside.wng",
                                   outerFifo,
                                   "fifo.wng",
                                   "link.wng",
                                   "linkdir/outside.wng",
                                   "sub/../plain.wng",
                                   "sub",
                                   "sub/",
                                   "..",
                                   "missing.wng"};
    std::vector<uint8_t> before = picture();
    for (const std::string &name : refused) {
        pdi_set_gdf(0, 0, 10, 10, name.c_str());
        EXPECT_EQ(pdi_draw_image(nullptr, -1, -1, -1, -1), -1) << name;
    }
    pdi_set_gdf(0, 0, 10, 10, "");
    EXPECT_EQ(pdi_draw_image(nullptr, -1, -1, -1, -1), -1);
    EXPECT_EQ(picture(), before);

    for (const char *name : {"plain.wng", "sub/in.wng", "./sub//in.wng"}) {
        pdi_set_gdf(0, 0, 10, 10, name);
        EXPECT_EQ(pdi_draw_image(nullptr, -1, -1, -1, -1), 0) << name;
    }
    EXPECT_NE(picture(), before);
}

TEST_F(Image, HostileHeadersAreRefusedWithNothingDrawnAndNoColourChanged) {
    Bytes good = wngdFile(8, 4, FOUR, pattern(8, 4));
    struct Case {
        const char *what;
        Bytes file;
    };
    std::vector<Case> cases;
    Bytes magic = good;
    magic[3] = 'X';
    cases.push_back({"wrong magic", magic});
    cases.push_back({"257 palette entries", wngdFile(8, 4, FOUR, pattern(8, 4), 257)});
    cases.push_back({"width 0", wngdFile(0, 4, FOUR, pattern(8, 4))});
    cases.push_back({"height 0", wngdFile(8, 0, FOUR, pattern(8, 4))});
    cases.push_back({"4097 wide", wngdFile(4097, 1, FOUR, Bytes(4097, 1))});
    cases.push_back({"65535 x 65535 claimed", wngdFile(65535, 65535, FOUR, pattern(8, 4))});
    cases.push_back({"one pixel short", Bytes(good.begin(), good.end() - 1)});
    cases.push_back({"header cut", Bytes(good.begin(), good.begin() + 815)});
    cases.push_back({"empty", Bytes()});

    std::vector<uint8_t> before = picture();
    uint8_t cells[256][3];
    std::memcpy(cells, nxg.NXG_win_tbl[nxg.SW1_id].NEW_color_tbl2, sizeof cells);
    for (const Case &c : cases) {
        std::string f = writeFile("hostile.wng", c.file);
        EXPECT_EQ(pdi_load_gdf(0, 0, 8, 4, f.c_str()), -1) << c.what;
    }
    std::string f = writeFile("good.wng", good);
    for (auto wh : {std::pair<int, int>{0, 4}, {8, 0}, {-8, 4}, {8, GDF_SIZE_MAX + 1}})
        EXPECT_EQ(pdi_load_gdf(0, 0, wh.first, wh.second, f.c_str()), -1);
    EXPECT_EQ(picture(), before);
    EXPECT_EQ(0, std::memcmp(cells, nxg.NXG_win_tbl[nxg.SW1_id].NEW_color_tbl2, sizeof cells));

    // Paths and directories past 511 characters are refused; the directory
    // stays as it was.
    ASSERT_EQ(pdi_set_image_path(scratchDir().c_str()), 0);
    EXPECT_EQ(pdi_set_image_path(std::string(512, 'd').c_str()), -1);
    EXPECT_EQ(std::string(img.NXG_gdf_path), scratchDir());
    EXPECT_EQ(pdi_draw_image(std::string(600, 'n').c_str(), 0, 0, 8, 4), -1);
    EXPECT_EQ(pdi_load_gdf(0, 0, 8, 4, (std::string(600, '/') + f).c_str()), -1);
    EXPECT_EQ(pdi_draw_image(nullptr, -1, -1, -1, -1), -1);     // nothing recorded
    EXPECT_EQ(pdi_draw_image("good.wng", -1, -1, -1, -1), -1);  // no rectangle recorded
    EXPECT_EQ(pdi_set_gdfpal(0, nullptr), -1);
    EXPECT_EQ(picture(), before);
    EXPECT_EQ(pdi_draw_image("good.wng", 0, 0, 8, 4), 0);
}

TEST_F(Image, ColoursPastTheImageCellsShowAsTheNearestThatHasACell) {
    std::vector<Rgb> pal;
    for (int i = 0; i < 128; i++)
        pal.push_back({{uint8_t(2 * i), uint8_t(255 - 2 * i), uint8_t(i)}});
    pal.push_back({{uint8_t(2 * 5 + 1), uint8_t(255 - 10), 5}});     // next to colour 5
    pal.push_back({{uint8_t(2 * 77), uint8_t(255 - 154 + 1), 77}});  // next to colour 77
    Bytes px;
    for (int i = 0; i < 130; i++) px.push_back(uint8_t(i));
    std::string f = writeFile("many.wng", wngdFile(130, 1, pal, px));
    ASSERT_EQ(pdi_load_gdf(0, 0, 130, 1, f.c_str()), 0);
    std::vector<uint8_t> pic = picture();
    for (int i = 0; i < 128; i++) EXPECT_EQ(at(pic, i, 126), pal[size_t(i)]) << i;
    EXPECT_EQ(at(pic, 128, 126), pal[5]);
    EXPECT_EQ(at(pic, 129, 126), pal[77]);
}

TEST_F(Image, RandomFilesAndHeadersAreReadWithoutHarm) {
    // Files of random bytes, and WNGD headers with random fields over a few
    // random pixels: each is refused or drawn, never read past its end.
    std::mt19937 rng(7);
    for (int n = 0; n < 300; n++) {
        Bytes f;
        if (n % 3 == 0) {
            f.resize(rng() % 2000);
            for (uint8_t &b : f) b = uint8_t(rng());
        } else {
            int w = n % 3 == 1 ? int(rng() % 70000) : int(1 + rng() % 40);
            int h = n % 3 == 1 ? int(rng() % 70000) : int(1 + rng() % 40);
            Bytes px(rng() % 2000);
            for (uint8_t &b : px) b = uint8_t(rng());
            std::vector<Rgb> pal(rng() % 260);
            for (Rgb &c : pal) c = {{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())}};
            f = wngdFile(w & 0xFFFF, h & 0xFFFF, pal, px, int(rng() % 300));
            for (int k = 0; k < 32; k++) f[size_t(16 + k)] = uint8_t(rng());
        }
        std::string path = writeFile("random.wng", f);
        int r = pdi_load_gdf(int(rng() % 300) - 50, int(rng() % 200) - 50, 1 + int(rng() % 400),
                             1 + int(rng() % 400), path.c_str());
        EXPECT_TRUE(r == 0 || r == -1);
    }
}

}  // namespace
}  // namespace naplps

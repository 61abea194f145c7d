// The same streams drawn on an 8-bit PseudoColor Xvfb, on a 24-bit
// TrueColor Xvfb and on the in-memory surface give the same RGB picture:
// after decoding, after SET COLOR changes a colour already on the screen,
// after blink ticks, and for every picture of the corpus; no X error.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "tests/test_truecolor_rgb.h"

namespace naplps {
namespace {

struct Step {
    std::vector<uint8_t> bytes;
    int ticks = 0;
};  // bytes to feed, then blink ticks

std::vector<uint8_t> readFile(const std::string &path) {
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}

// An 8-bit stream from a description in pdienc's language, its end marker
// left off so that later steps continue the stream.
std::vector<uint8_t> encode(const std::string &text) {
    const std::string out =
        ::testing::TempDir() + "crosscheck_" + std::to_string(getpid()) + ".pdi";
    FILE *p = popen(("'" PDIENC_PATH "' - '" + out + "'").c_str(), "w");
    std::fputs(text.c_str(), p);
    EXPECT_EQ(pclose(p), 0) << text;
    std::vector<uint8_t> bytes = readFile(out);
    std::remove(out.c_str());
    if (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    return bytes;
}

const int DEPTH[2] = {8, 24};

// The three surfaces of one size: memory, and a window on each Xvfb, made
// on first use and reused for every stream.
struct Surfaces {
    int w, h;
    std::unique_ptr<xtest::TestWindow> win[2] = {};
    // Draws the steps from load-time state in memory, then in each window:
    // true when each window shows memory's picture after every step and no
    // X error was raised.
    bool same(const std::vector<Step> &steps, const std::string &what) {
        std::vector<tcrgb::Rgb> ref;
        int bad = 0;
        for (int k = -1; k < 2; k++) {
            if (k >= 0 && !win[k] && !xtest::xvfbDisplay(DEPTH[k]).empty())
                win[k] = std::make_unique<xtest::TestWindow>(w, h, DEPTH[k]);
            xtest::TestWindow *t = k < 0 ? nullptr : win[k].get();
            if (k >= 0 && (t == nullptr || !t->ok())) continue;
            const std::string on =
                what + (k < 0 ? " in memory" : " at depth " + std::to_string(DEPTH[k]));
            xtest::resetState();
            nxg.sleep_ms = [](int) {};
            nxgx.NXG_log_path = nullptr;
            int id = -1;
            EXPECT_EQ(t != nullptr ? t->open() : pdi_win_open(&id, 0, nullptr, nullptr, w, h), 0)
                << on;
            if (t != nullptr) id = t->id;
            if (id < 0) return false;
            pdi_ctl(0, 0, 0, 0, 512);
            pdi_clip(0, 0, 0, w - 1, h - 1);
            for (size_t i = 0; i < steps.size(); i++) {
                for (uint8_t b : steps[i].bytes) pdi_putchar(0, b);
                for (int n = 0; n < steps[i].ticks; n++) pdi_tick(0);
                tcrgb::Rgb shot =
                    t != nullptr ? tcrgb::drawableRgbOf(t->dpy, t->slot()->pm, t->slot()->cms, w, h)
                                 : tcrgb::pictureRgb(id, w, h);
                if (k < 0) ref.push_back(shot);
                size_t d = tcrgb::differing(ref[i], shot);
                EXPECT_EQ(d, 0u) << on << ", step " << i << ": differs from memory in " << d
                                 << " pixels";
                bad += d != 0;
            }
            if (t != nullptr)
                t->close();
            else
                pdi_win_close(id);
            EXPECT_EQ(nxgx.NXG_win_err, 0) << on << ": X errors";
            bad += nxgx.NXG_win_err;
        }
        xtest::resetState();
        return bad == 0;
    }
};

// Shapes, textures and text; SET COLOR of colours already shown, in
// colour-map and direct-colour mode (the lowest free entry: the background),
// inside and outside a clipping field; blink phases tick by tick and through
// a WAIT; text scrolling the picture; a window larger than the drawing range
// (1024 pixels); arbitrary bytes.
TEST(CrossCheck, ConstructedStreams) {
    NAPLPS_NEED_XVFB(8);
    NAPLPS_NEED_XVFB(24);
    const std::string reset = "reset domain colour=1 screen=7 text texture blink\n";
    Surfaces{320, 250}.same(
        {{encode(
            reset +
            "select 128\nset-rect-filled 0 150 255 50\nselect 240\nset-poly-filled 10 20 60 80 40 "
            "-70\n"
            "select 192\nset-arc-filled 196 150 32 0\nselect 176\nset-arc 150 100 40 0\ntexture "
            "line=2\n"
            "select 64\nset-line 0 40 255 48 0 28 255 38\ntexture pattern=1\nselect 16 48\n"
            "set-rect-filled 20 100 60 40\ntexture pattern=2\nselect 208\nset-rect-filled 100 100 "
            "60 40\n"
            "texture pattern=3\nselect 224 0\nset-rect-filled 170 20 60 40\ntexture pattern=5\n"
            "select 160 112\nset-poly-filled 100 10 50 30 20 -30\ntexture pattern=0\nselect 96\n"
            "point-set 10 190\ntext \"Pictarine 0123\"\n")}},
        "shapes");
    Surfaces s{256, 200};
    s.same({{encode(
                reset +
                "select 16\nset-rect-filled 10 10 100 80\nselect 32\nset-rect-filled 120 10 50 50\n"
                "field 0 0 60 60\nselect 48\nset-rect-filled 0 0 255 199\n")},
            {encode("select 16\ncolor 255 0 0\n")},
            {encode("select 48\ncolor 0 0 255\nselect 32\ncolor 10 200 30\n")},
            {encode("select\ncolor 250 250 10\nset-rect-filled 20 20 10 10\n")}},
           "set color");
    std::vector<Step> blink = {
        {encode(reset + "select 16\nset-rect-filled 10 10 100 80\nselect 48\n"
                        "set-rect-filled 120 10 50 50\nselect 64\nset-arc-filled 60 150 30 0\n"
                        "select 16\nblink 48 3 2 0\nselect 64\nblink 0 2 2 1\n")}};
    for (int i = 0; i < 9; i++) blink.push_back({{}, 1});
    blink.push_back({encode("wait 7\nselect 48\ncolor 200 100 0\n")});
    blink.push_back({{}, 3});
    s.same(blink, "blink");
    std::string scroll =
        reset + "select 240\nset-rect-filled 0 0 128 199\nselect 192\npoint-set 0 190\n";
    for (int i = 0; i < 30; i++)
        scroll += "text \"line " + std::to_string(i) + " of text\\r\\n\"\n";
    s.same({{encode(scroll)}}, "scroll");
    Surfaces{1300, 1100}.same(
        {{encode(reset + "select 128\nset-rect-filled 0 0 255 199\nselect 192\n"
                         "set-arc-filled 100 100 50 0\nselect 128\nblink 16 2 2 0\n")},
         {{}, 3}},
        "large window");
    Surfaces small{200, 160};
    uint32_t seed = 12345;
    for (int n = 0; n < 4; n++) {
        std::vector<uint8_t> noise;
        for (int i = 0; i < 3000; i++)
            noise.push_back(uint8_t((seed = seed * 1103515245u + 12345u) >> 16));
        small.same({{noise}, {{}, 5}}, "arbitrary bytes " + std::to_string(n));
    }
}

// Every corpus picture at the plug-in's usual size, and again after the 40
// blink steps that end a stream when a colour blinks.
TEST(CrossCheck, EveryCorpusPicture) {
    NAPLPS_NEED_XVFB(8);
    NAPLPS_NEED_XVFB(24);
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(CORPUS_DIR, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file()) files.push_back(it->path().string());
    if (files.empty()) GTEST_SKIP() << "no corpus at " << CORPUS_DIR;
    Surfaces s{512, 400};
    int differ = 0;
    for (const std::string &path : files) differ += !s.same({{readFile(path)}, {{}, 40}}, path);
    EXPECT_EQ(differ, 0) << "of " << files.size() << " pictures";
}

}  // namespace
}  // namespace naplps

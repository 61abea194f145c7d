// The same streams drawn on an 8-bit PseudoColor Xvfb, on a 24-bit
// TrueColor Xvfb and on the in-memory surface give the same RGB picture:
// after decoding, after SET COLOR changes a colour already on the screen,
// after blink ticks, and for every picture of the corpus. No surface raises
// an X error. Each surface's window is made once and reused for every
// stream.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "tests/test_truecolor_rgb.h"
#include "tests/x11_fixture.h"

namespace naplps {
namespace {

using tcrgb::Rgb;

void noSleep(int) {}

// One part of a stream's run: bytes to feed, then blink ticks.
struct Step {
    std::vector<uint8_t> bytes;
    int ticks = 0;
};

// An 8-bit stream from a description in pdienc's language.
std::vector<uint8_t> encode(const std::string &text) {
    // Named per process: test processes may run side by side.
    const std::string base = ::testing::TempDir() + "crosscheck_" + std::to_string(getpid());
    const std::string in = base + ".pdt", out = base + ".pdi";
    {
        std::ofstream f(in);
        f << text;
    }
    std::string cmd = "'" PDIENC_PATH "' '" + in + "' '" + out + "' 2>&1";
    int st = std::system(cmd.c_str());
    std::ifstream f(out, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::remove(in.c_str());
    std::remove(out.c_str());
    EXPECT_EQ(st, 0) << text;
    EXPECT_FALSE(bytes.empty()) << text;
    // The end marker is left off, so that later steps continue the stream.
    if (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    return bytes;
}

enum Kind { PSEUDO8, TRUE24, MEMORY, KINDS };
const char *const KIND_NAME[KINDS] = {"8-bit PseudoColor", "24-bit TrueColor", "in memory"};

// The three surfaces of one size. X windows are made on first use.
class Surfaces {
public:
    Surfaces(int w, int h) : w_(w), h_(h) {}

    bool available(Kind k) {
        if (k == MEMORY) return true;
        return window(k) != nullptr;
    }

    // Draws the steps from load-time state on surface k and returns the
    // picture after each step. X errors are counted in *errors.
    std::vector<Rgb> render(Kind k, const std::vector<Step> &steps, int *errors) {
        std::vector<Rgb> shots;
        xtest::TestWindow *t = k == MEMORY ? nullptr : window(k);
        xtest::resetState();
        nxg.sleep_ms = noSleep;
        nxg.NXG_log_path = nullptr;
        int id = -1;
        if (t != nullptr) {
            if (t->open() != 0) return shots;
            id = t->id;
        } else if (pdi_win_open(&id, 0, nullptr, nullptr, w_, h_) != 0) {
            return shots;
        }
        pdi_ctl(0, 0, 0, 0, 512);
        pdi_clip(0, 0, 0, w_ - 1, h_ - 1);
        for (const Step &s : steps) {
            for (uint8_t b : s.bytes) pdi_putchar(0, b);
            for (int i = 0; i < s.ticks; i++) NXG_blink();
            shots.push_back(t != nullptr ? tcrgb::drawableRgb(*t) : tcrgb::pictureRgb(id, w_, h_));
        }
        if (t != nullptr) {
            t->close();
            *errors += nxg.NXG_win_err;
        } else {
            pdi_win_close(id);
        }
        xtest::resetState();
        return shots;
    }

private:
    xtest::TestWindow *window(Kind k) {
        if (!win_[k] && !tried_[k]) {
            tried_[k] = true;
            int depth = k == PSEUDO8 ? 8 : 24;
            if (!xtest::xvfbDisplay(depth).empty()) {
                auto t = std::make_unique<xtest::TestWindow>(w_, h_, depth);
                if (t->ok()) win_[k] = std::move(t);
            }
        }
        return win_[k].get();
    }
    int w_, h_;
    std::unique_ptr<xtest::TestWindow> win_[KINDS];
    bool tried_[KINDS] = {};
};

// Renders on every surface and compares each picture with the one drawn in
// memory. Returns false (with the failure recorded) when they differ.
bool sameEverywhere(Surfaces &s, const std::vector<Step> &steps, const std::string &what) {
    int errors = 0;
    std::vector<Rgb> ref = s.render(MEMORY, steps, &errors);
    EXPECT_EQ(ref.size(), steps.size()) << what;
    bool same = true;
    for (Kind k : {PSEUDO8, TRUE24}) {
        if (!s.available(k)) continue;
        std::vector<Rgb> got = s.render(k, steps, &errors);
        EXPECT_EQ(got.size(), steps.size()) << what << " on " << KIND_NAME[k];
        for (size_t i = 0; i < std::min(got.size(), ref.size()); i++) {
            size_t d = tcrgb::differing(ref[i], got[i]);
            EXPECT_EQ(d, 0u) << what << ": step " << i << ", " << KIND_NAME[k]
                             << " differs from memory in " << d << " pixels";
            same = same && d == 0;
        }
    }
    EXPECT_EQ(errors, 0) << what << ": X errors";
    return same && errors == 0;
}

const char *const RESET = "reset domain colour=1 screen=7 text texture blink\n";

class CrossCheck : public ::testing::Test {
protected:
    void SetUp() override {
        if (xtest::xvfbDisplay(8).empty() && xtest::xvfbDisplay(24).empty())
            GTEST_SKIP() << "no Xvfb";
    }
    void TearDown() override { xtest::resetState(); }
};

// Areas, outlines, arcs, textures, hatchings and text in several colours.
TEST_F(CrossCheck, ShapesTexturesAndText) {
    Surfaces s(320, 250);
    std::string pic = std::string(RESET) +
                      "select 128\nset-rect-filled 0 150 255 50\n"
                      "select 240\nset-poly-filled 10 20 60 80 40 -70\n"
                      "select 192\nset-arc-filled 196 150 32 0\n"
                      "select 176\nset-arc 150 100 40 0\n"
                      "texture line=2\nselect 64\nset-line 0 40 255 48 0 28 255 38\n"
                      "texture pattern=1\nselect 16 48\nset-rect-filled 20 100 60 40\n"
                      "texture pattern=2\nselect 208\nset-rect-filled 100 100 60 40\n"
                      "texture pattern=3\nselect 224 0\nset-rect-filled 170 20 60 40\n"
                      "texture pattern=5\nselect 160 112\nset-poly-filled 100 10 50 30 20 -30\n"
                      "texture pattern=0\nselect 96\npoint-set 10 190\ntext \"Pictarine 0123\"\n";
    sameEverywhere(s, {{encode(pic), 0}}, "shapes");
}

// SET COLOR of colours already on the screen, in colour-map mode and in
// direct-colour mode (which takes the lowest free entry: the background),
// inside and outside a field that clips drawing.
TEST_F(CrossCheck, SetColorOfColoursAlreadyShown) {
    Surfaces s(256, 200);
    std::vector<Step> steps = {
        {encode(std::string(RESET) + "select 16\nset-rect-filled 10 10 100 80\n"
                                     "select 32\nset-rect-filled 120 10 50 50\n"
                                     "field 0 0 60 60\nselect 48\nset-rect-filled 0 0 255 199\n"),
         0},
        {encode("select 16\ncolor 255 0 0\n"), 0},
        {encode("select 48\ncolor 0 0 255\nselect 32\ncolor 10 200 30\n"), 0},
        {encode("select\ncolor 250 250 10\nset-rect-filled 20 20 10 10\n"), 0},
    };
    sameEverywhere(s, steps, "set color");
}

// Blinking colours through their phases, tick by tick, and through a WAIT
// inside the stream.
TEST_F(CrossCheck, BlinkPhasesTickByTick) {
    Surfaces s(256, 200);
    std::vector<Step> steps = {
        {encode(std::string(RESET) + "select 16\nset-rect-filled 10 10 100 80\n"
                                     "select 48\nset-rect-filled 120 10 50 50\n"
                                     "select 64\nset-arc-filled 60 150 30 0\n"
                                     "select 16\nblink 48 3 2 0\nselect 64\nblink 0 2 2 1\n"),
         0}};
    for (int i = 0; i < 9; i++) steps.push_back({{}, 1});
    steps.push_back({encode("wait 7\nselect 48\ncolor 200 100 0\n"), 0});
    steps.push_back({{}, 3});
    sameEverywhere(s, steps, "blink");
}

// Text that runs past the bottom scrolls the picture (block copies).
TEST_F(CrossCheck, ScrollingText) {
    Surfaces s(256, 200);
    std::string pic = std::string(RESET) + "select 240\nset-rect-filled 0 0 128 199\nselect 192\n"
                                           "point-set 0 190\n";
    for (int i = 0; i < 30; i++) pic += "text \"line " + std::to_string(i) + " of text\\r\\n\"\n";
    sameEverywhere(s, {{encode(pic), 0}}, "scroll");
}

// A window larger than the drawing range (1024 pixels) on every surface.
TEST_F(CrossCheck, WindowLargerThanTheDrawingRange) {
    Surfaces s(1300, 1100);
    std::vector<Step> steps = {
        {encode(std::string(RESET) + "select 128\nset-rect-filled 0 0 255 199\n"
                                     "select 192\nset-arc-filled 100 100 50 0\n"
                                     "select 128\nblink 16 2 2 0\n"),
         0},
        {{}, 3},
    };
    sameEverywhere(s, steps, "large window");
}

// Streams of arbitrary bytes: whatever they draw, they draw alike.
TEST_F(CrossCheck, ArbitraryBytes) {
    Surfaces s(200, 160);
    uint32_t seed = 12345;
    for (int n = 0; n < 4; n++) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < 3000; i++) {
            seed = seed * 1103515245u + 12345u;
            bytes.push_back(uint8_t(seed >> 16));
        }
        sameEverywhere(s, {{bytes, 0}, {{}, 5}}, "arbitrary stream " + std::to_string(n));
    }
}

// Every corpus picture at the plug-in's usual size, and again after the 40
// blink steps that end a stream when a colour blinks.
TEST_F(CrossCheck, EveryCorpusPicture) {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(CORPUS_DIR, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file()) files.push_back(it->path().string());
    if (files.empty()) GTEST_SKIP() << "no corpus at " << CORPUS_DIR;
    std::sort(files.begin(), files.end());
    Surfaces s(512, 400);
    int differ = 0;
    for (const std::string &path : files) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        if (!sameEverywhere(s, {{bytes, 0}, {{}, 40}}, path)) differ++;
    }
    EXPECT_EQ(differ, 0) << "of " << files.size() << " pictures";
}

}  // namespace
}  // namespace naplps

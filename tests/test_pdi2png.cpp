// pdi2png as a user runs it: the PNG it writes holds, pixel for pixel, the
// colours of the picture the decoder draws on a memory surface of the same
// size, and drawn on an X display (--x11, on a private Xvfb) the same PNG;
// a missing file, a missing display or a bad option ends it with a message
// and a non-zero status.
#include <gtest/gtest.h>

#include <unistd.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "nxg/nxg.h"
#include "tests/surface_fixture.h"
#include "tests/xvfb.h"

namespace naplps {
namespace {

struct Outcome {
    int status = -1;
    std::string err;
};

// Runs pdi2png with the given environment prefix and arguments; standard
// error is kept.
// Temporary files named per process: CTest runs the tests of this file in
// parallel processes.
std::string tempName(const char *what) {
    return ::testing::TempDir() + "pdi2png_" + std::to_string(getpid()) + "_" + what;
}

Outcome pdi2png(const std::string &env, const std::string &args) {
    const std::string errFile = tempName("err.txt");
    const std::string cmd = env + " '" PDI2PNG_PATH "' " + args + " 2>'" + errFile + "' >/dev/null";
    Outcome r;
    int st = std::system(cmd.c_str());
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream in(errFile);
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::remove(errFile.c_str());
    return r;
}

struct Rgb {
    int w = 0, h = 0;
    std::vector<uint8_t> px;  // r, g, b per pixel, rows from the top
};

bool readPng(const std::string &path, Rgb *out) {
    png_image im{};
    im.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&im, path.c_str())) return false;
    im.format = PNG_FORMAT_RGB;
    out->w = int(im.width);
    out->h = int(im.height);
    out->px.resize(PNG_IMAGE_SIZE(im));
    bool ok = png_image_finish_read(&im, nullptr, out->px.data(), 0, nullptr) != 0;
    png_image_free(&im);
    return ok;
}

void noSleep(int) {}

class Pdi2png : public ::testing::Test {
protected:
    void SetUp() override { ptest::resetState(); }
    void TearDown() override { ptest::resetState(); }
};

// Runs pdi2png on the demo at 320 x 200 and reads the PNG back.
Rgb demoPng(const std::string &env, const std::string &options) {
    const std::string png = tempName("demo.png");
    Outcome r = pdi2png(env, options + " --size 320x200 --no-wait '" DEMO_PDI "' '" + png + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    Rgb got;
    EXPECT_TRUE(readPng(png, &got)) << options;
    std::remove(png.c_str());
    return got;
}

TEST_F(Pdi2png, WritesThePictureInTheColoursItShows) {
    Rgb got = demoPng("", "");
    ASSERT_EQ(got.w, 320);
    ASSERT_EQ(got.h, 200);
    // The same file drawn here, on a surface of the same size set up the
    // same way; each pixel in the colour its cell shows.
    std::ifstream in(DEMO_PDI, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    nxg.sleep_ms = noSleep;
    ptest::TestSurface t(320, 200);
    ASSERT_EQ(t.open(), 0);
    t.playArea();
    t.feed(bytes);
    std::vector<uint8_t> want(320 * 200 * 3);
    ASSERT_TRUE(NXG_read_rgb(t.id, want.data(), want.size()));
    EXPECT_EQ(got.px, want);
    const ptest::Grid g = t.grid();
    std::vector<bool> seen(16, false);
    for (const std::string &row : g)
        for (char c : row) seen[size_t(c <= '9' ? c - '0' : c - 'a' + 10)] = true;
    EXPECT_GE(std::count(seen.begin(), seen.end(), true), 4);  // a real picture, not a blank one
}

// Drawn into a window of a PseudoColor and of a TrueColor display and read
// back from its pixmap: the PNG of the memory surface.
TEST_F(Pdi2png, OnAnXDisplayTheSamePicture) {
#ifndef NAPLPS_HAVE_X11
    GTEST_SKIP() << "built without the X back end";
#endif
    NAPLPS_NEED_XVFB(8);
    NAPLPS_NEED_XVFB(24);
    const Rgb memory = demoPng("", "");
    for (int depth : {8, 24}) {
        const Rgb x11 = demoPng("DISPLAY=" + xtest::xvfbDisplay(depth), "--x11");
        EXPECT_TRUE(x11.w == 320 && x11.h == 200 && x11.px == memory.px) << "depth " << depth;
    }
}

// A description made into a stream by pdienc (without the NUL it closes
// the stream with when `open`), drawn by pdi2png in memory at 512 x 400.
Rgb render(const std::string &description, bool open = false) {
    const std::string pdt = tempName("in.pdt"), pdi = tempName("in.pdi"), png = tempName("out.png");
    std::ofstream(pdt) << description;
    Rgb got;
    if (std::system(("'" PDIENC_PATH "' '" + pdt + "' '" + pdi + "'").c_str()) == 0) {
        std::ifstream in(pdi, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (open && !bytes.empty()) bytes.pop_back();
        std::ofstream(pdi, std::ios::binary | std::ios::trunc) << bytes;
        if (pdi2png("", "--no-wait '" + pdi + "' '" + png + "'").status == 0) readPng(png, &got);
    }
    for (const std::string &f : {pdt, pdi, png}) std::remove(f.c_str());
    return got;
}
// The colour at (x, y) of the picture, y from the bottom, as 0xRRGGBB.
int colourAt(const Rgb &p, int x, int y) {
    const uint8_t *c = &p.px[(size_t(p.h - 1 - y) * size_t(p.w) + size_t(x)) * 3];
    return c[0] << 16 | c[1] << 8 | c[2];
}
// How many pixels of the box (x0, y0) .. (x1, y1), exclusive, have colour c.
int countIn(const Rgb &p, int x0, int y0, int x1, int y1, int c) {
    int n = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) n += colourAt(p, x, y) == c;
    return n;
}

// Streams as the encoders of real pictures write them: colours selected by
// two-byte single values between the shown indices, a picture built from a
// macro invoked again and again, NSR right before TEXT, and a last line of
// text that no byte follows.
TEST_F(Pdi2png, PicturesAsTheirEncodersWroteThem) {
    const int yellow = 0xFCFC00, red = 0xFC0000, black = 0;
    Rgb p = render(
        "reset domain colour=2\ndomain single=2\n"
        "select 18\ncolor 255 255 0\nset-rect-filled 0 0 64 64\n"
        "select 36\ncolor 255 0 0\nset-rect-filled 64 0 64 64\n");
    ASSERT_EQ(p.w, 512);
    EXPECT_EQ((std::vector<int>{colourAt(p, 60, 60), colourAt(p, 190, 60), colourAt(p, 300, 60)}),
              (std::vector<int>{yellow, red, black}));

    // Macro 'A' in G2: RECTANGLE FILLED 8 x 8, then POINT SET RELATIVE 8 0;
    // invoked ten times with SS2 from (0, 100): ten lights 16 pixels apart.
    std::string marquee =
        "reset domain colour=2\nselect 192\nbytes 0x1b 0x2a 0x7a\n"
        "bytes 0x80 0x41 0xb1 0xc0 0xc9 0xc0 0xa5 0xc0 0xc8 0xc0 0x85\npoint-set 0 100\n";
    for (int i = 0; i < 10; i++) marquee += "bytes 0x19 0x41\n";
    p = render(marquee);
    ASSERT_EQ(p.w, 512);
    for (int k = 0; k < 10; k++)
        EXPECT_EQ((std::vector<int>{colourAt(p, 32 * k + 8, 208), colourAt(p, 32 * k + 24, 208)}),
                  (std::vector<int>{0xFFFF00, black}))
            << "light " << k;
    EXPECT_EQ(colourAt(p, 32 * 10 + 8, 208), black);

    // NSR, then TEXT with cells of 24 x 40 pixels: "HI" from row 1, column 1,
    // with the last byte of the stream.
    p = render("bytes 0x1f\ntextmode size=12,20\nselect 192\nbytes 0x1c 0x41 0x41\ntext \"HI\"\n",
               true);
    ASSERT_EQ(p.w, 512);
    EXPECT_GT(countIn(p, 24, 40, 48, 80, 0xFFFF00), 40);  // H
    EXPECT_GT(countIn(p, 48, 40, 72, 80, 0xFFFF00), 20);  // I, in the second wide cell
    EXPECT_EQ(countIn(p, 0, 0, 512, 40, 0xFFFF00) + countIn(p, 0, 80, 512, 400, 0xFFFF00), 0);
}

TEST_F(Pdi2png, EndsWithAMessageForAMissingFileDisplayOrBadOption) {
    const std::string png = tempName("none.png");
    Outcome missing = pdi2png("", "/nonexistent/picture.nap '" + png + "'");
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("cannot read /nonexistent/picture.nap"), std::string::npos)
        << missing.err;
#ifdef NAPLPS_HAVE_X11
    Outcome noDisplay = pdi2png("env -u DISPLAY", "--x11 '" DEMO_PDI "' '" + png + "'");
    EXPECT_NE(noDisplay.status, 0);
    EXPECT_NE(noDisplay.err.find("DISPLAY"), std::string::npos) << noDisplay.err;

    Outcome badDisplay = pdi2png("DISPLAY=:9999", "--x11 '" DEMO_PDI "' '" + png + "'");
    EXPECT_NE(badDisplay.status, 0);
    EXPECT_NE(badDisplay.err.find("cannot open X display :9999"), std::string::npos)
        << badDisplay.err;
#endif
    for (const char *size : {"1x400", "0x0", "512", "5000x10", "axb"}) {
        Outcome bad = pdi2png("", std::string("--size ") + size + " '" DEMO_PDI "' '" + png + "'");
        EXPECT_NE(bad.status, 0) << size;
        EXPECT_NE(bad.err.find("--size"), std::string::npos) << size << ": " << bad.err;
    }
    Outcome noOut = pdi2png("", "'" DEMO_PDI "'");
    EXPECT_NE(noOut.status, 0);
    EXPECT_NE(noOut.err.find("usage"), std::string::npos);

    std::ifstream written(png);
    EXPECT_FALSE(written.good());  // none of them wrote a picture
}

}  // namespace
}  // namespace naplps

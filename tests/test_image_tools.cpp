// The image and display-offset tools as a user runs them: png2wngd makes an
// image file from a PNG; pdi2png --images draws the image a stream names at
// its rectangle and scale, in memory and on an 8-bit X screen alike;
// pdi2png --display-offset moves a picture by its DisplayOffset command; and
// streams naming images outside the directory, FIFOs or huge headers are
// drawn without them, promptly.
#include <gtest/gtest.h>

#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/wngd_stream.h"
#include "tests/x11_fixture.h"

namespace naplps {
namespace {

using wngdtest::Bytes;
using wngdtest::Rgb;
using wngdtest::scratchDir;
using wngdtest::writeFile;

struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> px;  // r, g, b, rows from the top
    Rgb at(int x, int y) const {
        size_t i = (size_t(y) * size_t(w) + size_t(x)) * 3;
        return {{px[i], px[i + 1], px[i + 2]}};
    }
};

bool readPng(const std::string &path, Picture *out) {
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

bool writeRgbPng(const std::string &path, int w, int h, const std::vector<uint8_t> &rgb) {
    png_image im{};
    im.version = PNG_IMAGE_VERSION;
    im.width = png_uint_32(w);
    im.height = png_uint_32(h);
    im.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&im, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

Bytes readAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a tool; its status (-1 when it did not exit normally).
int run(const std::string &cmd) {
    int st = std::system((cmd + " 2>/dev/null >/dev/null").c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string q(const std::string &s) { return "'" + s + "'"; }

const Rgb RED = {{230, 20, 20}}, BLUE = {{20, 20, 230}};

// A 4 x 2 checker of red and blue as a PNG, made into an image file.
std::string checkerImage(const std::string &name) {
    std::vector<uint8_t> rgb;
    for (int r = 0; r < 2; r++)
        for (int c = 0; c < 4; c++) {
            const Rgb &k = (c + r) % 2 ? BLUE : RED;
            rgb.insert(rgb.end(), k.begin(), k.end());
        }
    std::string png = scratchDir() + "/checker.png";
    EXPECT_TRUE(writeRgbPng(png, 4, 2, rgb));
    std::string out = scratchDir() + "/" + name;
    EXPECT_EQ(run(q(PNG2WNGD_PATH) + " " + q(png) + " " + q(out)), 0);
    return out;
}

Picture render(const std::string &stream, const std::string &options, const std::string &env = "") {
    std::string out = scratchDir() + "/render.png";
    std::remove(out.c_str());
    EXPECT_EQ(
        run(env + " " + q(PDI2PNG_PATH) + " --no-wait " + options + " " + q(stream) + " " + q(out)),
        0)
        << options;
    Picture p;
    EXPECT_TRUE(readPng(out, &p)) << options;
    return p;
}

TEST(Png2wngd, WritesHeaderPaletteUsedColoursAndIndices) {
    std::string f = checkerImage("made.wng");
    Bytes b = readAll(f);
    ASSERT_EQ(b.size(), 816u + 8u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "WNGD");
    EXPECT_EQ(b[8] << 8 | b[9], 4);
    EXPECT_EQ(b[10] << 8 | b[11], 2);
    EXPECT_EQ(b[12] << 8 | b[13], 2);
    EXPECT_EQ(b[16], 0xC0);  // colours 0 and 1 used
    for (int k = 17; k < 48; k++) EXPECT_EQ(b[size_t(k)], 0) << k;
    EXPECT_EQ(Rgb({{b[48], b[49], b[50]}}), RED);  // first seen first
    EXPECT_EQ(Rgb({{b[51], b[52], b[53]}}), BLUE);
    EXPECT_EQ(Bytes(b.begin() + 816, b.end()), (Bytes{0, 1, 0, 1, 1, 0, 1, 0}));

    // More than 256 colours, a missing file and wrong arguments fail.
    std::vector<uint8_t> many;
    for (int i = 0; i < 300; i++) many.insert(many.end(), {uint8_t(i), uint8_t(i >> 8), 7});
    std::string png = scratchDir() + "/many.png";
    ASSERT_TRUE(writeRgbPng(png, 300, 1, many));
    EXPECT_EQ(run(q(PNG2WNGD_PATH) + " " + q(png) + " " + q(scratchDir() + "/many.wng")), 1);
    EXPECT_EQ(run(q(PNG2WNGD_PATH) + " " + q(scratchDir() + "/none.png") + " x.wng"), 1);
    EXPECT_EQ(run(q(PNG2WNGD_PATH) + " only-one"), 2);
}

// The demo picture followed by an image message for `name` at (64, 48),
// 128 x 64 pixels of the 512-pixel unit screen.
std::string demoWithImage(const std::string &name) {
    Bytes s = readAll(DEMO_PDI);
    Bytes msg = wngdtest::imageMessage(64 * 32, 48 * 32, 128 * 32, 64 * 32, name);
    s.insert(s.end(), msg.begin(), msg.end());
    return writeFile("demo_image.pdi", s);
}

TEST(Pdi2pngImages, DrawsTheStreamsImageAtItsRectangleAndScale) {
    std::string dir = scratchDir() + "/imgdir";
    mkdir(dir.c_str(), 0700);
    checkerImage("imgdir/checker.wng");
    std::string stream = demoWithImage("Checker.WNG");
    Picture plain = render(stream, "");
    Picture drawn = render(stream, "--images " + q(dir));
    ASSERT_EQ(drawn.w, 512);
    ASSERT_EQ(drawn.h, 400);
    const int X = 64, top = 399 - (48 + 64);
    int bad = 0;
    for (int y = 0; y < 400; y++)
        for (int x = 0; x < 512; x++) {
            bool inside = x >= X && x < X + 128 && y >= top && y < top + 64;
            Rgb want = inside ? (((x - X) / 32 + (y - top) / 32) % 2 ? BLUE : RED) : plain.at(x, y);
            if (drawn.at(x, y) != want && bad++ < 5) ADD_FAILURE() << "(" << x << ", " << y << ")";
        }

    // The same on an 8-bit PseudoColor X screen, in image cells.
    std::string display = xtest::xvfbDisplay(8);
    if (display.empty()) GTEST_SKIP() << "no Xvfb for the X11 half";
    Picture x11 = render(stream, "--x11 --images " + q(dir), "DISPLAY=" + display);
    EXPECT_TRUE(x11.px == drawn.px);
}

TEST(Pdi2pngImages, HostileNamesAndHeadersAreDrawnWithoutTheImagePromptly) {
    std::string dir = scratchDir() + "/hostile";
    mkdir(dir.c_str(), 0700);
    checkerImage("outside.wng");
    std::string fifo = scratchDir() + "/fifo.wng";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    unlink((dir + "/inner.wng").c_str());
    ASSERT_EQ(mkfifo((dir + "/inner.wng").c_str(), 0600), 0);
    // A header that claims 65535 x 65535 pixels on a file of a few bytes.
    writeFile("hostile/huge.wng", wngdtest::wngdFile(65535, 65535, {RED, BLUE}, Bytes(64, 1)));
    Picture plain = render(demoWithImage("none"), "");
    for (const std::string &name :
         {std::string("../outside.wng"), fifo, std::string("inner.wng"), std::string("huge.wng")}) {
        Picture p = render(demoWithImage(name), "--images " + q(dir));
        EXPECT_TRUE(p.px == plain.px) << name;
    }
}

TEST(Pdi2pngDisplayOffset, MovesThePictureByItsCommand) {
    Bytes s = wngdtest::textMessage("[DisplayOffset mode=512 x=40 y=24]");
    Bytes demo = readAll(DEMO_PDI);
    s.insert(s.end(), demo.begin(), demo.end());
    std::string stream = writeFile("demo_offset.pdi", s);
    Picture plain = render(stream, "");
    Picture moved = render(stream, "--display-offset");
    // Scale 512 (0.8 of the 640-pixel screen the offsets are given in), 40
    // pixels right and 24 down; the clip starts at the new origin.
    int bad = 0;
    for (int y = 24; y < 400; y++)
        for (int x = 0; x < 472; x++)
            if (moved.at(x + 40, y) != plain.at(x, y - 24) && bad++ < 5)
                ADD_FAILURE() << "(" << x << ", " << y << ")";
    EXPECT_NE(moved.px, plain.px);
    // A file without the command is drawn as without the option.
    std::string bare = writeFile("demo_bare.pdi", demo);
    EXPECT_TRUE(render(bare, "--display-offset").px == render(bare, "").px);
}

}  // namespace
}  // namespace naplps

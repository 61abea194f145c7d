// The display-offset pre-scan: files with and without a DisplayOffset
// command in, origin, scale and clip out; hostile files and paths refused;
// and the scan, a pass of its own, leaves a picture being decoded exactly
// as it would be without it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <random>
#include <iterator>
#include <string>
#include <vector>

#include "decoder/api.h"
#include "decoder/displayoffset.h"
#include "decoder/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "tests/wngd_stream.h"
#include "interp/state.h"

namespace naplps {
namespace {

using wngdtest::Bytes;
using wngdtest::textMessage;
using wngdtest::writeFile;

struct Result {
    int status = 0;
    int ox = 0, oy = 0, ratio = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

Result apply(const std::string &path, int x, int y, int ratio) {
    Result r;
    r.status = pdi_set_displayoffset(path.c_str(), x, y, ratio, &r.ox, &r.oy, &r.ratio, &r.x1,
                                     &r.y1, &r.x2, &r.y2);
    return r;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class DisplayOffset : public ::testing::Test {
protected:
    void SetUp() override { pdi_load_state(); }
    void TearDown() override { pdi_load_state(); }
};

TEST_F(DisplayOffset, ScaledModeMovesAndScalesFromA640PixelScreen) {
    std::string f = writeFile("do_512.pdi", textMessage("[DisplayOffset mode=512 x=10 y=20]"));
    Result r = apply(f, 0, 0, 640);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.ratio, 512);
    EXPECT_EQ(r.ox, 10);
    EXPECT_EQ(r.oy, -20);
    EXPECT_EQ(r.x1, 10);
    EXPECT_EQ(r.y1, 0);  // -20 clamped
    EXPECT_EQ(r.x2, 521);
    EXPECT_EQ(r.y2, 388);
    // The live drawing state is what the outputs say.
    EXPECT_EQ(ras.pen.Scr_Ratio, 512);
    EXPECT_EQ(ras.pen.OriginX, 10);
    EXPECT_EQ(ras.pen.OriginY, -20);
    EXPECT_EQ(ras.VRAM_x_max, 521);

    r = apply(f, 0, 0, 800);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.ratio, 640);
    EXPECT_EQ(r.ox, 12);
    EXPECT_EQ(r.oy, -25);
}

TEST_F(DisplayOffset, KeysThatAreAbsentKeepTheirDefaults) {
    std::string f = writeFile("do_bare.pdi", textMessage("DisplayOffset"));
    int32_t mode = -1, x = -1, y = -1;
    EXPECT_EQ(_npGetDisplayOffset(f.c_str(), &mode, &x, &y), 1);
    EXPECT_EQ(mode, 512);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    Result r = apply(f, 16, 8, 640);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.ratio, 512);
    EXPECT_EQ(r.ox, 16);
    EXPECT_EQ(r.oy, 8);

    // Only y given, ended by the bracket.
    f = writeFile("do_y.pdi", textMessage("xx[DisplayOffset y=7]"));
    EXPECT_EQ(_npGetDisplayOffset(f.c_str(), &mode, &x, &y), 1);
    EXPECT_EQ(mode, 512);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 7);
}

TEST_F(DisplayOffset, RowModeMovesOnlyDown) {
    std::string f = writeFile("do_640.pdi", textMessage("DisplayOffset mode=640 x=50 y=8"));
    Result r = apply(f, 24, 100, 640);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.ratio, 640);
    EXPECT_EQ(r.ox, 24);
    EXPECT_EQ(r.oy, 92);
    EXPECT_EQ(r.x2, 24 + 640 - 1);
    EXPECT_EQ(r.y2, 92 + 512 - 1);
}

TEST_F(DisplayOffset, WithoutACommandOriginAndScaleStayAndTheClipFollowsThem) {
    std::string f =
        writeFile("do_none.pdi", cat({Bytes{'A', 'B', 0x0C}, textMessage("Display Offset")}));
    Result r = apply(f, 0, 0, 640);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.ox, 0);
    EXPECT_EQ(r.oy, 0);
    EXPECT_EQ(r.ratio, 640);
    EXPECT_EQ(r.x1, 0);
    EXPECT_EQ(r.y1, 0);
    EXPECT_EQ(r.x2, 639);
    EXPECT_EQ(r.y2, 511);
    int32_t mode = 0, x = 0, y = 0;
    EXPECT_EQ(_npGetDisplayOffset(f.c_str(), &mode, &x, &y), 0);
    // A command with mode 0 is no command either.
    f = writeFile("do_mode0.pdi", textMessage("DisplayOffset mode=0 x=30"));
    r = apply(f, 0, 0, 640);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.ox, 0);
}

TEST_F(DisplayOffset, TheCommandIsFoundWhereverTheMachineMeetsIt) {
    // After text, controls, a macro definition, incremental data and a
    // message with a wrong check byte; its codes in the 7-bit form.
    Bytes before = {'H',  'i',  0x0C, 0x0D, 0x0A, 0x80, 'A',  0xB0, 0xC1, 0x85, 0xB9, 0xC8,
                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x1B, 0x29, 0x7A};
    Bytes bad = textMessage("DisplayOffset mode=512 x=99 y=99", false, 1);
    Bytes good = textMessage("DisplayOffset mode=512 x=40 y=4", true);
    std::string f = writeFile("do_mixed.pdi", cat({before, bad, good, Bytes(3000, 0x41)}));
    int32_t mode = 0, x = 0, y = 0;
    EXPECT_EQ(_npGetDisplayOffset(f.c_str(), &mode, &x, &y), 1);
    EXPECT_EQ(mode, 512);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 4);

    // Byte by byte: only the code that completes the message reports it.
    pdi_open();
    Bytes msg = textMessage("DisplayOffset x=3");
    int hits = 0;
    for (size_t i = 0; i < msg.size(); i++) {
        int r = _pdi_chk_displayoffset(0, msg[i], &mode, &x, &y);
        hits += r;
        if (r) {
            EXPECT_EQ(i, msg.size() - 1);
        }
    }
    EXPECT_EQ(hits, 1);
    EXPECT_EQ(x, 3);
    // An image message is no command.
    Bytes image = wngdtest::imageMessage(0, 0, 100, 100, "DisplayOffset");
    hits = 0;
    for (uint8_t b : image) hits += _pdi_chk_displayoffset(0, b, &mode, &x, &y);
    EXPECT_EQ(hits, 0);
}

TEST_F(DisplayOffset, HostileFilesAndValuesAreRefusedOrSaturated) {
    int32_t mode = 0, x = 0, y = 0;
    std::string dir = wngdtest::scratchDir();
    EXPECT_EQ(_npGetDisplayOffset((dir + "/missing.pdi").c_str(), &mode, &x, &y), -1);
    EXPECT_EQ(_npGetDisplayOffset(dir.c_str(), &mode, &x, &y), -1);  // a directory
    EXPECT_EQ(_npGetDisplayOffset(nullptr, &mode, &x, &y), -1);
    // A FIFO with no writer: refused at once, never waited on.
    std::string fifo = dir + "/do_fifo";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Result r = apply(fifo, 0, 0, 640);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.x2, 639);
    // A path of 512 characters does not fit; one of 511 is looked at.
    std::string longPath = dir + "/" + std::string(600, 'a');
    EXPECT_EQ(_npGetDisplayOffset(longPath.substr(0, 512).c_str(), &mode, &x, &y), -1);
    std::string f = writeFile("do_ok.pdi", textMessage("DisplayOffset x=1"));
    std::string padded = std::string(511 - f.size(), '/') + f;  // same file, 511 characters
    EXPECT_EQ(_npGetDisplayOffset(padded.c_str(), &mode, &x, &y), 1);

    // Numbers past the range of int saturate, whatever their sign.
    f = writeFile("do_big.pdi",
                  textMessage("DisplayOffset mode=512 x=99999999999999 y=-99999999999999"));
    EXPECT_EQ(_npGetDisplayOffset(f.c_str(), &mode, &x, &y), 1);
    EXPECT_EQ(x, INT32_MAX);
    EXPECT_EQ(y, INT32_MIN);
    r = apply(f, 0, 0, 640);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.ox, INT32_MAX);
    EXPECT_EQ(r.oy, INT32_MAX);
    EXPECT_EQ(r.x1, 1023);
    EXPECT_EQ(r.y2, 1023);

    // A scale of 0 or below is refused: origin and ratio stay as passed.
    f = writeFile("do_scale.pdi", textMessage("DisplayOffset mode=512 x=10 y=10"));
    for (int ratio : {1, 0, -640}) {
        r = apply(f, 8, 8, ratio);
        EXPECT_EQ(r.status, -1) << ratio;
        EXPECT_EQ(r.ratio, ratio);
        EXPECT_EQ(r.ox, 8);
        EXPECT_EQ(r.oy, 8);
    }
}

TEST_F(DisplayOffset, RandomFilesAreScannedWithoutHarm) {
    // Random bytes, and random bytes rich in EDC codes and escapes: every
    // scan ends, and the live state is as it was.
    std::mt19937 rng(11);
    ras.pen.Scr_Ratio = 512;
    dec.procmode = PM_PDI;
    dec.Len = 3;
    for (int n = 0; n < 200; n++) {
        Bytes f(1 + rng() % 4000);
        for (uint8_t &b : f) {
            uint32_t v = rng();
            b = n % 2 ? uint8_t(v)
                      : uint8_t((v & 7) < 5    ? 0x91 + (v >> 3) % 4
                                : (v & 7) == 5 ? 0x1B
                                               : v >> 8);
        }
        if (n % 3 == 0) {
            Bytes cmd = textMessage("DisplayOffset mode=" + std::to_string(int32_t(rng())) +
                                    " x=" + std::to_string(int32_t(rng())) +
                                    " y=" + std::to_string(int32_t(rng())));
            f.insert(f.begin() + long(f.size() / 2), cmd.begin(), cmd.end());
        }
        std::string path = writeFile("do_random.pdi", f);
        int32_t mode = 0, x = 0, y = 0;
        int r = _npGetDisplayOffset(path.c_str(), &mode, &x, &y);
        EXPECT_TRUE(r == 0 || r == 1);
        Result res = apply(path, 0, 0, 640);
        EXPECT_TRUE(res.status == 1 || res.status == -1);
        EXPECT_GE(res.x1, 0);
        EXPECT_LE(res.x2, 1023);
        EXPECT_EQ(dec.procmode, PM_PDI);
        EXPECT_EQ(dec.Len, 3);
    }
}

std::vector<uint8_t> readAll(const char *path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

// The demo picture decoded on the memory surface, with `between` called
// after `split` bytes.
template <typename F>
std::vector<uint8_t> demo(size_t split, F between) {
    pdi_load_state();
    int id = -1;
    EXPECT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, 512, 400), 0);
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, 511, 399);
    std::vector<uint8_t> bytes = readAll(DEMO_PDI);
    EXPECT_GT(bytes.size(), split);
    for (size_t i = 0; i < bytes.size(); i++) {
        if (i == split) between();
        pdi_putchar(0, bytes[i]);
    }
    std::vector<uint8_t> rgb(512 * 400 * 3);
    EXPECT_TRUE(NXG_read_rgb(id, rgb.data(), rgb.size()));
    pdi_win_close(id);
    return rgb;
}

TEST_F(DisplayOffset, TheScanLeavesThePictureBeingDecodedAsItWas) {
    // A file that, decoded, would clear the screen, write text, paint
    // incremental pels, designate other sets and shift them in.
    Bytes busy = {0xB9, 0xC8};
    busy.insert(busy.end(), 40, 0xFF);
    Bytes tail = {0x0C, 0x1B, 0x29, 0x7A, 0x0E, 'H',  'E',  'L',
                  'L',  'O',  0x0F, 0x0D, 0x0A, 0x1C, 0x45, 0x45};
    busy.insert(busy.end(), tail.begin(), tail.end());
    busy.push_back(0x80);  // a macro definition left open
    busy.push_back('M');
    Bytes withCommand = busy;
    Bytes cmd = textMessage("DisplayOffset mode=512 x=10 y=10");
    withCommand.insert(withCommand.end(), cmd.begin(), cmd.end());
    withCommand.insert(withCommand.end(), busy.begin(), busy.end());
    std::string plain = writeFile("do_busy.pdi", busy);
    std::string found = writeFile("do_busy_cmd.pdi", withCommand);

    const size_t split = readAll(DEMO_PDI).size() / 2;
    std::vector<uint8_t> reference = demo(split, [] {});
    // The same file decoded as a picture does change it.
    std::vector<uint8_t> decoded = demo(split, [&] { pdi_put(0, busy.data(), int(busy.size())); });
    EXPECT_NE(decoded, reference);

    for (const std::string &path : {plain, found}) {
        std::vector<uint8_t> scanned = demo(split, [&] {
            Decoder before = dec;
            int32_t cx = ip.PhyCursX, cy = ip.PhyCursY;
            int32_t mode = 0, x = 0, y = 0;
            _npGetDisplayOffset(path.c_str(), &mode, &x, &y);
            EXPECT_EQ(dec.procmode, before.procmode);
            EXPECT_EQ(dec.Len, before.Len);
            EXPECT_EQ(0, std::memcmp(dec.Gset, before.Gset, sizeof dec.Gset));
            EXPECT_EQ(0, std::memcmp(dec.GPG, before.GPG, sizeof dec.GPG));
            EXPECT_EQ(dec.DefiningFlag, before.DefiningFlag);
            EXPECT_EQ(ip.PhyCursX, cx);
            EXPECT_EQ(ip.PhyCursY, cy);
        });
        EXPECT_TRUE(scanned == reference) << path;
    }
    // The reduced machine itself calls no executor: fed straight into the
    // live state halfway through the picture, the scan file draws nothing.
    demo(split, [&] {
        int id = nxg.SW1_id;
        std::vector<uint8_t> rgb(512 * 400 * 3);
        EXPECT_TRUE(NXG_read_rgb(id, rgb.data(), rgb.size()));
        int32_t mode = 0, x = 0, y = 0;
        for (uint8_t b : withCommand) _pdi_chk_displayoffset(0, b, &mode, &x, &y);
        std::vector<uint8_t> after(rgb.size());
        EXPECT_TRUE(NXG_read_rgb(id, after.data(), after.size()));
        EXPECT_TRUE(after == rgb);
    });
}

}  // namespace
}  // namespace naplps

// pdi2gif as a user runs it: streams written in pdienc's language, the GIF
// read back with giflib and played frame by frame (transparency and frame
// rectangles as a player applies them). Each frame is compared with the
// picture the decoder draws for the stream up to that moment, and each
// delay with the time the stream's WAITs and blink phases take.
#include <gtest/gtest.h>

#include <gif_lib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoder/api.h"
#include "interp/blink.h"
#include "nxg/nxg.h"

namespace naplps {
namespace {

constexpr int W = 256, H = 200;

std::string tempName(const std::string &what) {
    return ::testing::TempDir() + "pdi2gif_" + std::to_string(getpid()) + "_" + what;
}

std::vector<uint8_t> readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

void writeFile(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

// A stream from a description in pdienc's language.
std::vector<uint8_t> encode(const std::string &text) {
    const std::string out = tempName("enc.pdi");
    FILE *p = popen(("'" PDIENC_PATH "' - '" + out + "'").c_str(), "w");
    std::fputs(text.c_str(), p);
    EXPECT_EQ(pclose(p), 0) << text;
    std::vector<uint8_t> bytes = readFile(out);
    std::remove(out.c_str());
    return bytes;
}

int run(const std::string &args) {
    int st = std::system(("'" PDI2GIF_PATH "' " + args + " 2>/dev/null").c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// ---- the GIF as a player shows it ----

struct Frame {
    int delayCs = 0;
    int x = 0, y = 0, w = 0, h = 0;  // the frame's rectangle
    std::vector<uint8_t> picture;    // RGB of the whole screen after it
};

struct Animation {
    bool ok = false;
    int w = 0, h = 0;
    bool loops = false;
    std::vector<Frame> frames;
    long totalCs() const {
        long t = 0;
        for (const Frame &f : frames) t += f.delayCs;
        return t;
    }
};

Animation readGif(const std::string &path) {
    Animation a;
    int err = 0;
    GifFileType *gif = DGifOpenFileName(path.c_str(), &err);
    if (!gif) return a;
    if (DGifSlurp(gif) == GIF_ERROR) {
        DGifCloseFile(gif, &err);
        return a;
    }
    a.w = gif->SWidth;
    a.h = gif->SHeight;
    std::vector<uint8_t> screen(size_t(a.w) * a.h * 3, 0);
    a.ok = gif->ImageCount > 0;
    for (int i = 0; i < gif->ImageCount && a.ok; i++) {
        const SavedImage &im = gif->SavedImages[i];
        for (int e = 0; e + 1 < im.ExtensionBlockCount; e++)
            if (im.ExtensionBlocks[e].Function == APPLICATION_EXT_FUNC_CODE &&
                im.ExtensionBlocks[e].ByteCount == 11 &&
                std::memcmp(im.ExtensionBlocks[e].Bytes, "NETSCAPE2.0", 11) == 0)
                a.loops = true;
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, i, &gcb);
        // Every frame is drawn over the ones before.
        a.ok = gcb.DisposalMode == DISPOSE_DO_NOT || gcb.DisposalMode == DISPOSAL_UNSPECIFIED;
        const GifImageDesc &d = im.ImageDesc;
        const ColorMapObject *map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        a.ok = a.ok && map && d.Left >= 0 && d.Top >= 0 && d.Left + d.Width <= a.w &&
               d.Top + d.Height <= a.h && !d.Interlace;
        for (int y = 0; a.ok && y < d.Height; y++)
            for (int x = 0; x < d.Width; x++) {
                int c = im.RasterBits[size_t(y) * d.Width + x];
                if (c == gcb.TransparentColor) continue;
                if (c >= map->ColorCount) a.ok = false;
                if (!a.ok) break;
                uint8_t *o = &screen[(size_t(d.Top + y) * a.w + d.Left + x) * 3];
                o[0] = map->Colors[c].Red;
                o[1] = map->Colors[c].Green;
                o[2] = map->Colors[c].Blue;
            }
        a.frames.push_back({gcb.DelayTime, d.Left, d.Top, d.Width, d.Height, screen});
    }
    DGifCloseFile(gif, &err);
    return a;
}

Animation gifOf(const std::vector<uint8_t> &stream, const std::string &options = "") {
    const std::string in = tempName("in.pdi"), out = tempName("out.gif");
    writeFile(in, stream);
    int st = run(options + " '" + in + "' '" + out + "'");
    EXPECT_EQ(st, 0);
    Animation a = readGif(out);
    EXPECT_TRUE(a.ok) << "not a GIF a player can show";
    std::remove(in.c_str());
    std::remove(out.c_str());
    return a;
}

// ---- the decoder's own picture ----

long pausedMs = 0;
void countPause(int ms) { pausedMs += ms; }

// The picture the decoder draws for the bytes on the in-memory surface (set
// up as the tools set it up), and the time its WAITs pause.
struct Drawn {
    std::vector<uint8_t> picture;
    long pauseMs = 0;
};

Drawn draw(const std::vector<uint8_t> &bytes, int w = W, int h = H) {
    Drawn d;
    pdi_load_state();
    pausedMs = 0;
    int id = -1;
    EXPECT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, w, h), 0);
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, w - 1, h - 1);
    for (uint8_t b : bytes) {
        pdi_putchar(0, b);
        for (; pdi_wait_ticks(0) > 0; pdi_tick(0)) countPause(BLINK_TICK_MS);
    }
    d.picture.resize(size_t(w) * h * 3);
    EXPECT_TRUE(NXG_read_rgb(id, d.picture.data(), d.picture.size()));
    pdi_win_close(id);
    pdi_load_state();
    d.pauseMs = pausedMs;
    return d;
}

std::vector<uint8_t> pictureOf(const std::string &description) {
    std::vector<uint8_t> bytes = encode(description);
    return draw(bytes).picture;
}

// ---- the streams ----

// Two rectangles, each followed by a WAIT; the second one's colour (64)
// then blinks to colour 96 with phases of 3 ticks.
const char kColours[] =
    "reset domain colour=1 screen=7\n"
    "select 32\ncolor 255 0 0\n"
    "select 64\ncolor 0 255 0\n"
    "select 96\ncolor 0 0 255\n";
const char kFirst[] = "select 32\nset-rect-filled 10 10 40 30\n";
const char kSecond[] = "select 64\nset-rect-filled 70 10 40 30\n";
const char kSecondOn[] = "select 96\nset-rect-filled 70 10 40 30\n";
const char kBlink[] = "select 64\nblink 96 3 3 0\n";

TEST(Pdi2gif, SlideshowWithBlinkFramesAtEachWaitThenTheBlinkCycleOnce) {
    const std::string start = kColours;
    std::vector<uint8_t> first = pictureOf(start + kFirst);
    std::vector<uint8_t> second = pictureOf(start + kFirst + kSecond);
    std::vector<uint8_t> on = pictureOf(start + kFirst + kSecondOn);
    ASSERT_NE(second, on);

    // WAIT 4 pauses 2 ticks and WAIT 6 three; the blink turns on one tick
    // after the stream ends, then stays 3 ticks on and 3 off. In 3 seconds:
    // 0.5 s of pauses, the tick before the cycle, 4 cycles of 0.6 s.
    Animation a = gifOf(encode(start + kFirst + "wait 4\n" + kSecond + "wait 6\n" + kBlink),
                        "--max-seconds 3 --size 256x200");
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.w, W);
    EXPECT_EQ(a.h, H);
    EXPECT_FALSE(a.loops);
    ASSERT_EQ(a.frames.size(), 11u);
    const std::vector<int> delays = {20, 40, 30, 30, 30, 30, 30, 30, 30, 30, 0};
    for (size_t i = 0; i < a.frames.size(); i++) {
        const std::vector<uint8_t> &want = i == 0 ? first : i == 1 || i % 2 == 1 ? second : on;
        EXPECT_EQ(a.frames[i].delayCs, delays[i]) << "frame " << i;
        EXPECT_TRUE(a.frames[i].picture == want) << "frame " << i;
    }
    // The picture held at the end: the blink cycle's first phase.
    EXPECT_TRUE(a.frames.back().picture == on);
    // After the first frame only the changed rectangle is sent: the blinking
    // rectangle, which lies in the right half of the picture.
    for (size_t i = 1; i < a.frames.size(); i++) {
        EXPECT_GE(a.frames[i].x, W / 2) << "frame " << i;
        EXPECT_LT(a.frames[i].w * a.frames[i].h, W * H / 8) << "frame " << i;
    }
}

TEST(Pdi2gif, BlinkWithoutPausesIsOneCycleLoopedAndAStillPictureOneFrame) {
    const std::string start = kColours;
    std::vector<uint8_t> off = pictureOf(start + kFirst + kSecond);
    std::vector<uint8_t> on = pictureOf(start + kFirst + kSecondOn);

    Animation blink = gifOf(encode(start + kFirst + kSecond + kBlink), "--size 256x200");
    ASSERT_TRUE(blink.ok);
    EXPECT_TRUE(blink.loops);
    ASSERT_EQ(blink.frames.size(), 2u);
    EXPECT_TRUE(blink.frames[0].picture == on);
    EXPECT_TRUE(blink.frames[1].picture == off);
    EXPECT_EQ(blink.frames[0].delayCs, 30);
    EXPECT_EQ(blink.frames[1].delayCs, 30);

    // Unequal phases of two colours: 2 on / 4 off and 3 on / 3 off repeat
    // together every 6 ticks.
    Animation two = gifOf(encode(start + kFirst + kSecond + "select 32\nblink 96 2 4 0\n" + kBlink),
                          "--size 256x200");
    ASSERT_TRUE(two.ok);
    EXPECT_TRUE(two.loops);
    EXPECT_EQ(two.totalCs(), 60);
    EXPECT_GE(two.frames.size(), 3u);

    Animation still = gifOf(encode(start + kFirst + kSecond), "--size 256x200");
    ASSERT_TRUE(still.ok);
    EXPECT_FALSE(still.loops);
    ASSERT_EQ(still.frames.size(), 1u);
    EXPECT_TRUE(still.frames[0].picture == off);
}

// Pauses with nothing drawn between them make one frame, and beyond
// --max-seconds the rest of the stream is drawn at once.
TEST(Pdi2gif, PausesMergeAndTheLimitCutsTheTimeButNotThePicture) {
    const std::string start = kColours;
    std::string text = start + kFirst + "wait 10\nwait 10\n" + kSecond + "wait 63\n" +
                       "select 96\nset-rect-filled 10 60 40 30\n";
    std::vector<uint8_t> bytes = encode(text);
    Drawn whole = draw(bytes);
    ASSERT_EQ(whole.pauseMs, 500 + 500 + 3200);

    Animation a = gifOf(bytes, "--size 256x200");
    ASSERT_EQ(a.frames.size(), 3u);
    EXPECT_EQ(a.frames[0].delayCs, 100);
    EXPECT_EQ(a.frames[1].delayCs, 320);
    EXPECT_TRUE(a.frames[0].picture == pictureOf(start + kFirst));
    EXPECT_TRUE(a.frames[2].picture == whole.picture);

    Animation cut = gifOf(bytes, "--max-seconds 1 --size 256x200");
    ASSERT_EQ(cut.frames.size(), 2u);
    EXPECT_EQ(cut.frames[0].delayCs, 100);
    EXPECT_TRUE(cut.frames[1].picture == whole.picture);
}

TEST(Pdi2gif, BadCommandLinesAndFilesEndWithAStatus) {
    const std::string in = tempName("bad.pdi"), out = tempName("bad.gif");
    writeFile(in, encode(kColours));
    EXPECT_EQ(run("--help >/dev/null"), 0);
    EXPECT_EQ(run("'" + in + "'"), 2);
    EXPECT_EQ(run("--max-seconds 0 '" + in + "' '" + out + "'"), 2);
    EXPECT_EQ(run("--size 1x5 '" + in + "' '" + out + "'"), 2);
    EXPECT_EQ(run("--frames '" + in + "' '" + out + "'"), 2);
    EXPECT_EQ(run("'" + in + ".missing' '" + out + "'"), 1);
    EXPECT_EQ(run("'" + in + "' /nonexistent/dir/x.gif"), 1);
    std::remove(in.c_str());
}

// Slideshow pictures of the corpus: a frame at each pause that showed
// something new, the pauses' time in the delays, the decoder's final
// picture last.
TEST(Pdi2gif, CorpusSlideshowsFollowTheirWaits) {
    const std::vector<std::string> files = {"art/naplps08.nap", "art/naplps00.nap",
                                            "wetzel/IBM14.nap", "wetzel/UNITED1.nap"};
    int seen = 0;
    for (const std::string &name : files) {
        std::vector<uint8_t> bytes = readFile(std::string(CORPUS_DIR) + "/" + name);
        if (bytes.empty()) continue;
        seen++;
        Drawn d = draw(bytes, 512, 400);
        ASSERT_GT(d.pauseMs, 0) << name;
        Animation a = gifOf(bytes, "--max-seconds 600");
        ASSERT_TRUE(a.ok) << name;
        EXPECT_FALSE(a.loops) << name;
        EXPECT_GE(a.frames.size(), 2u) << name;
        EXPECT_EQ(a.totalCs() * 10, d.pauseMs) << name;
        EXPECT_TRUE(a.frames.back().picture == d.picture) << name;
        for (size_t i = 1; i < a.frames.size(); i++)
            EXPECT_NE(a.frames[i].picture, a.frames[i - 1].picture) << name << " frame " << i;
    }
    if (seen == 0) GTEST_SKIP() << "corpus not found in " << CORPUS_DIR;
}

}  // namespace
}  // namespace naplps

// The C interface of the web build, called natively as the page's script
// calls it: pictures fed, ticked and read in any interleaving, pauses that
// stop feeding, blinking after the end, and its limits.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "web/naplps_web.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readFile(const std::string &path) {
    Bytes out;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

// A stream from a pdienc description.
Bytes encode(const std::string &text) {
    const std::string out = ::testing::TempDir() + "webapi_" + std::to_string(getpid()) + ".pdi";
    FILE *p = popen(("'" PDIENC_PATH "' - '" + out + "'").c_str(), "w");
    std::fputs(text.c_str(), p);
    EXPECT_EQ(pclose(p), 0) << text;
    Bytes bytes = readFile(out);
    std::remove(out.c_str());
    return bytes;
}

Bytes rgba(int h) {
    const uint8_t *p = naplps_rgba(h);
    if (!p) return {};
    return Bytes(p, p + size_t(naplps_width(h)) * size_t(naplps_height(h)) * 4);
}

// One pixel (x, y from the top) as 0xRRGGBB.
uint32_t pixel(const Bytes &pic, int width, int x, int y) {
    const uint8_t *p = pic.data() + (size_t(y) * size_t(width) + size_t(x)) * 4;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

// A picture played as a page plays it with no-wait: every byte, each
// pause's ticks in one call, the end, and the end-of-stream blink ticks in
// one call.
Bytes playAlone(const Bytes &bytes, int w, int h) {
    int pic = naplps_open(w, h);
    EXPECT_GE(pic, 0);
    size_t at = 0;
    while (at < bytes.size()) {
        int n = naplps_feed(pic, bytes.data() + at, int(bytes.size() - at));
        EXPECT_GE(n, 0);
        at += size_t(n);
        EXPECT_EQ(naplps_tick(pic, naplps_wait_ticks(pic)), 0);
    }
    if (naplps_end(pic) == 1) naplps_tick(pic, NAPLPS_END_BLINK_STEPS);
    Bytes out = rgba(pic);
    naplps_close(pic);
    return out;
}

// A picture being played in turns with others, a tick a turn.
struct Player {
    const Bytes *bytes;
    int pic = -1;
    size_t at = 0;
    int blinkLeft = -1;  // -1 until the end; then ticks still to run

    bool done() const { return blinkLeft == 0; }
    // One turn: a tick when paused or blinking, else a chunk of bytes.
    void turn(size_t chunk) {
        if (blinkLeft > 0) {
            naplps_tick(pic, 1);
            blinkLeft--;
        } else if (naplps_wait_ticks(pic) > 0) {
            naplps_tick(pic, 1);
        } else if (at < bytes->size()) {
            size_t n = std::min(chunk, bytes->size() - at);
            int fed = naplps_feed(pic, bytes->data() + at, int(n));
            ASSERT_GE(fed, 0);
            at += size_t(fed);
        } else if (blinkLeft < 0) {
            blinkLeft = naplps_end(pic) == 1 ? NAPLPS_END_BLINK_STEPS : 0;
        }
    }
};

std::vector<std::string> corpusFiles() {
    std::vector<std::string> files;
    std::vector<std::string> dirs = {CORPUS_DIR};
    while (!dirs.empty()) {
        std::string d = dirs.back();
        dirs.pop_back();
        DIR *dir = opendir(d.c_str());
        if (!dir) continue;
        while (dirent *e = readdir(dir)) {
            if (e->d_name[0] == '.') continue;
            std::string p = d + "/" + e->d_name;
            if (DIR *sub = opendir(p.c_str())) {
                closedir(sub);
                dirs.push_back(p);
            } else {
                files.push_back(p);
            }
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Pixel column and row of a point in description units (the unit screen
// is 512 pixels wide: 2 pixels a unit; y from the bottom of a 400-row
// picture).
int at(int x) { return 2 * x; }
int row(int y) { return 399 - 2 * y; }

const char kBlinkingSquare[] =
    "reset domain colour=1 screen=7 blink\n"
    "select 32\ncolor 255 0 0\nselect 48\ncolor 0 0 255\nselect 32\n"
    "set-rect-filled 100 70 56 56\nblink 48 5 5 0\n";

// Two rectangles with a pause of `wait` between them.
std::string twoRects(int wait) {
    return "reset domain colour=1 screen=7\n"
           "select 192\nset-rect-filled 10 10 40 40\n"
           "wait " +
           std::to_string(wait) +
           "\n"
           "select 32\nset-rect-filled 150 100 40 40\n";
}

TEST(WebApi, PicturesPlayedTogetherEqualEachPlayedAlone) {
    // Pictures whose pauses and blinking run on their own ticks while the
    // others are fed: each ends exactly as when played alone.
    std::vector<Bytes> pictures = {readFile(SOURCE_DIR "/examples/demo.pdi"),
                                   encode(kBlinkingSquare), encode(twoRects(9))};
    for (const std::string &f : corpusFiles()) pictures.push_back(readFile(f));
    ASSERT_FALSE(pictures[0].empty());
    const int W = 320, H = 250;
    std::vector<Bytes> alone;
    for (const Bytes &b : pictures) alone.push_back(playAlone(b, W, H));

    // Three at a time, fed in chunks of differing sizes.
    const size_t chunks[] = {1, 7, 64, 3, 250};
    for (size_t first = 0; first < pictures.size(); first += 3) {
        std::vector<Player> players;
        for (size_t k = first; k < std::min(first + 3, pictures.size()); k++) {
            Player p{&pictures[k]};
            p.pic = naplps_open(W, H);
            ASSERT_GE(p.pic, 0);
            players.push_back(p);
        }
        size_t turn = 0;
        bool any = true;
        while (any) {
            any = false;
            for (size_t k = 0; k < players.size(); k++) {
                if (players[k].done()) continue;
                any = true;
                players[k].turn(chunks[(turn + k) % 5]);
            }
            turn++;
        }
        for (size_t k = 0; k < players.size(); k++) {
            EXPECT_TRUE(rgba(players[k].pic) == alone[first + k]) << "picture " << first + k;
            naplps_close(players[k].pic);
        }
    }
}

TEST(WebApi, WaitStopsFeedingUntilItsTicksHavePassed) {
    const Bytes bytes = encode(twoRects(7));
    const int W = 512, H = 400;
    int pic = naplps_open(W, H);
    ASSERT_GE(pic, 0);
    int n = naplps_feed(pic, bytes.data(), int(bytes.size()));
    ASSERT_GT(n, 0);
    ASSERT_LT(size_t(n), bytes.size());
    const int ticks = (7 + 1) / 2;
    EXPECT_EQ(naplps_wait_ticks(pic), ticks);

    // The first rectangle shows, the second not yet; nothing more is
    // decoded while the pause lasts.
    const Bytes bg = rgba(pic);
    const uint32_t background = pixel(bg, W, W - 1, 0);
    EXPECT_NE(pixel(bg, W, at(30), row(30)), background);
    const int bx = at(170), by = row(120);
    EXPECT_EQ(pixel(bg, W, bx, by), background);
    for (int t = 1; t < ticks; t++) {
        EXPECT_EQ(naplps_feed(pic, bytes.data() + n, int(bytes.size()) - n), 0);
        EXPECT_EQ(naplps_tick(pic, 1), ticks - t);
    }
    EXPECT_EQ(pixel(rgba(pic), W, bx, by), background);
    EXPECT_EQ(naplps_tick(pic, 1), 0);
    EXPECT_EQ(naplps_feed(pic, bytes.data() + n, int(bytes.size()) - n), int(bytes.size()) - n);
    // The last rectangle is complete at the end of the stream.
    EXPECT_EQ(naplps_end(pic), 0);
    EXPECT_NE(pixel(rgba(pic), W, bx, by), background);
    naplps_close(pic);
}

TEST(WebApi, BlinkingGoesOnWithTicksAfterTheEnd) {
    const Bytes bytes = encode(kBlinkingSquare);
    const int W = 512, H = 400;
    int pic = naplps_open(W, H);
    ASSERT_GE(pic, 0);
    int n = naplps_feed(pic, bytes.data(), int(bytes.size()));
    ASSERT_EQ(n, int(bytes.size()));
    EXPECT_EQ(naplps_end(pic), 1);
    EXPECT_EQ(naplps_blinking(pic), 1);
    // The square's centre takes both colours as the ticks pass.
    const int x = at(128), y = row(98);
    std::vector<uint32_t> seen = {pixel(rgba(pic), W, x, y)};
    for (int i = 0; i < NAPLPS_END_BLINK_STEPS; i++) {
        EXPECT_EQ(naplps_tick(pic, 1), 0);
        uint32_t c = pixel(rgba(pic), W, x, y);
        if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
    }
    // Red and blue (colour values go in steps of the colour map's precision).
    std::sort(seen.begin(), seen.end());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0] >= 0xC0 && seen[0] <= 0xFF) << std::hex << seen[0];
    EXPECT_TRUE((seen[1] & 0xFFFF) == 0 && seen[1] >= 0xC00000) << std::hex << seen[1];
    naplps_close(pic);

    // A picture without blinking colours says so at its end.
    const Bytes still = encode(twoRects(1));
    pic = naplps_open(W, H);
    n = naplps_feed(pic, still.data(), int(still.size()));
    while (naplps_tick(pic, 1) > 0) {}
    EXPECT_EQ(naplps_feed(pic, still.data() + n, int(still.size()) - n), int(still.size()) - n);
    EXPECT_EQ(naplps_end(pic), 0);
    EXPECT_EQ(naplps_blinking(pic), 0);
    naplps_close(pic);
}

TEST(WebApi, LimitsAndHandlesThatAreNotOpen) {
    EXPECT_EQ(naplps_open(1, 100), -1);
    EXPECT_EQ(naplps_open(100, 1), -1);
    EXPECT_EQ(naplps_open(NAPLPS_SIDE_MAX + 1, 100), -1);
    EXPECT_EQ(naplps_open(100, -5), -1);

    // A dozen pictures at once; a thirteenth waits for one to close.
    std::vector<int> open;
    for (int i = 0; i < NAPLPS_PICTURES_MAX; i++) {
        int h = naplps_open(64, 48);
        ASSERT_GE(h, 0);
        open.push_back(h);
    }
    EXPECT_EQ(naplps_open(64, 48), -2);
    const Bytes demo = readFile(SOURCE_DIR "/examples/demo.pdi");
    const Bytes blank = rgba(open[5]);
    naplps_feed(open[5], demo.data(), int(demo.size()));
    naplps_end(open[5]);
    EXPECT_FALSE(rgba(open[5]) == blank);
    naplps_close(open[5]);
    // The picture that takes its place starts blank.
    int again = naplps_open(64, 48);
    ASSERT_GE(again, 0);
    EXPECT_TRUE(rgba(again) == blank);
    open[5] = again;
    for (int h : open) naplps_close(h);

    // Handles not open are refused by every call.
    for (int bad : {-1, 0, 5, NAPLPS_PICTURES_MAX, 1 << 30}) {
        EXPECT_EQ(naplps_feed(bad, demo.data(), int(demo.size())), -1);
        EXPECT_EQ(naplps_end(bad), -1);
        EXPECT_EQ(naplps_tick(bad, 1), 0);
        EXPECT_EQ(naplps_wait_ticks(bad), 0);
        EXPECT_EQ(naplps_blinking(bad), 0);
        EXPECT_EQ(naplps_rgba(bad), nullptr);
        EXPECT_EQ(naplps_width(bad), 0);
        naplps_close(bad);
    }
    // Ticks at once are bounded; none for a count below 1.
    const Bytes square = encode(kBlinkingSquare);
    int h = naplps_open(64, 48);
    ASSERT_GE(h, 0);
    naplps_feed(h, square.data(), int(square.size()));
    naplps_end(h);
    const Bytes before = rgba(h);
    EXPECT_EQ(naplps_tick(h, -7), 0);
    EXPECT_EQ(naplps_tick(h, 0), 0);
    EXPECT_TRUE(rgba(h) == before);
    EXPECT_EQ(naplps_tick(h, 1 << 30), 0);
    naplps_close(h);

    h = naplps_open(2, 2);
    ASSERT_GE(h, 0);
    EXPECT_EQ(naplps_feed(h, nullptr, 10), 0);
    EXPECT_EQ(naplps_feed(h, demo.data(), -3), 0);
    EXPECT_EQ(rgba(h).size(), 16u);
    naplps_close(h);
}

}  // namespace

// pdi2gif: decodes a NAPLPS picture file and writes the picture as a viewer
// sees it over time, as an animated GIF.
//
//   pdi2gif [--size WxH] [--max-seconds S] FILE OUT.gif
//
// The picture is drawn on the driver's in-memory surface, set up as pdi2png
// sets it up. Time passes where it passes for a viewer: in the ticks of each
// WAIT, and in the blink steps after the end of the stream. At every tick
// the picture is read; one that differs from the picture on show begins a
// new frame, so each frame lasts as long as its picture stood. After the
// stream, the blink engine is stepped until its state repeats: that is the
// blink cycle. A picture without pauses whose colours blink becomes that
// cycle, looped for ever; otherwise the animation plays once: the frames of
// the pauses, the picture at the end of the stream, the blink cycle repeated
// as often as fits in --max-seconds (at least once), and its last picture
// held. Each frame after the first covers only the rectangle of pixels that
// changed, unchanged pixels inside it transparent.
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gif_lib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "decoder/api.h"
#include "interp/blink.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "tools/cli.h"

using namespace naplps;

namespace {

constexpr int MAX_SIDE = 4096;
constexpr int MAX_SECONDS = 600;  // a frame's delay stays within GIF's 16 bits

const char kUsage[] =
    "usage: pdi2gif [--size WxH] [--max-seconds S] FILE OUT.gif\n"
    "Writes the NAPLPS picture FILE as an animated GIF (OUT.gif - for standard\n"
    "output): a frame at each WAIT, the blink phases with their timing, and the\n"
    "final picture.\n"
    "  --size WxH       picture size in pixels, each 2..4096 (default 512x400)\n"
    "  --max-seconds S  longest animation, 1..600 seconds (default 30)\n"
    "  --help           print this text;  --version  print the version\n";

// ---- The decoder as pdi2gif sees it ----------------------------------------
// Everything pdi2gif needs from the decoder beyond its byte input is here.
// A WAIT leaves ticks of pause pending after its byte: each tick is shown,
// then the blink steps; after the stream the blink engine is stepped one
// tick at a time; the blink table's flags and counts decide everything it
// will still do.
namespace seen {

constexpr int TICK_MS = BLINK_TICK_MS;

using PauseHandler = void (*)(int ms);
PauseHandler pause = nullptr;
void onPause(PauseHandler handler) { pause = handler; }

void blinkTick() { pdi_tick(0); }

// One byte of the stream, and the ticks of the pause it leaves.
void feed(uint8_t b) {
    pdi_putchar(0, b);
    while (pdi_wait_ticks(0) > 0) {
        if (pause) pause(TICK_MS);
        pdi_tick(0);
    }
}

bool blinking() { return pdi_blinking(0) != 0; }

// Two equal states blink alike from then on.
std::string blinkState() {
    std::string s(reinterpret_cast<const char *>(ip.BTFlag), sizeof ip.BTFlag);
    s.append(reinterpret_cast<const char *>(ip.BTCount), sizeof ip.BTCount);
    return s;
}

}  // namespace seen

// ---- GIF output ------------------------------------------------------------

// Writes frames of RGB pictures; each frame after the first holds only the
// rectangle that changed since the frame before, with its own colour map.
class GifWriter {
public:
    GifWriter(const char *path, int w, int h) : path_(path), w_(w), h_(h) {}
    ~GifWriter() {
        if (gif_) EGifCloseFile(gif_, nullptr);
    }

    // Starts the file; with loop, players repeat the animation for ever.
    bool open(bool loop) {
        int fd = std::strcmp(path_, "-") == 0 ? dup(STDOUT_FILENO)
                                              : ::open(path_, O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0) return fail(std::strerror(errno));
        int err = 0;
        gif_ = EGifOpenFileHandle(fd, &err);  // owns fd from then on
        if (!gif_) {
            ::close(fd);
            return fail(GifErrorString(err));
        }
        EGifSetGifVersion(gif_, true);
        if (EGifPutScreenDesc(gif_, w_, h_, 8, 0, nullptr) == GIF_ERROR) return fail();
        if (loop) {
            static const uint8_t params[3] = {1, 0, 0};  // sub-block 1: repeat count 0, for ever
            if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
                EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_ERROR ||
                EGifPutExtensionBlock(gif_, 3, params) == GIF_ERROR ||
                EGifPutExtensionTrailer(gif_) == GIF_ERROR)
                return fail();
        }
        canvas_.assign(size_t(w_) * h_ * 3, 0);
        return true;
    }

    // One frame: rgb is the whole picture (w x h x 3), shown for delayMs.
    bool frame(const std::vector<uint8_t> &rgb, long delayMs) {
        bool first = frames_ == 0;
        int x0 = 0, y0 = 0, x1 = w_ - 1, y1 = h_ - 1;
        if (!first && !changedBox(rgb, &x0, &y0, &x1, &y1)) x0 = y0 = x1 = y1 = 0;
        int bw = x1 - x0 + 1, bh = y1 - y0 + 1;

        // Colours of the changed pixels; the others are transparent when a
        // colour index is left for that, else drawn in their own colour.
        std::unordered_map<uint32_t, int> index;
        std::vector<GifColorType> colours;
        bool unchangedInside = false;
        auto add = [&](const uint8_t *p) {
            uint32_t key = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            if (index.emplace(key, int(colours.size())).second)
                colours.push_back({p[0], p[1], p[2]});
        };
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++) {
                if (first || changed(rgb, x, y))
                    add(at(rgb, x, y));
                else
                    unchangedInside = true;
            }
        int transparent = NO_TRANSPARENT_COLOR;
        if (unchangedInside && colours.size() < 256) {
            transparent = int(colours.size());
        } else if (unchangedInside) {
            for (int y = y0; y <= y1; y++)
                for (int x = x0; x <= x1; x++) add(at(rgb, x, y));
            unchangedInside = false;
        }
        size_t used = colours.size() + (transparent != NO_TRANSPARENT_COLOR);
        if (used > 256) return fail("a frame has more than 256 colours");
        int bits = 1;
        while ((size_t(1) << bits) < used) bits++;
        colours.resize(size_t(1) << bits, GifColorType{0, 0, 0});
        ColorMapObject *map = GifMakeMapObject(1 << bits, colours.data());
        if (!map) return fail("out of memory");

        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_DO_NOT;
        gcb.UserInputFlag = false;
        gcb.DelayTime = int(std::min<long>(delayMs / 10, 65535));
        gcb.TransparentColor = transparent;
        GifByteType ext[4];
        size_t extLen = EGifGCBToExtension(&gcb, ext);
        bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, int(extLen), ext) != GIF_ERROR &&
                  EGifPutImageDesc(gif_, x0, y0, bw, bh, false, map) != GIF_ERROR;
        GifFreeMapObject(map);
        std::vector<GifPixelType> line(size_t(bw), 0);
        for (int y = y0; ok && y <= y1; y++) {
            for (int x = x0; x <= x1; x++) {
                const uint8_t *p = at(rgb, x, y);
                bool keep = unchangedInside && !first && !changed(rgb, x, y);
                line[size_t(x - x0)] = GifPixelType(
                    keep ? transparent : index[uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]]);
            }
            ok = EGifPutLine(gif_, line.data(), bw) != GIF_ERROR;
        }
        if (!ok) return fail();
        for (int y = y0; y <= y1; y++)
            std::memcpy(&canvas_[(size_t(y) * w_ + x0) * 3], at(rgb, x0, y), size_t(bw) * 3);
        frames_++;
        return true;
    }

    bool close() {
        int err = 0;
        int st = EGifCloseFile(gif_, &err);
        gif_ = nullptr;
        return st != GIF_ERROR || fail(GifErrorString(err));
    }

    int frames() const { return frames_; }
    bool isOpen() const { return gif_ != nullptr; }

private:
    const uint8_t *at(const std::vector<uint8_t> &rgb, int x, int y) const {
        return &rgb[(size_t(y) * w_ + x) * 3];
    }
    bool changed(const std::vector<uint8_t> &rgb, int x, int y) const {
        return std::memcmp(at(rgb, x, y), &canvas_[(size_t(y) * w_ + x) * 3], 3) != 0;
    }
    // The smallest rectangle holding every pixel that differs from the
    // canvas; false when none does.
    bool changedBox(const std::vector<uint8_t> &rgb, int *x0, int *y0, int *x1, int *y1) const {
        *x0 = w_, *y0 = h_, *x1 = -1, *y1 = -1;
        for (int y = 0; y < h_; y++) {
            const uint8_t *a = at(rgb, 0, y), *b = &canvas_[size_t(y) * w_ * 3];
            if (std::memcmp(a, b, size_t(w_) * 3) == 0) continue;
            *y0 = std::min(*y0, y), *y1 = y;
            for (int x = 0; x < w_; x++)
                if (std::memcmp(a + 3 * x, b + 3 * x, 3) != 0)
                    *x0 = std::min(*x0, x), *x1 = std::max(*x1, x);
        }
        return *x1 >= 0;
    }
    bool fail(const char *why = nullptr) {
        if (!why && gif_) why = GifErrorString(gif_->Error);
        std::fprintf(stderr, "pdi2gif: cannot write %s: %s\n", path_, why ? why : "error");
        return false;
    }

    const char *path_;
    int w_, h_;
    GifFileType *gif_ = nullptr;
    std::vector<uint8_t> canvas_;  // what a player shows after the frames so far
    int frames_ = 0;
};

// ---- The picture over time -------------------------------------------------

// Collects the pictures shown at the moments of a timeline and writes each
// one as a frame once the next different one (or the end) tells its length.
class Film {
public:
    explicit Film(GifWriter *out) : out_(out) {}

    long now() const { return now_; }
    bool ok() const { return ok_; }

    // Players are to repeat the animation; said before the first frame.
    void loopForEver() { loop_ = true; }

    // The picture on show from now on.
    void show(const std::vector<uint8_t> &rgb) {
        if (has_ && rgb == pending_) return;
        if (has_) emit(now_ - start_, false);
        pending_ = rgb;
        start_ = now_;
        has_ = true;
    }
    void pass(long ms) { now_ += ms; }

    // The last picture: held when played once, else shown for its time
    // before the animation starts again. A single frame never loops.
    bool finish() {
        if (has_) emit(loop_ ? now_ - start_ : 0, true);
        return ok_ && out_->isOpen() && out_->close();
    }

private:
    void emit(long delayMs, bool last) {
        if (!ok_) return;
        if (!out_->isOpen() && !out_->open(loop_ && !last)) {
            ok_ = false;
            return;
        }
        ok_ = out_->frame(pending_, delayMs);
    }

    GifWriter *out_;
    std::vector<uint8_t> pending_;
    bool has_ = false;
    long start_ = 0, now_ = 0;
    bool ok_ = true;
    bool loop_ = false;
};

struct Cycle {
    bool found = false;
    long start = 0, period = 0;  // in ticks from the end of the stream
};

// Steps a copy of the whole decoder (a child process) tick by tick until its
// blink state repeats, so that this process can then step the picture
// itself once, as far as the plan asks. Not found within maxTicks: none.
Cycle findBlinkCycle(long maxTicks) {
    Cycle c;
    int fd[2];
    if (pipe(fd) != 0) return c;
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        close(fd[0]);
        close(fd[1]);
        return c;
    }
    if (pid == 0) {
        close(fd[0]);
        std::map<std::string, long> when{{seen::blinkState(), 0}};
        long result[2] = {-1, 0};
        for (long t = 1; t <= maxTicks; t++) {
            seen::blinkTick();
            auto [it, fresh] = when.emplace(seen::blinkState(), t);
            if (!fresh) {
                result[0] = it->second;
                result[1] = t - it->second;
                break;
            }
        }
        ssize_t n = write(fd[1], result, sizeof result);
        _exit(n == ssize_t(sizeof result) ? 0 : 1);
    }
    close(fd[1]);
    long result[2] = {-1, 0};
    ssize_t n;
    do n = read(fd[0], result, sizeof result);
    while (n < 0 && errno == EINTR);
    close(fd[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (n == ssize_t(sizeof result) && result[0] >= 0 && result[1] > 0) {
        c.found = true;
        c.start = result[0];
        c.period = result[1];
    }
    return c;
}

// What the pause handler needs: the film and the picture to read.
struct Take {
    Film *film = nullptr;
    int slot = -1;
    long limitMs = 0;
    std::vector<uint8_t> rgb;
    bool readOk = true;

    const std::vector<uint8_t> &picture() {
        readOk = NXG_read_rgb(slot, rgb.data(), rgb.size()) && readOk;
        return rgb;
    }
};
Take take;

// One tick of a WAIT: the picture so far stands for the tick's time. Beyond
// the longest animation the rest of the stream is drawn without pauses.
void pauseTick(int ms) {
    if (ms <= 0 || take.film->now() >= take.limitMs) return;
    take.film->show(take.picture());
    take.film->pass(ms);
}

int animate(const std::vector<uint8_t> &bytes, int w, int h, long maxSeconds, const char *out) {
    int id = -1;
    if (pdi_win_open(&id, 0, nullptr, nullptr, w, h) != 0 || id < 0) {
        std::fprintf(stderr, "pdi2gif: no memory for a %dx%d picture\n", w, h);
        return 1;
    }
    GifWriter gif(out, w, h);
    Film film(&gif);
    take.film = &film;
    take.slot = id;
    take.limitMs = maxSeconds * 1000;
    take.rgb.assign(size_t(w) * h * 3, 0);
    seen::onPause(pauseTick);

    // Set up as the plug-in sets up its window, then every byte.
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, w - 1, h - 1);
    for (uint8_t b : bytes) seen::feed(b);

    const long limitTicks = take.limitMs / seen::TICK_MS;
    const long nowTicks = film.now() / seen::TICK_MS;
    const bool paused = film.now() > 0;
    bool ok;
    if (!seen::blinking()) {
        film.show(take.picture());
        ok = film.finish();
    } else {
        Cycle c = findBlinkCycle(limitTicks);
        if (!paused && c.found) {
            // Only the cycle, looped: the ticks before it are not repeated.
            film.loopForEver();
            for (long t = 0; t < c.start; t++) seen::blinkTick();
            film.show(take.picture());
            for (long t = 1; t <= c.period; t++) {
                film.pass(seen::TICK_MS);
                seen::blinkTick();
                if (t < c.period) film.show(take.picture());
            }
            ok = film.finish();
        } else {
            film.show(take.picture());
            long ticks = std::max(0L, limitTicks - nowTicks);
            if (c.found)
                ticks =
                    c.start + c.period * std::max(1L, (limitTicks - nowTicks - c.start) / c.period);
            for (long t = 0; t < ticks; t++) {
                film.pass(seen::TICK_MS);
                seen::blinkTick();
                film.show(take.picture());
            }
            ok = film.finish();
        }
    }
    pdi_win_close(id);
    if (!take.readOk) {
        std::fprintf(stderr, "pdi2gif: the picture could not be read\n");
        return 1;
    }
    return ok ? 0 : 1;
}

bool parseSize(const char *s, int *w, int *h) {
    char x = 0, rest = 0;
    if (std::sscanf(s, "%d%c%d%c", w, &x, h, &rest) != 3 || (x != 'x' && x != 'X')) return false;
    return *w >= 2 && *h >= 2 && *w <= MAX_SIDE && *h <= MAX_SIDE;
}

bool readFile(const char *path, std::vector<uint8_t> *out) {
    FILE *f = std::strcmp(path, "-") == 0 ? stdin : std::fopen(path, "rb");
    if (!f) return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    bool ok = !std::ferror(f);
    if (f != stdin) std::fclose(f);
    return ok;
}

}  // namespace

int main(int argc, char **argv) {
    if (cli::standardOptions(argc, argv, "pdi2gif", kUsage)) return 0;
    int w = 512, h = 400;
    long maxSeconds = 30;
    std::vector<const char *> files;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--size") {
            if (i + 1 >= argc || !parseSize(argv[i + 1], &w, &h))
                return cli::badUsage("pdi2gif", kUsage, "--size needs WxH, each 2..4096");
            i++;
        } else if (a == "--max-seconds") {
            char *end = nullptr;
            long v = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
            if (i + 1 >= argc || end == argv[i + 1] || *end != '\0' || v < 1 || v > MAX_SECONDS)
                return cli::badUsage("pdi2gif", kUsage,
                                     "--max-seconds needs a whole number 1..600");
            maxSeconds = v;
            i++;
        } else if (a.size() > 1 && a[0] == '-') {
            return cli::badUsage("pdi2gif", kUsage, ("unknown option " + a).c_str());
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 2) return cli::badUsage("pdi2gif", kUsage);
    std::vector<uint8_t> bytes;
    if (!readFile(files[0], &bytes)) {
        std::fprintf(stderr, "pdi2gif: cannot read %s: %s\n", files[0], std::strerror(errno));
        return 1;
    }
    return animate(bytes, w, h, maxSeconds, files[1]);
}

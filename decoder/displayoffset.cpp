// The display-offset pre-scan. The file is read in blocks and every byte
// goes through the byte machine in its scanning form (decoder/scan.h), which
// calls no executor: C0 controls, text, instructions and incremental data
// neither move the cursor nor draw. Only the extended-data codes are acted
// on, assembled into messages by the decoder's own channel code; a type-9
// message whose text holds "DisplayOffset" ends the scan.
//
// The scan runs on a scratch context at load-time state, so designations,
// the message channel and everything else the file's bytes change are gone
// afterwards; the picture being decoded goes on from where it was.
#include "decoder/displayoffset.h"

#include "image/imagefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

#include "decoder/api.h"
#include "decoder/c1.h"
#include "decoder/context.h"
#include "decoder/scan.h"
#include "decoder/state.h"
#include "interp/protocol.h"
#include "raster/raster.h"
#include "text/state.h"

namespace naplps {

namespace {

constexpr int READ_BLOCK = 1024;
constexpr int MODE_SCALED = 512;    // unit screen 0.8 of the given one, both offsets
constexpr int MODE_ROWS = 640;      // unit screen kept, vertical offset only
constexpr int OFFSET_SCREEN = 640;  // offsets are pixels of a screen this wide
constexpr char KEYWORD[] = "DisplayOffset";

// What the scan's C1 handler found, handed from the handler (a plain
// function the machine calls) to _pdi_chk_displayoffset.
struct Found {
    int32_t mode = 0, x = 0, y = 0;
};
Found found;

int scanC1(int code, int32_t *data) {
    return _PDI_chk_displayoffset_c1(code, data, &found.mode, &found.x, &found.y);
}

// The decimal number at text[from] up to `to`, as atoi reads it (blanks,
// a sign, digits), saturated to the range of int32 instead of overflowing.
int32_t decimal(const char *text, int from, int to) {
    int i = from;
    while (i < to && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) i++;
    bool negative = false;
    if (i < to && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t v = 0;
    for (; i < to && text[i] >= '0' && text[i] <= '9'; i++) {
        v = v * 10 + (text[i] - '0');
        if (v > int64_t(INT32_MAX) + 1) v = int64_t(INT32_MAX) + 1;  // saturated
    }
    if (negative) v = -v;
    if (v > INT32_MAX) v = INT32_MAX;
    return int32_t(v);
}

// Position of `key` in text[from .. length), or -1.
int find(const char *text, int length, int from, const char *key) {
    int k = int(std::strlen(key));
    for (int i = from; i + k <= length; i++)
        if (std::memcmp(text + i, key, size_t(k)) == 0) return i;
    return -1;
}

// The value after the first `key` at or after `from`: up to the next space,
// or, when `bracket` is set and no space follows, up to the next ']'.
void keyValue(const char *text, int length, int from, const char *key, bool bracket, int32_t *out) {
    int at = find(text, length, from, key);
    if (at < 0) return;
    int start = at + int(std::strlen(key));
    int end = find(text, length, start, " ");
    if (end < 0 && bracket) end = find(text, length, start, "]");
    if (end < 0) end = length;
    *out = decimal(text, start, end);
}

int32_t sat(double v) {
    if (!(v == v)) return 0;
    if (v >= double(INT32_MAX)) return INT32_MAX;
    if (v <= double(INT32_MIN)) return INT32_MIN;
    return int32_t(v);  // truncation toward zero
}

// The live state moved aside for the time of a scan, and the load-time
// state made live; the destructor puts the live state back. The context is
// large, so it is kept in static storage (a scan is never nested: the byte
// machine's scanning form calls nothing that scans).
class ScratchContext {
public:
    ScratchContext() {
        context_leave(saved_);
        context_enter(loadTime_);
    }
    ~ScratchContext() { context_enter(saved_); }
    ScratchContext(const ScratchContext &) = delete;
    ScratchContext &operator=(const ScratchContext &) = delete;

private:
    static PictureContext saved_;
    static const PictureContext loadTime_;
};
PictureContext ScratchContext::saved_;
const PictureContext ScratchContext::loadTime_{};

}  // namespace

int parse_displayoffset(const char *text, int length, int32_t *mode, int32_t *x, int32_t *y) {
    if (text == nullptr || length <= 0) return 0;
    int at = find(text, length, 0, KEYWORD);
    if (at < 0) return 0;
    int32_t m = MODE_SCALED, ox = 0, oy = 0;
    keyValue(text, length, at, "mode=", false, &m);
    keyValue(text, length, at, "x=", false, &ox);
    keyValue(text, length, at, "y=", true, &oy);
    if (mode) *mode = m;
    if (x) *x = ox;
    if (y) *y = oy;
    return 1;
}

int _PDI_chk_displayoffset_c1(int code, int32_t *, int32_t *mode, int32_t *x, int32_t *y) {
    txt.Done_auto_apd = 0;
    if (code < C1_EDC1 || code > C1_EDC4) return 0;
    if (!edc_code(code) || dec.Ty_EDC != EDC_TYPE_TEXT) return 0;
    // The text: the non-zero bytes of message positions 3 .. Ln_EDC.
    char text[EDC_BFR_SIZE];
    int n = 0;
    for (int k = 3; k <= dec.Ln_EDC && k < EDC_BFR_SIZE; k++)
        if (dec.EDC_bfr[k] != 0) text[n++] = char(dec.EDC_bfr[k]);
    return parse_displayoffset(text, n, mode, x, y);
}

int _pdi_chk_displayoffset(int, int byte, int32_t *mode, int32_t *x, int32_t *y) {
    found = Found{};
    if (scan_putchar(byte, scanC1) == 0) return 0;
    if (mode) *mode = found.mode;
    if (x) *x = found.x;
    if (y) *y = found.y;
    return 1;
}

namespace {

// The scan's bytes through the byte machine (on the scratch context) up to
// the command; 1 when it was found.
int scanBytes(const uint8_t *bytes, size_t n, int32_t *mode, int32_t *x, int32_t *y) {
    int hit = 0;
    for (size_t i = 0; i < n && !hit; i++) hit = _pdi_chk_displayoffset(0, bytes[i], mode, x, y);
    return hit;
}

}  // namespace

int _npGetDisplayOffset(const char *path, int32_t *mode, int32_t *x, int32_t *y) {
    if (path == nullptr) return -1;
    char name[DISPLAYOFFSET_PATH_MAX + 1];
    size_t len = strnlen(path, sizeof name);
    if (len == 0 || len > DISPLAYOFFSET_PATH_MAX) return -1;
    std::memcpy(name, path, len);
    name[len] = '\0';
    int fd = image_open_path(name);
    if (fd < 0) return -1;
    int hit = 0;
    {
        ScratchContext scratch;
        pdi_open();
        uint8_t block[READ_BLOCK];
        while (!hit) {
            ssize_t k = ::read(fd, block, sizeof block);
            if (k < 0 && errno == EINTR) continue;
            if (k <= 0) break;  // end of file, or a read error
            hit = scanBytes(block, size_t(k), mode, x, y);
        }
    }
    ::close(fd);
    return hit;
}

int pdi_scan_displayoffset(const uint8_t *bytes, size_t n, int32_t *mode, int32_t *x, int32_t *y) {
    if (bytes == nullptr) return 0;
    ScratchContext scratch;
    pdi_open();
    return scanBytes(bytes, n, mode, x, y);
}

namespace {

// Origin, unit screen and clip from the command found (mode 0: none), from
// origin (x, y) and unit screen `ratio`; the outputs as pdi_set_displayoffset
// gives them.
int applyDisplayOffset(int32_t mode, int32_t dx, int32_t dy, int x, int y, int ratio, int *origin_x,
                       int *origin_y, int *out_ratio, int *clip_x1, int *clip_y1, int *clip_x2,
                       int *clip_y2) {
    Pen &pen = ras.pen;
    pen.OriginX = x;
    pen.OriginY = y;
    pen.Scr_Ratio = ratio;
    pdi_close(0);

    const double r = pen.Scr_Ratio;
    if (mode == MODE_SCALED) {
        int32_t scaled = pen.Scr_Ratio == OFFSET_SCREEN ? MODE_SCALED : sat(r * 0.8);
        if (scaled <= 0) {
            mode = 0;  // no picture at that scale: the command is refused
        } else {
            pen.Scr_Ratio = scaled;
            pen.OriginX = sat(pen.OriginX + double(dx) * r / OFFSET_SCREEN);
            pen.OriginY = sat(pen.OriginY - double(dy) * r / OFFSET_SCREEN);
        }
    } else if (mode == MODE_ROWS) {
        pen.OriginY = sat(pen.OriginY - double(dy) * r / OFFSET_SCREEN);
    }

    Set_Clip(pen.OriginX, pen.OriginY, sat(double(pen.OriginX) + pen.Scr_Ratio - 1),
             sat(double(pen.OriginY) + double(sat(pen.Scr_Ratio * 0.8)) - 1));
    if (origin_x) *origin_x = pen.OriginX;
    if (origin_y) *origin_y = pen.OriginY;
    if (out_ratio) *out_ratio = pen.Scr_Ratio;
    if (clip_x1) *clip_x1 = ras.VRAM_x_min;
    if (clip_y1) *clip_y1 = ras.VRAM_y_min;
    if (clip_x2) *clip_x2 = ras.VRAM_x_max;
    if (clip_y2) *clip_y2 = ras.VRAM_y_max;
    return mode != 0 ? 1 : -1;
}

}  // namespace

int pdi_set_displayoffset(const char *path, int x, int y, int ratio, int *origin_x, int *origin_y,
                          int *out_ratio, int *clip_x1, int *clip_y1, int *clip_x2, int *clip_y2) {
    int32_t mode = 0, dx = 0, dy = 0;
    if (_npGetDisplayOffset(path, &mode, &dx, &dy) != 1) mode = 0;
    return applyDisplayOffset(mode, dx, dy, x, y, ratio, origin_x, origin_y, out_ratio, clip_x1,
                              clip_y1, clip_x2, clip_y2);
}

int pdi_set_displayoffset_bytes(const uint8_t *bytes, size_t n, int x, int y, int ratio,
                                int *origin_x, int *origin_y, int *out_ratio, int *clip_x1,
                                int *clip_y1, int *clip_x2, int *clip_y2) {
    int32_t mode = 0, dx = 0, dy = 0;
    if (pdi_scan_displayoffset(bytes, n, &mode, &dx, &dy) != 1) mode = 0;
    return applyDisplayOffset(mode, dx, dy, x, y, ratio, origin_x, origin_y, out_ratio, clip_x1,
                              clip_y1, clip_x2, clip_y2);
}

}  // namespace naplps

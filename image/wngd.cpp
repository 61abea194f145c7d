// Reading and drawing WNGD image files: an 816-byte header (magic, size,
// palette size, a bitmap of the colours used and a palette of 256 RGB
// entries) and one palette index per pixel, rows from the top. The colours
// used get the image cells in index order; the image is scaled by nearest
// neighbour to the size asked for and put into the window and its pixmap
// through the driver.
//
// Only the part of the scaled image that falls inside the window is made,
// from the source rows it needs, read one at a time: memory follows the
// window and one row of the file, never the size a header claims. The
// whole file is checked before anything is drawn or any cell is changed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "image/gdf.h"
#include "image/imagefile.h"
#include "nxg/nxg.h"
#include "raster/raster.h"

namespace naplps {

namespace {

constexpr int OFF_WIDTH = 8, OFF_HEIGHT = 10, OFF_COUNT = 12;
constexpr int OFF_USED = 16;     // 32 bytes: one bit per colour, most significant first
constexpr int OFF_PALETTE = 48;  // 256 x (red, green, blue)

int be16(const uint8_t *b) { return b[0] << 8 | b[1]; }

// Reads exactly n bytes at offset `at`; false on a short file or an error.
bool readAt(int fd, uint8_t *buf, size_t n, off_t at) {
    while (n > 0) {
        ssize_t k = ::pread(fd, buf, n, at);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        buf += k;
        n -= size_t(k);
        at += k;
    }
    return true;
}

struct Header {
    int W = 0, H = 0, N = 0;
    const uint8_t *used = nullptr, *palette = nullptr;
};

bool parseHeader(const uint8_t *h, Header *out) {
    if (std::memcmp(h, "WNGD", 4) != 0) return false;
    out->W = be16(h + OFF_WIDTH);
    out->H = be16(h + OFF_HEIGHT);
    out->N = be16(h + OFF_COUNT);
    out->used = h + OFF_USED;
    out->palette = h + OFF_PALETTE;
    return out->N <= WNGD_PALETTE && out->W > 0 && out->H > 0 && out->W <= WNGD_SIDE_MAX &&
           out->H <= WNGD_SIDE_MAX;
}

// Gives the colours the image uses to the image cells, in index order, and
// returns the pixel value of every palette index. Colours past the 128th
// take the cell of the nearest colour that got one; indices not marked used
// are pixel 0, the first cell.
void giveCells(const Header &hd, uint8_t map[WNGD_PALETTE]) {
    std::fill(map, map + WNGD_PALETTE, uint8_t(0));
    int cellOf[NXG_GDF_CELLS];  // palette index that each cell shows
    int k = 0;
    std::vector<int> beyond;
    for (int i = 0; i < hd.N; i++) {
        if (!(hd.used[i / 8] & (0x80 >> (i % 8)))) continue;
        if (k < NXG_GDF_CELLS) {
            uint8_t p = uint8_t(NXG_gdf_pixel(k));
            const uint8_t *c = hd.palette + 3 * i;
            store_colour(p, c[0], c[1], c[2], true);
            map[i] = p;
            cellOf[k] = i;
        } else {
            beyond.push_back(i);
        }
        k++;
    }
    for (int i : beyond) {
        const uint8_t *c = hd.palette + 3 * i;
        long best = -1;
        for (int j = 0; j < NXG_GDF_CELLS; j++) {
            const uint8_t *d = hd.palette + 3 * cellOf[j];
            long dr = c[0] - d[0], dg = c[1] - d[1], db = c[2] - d[2];
            long dist = dr * dr + dg * dg + db * db;
            if (best < 0 || dist < best) {
                best = dist;
                map[i] = map[cellOf[j]];
            }
        }
    }
}

}  // namespace

int gdf_draw(int fd, int x, int y, int w, int h) {
    uint8_t head[WNGD_HEADER];
    Header hd;
    if (fd < 0 || !readAt(fd, head, sizeof head, 0) || !parseHeader(head, &hd)) return -1;
    struct stat st;
    const int64_t need = int64_t(WNGD_HEADER) + int64_t(hd.W) * hd.H;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || int64_t(st.st_size) < need) return -1;
    if (w <= 0 || h <= 0 || w > GDF_SIZE_MAX || h > GDF_SIZE_MAX) return -1;
    if (NXG_gdf_cells() != 0) return -1;

    // Window position of the top-left corner: (x, y) is the lower-left
    // corner in picture pixels, y upwards; rows run down from the top edge.
    const int64_t X = int64_t(ras.pen.OriginX) + x;
    const int64_t Y = int64_t(nxg.NXG_win_hgt) - (int64_t(ras.pen.OriginY) + y + h);
    const int64_t cx0 = std::max<int64_t>(X, 0), cy0 = std::max<int64_t>(Y, 0);
    const int64_t cx1 = std::min<int64_t>(X + w - 1, nxg.NXG_win_wid);
    const int64_t cy1 = std::min<int64_t>(Y + h - 1, nxg.NXG_win_hgt);
    if (cx0 > cx1 || cy0 > cy1) return 0;  // wholly outside the window
    const int sw = int(cx1 - cx0 + 1), sh = int(cy1 - cy0 + 1);

    std::vector<uint8_t> out, row;
    std::vector<int> col;
    try {
        out.resize(size_t(sw) * size_t(sh));
        row.resize(size_t(hd.W));
        col.resize(size_t(sw));
    } catch (const std::bad_alloc &) {
        return -1;
    }
    // Nearest neighbour: destination column c takes source column
    // trunc(c / (w / W)), the ratio in single precision.
    const float rx = float(w) / float(hd.W), ry = float(h) / float(hd.H);
    for (int c = 0; c < sw; c++) {
        float dc = float(cx0 + c - X);
        col[size_t(c)] = std::min(int(dc / rx), hd.W - 1);
    }
    int have = -1;
    for (int r = 0; r < sh; r++) {
        int src = std::min(int(float(cy0 + r - Y) / ry), hd.H - 1);
        if (src != have) {
            off_t at = off_t(WNGD_HEADER) + off_t(src) * hd.W;
            if (!readAt(fd, row.data(), row.size(), at)) return -1;  // the file shrank
            have = src;
        }
        uint8_t *o = out.data() + size_t(r) * size_t(sw);
        for (int c = 0; c < sw; c++) o[c] = row[size_t(col[size_t(c)])];
    }

    uint8_t map[WNGD_PALETTE];
    giveCells(hd, map);
    for (uint8_t &b : out) b = map[b];
    NXG_put_image(out.data(), sw, sh, int(cx0), int(cy0));
    return 0;
}

}  // namespace naplps

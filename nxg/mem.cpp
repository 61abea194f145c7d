// The in-memory surface: a slot's picture of pixel bytes, drawn as the
// window back end draws its pixmap, limited to the picture and to the
// slot's clip rectangle. A memory slot has nothing else; a window whose
// colour cells cannot be written keeps the same picture beside its pixmap.
#include <algorithm>
#include <cstring>
#include <new>

#include "nxg/backend.h"

namespace naplps {

namespace {

// The part of the picture that the clip leaves open (inclusive corners);
// false when there is none.
struct Open {
    int64_t x0, y0, x1, y1;
};

bool openPart(const NxgWindowInfo &w, Open *o) {
    if (w.pic.empty()) return false;
    int64_t x0 = 0, y0 = 0, x1 = int64_t(w.pic_w) - 1, y1 = int64_t(w.pic_h) - 1;
    if (w.clip_set) {
        x0 = std::max<int64_t>(x0, w.clip_x);
        y0 = std::max<int64_t>(y0, w.clip_y);
        x1 = std::min<int64_t>(x1, int64_t(w.clip_x) + w.clip_w - 1);
        y1 = std::min<int64_t>(y1, int64_t(w.clip_y) + w.clip_h - 1);
    }
    if (x0 > x1 || y0 > y1) return false;
    *o = Open{x0, y0, x1, y1};
    return true;
}

void fillOpen(NxgWindowInfo &w, const Open &o, int64_t xa, int64_t xb, int64_t ya, int64_t yb,
              uint8_t b) {
    xa = std::max(xa, o.x0);
    xb = std::min(xb, o.x1);
    ya = std::max(ya, o.y0);
    yb = std::min(yb, o.y1);
    if (xa > xb || ya > yb) return;
    for (int64_t y = ya; y <= yb; y++)
        std::fill_n(w.pic.data() + size_t(y) * size_t(w.pic_w) + size_t(xa), size_t(xb - xa + 1),
                    b);
}

}  // namespace

void pic_new(NxgWindowInfo &w, int wd, int ht) {
    pic_free(w);
    try {
        w.pic.assign(size_t(wd) * size_t(ht), 0);
        w.pic_w = wd;
        w.pic_h = ht;
    } catch (const std::bad_alloc &) {
        pic_free(w);
    }
}

void pic_free(NxgWindowInfo &w) {
    std::vector<uint8_t>().swap(w.pic);
    w.pic_w = w.pic_h = 0;
}

void pic_fill(NxgWindowInfo &w, int64_t xa, int64_t xb, int64_t ya, int64_t yb, uint8_t b) {
    Open o;
    if (openPart(w, &o)) fillOpen(w, o, xa, xb, ya, yb, b);
}

void pic_segments(NxgWindowInfo &w, const NxgSegment *s, int n, uint8_t b) {
    Open o;
    if (!openPart(w, &o)) return;
    for (int i = 0; i < n; i++) {
        const NxgSegment &g = s[i];
        if (g.y1 == g.y2)
            fillOpen(w, o, std::min(g.x1, g.x2), std::max(g.x1, g.x2), g.y1, g.y1, b);
        else if (g.x1 == g.x2)
            fillOpen(w, o, g.x1, g.x1, std::min(g.y1, g.y2), std::max(g.y1, g.y2), b);
    }
}

void pic_copy(NxgWindowInfo &w, int sx, int sy, int cw, int ch, int dx, int dy) {
    Open o;
    if (cw <= 0 || ch <= 0 || !openPart(w, &o)) return;
    // Offsets i (columns) and j (rows) of the block whose source lies in the
    // picture and whose destination lies in the open part: source pixels
    // outside the picture are not copied, the destination is limited by the
    // picture and the clip.
    const int64_t pw = w.pic_w, ph = w.pic_h;
    const int64_t i0 = std::max({int64_t(0), -int64_t(sx), o.x0 - dx});
    const int64_t i1 = std::min({int64_t(cw), pw - sx, o.x1 - dx + 1});
    const int64_t j0 = std::max({int64_t(0), -int64_t(sy), o.y0 - dy});
    const int64_t j1 = std::min({int64_t(ch), ph - sy, o.y1 - dy + 1});
    if (i0 >= i1 || j0 >= j1) return;
    // One move of rows in place: every row is moved before it is
    // overwritten (rows are taken from the far end when the block moves
    // down), and memmove keeps a row that overlaps itself.
    uint8_t *d = w.pic.data();
    const size_t len = size_t(i1 - i0);
    auto row = [&](int64_t j) {
        std::memmove(d + size_t((dy + j) * pw + dx + i0), d + size_t((sy + j) * pw + sx + i0), len);
    };
    if (dy > sy)
        for (int64_t j = j1 - 1; j >= j0; j--) row(j);
    else
        for (int64_t j = j0; j < j1; j++) row(j);
}

void pic_image(NxgWindowInfo &w, const uint8_t *pixels, int cw, int ch, int x, int y) {
    Open o;
    if (pixels == nullptr || cw <= 0 || ch <= 0 || !openPart(w, &o)) return;
    for (int r = 0; r < ch; r++) {
        int64_t py = int64_t(y) + r;
        if (py < o.y0 || py > o.y1) continue;
        for (int c = 0; c < cw; c++) {
            int64_t px = int64_t(x) + c;
            if (px < o.x0 || px > o.x1) continue;
            w.pic[size_t(py) * size_t(w.pic_w) + size_t(px)] =
                pixels[size_t(r) * size_t(cw) + size_t(c)];
        }
    }
}

}  // namespace naplps

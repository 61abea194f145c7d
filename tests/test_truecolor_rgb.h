// Reading pictures back as RGB for the tests of the direct path: a drawable
// of a test window in the colours its colormap gives its pixel values, and
// a slot's picture in the colours it shows.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <algorithm>
#include <map>
#include <ostream>
#include <vector>

#include "nxg/nxg.h"
#include "tests/x11_fixture.h"

namespace naplps::tcrgb {

using Rgb = std::vector<uint8_t>;  // r, g, b per pixel, rows from the top

// The w x h pixels of drawable d, each pixel value's colour asked of
// colormap cms, 8 bits a component.
inline Rgb drawableRgbOf(Display *dpy, Drawable d, Colormap cms, int w, int h) {
    Rgb out;
    if (dpy == nullptr || d == 0) return out;
    XSync(dpy, False);
    XImage *im = XGetImage(dpy, d, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (im == nullptr) return out;
    std::map<unsigned long, size_t> slotOf;
    std::vector<XColor> cols;
    std::vector<size_t> idx(size_t(w) * size_t(h));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned long p = XGetPixel(im, x, y);
            auto it = slotOf.emplace(p, cols.size()).first;
            if (it->second == cols.size()) {
                XColor c{};
                c.pixel = p;
                c.flags = DoRed | DoGreen | DoBlue;
                cols.push_back(c);
            }
            idx[size_t(y) * size_t(w) + size_t(x)] = it->second;
        }
    XDestroyImage(im);
    XQueryColors(dpy, cms, cols.data(), int(cols.size()));
    out.resize(idx.size() * 3);
    for (size_t i = 0; i < idx.size(); i++) {
        out[3 * i] = uint8_t(cols[idx[i]].red >> 8);
        out[3 * i + 1] = uint8_t(cols[idx[i]].green >> 8);
        out[3 * i + 2] = uint8_t(cols[idx[i]].blue >> 8);
    }
    return out;
}

// The pixels of drawable d of a test window (the slot's pixmap when 0) in
// the colours of the slot's colormap.
inline Rgb drawableRgb(const xtest::TestWindow &t, Drawable d = 0) {
    const _NXG_window_info *s = t.slot();
    if (s == nullptr) return Rgb();
    return drawableRgbOf(t.dpy, d != 0 ? d : s->pm, s->cms, t.width, t.height);
}

// The picture of slot id in the colours it shows (empty when it has none).
inline Rgb pictureRgb(int id, int w, int h) {
    Rgb out(size_t(w) * size_t(h) * 3);
    if (!NXG_read_rgb(id, out.data(), out.size())) out.clear();
    return out;
}

// The colour of pixel (x, y), rows from the top.
struct Px {
    int r, g, b;
    bool operator==(const Px &o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Px &o) const { return !(*this == o); }
};
inline Px at(const Rgb &rgb, int w, int x, int y) {
    size_t i = (size_t(y) * size_t(w) + size_t(x)) * 3;
    return Px{rgb[i], rgb[i + 1], rgb[i + 2]};
}
inline std::ostream &operator<<(std::ostream &os, const Px &p) {
    return os << "(" << p.r << "," << p.g << "," << p.b << ")";
}

// The number of pixels in which two pictures differ (all of them when the
// sizes differ).
inline size_t differing(const Rgb &a, const Rgb &b) {
    if (a.size() != b.size()) return std::max(a.size(), b.size()) / 3 + 1;
    size_t n = 0;
    for (size_t i = 0; i < a.size(); i += 3)
        n += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return n;
}

}  // namespace naplps::tcrgb

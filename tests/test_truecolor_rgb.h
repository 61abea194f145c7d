// Pictures read back as RGB for the tests of the direct path: a drawable in
// the colours its colormap gives its pixel values, a slot's picture in the
// colours it shows.
#pragma once

#include "tests/x11_fixture.h"  // Xlib, the surface

#include <X11/Xutil.h>

#include <algorithm>
#include <array>
#include <map>

namespace naplps::tcrgb {

using Rgb = std::vector<uint8_t>;  // r, g, b per pixel, rows from the top
using Px = std::array<int, 3>;

inline Rgb drawableRgbOf(Display *dpy, Drawable d, Colormap cms, int w, int h) {
    XSync(dpy, False);
    XImage *im = XGetImage(dpy, d, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    Rgb out;
    std::map<unsigned long, XColor> seen;
    for (int i = 0; im != nullptr && i < w * h; i++) {
        unsigned long p = XGetPixel(im, i % w, i / w);
        XColor &c = seen[p];
        if (c.flags == 0) {  // not asked yet: XQueryColor sets the flags
            c.pixel = p;
            XQueryColor(dpy, cms, &c);
        }
        for (unsigned short v : {c.red, c.green, c.blue}) out.push_back(uint8_t(v >> 8));
    }
    if (im != nullptr) XDestroyImage(im);
    return out;
}

// The picture of slot id (empty when it has none).
inline Rgb pictureRgb(int id, int w, int h) {
    Rgb out(size_t(w) * size_t(h) * 3);
    return NXG_read_rgb(id, out.data(), out.size()) ? out : Rgb();
}

inline Px at(const Rgb &rgb, int w, int x, int y) {
    size_t i = (size_t(y) * size_t(w) + size_t(x)) * 3;
    return Px{rgb[i], rgb[i + 1], rgb[i + 2]};
}

// The number of pixels in which two pictures differ (all when sizes differ).
inline size_t differing(const Rgb &a, const Rgb &b) {
    const bool sized = a.size() == b.size();
    size_t n = sized ? 0 : std::max(a.size(), b.size()) / 3 + 1;
    for (size_t i = 0; sized && i < a.size(); i += 3) n += !std::equal(&a[i], &a[i] + 3, &b[i]);
    return n;
}

}  // namespace naplps::tcrgb

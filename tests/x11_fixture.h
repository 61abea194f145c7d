// Test fixture for the X back end, the plug-in and the host programs: on a
// private Xvfb (8-bit PseudoColor by default) it makes an Xt Core widget
// window of a given size, takes a surface slot for it, feeds bytes to the
// decoder, and reads the backing pixmap or the window back as a grid of
// colour-cell numbers.
//
// A grid (see tests/surface_fixture.h) is one string per window row, top row
// first, one character per pixel: the hex digit of the slot's colour cell
// (0-f) whose pixel value the pixel has, or '?' for a pixel that is none of
// the 16 cells.
#pragma once

#include <gtest/gtest.h>

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "nxg/nxg_x.h"
#include "tests/surface_fixture.h"
#include "tests/xvfb.h"

namespace naplps::xtest {

using ptest::blank;
using ptest::Grid;
using ptest::pictureIs;
using ptest::resetState;

// A window of w x h pixels on the private Xvfb: an Xt application shell
// holding a Core widget, realized and mapped. Windows made at the same time
// are placed side by side so they do not hide each other.
class TestWindow {
public:
    TestWindow(int w, int h, int depth = 8, int visualClass = -1);
    ~TestWindow();
    TestWindow(const TestWindow &) = delete;
    TestWindow &operator=(const TestWindow &) = delete;

    bool ok() const { return dpy != nullptr && win != 0; }

    // Takes (or, with an id, updates) the surface slot for this window with
    // pdi_win_open and repaints the window from the pixmap as an expose
    // would. Returns pdi_win_open's result.
    int open();
    // The calls the plug-in makes before feeding a stream:
    // pdi_ctl(0, 0, 0, 0, 512) and pdi_clip(0, 0, 0, w - 1, h - 1).
    void playArea();
    // Feeds bytes through pdi_putchar.
    void feed(const std::vector<uint8_t> &bytes);
    void feed(const std::string &bytes);
    // Resizes the X window (the caller then calls open() again).
    void resize(int w, int h);
    // Releases the slot (pdi_win_close), if one is taken.
    void close();

    // Raw pixel values of a drawable (the slot's pixmap by default).
    std::vector<std::vector<unsigned long>> pixels(Drawable d = 0) const;
    // The grid of colour-cell numbers of the pixmap, or of the window.
    Grid pixmapGrid() const;
    Grid windowGrid() const;
    // The X side of the slot, or nullptr without a slot.
    const NxgXSlot *slot() const;

    XtAppContext app = nullptr;
    Display *dpy = nullptr;
    Widget shell = nullptr, core = nullptr;
    Window win = 0;
    int width = 0, height = 0;
    int id = -1;

private:
    Grid gridOf(Drawable d) const;
};

// Window and pixmap hold the same pixels.
::testing::AssertionResult windowMatchesPixmap(const TestWindow &w);

}  // namespace naplps::xtest

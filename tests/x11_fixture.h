// Test fixture for drawing tests on a real X server: starts its own Xvfb
// (8-bit PseudoColor by default), makes an Xt Core widget window of a given
// size, takes a driver slot for it, feeds bytes to the decoder, and reads
// the backing pixmap or the window back as a grid of colour-cell numbers.
//
// A grid is one string per window row, top row first, one character per
// pixel: the hex digit of the slot's colour cell (0-f) whose pixel value the
// pixel has, or '?' for a pixel that is none of the 16 cells. In expected
// pictures '.' may stand for cell 0.
#pragma once

#include <gtest/gtest.h>

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "nxg/nxg_x.h"

namespace naplps::xtest {

using Grid = std::vector<std::string>;

// The display name of a private Xvfb of the given depth (8 or 24), and, if
// visualClass is not -1, that default visual class (X's StaticGray 0 ..
// DirectColor 5), started on first use and ended when the process exits;
// empty when it could not be started.
std::string xvfbDisplay(int depth = 8, int visualClass = -1);

// Load-time state of the decoder, interpreter, raster and driver.
void resetState();

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

    // Takes (or, with an id, updates) the driver slot for this window with
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

// Compares a grid with an expected picture; on a mismatch the message shows
// expected and actual side by side and marks the rows that differ.
::testing::AssertionResult pictureIs(const Grid &actual, const Grid &expected);
// Window and pixmap hold the same pixels.
::testing::AssertionResult windowMatchesPixmap(const TestWindow &w);

// A grid of w x h of one character (a blank picture to edit).
Grid blank(int w, int h, char c = '0');

}  // namespace naplps::xtest

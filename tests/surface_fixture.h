// Test fixture of the drawing tests, on the in-memory surface: no X server.
// A TestSurface takes a slot of w x h pixels, feeds bytes to the decoder,
// and reads the picture back as a grid of colour-cell numbers.
//
// A grid is one string per row, top row first, one character per pixel:
// the hex digit of the colour cell (0-f) whose pixel byte the pixel holds,
// or '?' for any other byte. In expected pictures '.' may stand for cell 0.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace naplps::ptest {

using Grid = std::vector<std::string>;

// Load-time state of the decoder, interpreter, raster and surface.
void resetState();

// An in-memory surface of w x h pixels.
class TestSurface {
public:
    TestSurface(int w, int h) : width(w), height(h) {}
    ~TestSurface();
    TestSurface(const TestSurface &) = delete;
    TestSurface &operator=(const TestSurface &) = delete;

    // Takes (or, with an id, updates) the slot with pdi_win_open and makes
    // it current as a repaint would. Returns pdi_win_open's result.
    int open();
    // The calls the plug-in makes before feeding a stream:
    // pdi_ctl(0, 0, 0, 0, 512) and pdi_clip(0, 0, 0, w - 1, h - 1).
    void playArea();
    // Feeds bytes through pdi_putchar.
    void feed(const std::vector<uint8_t> &bytes);
    void feed(const std::string &bytes);
    // A new size (the caller then calls open() again).
    void resize(int w, int h);
    // Releases the slot (pdi_win_close), if one is taken.
    void close();
    // The picture as a grid of colour-cell numbers (empty without one).
    Grid grid() const;

    int width = 0, height = 0;
    int id = -1;
};

// Compares a grid with an expected picture; on a mismatch the message shows
// expected and actual side by side and marks the rows that differ.
::testing::AssertionResult pictureIs(const Grid &actual, const Grid &expected);
// Every pixel of the slot's picture holds one of its 16 colour cells.
::testing::AssertionResult onlyCells(const TestSurface &s);

// A grid of w x h of one character (a blank picture to edit).
Grid blank(int w, int h, char c = '0');

}  // namespace naplps::ptest

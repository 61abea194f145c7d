// The drawing tests' harness, on the in-memory surface (no X server): a
// picture is described in pdienc's language, encoded by the pdienc tool,
// decoded onto a fresh window and read back as a grid of colour cells.
//
// A grid is one string per row, top row first, one character per pixel: the
// hex digit of the colour cell (0-f) the pixel holds, or '?' for a byte of no
// cell. Colour index 16 k shows as cell k. In expected pictures '.' stands
// for cell 0; rows are written one after the other, separated by blanks or
// new lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace naplps::ptest {

using Grid = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

// Load-time state of the decoder, interpreter, raster and surface.
void resetState();

// Encodes a description (instructions on lines or separated by ';') with the
// pdienc tool; its message fails the test if it refuses the description.
Bytes encode(const std::string &pdt);

// An in-memory window of w x h pixels.
class TestSurface {
public:
    TestSurface(int w, int h) : width(w), height(h) {}
    ~TestSurface();
    TestSurface(const TestSurface &) = delete;
    TestSurface &operator=(const TestSurface &) = delete;

    // Takes (or, with an id, updates) the slot with pdi_win_open and makes
    // it current as a repaint would. Returns pdi_win_open's result.
    int open();
    // The plug-in's drawing area: pdi_ctl(.., ratio) and the window's clip.
    void playArea(int ratio = 512);
    void feed(const Bytes &bytes);
    void feed(const std::string &bytes);
    // Encodes a description and feeds it.
    void play(const std::string &pdt) { feed(encode(pdt)); }
    void resize(int w, int h);
    // Releases the slot (pdi_win_close), if one is taken.
    void close();
    // The picture as a grid (empty without a slot).
    Grid grid() const;

    int width = 0, height = 0;
    int id = -1;
};

// The pen most drawing scripts start from: a one-pixel pel, colour index 16
// (cell 1) in colour-map mode.
extern const char kPen[];

// A fresh w x h window at `ratio` pixels per unit screen (256: one pdienc
// unit a pixel, y counted up from the window's bottom row), the script
// played after kPen and the stream ended.
Grid drawn(int w, int h, const std::string &pdt, int ratio = 256);

// Rows of a picture written as text.
Grid art(const std::string &rows);

// A grid compared with an expected picture; on a mismatch both are shown side
// by side, the rows that differ marked.
::testing::AssertionResult pictureIs(const Grid &actual, const Grid &expected);
// The script draws this picture (on a window of its size).
::testing::AssertionResult draws(const std::string &pdt, const std::string &picture,
                                 int ratio = 256);
// Every pixel of the slot's picture holds one of its 16 colour cells.
::testing::AssertionResult onlyCells(const TestSurface &s);

// A w x h grid of one character.
Grid blank(int w, int h, char c = '0');
// The cell at (x, y) counted from the bottom-left pixel.
char at(const Grid &g, int x, int y);

}  // namespace naplps::ptest

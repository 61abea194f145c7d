// Arc and circle rasteriser: the circle through three points, the walk of
// the arc from its start to its end point in the sense that passes the
// intermediate point, written pel by pel in the line texture; and the disk
// and circular segment fills of filled arcs.
#pragma once

#include <cstdint>

namespace naplps {

// Largest centre coordinate and radius (pixels) of a circle that is walked
// or filled; a circle beyond it is "out of range" (radius -2).
constexpr int32_t ARC_RANGE = 32767;

// Working state of the arc module, kept between calls where noted.
struct ArcState {
    int32_t Filled = 0;                    // 1 while a filled arc is drawn
    int32_t lineType = 0;                  // line texture of the outline, 0..3
    int32_t pelXyes = 0, pelYyes = 0;      // the logical pel width / height is not 0
    int32_t pelXcord = 0, pelYcord = 0;    // 0, or the pel dimension when negative
    int32_t pelXcord1 = 0, pelYcord1 = 0;  // point to pel corner: 0, or dimension + 1
    int32_t pelXsize = 0, pelYsize = 0;    // absolute pel width and height
    int32_t ox = 0, oy = 0;                // centre of the walk
    int32_t x1 = 0, y1 = 0;                // current point, relative to the centre
    int32_t x2 = 0, y2 = 0;                // end point, relative to the centre
    int32_t direction = 0;                 // 1 counter-clockwise, 0 clockwise
    int32_t dx1 = 0, dy1 = 0;              // diagonal step of the octant
    int32_t dx2 = 0, dy2 = 0;              // axial step of the octant
    int32_t d = 0;                         // x^2 + y^2 of the point minus that of the start
    int32_t oldX = 0, oldY = 0;            // reference position of the texture cycle
    int32_t lastX = 0, lastY = 0;          // last pel of the current dash
    int32_t dotMode = 0;                   // 0 dash, 1 gap after a dash, 2 gap after a dot
};

// Outlined and filled arc from P0 through P1 to P2 (unit-screen pixels);
// P2 equal to P0 means the whole circle whose diameter is P0-P1.
void arcoutline(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void arcfil(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// Colours of the arc: foreground, and the background in colour mode 2
// (else -1, transparent).
void SetColor(int32_t fg, int32_t bg, int32_t mode);
void SetFGColor();
void SetBGColor();
// Pel offsets and sizes from a physical pel of either sign.
void SetPelSize(int32_t px, int32_t py);

// Draws the arc of window-relative points xs[0..2], ys[0..2] with the state
// set by arcoutline/arcfil.
void Arc(const int32_t xs[3], const int32_t ys[3]);
// Centre and radius of the circle through three points: r = -1 for
// collinear points (centre not set), -2 when the centre or the radius lies
// beyond ARC_RANGE.
void CalcOR(const int32_t xs[3], const int32_t ys[3], int32_t centre[2], int32_t *r);
// Integer square root (floor) and the length of (dx, dy), rounded down.
int64_t nsqrt(int64_t n);
int64_t distance(int64_t dx, int64_t dy);

// The outline walk: from (sx, sy) to (ex, ey) on the circle about (cx, cy)
// through the start point, dir 1 counter-clockwise, -1 clockwise.
void Cir(int32_t cx, int32_t cy, int32_t r, int32_t sx, int32_t sy, int32_t ex, int32_t ey,
         int32_t dir);
// Walk helpers: write the current point and step; the octant (1-8, 0 for
// the centre itself) of a relative point; whether b lies before a
// counter-clockwise (ay * bx > ax * by).
void put_inc();
int set_s(int32_t x, int32_t y);
bool greater(int64_t ax, int64_t ay, int64_t bx, int64_t by);
// Writes the pel of a walk point as the line texture allows.
void PelWrite(int32_t x, int32_t y);

// Filled circle and filled circular segment (window-relative pixels).
void Disk(int32_t cx, int32_t cy, int32_t r);
void Bow(int32_t cx, int32_t cy, int32_t r, int32_t x0, int32_t y0, int32_t x2, int32_t y2,
         int32_t dir);

}  // namespace naplps

// Handlers of the PDI instructions: the geometric ones (points, lines,
// rectangles, polygons, FIELD) in commands.cpp, the others beside them in
// interp/. Each takes the decoded operand record: word 0 the count n of
// values, words 1..n the values (logical units, x then y).
#pragma once

#include <cstdint>

namespace naplps {

// Points.
void PDI_abspoint(int32_t *data);
void PDI_relpoint(int32_t *data);
void PDI_abspointset(int32_t *data);
void PDI_relpointset(int32_t *data);
// Lines.
void PDI_absline(int32_t *data);
void PDI_relline(int32_t *data);
void PDI_setabsline(int32_t *data);
void PDI_setrelline(int32_t *data);
// Rectangles.
void PDI_rectline(int32_t *data);
void PDI_rectfill(int32_t *data);
void PDI_setrectline(int32_t *data);
void PDI_setrectfill(int32_t *data);
// Polygons.
void PDI_polyline(int32_t *data);
void PDI_polyfill(int32_t *data);
void PDI_setpolyline(int32_t *data);
void PDI_setpolyfill(int32_t *data);
// The active field.
void PDI_field(int32_t *data);

// Lets the text cursor follow the drawing point (TEXT move modes 0 and 2).
void movecursorpoint();

// Where the cursor stands relative to the active field: 2 its character
// cell lies inside, 1 the cursor lies inside, 0 outside.
int Chk_Fields();

// Relative pairs a polygon fill takes: the vertex store holds the first
// vertex, these pairs and the closing copy of the first vertex.
constexpr int POLY_MAX_PAIRS = (2 * (1024 / 2 + 2) - 4) / 2;

}  // namespace naplps

// The display-offset pre-scan: a picture file read from disk before it is
// shown, searched for a "DisplayOffset" text command carried in an
// extended-data message of type 9, which sets the picture's scale mode and
// offset. The scan is a pass of its own: it runs the byte machine on a
// scratch context and leaves the picture being drawn exactly as it was.
#pragma once

#include <cstddef>
#include <cstdint>

namespace naplps {

constexpr int DISPLAYOFFSET_PATH_MAX = 511;  // longer paths are refused
constexpr int EDC_TYPE_TEXT = 9;             // message type of text commands

// Sets origin, unit-screen size and clip from the file's command, starting
// from origin (x, y) and unit screen `ratio`; the seven outputs (any may be
// null) receive OriginX, OriginY, Scr_Ratio and the clip rectangle as
// Set_Clip keeps it. 1 when a command with a non-zero mode was applied, -1
// otherwise (no file, no command, or a scale it would make 0 or negative):
// origin and ratio then stay as passed and the clip is set from them.
int pdi_set_displayoffset(const char *path, int x, int y, int ratio, int *origin_x, int *origin_y,
                          int *out_ratio, int *clip_x1, int *clip_y1, int *clip_x2, int *clip_y2);
// The same for a picture held in memory: the command is looked for in
// bytes[0 .. n).
int pdi_set_displayoffset_bytes(const uint8_t *bytes, size_t n, int x, int y, int ratio,
                                int *origin_x, int *origin_y, int *out_ratio, int *clip_x1,
                                int *clip_y1, int *clip_x2, int *clip_y2);

// Scans the file: 1 with mode, x and y set when the command was found, 0
// when it was not, -1 when the file cannot be opened (or is not a regular
// file, or its path is longer than DISPLAYOFFSET_PATH_MAX).
int _npGetDisplayOffset(const char *path, int32_t *mode, int32_t *x, int32_t *y);
// Scans bytes[0 .. n) as _npGetDisplayOffset scans a file: 1 with mode, x
// and y set when the command was found, else 0.
int pdi_scan_displayoffset(const uint8_t *bytes, size_t n, int32_t *mode, int32_t *x, int32_t *y);

// One byte of the scan through the byte machine on the live decoder state
// (the handle is not used); 1 when the byte completes a message holding the
// command, with mode, x and y set.
int _pdi_chk_displayoffset(int handle, int byte, int32_t *mode, int32_t *x, int32_t *y);

// The scan's C1 handler: the extended-data codes EDC1 .. EDC4 assemble
// messages as in the decoder; 1 when `code` completes a type-9 message whose
// text holds the command, with mode, x and y set. Every other control is
// ignored.
int _PDI_chk_displayoffset_c1(int code, int32_t *record, int32_t *mode, int32_t *x, int32_t *y);

// The command in a message text: 1 with mode, x and y set when "DisplayOffset"
// occurs in it (keys that are absent keep mode 512, x 0, y 0), else 0.
int parse_displayoffset(const char *text, int length, int32_t *mode, int32_t *x, int32_t *y);

}  // namespace naplps

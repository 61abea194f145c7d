// Writes a picture of 8-bit RGB triples, rows from the top, as a PNG file.
#pragma once

#include <cstdint>
#include <vector>

bool writePng(const char *path, int w, int h, const std::vector<uint8_t> &rgb);

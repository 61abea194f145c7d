// Makers of what the image and display-offset tests feed in: extended-data
// messages (an image reference of type 3, a text command of type 9) as the
// stream carries them, WNGD image files, and files in a scratch directory
// of the test process.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace naplps::wngdtest {

using Bytes = std::vector<uint8_t>;
using Rgb = std::array<uint8_t, 3>;

// The EDC codes 0x91 .. 0x94 of one message: type, length, payload and the
// check byte, two bits a code, most significant first. `sevenBit` gives
// each code in its 7-bit form, ESC and 0x51 .. 0x54.
inline Bytes edcMessage(int type, const Bytes &payload, bool sevenBit = false, int checkDelta = 0) {
    Bytes msg = {uint8_t(type), uint8_t(payload.size())};
    msg.insert(msg.end(), payload.begin(), payload.end());
    unsigned sum = 0;
    for (uint8_t b : msg) sum += b;
    msg.push_back(uint8_t(-sum + unsigned(checkDelta)));
    Bytes codes;
    for (uint8_t b : msg)
        for (int shift = 6; shift >= 0; shift -= 2) {
            int code = 0x91 + ((b >> shift) & 3);
            if (sevenBit) {
                codes.push_back(0x1B);
                codes.push_back(uint8_t(code - 0x40));
            } else {
                codes.push_back(uint8_t(code));
            }
        }
    return codes;
}

// An image reference: rectangle in 1/16384 of the unit screen, the name one
// character in every second byte.
inline Bytes imageMessage(int x, int y, int w, int h, const std::string &name) {
    Bytes p = {0, 0, 0};
    for (int v : {x, y, w, h}) {
        p.push_back(uint8_t(v & 0xFF));
        p.push_back(uint8_t((v >> 8) & 0xFF));
    }
    for (char c : name) {
        p.push_back(uint8_t(c));
        p.push_back(0);
    }
    return edcMessage(3, p);
}

// A text command: the text is read from message byte 3 up to the byte
// before the check byte's neighbour, so one byte stands before and one after.
inline Bytes textMessage(const std::string &text, bool sevenBit = false, int checkDelta = 0) {
    Bytes p = {0};
    p.insert(p.end(), text.begin(), text.end());
    p.push_back(0);
    return edcMessage(9, p, sevenBit, checkDelta);
}

// A WNGD file: header (magic, width, height, palette size, used bitmap,
// palette) and pixel indices, rows from the top.
inline Bytes wngdFile(int w, int h, const std::vector<Rgb> &palette, const Bytes &pixels,
                      int countField = -1) {
    Bytes f(816, 0);
    f[0] = 'W';
    f[1] = 'N';
    f[2] = 'G';
    f[3] = 'D';
    int n = countField >= 0 ? countField : int(palette.size());
    f[8] = uint8_t(w >> 8);
    f[9] = uint8_t(w);
    f[10] = uint8_t(h >> 8);
    f[11] = uint8_t(h);
    f[12] = uint8_t(n >> 8);
    f[13] = uint8_t(n);
    for (size_t i = 0; i < palette.size() && i < 256; i++) {
        f[16 + i / 8] |= uint8_t(0x80 >> (i % 8));
        for (int k = 0; k < 3; k++) f[48 + 3 * i + size_t(k)] = palette[i][size_t(k)];
    }
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// A scratch directory of this test process, made on first use.
inline std::string scratchDir() {
    static std::string dir;
    if (dir.empty()) {
        dir = ::testing::TempDir() + "naplps_img_" + std::to_string(getpid());
        mkdir(dir.c_str(), 0700);
    }
    return dir;
}

inline std::string writeFile(const std::string &name, const Bytes &bytes) {
    std::string path = scratchDir() + "/" + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

}  // namespace naplps::wngdtest

// png2wngd: makes an image file that pictures can name from a PNG of at
// most 256 colours.
//
//   png2wngd IN.png OUT.wng
//
// The image file (magic "WNGD") holds the size, the number of palette
// entries, a bitmap of the colours used, a palette of 256 RGB entries and
// one palette index per pixel, rows from the top; numbers are big-endian.
// The palette holds the PNG's colours in the order they first occur, rows
// from the top. Transparent parts are laid on black. A picture shows at
// most 128 colours of an image exactly: with more, the tool says so, and
// the later colours show as the nearest of the first 128.
#include <png.h>

#include "tools/cli.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int SIDE_MAX = 4096;  // the widest and highest image a picture draws
constexpr int PALETTE = 256;
constexpr int CELLS = 128;
constexpr int HEADER = 816;

const char kUsage[] =
    "usage: png2wngd IN.png OUT.wng\n"
    "Writes the PNG picture IN.png, of at most 256 colours, as a WNGD image\n"
    "file that NAPLPS pictures can name.\n"
    "  --help  print this text;  --version  print the version\n";

void be16(std::vector<uint8_t> &out, size_t at, int v) {
    out[at] = uint8_t(v >> 8);
    out[at + 1] = uint8_t(v);
}

}  // namespace

int main(int argc, char **argv) {
    if (cli::standardOptions(argc, argv, "png2wngd", kUsage)) return 0;
    if (argc != 3 || argv[1][0] == '-' || argv[2][0] == '-')
        return cli::badUsage("png2wngd", kUsage);
    const char *in = argv[1], *outPath = argv[2];

    png_image im;
    std::memset(&im, 0, sizeof im);
    im.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&im, in)) {
        std::fprintf(stderr, "png2wngd: cannot read %s: %s\n", in, im.message);
        return 1;
    }
    if (im.width < 1 || im.height < 1 || im.width > SIDE_MAX || im.height > SIDE_MAX) {
        std::fprintf(stderr, "png2wngd: %s is %ux%u; images are 1..%d pixels each way\n", in,
                     im.width, im.height, SIDE_MAX);
        png_image_free(&im);
        return 1;
    }
    im.format = PNG_FORMAT_RGB;
    const int w = int(im.width), h = int(im.height);
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(im), 0);  // black under transparent parts
    if (!png_image_finish_read(&im, nullptr, rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "png2wngd: cannot read %s: %s\n", in, im.message);
        png_image_free(&im);
        return 1;
    }

    std::vector<uint8_t> file(size_t(HEADER) + size_t(w) * size_t(h), 0);
    std::map<uint32_t, int> index;  // colour -> palette index
    for (size_t i = 0; i < size_t(w) * size_t(h); i++) {
        uint32_t c = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
        auto it = index.find(c);
        if (it == index.end()) {
            int n = int(index.size());
            if (n == PALETTE) {
                std::fprintf(stderr, "png2wngd: %s has more than %d colours\n", in, PALETTE);
                return 1;
            }
            it = index.emplace(c, n).first;
            std::memcpy(&file[size_t(48 + 3 * n)], &rgb[3 * i], 3);
            file[size_t(16 + n / 8)] |= uint8_t(0x80 >> (n % 8));
        }
        file[HEADER + i] = uint8_t(it->second);
    }
    const int n = int(index.size());
    std::memcpy(file.data(), "WNGD", 4);
    be16(file, 8, w);
    be16(file, 10, h);
    be16(file, 12, n);
    if (n > CELLS)
        std::fprintf(stderr,
                     "png2wngd: %s has %d colours; pictures show %d exactly and the rest as the "
                     "nearest of those\n",
                     in, n, CELLS);

    FILE *f = std::fopen(outPath, "wb");
    if (!f) {
        std::fprintf(stderr, "png2wngd: cannot write %s\n", outPath);
        return 1;
    }
    bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "png2wngd: cannot write %s\n", outPath);
        std::remove(outPath);
        return 1;
    }
    return 0;
}

// Compares two PNG files pixel for pixel in RGB (alpha ignored):
//
//   pngcmp A.png B.png [PERCENT]
//
// Prints "W x H, N of M pixels differ" and exits 0 when both have the same
// size and at least PERCENT (default 100) of the pixels are equal, 1 when
// not, 2 when a file cannot be read.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool readRgb(const char *path, png_uint_32 *w, png_uint_32 *h, std::vector<png_byte> *rgb) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path)) {
        std::fprintf(stderr, "pngcmp: %s: %s\n", path, img.message);
        return false;
    }
    img.format = PNG_FORMAT_RGB;
    rgb->resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, rgb->data(), 0, nullptr)) {
        std::fprintf(stderr, "pngcmp: %s: %s\n", path, img.message);
        png_image_free(&img);
        return false;
    }
    *w = img.width;
    *h = img.height;
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: pngcmp A.png B.png [PERCENT]\n");
        return 2;
    }
    double percent = argc == 4 ? std::atof(argv[3]) : 100.0;
    png_uint_32 wa, ha, wb, hb;
    std::vector<png_byte> a, b;
    if (!readRgb(argv[1], &wa, &ha, &a) || !readRgb(argv[2], &wb, &hb, &b)) return 2;
    if (wa != wb || ha != hb) {
        std::printf("sizes differ: %u x %u and %u x %u\n", unsigned(wa), unsigned(ha), unsigned(wb),
                    unsigned(hb));
        return 1;
    }
    size_t pixels = size_t(wa) * ha, differ = 0;
    for (size_t i = 0; i < pixels; i++)
        if (a[3 * i] != b[3 * i] || a[3 * i + 1] != b[3 * i + 1] || a[3 * i + 2] != b[3 * i + 2])
            differ++;
    std::printf("%u x %u, %zu of %zu pixels differ\n", unsigned(wa), unsigned(ha), differ, pixels);
    return double(pixels - differ) * 100.0 >= percent * double(pixels) ? 0 : 1;
}

// The fuzz target's findings, replayed: every file in tests/fuzz/regressions
// (the bytes of a crash, a slow unit or a stream of an issue) goes through
// the target's own run (tests/fuzz/fuzz_one.cpp) in an ordinary build, and in
// the sanitizer build with AddressSanitizer and UndefinedBehaviorSanitizer.
// Each must end, and spend no more drawing work than its bytes paid for.
// Also the seam the target scans through: the display-offset scan of bytes
// in memory finds what the scan of the same bytes in a file finds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoder/api.h"
#include "decoder/displayoffset.h"
#include "raster/raster.h"
#include "tests/fuzz/fuzz_one.h"
#include "tests/wngd_stream.h"

namespace naplps {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes readFile(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(FuzzRegressions, EveryFindingReplaysWithinTheWorkItsBytesPayFor) {
    std::vector<std::filesystem::path> files;
    for (auto &e : std::filesystem::directory_iterator(REGRESSIONS_DIR))
        if (e.is_regular_file()) files.push_back(e.path());
    ASSERT_FALSE(files.empty());
    for (const auto &f : files) {
        const Bytes s = readFile(f);
        fuzz_one(s.data(), s.size());
        // The last decode (after the resize) started from the load-time state.
        if (s.size() >= 3) {
            EXPECT_LE(ras.WorkSpent,
                      uint64_t(WORK_AT_LOAD) + s.size() * uint64_t(WORK_PER_BYTE) + (64u << 20))
                << f;
        }
    }
}

// The scan over bytes and the scan over a file agree: on a stream with the
// command after other bytes, one without it, and the command's bytes cut
// short at every length.
TEST(FuzzTarget, TheScanOfBytesFindsWhatTheScanOfTheFileFinds) {
    pdi_load_state();
    Bytes with = {0xA0, 0xC8, 0xC1, 'a', 'b', 0x0D};
    const Bytes msg = wngdtest::textMessage("DisplayOffset mode=512 x=64 y=-32");
    with.insert(with.end(), msg.begin(), msg.end());
    std::vector<Bytes> streams = {with, Bytes{0xA0, 0xC8, 0xC1, 'x'}, Bytes{}};
    for (size_t n = 0; n < with.size(); n++)
        streams.emplace_back(with.begin(), with.begin() + long(n));
    for (const Bytes &s : streams) {
        const std::string path = wngdtest::writeFile("scan.nap", s);
        int32_t fm = -1, fx = -1, fy = -1, bm = -1, bx = -1, by = -1;
        int fromFile = _npGetDisplayOffset(path.c_str(), &fm, &fx, &fy);
        int fromBytes = pdi_scan_displayoffset(s.data(), s.size(), &bm, &bx, &by);
        EXPECT_EQ(fromFile, fromBytes) << s.size();
        EXPECT_EQ(std::vector<int32_t>({fm, fx, fy}), std::vector<int32_t>({bm, bx, by}))
            << s.size();
        int a[7], b[7];
        int ra = pdi_set_displayoffset(path.c_str(), 3, 4, 640, &a[0], &a[1], &a[2], &a[3], &a[4],
                                       &a[5], &a[6]);
        int rb = pdi_set_displayoffset_bytes(s.data(), s.size(), 3, 4, 640, &b[0], &b[1], &b[2],
                                             &b[3], &b[4], &b[5], &b[6]);
        EXPECT_EQ(ra, rb) << s.size();
        EXPECT_EQ(std::vector<int>(a, a + 7), std::vector<int>(b, b + 7)) << s.size();
    }
    int32_t m = 0, x = 0, y = 0;
    EXPECT_EQ(pdi_scan_displayoffset(with.data(), with.size(), &m, &x, &y), 1);
    EXPECT_EQ(std::vector<int32_t>({m, x, y}), std::vector<int32_t>({512, 64, -32}));
    EXPECT_EQ(pdi_scan_displayoffset(nullptr, 5, &m, &x, &y), 0);
}

}  // namespace
}  // namespace naplps

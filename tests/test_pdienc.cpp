// pdienc, the text-to-NAPLPS encoder, checked against the decoder: each
// description is encoded by the real tool, and the bytes are fed to the
// decoder core with recording executors, whose decoded records must hold
// the values the description gave.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/recorder.h"

using namespace naplps;

namespace {

struct Encoded {
    int status = -1;
    std::vector<uint8_t> bytes;
    std::string errors;
};

Encoded encode(const std::string &description) {
    // Tests run in parallel processes: names of this process's own.
    std::string base = testing::TempDir() + "pdienc_" + std::to_string(getpid());
    std::string in = base + ".pdt", out = base + ".pdi", err = base + ".err";
    std::ofstream(in) << description;
    unlink(out.c_str());
    Encoded e;
    std::string cmd = std::string(PDIENC_PATH) + " " + in + " " + out + " 2>" + err;
    int st = std::system(cmd.c_str());
    e.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream o(out, std::ios::binary);
    e.bytes.assign(std::istreambuf_iterator<char>(o), std::istreambuf_iterator<char>());
    std::ifstream r(err);
    e.errors.assign(std::istreambuf_iterator<char>(r), std::istreambuf_iterator<char>());
    unlink(in.c_str());
    unlink(out.c_str());
    unlink(err.c_str());
    return e;
}

// The PDI records the decoder makes of a description, after the domain
// set-up that the description itself starts with.
std::vector<std::string> decoded(const std::string &description) {
    Encoded e = encode(description);
    EXPECT_EQ(e.status, 0) << e.errors;
    resetAll();
    std::vector<std::string> records;
    for (const std::string &c : feed(e.bytes))
        if (c.rfind("pdi ", 0) == 0 || c.rfind("moji ", 0) == 0) records.push_back(c);
    return records;
}

TEST(Pdienc, CoordinatesInEveryPrecision) {
    // 1/256 of the width is 0x10000 in the decoder's 24-bit fractions.
    EXPECT_EQ(decoded("reset domain\npoint-set 64 0\npoint-set-rel -256 -1\nline 255 199\n"),
              (std::vector<std::string>{"pdi 20 1 0 0 0 0 0 0 0 0", "pdi 24 400000 0",
                                        "pdi 25 -1000000 -10000", "pdi 28 ff0000 c70000"}));
    // Eight bytes a coordinate: fractions of a unit are kept.
    EXPECT_EQ(decoded("reset domain\ndomain multi=8\nset-rect 12.5 3.25 -0.125 199.75\n"),
              (std::vector<std::string>{"pdi 20 1 0 0 0 0 0 0 0 0", "pdi 21 0 7 0",
                                        "pdi 32 c8000 34000 -2000 c7c000"}));
    // One byte a coordinate: steps of 64 units.
    EXPECT_EQ(decoded("reset domain\ndomain multi=1 pel=64,-128\npoint 128 64\n"),
              (std::vector<std::string>{"pdi 20 1 0 0 0 0 0 0 0 0",
                                        "pdi 21 0 0 0 400000 -800000", "pdi 26 800000 400000"}));
}

TEST(Pdienc, ControlInstructions) {
    EXPECT_EQ(decoded("reset domain colour=1 screen=7 text blink drcs\n"
                      "textmode rotate=1 path=2 space=3 rowspace=1 move=2 cursor=3 size=6,10\n"
                      "texture line=2 highlight pattern=5 mask=6,10\n"),
              (std::vector<std::string>{"pdi 20 1 1 7 1 1 0 0 0 1",
                                        "pdi 22 1 2 3 1 2 3 60000 a0000",
                                        "pdi 23 2 1 5 60000 a0000"}));
}

TEST(Pdienc, ColoursWaitsAndBlinks) {
    EXPECT_EQ(decoded("reset domain\ncolor 255 0 0\ncolor 0 255 128\nselect 192 16\nselect\n"
                      "wait 5 3 63\nblink 176 5 6 7\n"),
              (std::vector<std::string>{"pdi 20 1 0 0 0 0 0 0 0 0", "pdi 3c 0 3f 0",
                                        "pdi 3c 3f 0 20", "pdi 3e 30 4", "pdi 3e", "pdi 3d 5 3 3f",
                                        "pdi 3f 2c 5 6 7"}));
    // Two-byte single values carry the index in their top 8 bits: colour
    // 64 is the value 0x400. (The single-value length takes effect through
    // the DOMAIN handler, which the recording decoder does not run.)
    Encoded e = encode("domain single=2\nselect 64\n");
    ASSERT_EQ(e.status, 0) << e.errors;
    EXPECT_EQ(e.bytes, (std::vector<uint8_t>{0xA1, 0xC9, 0xBE, 0xC0 | (0x400 >> 6), 0xC0, 0}));
}

TEST(Pdienc, TextAndRawBytes) {
    Encoded e = encode("text \"Hi \\\"x\\\" \\x41\"  # a comment\nbytes 0x1b 32\n");
    ASSERT_EQ(e.status, 0) << e.errors;
    EXPECT_EQ(e.bytes, (std::vector<uint8_t>{'H', 'i', ' ', '"', 'x', '"', ' ', 'A', 0x1B, 32, 0}));
}

TEST(Pdienc, MistakesAreReportedWithTheirLine) {
    Encoded e = encode("reset domain\n\npoint-set 256 0\n");
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.errors.find(":3:"), std::string::npos) << e.errors;
    e = encode("frobnicate 1\n");
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.errors.find("frobnicate"), std::string::npos);
    EXPECT_EQ(encode("line 1 2 3\n").status, 1);
    EXPECT_EQ(encode("select 300\n").status, 1);
    EXPECT_EQ(encode("text \"open\n").status, 1);
    EXPECT_EQ(encode("reset colour=4\n").status, 1);
}

}  // namespace

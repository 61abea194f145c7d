// pdienc, the text-to-NAPLPS encoder, run as a user runs it: its bytes fed
// to the decoder core with recording executors must give back the values
// the description held.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "tests/recorder.h"

using namespace naplps;

namespace {

// Runs pdienc on a description: its exit status; the bytes it wrote and
// what it said go to *bytes and *errors.
int encode(const std::string &description, std::vector<uint8_t> *bytes, std::string *errors) {
    // Tests run in parallel processes: names of this process's own.
    std::string base = testing::TempDir() + "pdienc_" + std::to_string(getpid());
    std::string in = base + ".pdt", out = base + ".pdi", err = base + ".err";
    std::ofstream(in) << description;
    int st = std::system((std::string(PDIENC_PATH) + " " + in + " " + out + " 2>" + err).c_str());
    std::ifstream o(out, std::ios::binary), r(err);
    bytes->assign(std::istreambuf_iterator<char>(o), std::istreambuf_iterator<char>());
    errors->assign(std::istreambuf_iterator<char>(r), std::istreambuf_iterator<char>());
    for (const std::string &f : {in, out, err}) unlink(f.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// Each description, encoded and decoded, gives these PDI records (1/256 of
// the width is 0x10000 in the decoder's 24-bit fractions).
TEST(Pdienc, RoundTripThroughTheDecoder) {
    const std::string reset = "pdi 20 1 0 0 0 0 0 0 0 0";
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"reset domain\npoint-set 64 0\npoint-set-rel -256 -1\nline 255 199\n",
         {reset, "pdi 24 400000 0", "pdi 25 -1000000 -10000", "pdi 28 ff0000 c70000"}},
        // Eight bytes a coordinate keep fractions; one byte steps by 64.
        {"reset domain\ndomain multi=8\nset-rect 12.5 3.25 -0.125 199.75\n",
         {reset, "pdi 21 0 7 0", "pdi 32 c8000 34000 -2000 c7c000"}},
        {"reset domain\ndomain multi=1 pel=64,-128\npoint 128 64\n",
         {reset, "pdi 21 0 0 0 400000 -800000", "pdi 26 800000 400000"}},
        {"reset domain colour=1 screen=7 text blink drcs\n"
         "textmode rotate=1 path=2 space=3 rowspace=1 move=2 cursor=3 size=6,10\n"
         "texture line=2 highlight pattern=5 mask=6,10\n",
         {"pdi 20 1 1 7 1 1 0 0 0 1", "pdi 22 1 2 3 1 2 3 60000 a0000",
          "pdi 23 2 1 5 60000 a0000"}},
        {"reset domain\ncolor 255 0 0\ncolor 0 255 128\nselect 192 16\nselect\n"
         "wait 5 3 63\nblink 176 5 6 7\n",
         {reset, "pdi 3c 0 3f 0", "pdi 3c 3f 0 20", "pdi 3e 30 4", "pdi 3e", "pdi 3d 5 3 3f",
          "pdi 3f 2c 5 6 7"}}};
    std::vector<uint8_t> bytes;
    std::string errors;
    for (const auto &c : cases) {
        EXPECT_EQ(encode(c.first, &bytes, &errors), 0) << errors;
        resetAll();
        std::vector<std::string> records;
        for (const std::string &call : feed(bytes))
            if (call.rfind("pdi ", 0) == 0 || call.rfind("moji ", 0) == 0) records.push_back(call);
        EXPECT_EQ(records, c.second) << c.first;
    }
}

// Bytes as written; mistakes end the run with status 1 and a message
// naming the line or the word.
TEST(Pdienc, BytesAndMistakes) {
    std::vector<uint8_t> bytes;
    std::string errors;
    // Two-byte single values carry a colour index in their top 8 bits.
    EXPECT_EQ(encode("domain single=2\nselect 64\n", &bytes, &errors), 0) << errors;
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xA1, 0xC9, 0xBE, 0xC0 | (0x400 >> 6), 0xC0, 0}));
    EXPECT_EQ(encode("text \"Hi \\\"x\\\" \\x41\"  # a comment\nbytes 0x1b 32\n", &bytes, &errors),
              0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{'H', 'i', ' ', '"', 'x', '"', ' ', 'A', 0x1B, 32, 0}));
    const std::pair<std::string, std::string> mistakes[] = {
        {"reset domain\n\npoint-set 256 0\n", ":3:"},
        {"frobnicate 1\n", "frobnicate"},
        {"line 1 2 3\n", ""},
        {"select 300\n", ""},
        {"text \"open\n", ""},
        {"reset colour=4\n", ""}};
    for (const auto &c : mistakes) {
        EXPECT_EQ(encode(c.first, &bytes, &errors), 1) << c.first;
        EXPECT_NE(errors.find(c.second), std::string::npos) << errors;
    }
}

}  // namespace

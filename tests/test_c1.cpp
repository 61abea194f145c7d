// The C1 controls through the whole decoder: character sizes, definitions
// opened and closed by C1 codes, and the extended-data channel with its
// image messages. No window is open: nothing here draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "decoder/c1.h"
#include "interp/interp.h"
#include "nxg/nxgfnt.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "text/text.h"
#include "image/state.h"
#include "interp/state.h"
#include "text/state.h"

using namespace naplps;

namespace {

using Bytes = std::vector<uint8_t>;

void fresh() {
    core_load_state();
    ras.pen.Scr_Ratio = 512;
}

int feed(const Bytes &b) {
    int last = 0;
    for (uint8_t c : b) last = pdi_putchar(0, c);
    return last;
}

// Codes of one EDC message: type, payload, and the check byte, two bits a
// code, most significant first.
Bytes edc(int type, const Bytes &payload, int checkDelta = 0) {
    Bytes msg = {uint8_t(type), uint8_t(payload.size())};
    msg.insert(msg.end(), payload.begin(), payload.end());
    unsigned sum = 0;
    for (auto b : msg) sum += b;
    msg.push_back(uint8_t(-sum + checkDelta));
    Bytes codes;
    for (auto b : msg)
        for (int shift = 6; shift >= 0; shift -= 2)
            codes.push_back(uint8_t(0x91 + ((b >> shift) & 3)));
    return codes;
}

Bytes imagePayload(int x, int y, int w, int h, const std::string &name) {
    Bytes p = {0, 0, 0};
    for (int v : {x, y, w, h}) {
        p.push_back(uint8_t(v & 0xFF));
        p.push_back(uint8_t(v >> 8));
    }
    for (char c : name) {
        p.push_back(uint8_t(c));
        p.push_back(0);
    }
    return p;
}

TEST(C1, CharacterSizesFollowTheScale) {
    fresh();
    feed({0x8C});
    EXPECT_EQ(ip.LogCharX, 0x60000);
    EXPECT_EQ(ras.pen.PhyCharX, 12);
    EXPECT_EQ(ras.pen.PhyCharY, 20);
    feed({0x1B, 0x4F});  // the 7-bit form of 0x8F
    EXPECT_EQ(ip.LogCharY, 0x140000);
    EXPECT_EQ(ras.pen.PhyCharX, 24);
    EXPECT_EQ(ras.pen.PhyCharY, 40);
    ras.pen.Scr_Ratio = 0;
    feed({0x8A});
    EXPECT_EQ(ras.pen.PhyCharX, 1);  // never 0
    EXPECT_EQ(ras.pen.PhyCharY, 1);
}

TEST(C1, TextureAndDrcsDefinitions) {
    fresh();
    feed({0x84, 'C'});
    EXPECT_EQ(dec.DefiningFlag, C1_DEF_TEXTURE);
    EXPECT_EQ(dec.DefiningCode, 6);
    EXPECT_TRUE(test_Texture_def('C'));
    feed({0x83, 'Q'});  // a new definition ends the one under way
    EXPECT_EQ(dec.DefiningFlag, C1_DEF_DRCS);
    EXPECT_EQ(dec.DefiningCode, 'Q');
    EXPECT_TRUE(test_DRCS_def('Q'));
    feed({0x85});
    EXPECT_EQ(dec.DefiningFlag, 0);
    EXPECT_EQ(dec.DefiningCode, 0);
}

TEST(ExtendedData, EmptyMessageTakesTwelveCodes) {
    fresh();
    Bytes codes(12, 0x91);
    for (size_t i = 0; i + 1 < codes.size(); i++) EXPECT_EQ(pdi_putchar(0, codes[i]), 1);
    EXPECT_EQ(pdi_putchar(0, codes.back()), 0);
    EXPECT_EQ(dec.St_EDC, 0);
}

TEST(ExtendedData, ImageMessageRecordsTheRequestOnce) {
    fresh();
    Bytes codes = edc(3, imagePayload(1600, 3200, 8192, 4096, "PIC.Gdf"));
    int last = 0;
    for (size_t i = 0; i < codes.size(); i++) last = pdi_putchar(0, codes[i]);
    EXPECT_EQ(last, 2);
    EXPECT_EQ(pdi_putchar(0, 0x00), 0);  // reported once
    EXPECT_STREQ(img.NXG_gdf_fname, "pic.gdf");
    EXPECT_EQ(img.NXG_gdf_draw_x, 50);
    EXPECT_EQ(img.NXG_gdf_draw_y, 100);
    EXPECT_EQ(img.NXG_gdf_draw_wid, 256);
    EXPECT_EQ(img.NXG_gdf_draw_hgt, 128);
}

TEST(ExtendedData, NameEndsAtPayloadEnd) {
    fresh();
    Bytes p = imagePayload(0, 0, 0, 0, "ab");
    p.pop_back();  // bytes 13 to 16 are a, 0, b and the payload ends at 15
    feed(edc(3, p));
    EXPECT_STREQ(img.NXG_gdf_fname, "ab");
}

TEST(ExtendedData, OtherCodesMayComeBetween) {
    fresh();
    Bytes codes = edc(3, imagePayload(0, 0, 0, 0, "x"));
    Bytes mixed;
    for (auto c : codes) {
        mixed.push_back(c);
        mixed.push_back(0x99);  // underline on, between every code
    }
    int twos = 0;
    for (auto c : mixed) twos += pdi_putchar(0, c) == 2;
    EXPECT_EQ(twos, 1);
    EXPECT_STREQ(img.NXG_gdf_fname, "x");
}

TEST(ExtendedData, BadCheckByteDropsOnlyThatMessage) {
    fresh();
    feed(edc(3, imagePayload(0, 0, 0, 0, "bad"), 1));
    EXPECT_EQ(dec.St_EDC, 0);
    EXPECT_EQ(dec.PDI_ret_val, 0);
    EXPECT_STREQ(img.NXG_gdf_fname, "");
    Bytes good = edc(3, imagePayload(0, 0, 0, 0, "good"));
    EXPECT_EQ(feed(good), 2);
    EXPECT_STREQ(img.NXG_gdf_fname, "good");
}

TEST(ExtendedData, LongNamesAreCut) {
    fresh();
    std::string longName(115, 'n');  // 13 + 2 * 115 bytes: the largest payload
    feed(edc(3, imagePayload(0, 0, 0, 0, longName)));
    EXPECT_EQ(std::string(img.NXG_gdf_fname), longName);
    // Garbage streams of EDC codes never write past the message buffer.
    Bytes noise;
    for (int i = 0; i < 20000; i++) noise.push_back(uint8_t(0x91 + (i * 7 + i / 5) % 4));
    feed(noise);
    EXPECT_LT(strlen(img.NXG_gdf_fname), sizeof img.NXG_gdf_fname);
}

}  // namespace

// Recording executors: each call becomes a line "name arg value value ...",
// numbers in hexadecimal (negative values with a minus sign).
#include "tests/recorder.h"

#include <cstdio>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "image/gdf.h"
#include "interp/colour.h"
#include "interp/interp.h"
#include "nxg/nxgfnt.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "text/text.h"

namespace naplps {

Recorder rec;

namespace {

std::string hex(long v) {
    char b[24];
    std::snprintf(b, sizeof b, v < 0 ? "-%lx" : "%lx", v < 0 ? -v : v);
    return b;
}

void log(const std::string &name, const int32_t *values, int n, std::string head = "") {
    std::string s = name + head;
    for (int i = 0; i < n; i++) s += " " + hex(values[i]);
    rec.calls.push_back(s);
}

}  // namespace

void pdi(int opcode, int32_t *data) { log("pdi " + hex(opcode), data + 1, data[0]); }
void PDI_c0(int code, int32_t *data) { log("c0 " + hex(code), data + 1, data[0]); }
// The decoder's own C1 handler (decoder/c1.cpp) opens and closes
// definitions; what it hands on to the executors is logged.
void text_c1(int code, const int32_t *data) { log("c1 " + hex(code), data + 1, data[0]); }
void start_def_texture(int code) { rec.calls.push_back("deftex " + hex(code)); }
void stopblink() { rec.calls.push_back("stopblink"); }
int EBphytoscr(int v) { return v; }  // image requests are logged in the stream's units
void pdi_set_gdf(int x, int y, int w, int h, const char *name) {
    int32_t v[4] = {x, y, w, h};
    log(std::string("gdf ") + name, v, 4);
}
void PDI_moji(int set, int32_t *data) {
    log("moji " + std::string(1, char(set)), data + 1, data[0]);
}
void PDI_mosaic(int32_t *data) { log("mosaic", data + 1, data[0]); }
int PDI_incpoint(int32_t *data) {
    log("incpoint", data + 1, data[0]);
    return rec.incpointResult ? rec.incpointResult(data) : data[0] - 1;
}
void PDI_incline(int32_t *data) { log("incline", data + 1, data[0]); }
void PDI_incpoly(int32_t *data) { log("incpoly", data + 1, data[0]); }
void end_def_texture() { rec.calls.push_back("endtex"); }
int Set_Clip(int x1, int y1, int x2, int y2) {
    int32_t v[4] = {x1, y1, x2, y2};
    log("clip", v, 4);
    return 0;
}
void ginitialize() { rec.calls.push_back("ginit"); }
void setChrFld() { rec.calls.push_back("chrfld"); }
void uf_open() {}
void uf_close() {}

void resetAll() {
    core_load_state();
    rec = Recorder{};
}

std::vector<std::string> feed(const std::vector<uint8_t> &bytes) {
    size_t before = rec.calls.size();
    pdi_put(0, bytes.data(), int(bytes.size()));
    return std::vector<std::string>(rec.calls.begin() + long(before), rec.calls.end());
}

std::string joined(const std::vector<std::string> &calls) {
    std::string s;
    for (auto &c : calls) s += (s.empty() ? "" : " | ") + c;
    return s;
}

}  // namespace naplps

// The picture's colour map of 256 entries, SET COLOR (direct and colour-map
// modes), SELECT COLOR, BLINK and the blink table. Only the sixteen entries
// whose index is a multiple of 16 reach the driver's palette; the others
// serve colour matching and blinking.
#include "interp/colour.h"

#include <cstring>

#include "interp/protocol.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"

namespace naplps {

namespace {

constexpr int MAP_SIZE = 256;
constexpr int SHOWN_STEP = 16;  // the entries that reach the palette

bool inMap(int32_t i) { return i >= 0 && i < MAP_SIZE; }

// The pure colour of hue h (0..359 degrees) as (r, g, b).
void hueColour(int h, int rgb[3]) {
    int r, g, b;
    if (h < 60) {
        r = h * 255 / 60, g = 0, b = 255;
    } else if (h < 120) {
        r = 255, g = 0, b = (120 - h) * 255 / 60;
    } else if (h < 180) {
        r = 255, g = (h - 120) * 255 / 60, b = 0;
    } else if (h < 240) {
        r = (240 - h) * 255 / 60, g = 255, b = 0;
    } else if (h < 300) {
        r = 0, g = 255, b = (h - 240) * 255 / 60;
    } else {
        r = 0, g = (360 - h) * 255 / 60, b = 255;
    }
    rgb[0] = r, rgb[1] = g, rgb[2] = b;
}

// Clears all eleven blink-table entries of index k.
void clearBlinkEntry(int k) {
    ip.BTFlag[k] = ip.BTCount[k] = 0;
    ip.BTOnTime[k] = ip.BTOffTime[k] = 0;
    ip.BTOnR[k] = ip.BTOnG[k] = ip.BTOnB[k] = 0;
    ip.BTOffR[k] = ip.BTOffG[k] = ip.BTOffB[k] = 0;
    ip.BTOffCCode[k] = 0;
}

// Puts the palette entry of k back to its map colour when k's process is
// showing (or about to show) its blink-to colour.
void restoreBlinkEntry(int k) {
    if ((ip.BTFlag[k] == 1 || ip.BTFlag[k] == 3) && ip.func_graph_mode == 0)
        store_colour(k, ip.MapValueR[k] & 0xFF, ip.MapValueG[k] & 0xFF, ip.MapValueB[k] & 0xFF);
}

}  // namespace

namespace {

// The lengths in force; before the first RESET or DOMAIN, those of the
// default domain.
int mulLen() { return ip.MulLen < 1 ? 3 : (ip.MulLen > 8 ? 8 : ip.MulLen); }
int sngLen() { return ip.SngLen < 1 ? 1 : ip.SngLen; }

}  // namespace

int32_t topallet(int32_t c) {
    int bits = 2 * mulLen();
    uint32_t u = uint32_t(c);
    if (bits < 8) return int32_t((u << (8 - bits)) & 0xFFFFFFFFu);
    if (bits == 8) return c;
    return int32_t(u >> (bits - 8));
}

int32_t colourIndex(int32_t v) {
    uint32_t u = uint32_t(v);
    switch (sngLen()) {
    case 1: u <<= 2; break;
    case 2: u >>= 4; break;
    case 3: u >>= 10; break;
    default: u >>= 16; break;
    }
    return int32_t(u & 0xFF);
}

void set_colormap(int i) {
    if (ip.func_graph_mode == 0 && inMap(i) && i % SHOWN_STEP == 0)
        store_colour(i, ip.MapValueR[i] & 0xFF, ip.MapValueG[i] & 0xFF, ip.MapValueB[i] & 0xFF);
}

void init_colormap() {
    ip.MapValueR[0] = ip.MapValueG[0] = ip.MapValueB[0] = 0;
    for (int i = 1; i < 127; i++) ip.MapValueR[i] = ip.MapValueG[i] = ip.MapValueB[i] = 2 * i;
    ip.MapValueR[127] = ip.MapValueG[127] = ip.MapValueB[127] = 255;
    // Four entries per hue: the pure colour, halfway to white, three
    // quarters of the brightness, and the pure colour again.
    static constexpr int shade[4][2] = {{256, 256}, {128, 256}, {256, 192}, {256, 256}};
    for (int i = 128; i < MAP_SIZE; i++) {
        int q = (i & 0xFC) - 128;
        int rgb[3];
        hueColour(360 * q / 128, rgb);
        int a = shade[i & 3][0], b = shade[i & 3][1];
        for (int &c : rgb) c = 255 - (((255 - ((c * b) >> 8)) * a) >> 8);
        ip.MapValueR[i] = rgb[0];
        ip.MapValueG[i] = rgb[1];
        ip.MapValueB[i] = rgb[2];
    }
    for (int i = 0; i < MAP_SIZE; i++) set_colormap(i);
    std::memset(ip.UsedColorMap, 0, sizeof ip.UsedColorMap);
    ip.MapLoaded = 1;
}

void show_colormap() {
    if (ip.MapLoaded == 0) {
        init_colormap();
        return;
    }
    for (int i = 0; i < MAP_SIZE; i += SHOWN_STEP) set_colormap(i);
}

int32_t nearestColour(int64_t g, int64_t r, int64_t b) {
    // Squares of differences of 64-bit components need 128 bits; the sum of
    // three still fits unsigned.
    using Wide = unsigned __int128;
    auto sq = [](int64_t c, int32_t m) {
        int64_t mm = m;
        uint64_t d = c >= mm ? uint64_t(c) - uint64_t(mm) : uint64_t(mm) - uint64_t(c);
        return Wide(d) * d;
    };
    int32_t best = 0;
    Wide bestDist = 0;
    for (int i = 0; i < MAP_SIZE; i += SHOWN_STEP) {
        Wide dist = sq(g, ip.MapValueG[i]) + sq(r, ip.MapValueR[i]) + sq(b, ip.MapValueB[i]);
        if (i == 0 || dist < bestDist) {
            bestDist = dist;
            best = i;
        }
    }
    return best;
}

void PDI_setcolor(int32_t *data) {
    if (data[0] < 3) return;
    int32_t g = topallet(data[1]), r = topallet(data[2]), b = topallet(data[3]);
    if (ras.pen.ColorMod == 0) {
        ip.DrawValueG = g;
        ip.DrawValueR = r;
        ip.DrawValueB = b;
        // Index i is shown by cell i / 16 in the colour of entry i & ~15, so
        // only the sixteen shown entries take part: a colour given entry 1
        // would be drawn in the colour of entry 0.
        int found = -1;
        for (int i = 0; i < MAP_SIZE && found < 0; i += SHOWN_STEP)
            if (ip.UsedColorMap[i] == 1 && ip.MapValueR[i] == r && ip.MapValueG[i] == g &&
                ip.MapValueB[i] == b)
                found = i;
        if (found < 0) {
            for (int i = 0; i < MAP_SIZE && found < 0; i += SHOWN_STEP) {
                if (ip.UsedColorMap[i] != 0) continue;
                found = i;
                ip.MapValueR[i] = r;
                ip.MapValueG[i] = g;
                ip.MapValueB[i] = b;
                set_colormap(i);
                ip.UsedColorMap[i] = 1;
            }
        }
        if (found < 0) found = nearestColour(g, r, b);
        ras.pen.ColorNo = found;
    } else if (ras.pen.ColorMod == 1 || ras.pen.ColorMod == 2) {
        int k = ras.pen.ForColor;
        if (inMap(k)) {
            ip.MapValueR[k] = r;
            ip.MapValueG[k] = g;
            ip.MapValueB[k] = b;
            set_colormap(k);
            ip.UsedColorMap[k] = 1;
            // Index k is drawn in cell k / 16, which shows entry k & ~15:
            // the colour goes there too, so that what k draws shows it.
            int shown = k & ~(SHOWN_STEP - 1);
            if (shown != k) {
                ip.MapValueR[shown] = r;
                ip.MapValueG[shown] = g;
                ip.MapValueB[shown] = b;
                set_colormap(shown);
                ip.UsedColorMap[shown] = 1;
            }
        }
    }
    Change_bt();
}

void PDI_selectcolor(int32_t *data) {
    switch (data[0]) {
    case 0: ras.pen.ColorMod = 0; break;
    case 1:
        ras.pen.ColorMod = 1;
        ras.pen.ForColor = colourIndex(data[1]);
        ras.pen.BakColor = 0;
        break;
    case 2:
        ras.pen.ColorMod = 2;
        ras.pen.ForColor = colourIndex(data[1]);
        ras.pen.BakColor = colourIndex(data[2]);
        break;
    default: break;
    }
}

void Change_bt() {
    int k = ras.pen.ForColor;
    if (!inMap(k)) return;
    uint8_t r = uint8_t(ip.MapValueR[k]), g = uint8_t(ip.MapValueG[k]),
            b = uint8_t(ip.MapValueB[k]);
    if (ip.BTOnTime[k] != 0 && ip.BTOffTime[k] != 0) {
        ip.BTOffR[k] = r;
        ip.BTOffG[k] = g;
        ip.BTOffB[k] = b;
    }
    for (int j = 0; j < MAP_SIZE; j++) {
        if (ip.BTOffCCode[j] == k && ip.BTOnTime[j] != 0 && ip.BTOffTime[j] != 0) {
            ip.BTOnR[j] = r;
            ip.BTOnG[j] = g;
            ip.BTOnB[j] = b;
        }
    }
}

void PDI_blink(int32_t *data) {
    if (data[0] != 4) {
        blinkclear();
        return;
    }
    ip.ToColor = colourIndex(data[1]);
    ip.OnTime = data[2];
    ip.OffTime = data[3];
    ip.DelayTime = data[4];
    int k = ras.pen.ForColor;
    if (!inMap(k)) return;
    if ((ip.OnTime == 0 || ip.OffTime == 0) && ip.ToColor == ip.BTOffCCode[k]) {
        blinkclear();
        return;
    }
    int t = ip.ToColor;
    ip.BTOnR[k] = uint8_t(ip.MapValueR[t]);
    ip.BTOnG[k] = uint8_t(ip.MapValueG[t]);
    ip.BTOnB[k] = uint8_t(ip.MapValueB[t]);
    ip.BTOnTime[k] = uint8_t(ip.OnTime);
    ip.BTOffCCode[k] = uint8_t(t);
    ip.BTOffR[k] = uint8_t(ip.MapValueR[k]);
    ip.BTOffG[k] = uint8_t(ip.MapValueG[k]);
    ip.BTOffB[k] = uint8_t(ip.MapValueB[k]);
    ip.BTOffTime[k] = uint8_t(ip.OffTime);

    // The first on phase comes DelayTime ticks after the previous process
    // turns on.
    int64_t count;
    int p = ip.LRDefine;
    int64_t delay = ip.DelayTime;
    if (p < 0 || p >= MAP_SIZE) {
        count = 1;
    } else if (ip.BTFlag[p] == 1) {
        int64_t e = int64_t(ip.BTOnTime[p]) - ip.BTCount[p];
        count = delay >= e ? delay - e + 1 : int64_t(ip.BTCount[p]) + ip.BTOffTime[p] + delay;
    } else if (ip.BTFlag[p] == 2 || ip.BTFlag[p] == 3) {
        count = int64_t(ip.BTCount[p]) + delay;
    } else {
        count = int64_t(ip.BTCount[p]) + ip.BTOffTime[p] + delay;
    }
    ip.BTCount[k] = uint8_t(count & 0xFF);
    ip.BTFlag[k] = 3;
    ip.LRDefine = k;
}

void blinkclear() {
    int k = ras.pen.ForColor;
    if (!inMap(k)) return;
    restoreBlinkEntry(k);
    clearBlinkEntry(k);
}

void stopblink() {
    // Entries caught in their on phase show their map colour again, as when
    // one process is cleared.
    for (int k = 0; k < MAP_SIZE; k++) {
        restoreBlinkEntry(k);
        clearBlinkEntry(k);
    }
    ip.LRDefine = -1;
}

}  // namespace naplps

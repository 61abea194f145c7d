// INCREMENTAL POINT: a raster image painted pel by pel along rows of the
// active field, each pel's colour taken from the next bits of the data. The
// decoder hands the data over in batches; between batches the handler keeps
// its place only in the continuation point IncDrawX/IncDrawY (equal to the
// drawing point while a run continues) and in the words the decoder keeps.
#include "interp/protocol.h"
#include "interp/arc.h"
#include "interp/colour.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "text/text.h"

namespace naplps {

namespace {

// Largest power of two not above the ratio; a ratio below 1 is kept.
int32_t powerOfTwoBelow(int32_t ratio) {
    if (ratio < 1) return ratio;
    int32_t p = 1;
    while (p <= ratio / 2) p *= 2;
    return p;
}

// The data words of a batch read as one bit stream: each word from bit 5
// down to bit 0, words in order.
struct Bits {
    const int32_t *data;
    int32_t W;  // word being read
    int bit;    // next bit of it, 5 .. 0
    int32_t L;  // last data word of the batch

    bool partlyRead() const { return bit != 5; }
    // Bits left from the reading position to the end of word L.
    int64_t left() const { return W > L ? 0 : int64_t(L - W) * 6 + bit + 1; }
    int next() {
        const int b = (data[W] >> bit) & 1;
        if (--bit < 0) {
            bit = 5;
            W++;
        }
        return b;
    }
};

}  // namespace

int PDI_incpoint(int32_t *data) {
    int32_t L = data[0];
    if (L > DATA_MAX_VALUES) L = DATA_MAX_VALUES;
    const int32_t N = data[1];
    if (N < INC_BITS_MIN || N > INC_BITS_MAX) return 0;

    // Pels are placed at a power-of-two scale for the whole batch.
    const int32_t savedRatio = ras.pen.Scr_Ratio;
    ras.pen.Scr_Ratio = powerOfTwoBelow(savedRatio);
    const int32_t mode = ras.pen.ColorMod;
    if (mode < 0 || mode > 2) {
        ras.pen.Scr_Ratio = savedRatio;
        return 0;
    }
    const int32_t savedFor = ras.pen.ForColor;
    const int32_t savedG = ip.DrawValueG, savedR = ip.DrawValueR, savedB = ip.DrawValueB;

    Bits in{data, 2, 5, L};
    const bool lastBatch = L < N + 1;
    int32_t used = -1;  // words used when the batch stops early; -1: W - 1
    bool drawn = false;
    while (in.W <= L) {
        // Position of the pel: the drawing point for the first pel of a
        // run, else one pel further along the row.
        int64_t x, y;
        bool scroll = false;
        if (ip.IncDrawX != ip.LogDrawX || ip.IncDrawY != ip.LogDrawY) {
            x = ip.LogDrawX;
            y = ip.LogDrawY;
        } else {
            x = int64_t(ip.IncDrawX) + ras.pen.LogPelX;
            y = ip.IncDrawY;
            if (!(ip.Act_L < x && x < ip.Act_R)) {
                // The row ends. Rows of data start on a word: the rest of a
                // partly read word is padding.
                if (in.partlyRead()) {
                    // In colour-map mode the next batch makes this step
                    // again, starting at the word after this one; a batch
                    // shorter than full is the instruction's last and goes
                    // on here as direct colour does.
                    if (mode != 0 && !lastBatch) break;
                    in.W++;
                    in.bit = 5;
                    if (in.W > L) break;
                }
                x = x > ip.Act_L ? ip.Act_L : ip.Act_R;
                y = int64_t(ip.IncDrawY) + ras.pen.LogPelY;
                if (!(ip.Act_B < y && y < ip.Act_T)) {
                    // Leaving the field: scroll it and paint the row again.
                    scroll = true;
                    y = ip.IncDrawY;
                }
            }
        }
        if (in.left() < N) {
            // The pel's bits run past the batch. Nothing of it is drawn and
            // nothing moves; a pel that starts on a word is left whole for
            // the next batch.
            if (!in.partlyRead()) used = in.W - 2;
            break;
        }
        if (scroll) scrollact();

        if (mode == 0) {
            // Bits dealt to G, R, B in turn; the nearest map entry.
            int64_t c[3] = {0, 0, 0};
            for (int i = 0; i < N; i++) c[i % 3] = (c[i % 3] << 1) | in.next();
            ip.DrawValueG = int32_t(c[0]);
            ip.DrawValueR = int32_t(c[1]);
            ip.DrawValueB = int32_t(c[2]);
            ras.pen.ColorNo = nearestColour(c[0], c[1], c[2]);
        } else {
            // A colour index given by its top N bits, as SELECT COLOR gives
            // one: a narrower value addresses the map from its top (4 bits
            // 0 .. 15 select the 16 entries that reach the screen), of a
            // wider one the top 8 bits are kept.
            int64_t v = 0;
            for (int i = 0; i < N; i++) v = (v << 1) | in.next();
            v = N > 8 ? v >> (N - 8) : v << (8 - N);
            ras.pen.ForColor = int32_t(v);
        }
        ip.IncDrawX = sat32(x);
        ip.IncDrawY = sat32(y);
        drawpel(logtophy(ip.IncDrawX), logtophy(ip.IncDrawY));
        ip.LogDrawX = ip.IncDrawX;
        ip.LogDrawY = ip.IncDrawY;
        drawn = true;
    }

    if (mode == 0) {
        ip.DrawValueG = savedG;
        ip.DrawValueR = savedR;
        ip.DrawValueB = savedB;
    } else {
        ras.pen.ForColor = savedFor;
    }
    ras.pen.Scr_Ratio = savedRatio;
    // The physical drawing point follows the logical one at the real scale.
    if (drawn) {
        ip.PhyDrawX = logtophy(ip.LogDrawX);
        ip.PhyDrawY = logtophy(ip.LogDrawY);
    }
    if (used >= 0) return used;
    return in.W - 1;
}

void scrollact() {
    const int32_t right = logtophy(ip.Act_R), bottom = logtophy(ip.Act_B);
    const int32_t left = logtophy(ip.Act_L), top = logtophy(ip.Act_T);
    if (ras.pen.PhyPelY > 0)
        scrollscr(ras.pen.PhyPelY, SCROLL_DOWN, right, bottom, left, top);
    else
        scrollscr(ras.pen.PhyPelY == INT32_MIN ? INT32_MAX : -ras.pen.PhyPelY, SCROLL_UP, right,
                  bottom, left, top);
}

}  // namespace naplps

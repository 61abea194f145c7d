// Operand decoding: turns the collected operand bytes of a PDI instruction
// into the decoded record that the interpreter reads. Operand bytes carry six
// data bits; a missing or non-operand byte counts as zero bits.
#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"

namespace naplps {

namespace {

Decoder &d = dec;

bool isOperandAt(const uint8_t *bytes, int k, int len) { return k < len && (bytes[k] & 0x40) != 0; }

// Sign-extends the 3-bit two's-complement value of a first byte.
int32_t signed3(int v, int signBit) { return signBit ? int32_t(uint32_t(v) | 0xFFFFFFFCu) : v; }

}  // namespace

// Before the stream's first RESET or DOMAIN the lengths are 0; operands are
// then decoded at the lengths a full initialisation sets (three-byte
// coordinates and colours, one-byte single values), which is also the
// format's default domain, so pictures that never state their domain draw.
int effMulLen() {
    if (d.MulLen < 1) return 3;
    return d.MulLen > 8 ? 8 : d.MulLen;
}
int effSngLen() { return d.SngLen < 1 ? 1 : d.SngLen; }

int getmul(const uint8_t *bytes, int pos, int len, int32_t *out) {
    if (d.Dimen != 0) {
        // Three-dimensional operands are not decoded; the value is defined.
        out[0] = out[1] = 0;
        return 0;
    }
    if (!isOperandAt(bytes, pos, len)) {
        out[0] = out[1] = 0;
        return 0;
    }
    int mul = effMulLen();
    int b = bytes[pos];
    // Coordinates are built in unsigned arithmetic: shifting a negative value
    // left is the bit pattern the format describes.
    uint32_t x = uint32_t(signed3((b >> 3) & 3, b & 0x20));
    uint32_t y = uint32_t(signed3(b & 3, b & 0x04));
    int used = 1;
    for (int k = pos + 1; k < pos + mul; k++) {
        x <<= 3;
        y <<= 3;
        if (isOperandAt(bytes, k, len)) {
            x |= (bytes[k] >> 3) & 7;
            y |= bytes[k] & 7;
            used++;
        }
    }
    int shift = 25 - 3 * mul;
    out[0] = int32_t(x << shift);
    out[1] = int32_t(y << shift);
    return used;
}

int getsng(const uint8_t *bytes, int pos, int len, int32_t *out) {
    uint32_t v = 0;
    int used = 0;
    int sng = effSngLen();
    for (int k = pos; k < pos + sng; k++) {
        v <<= 6;
        if (isOperandAt(bytes, k, len)) {
            v |= bytes[k] & 0x3F;
            used++;
        }
    }
    *out = int32_t(v);
    return used;
}

int getcolor(const uint8_t *bytes, int pos, int len, int32_t *out) {
    uint32_t c[3] = {0, 0, 0};
    int used = 0;
    int mul = effMulLen();
    for (int k = pos; k < pos + mul; k++) {
        if (isOperandAt(bytes, k, len)) {
            int b = bytes[k];
            for (int bit = 5; bit >= 0; bit--) {
                uint32_t &comp = c[(5 - bit) % 3];
                comp = (comp << 1) | ((b >> bit) & 1);
            }
            used++;
        } else {
            for (auto &comp : c) comp <<= 2;
        }
    }
    for (int i = 0; i < 3; i++) out[i] = int32_t(c[i]);
    return used;
}

void Anadata_RESET(const uint8_t *p, int len, int32_t *data) {
    data[0] = 9;
    for (int i = 1; i <= 9; i++) data[i] = 0;
    if (!isOperandAt(p, 1, len)) return;
    int b1 = p[1];
    data[1] = b1 & 1;
    data[2] = (b1 >> 1) & 3;
    data[3] = (b1 >> 3) & 7;
    if (!isOperandAt(p, 2, len)) return;
    for (int i = 0; i < 6; i++) data[4 + i] = (p[2] >> i) & 1;
}

void Anadata_DOMAIN(const uint8_t *p, int len, int32_t *data) {
    data[0] = 0;
    if (len < 2) return;
    int b1 = p[1];
    data[1] = b1 & 3;
    data[2] = (b1 >> 2) & 7;
    data[3] = (b1 >> 5) & 1;
    data[0] = 3;
    // The new multi-value length applies to this instruction's own operand.
    d.MulLen = ((b1 >> 2) & 7) + 1;
    if (len < 3) return;
    getmul(p, 2, len, data + 4);
    data[0] = 5;
}

void Anadata_TEXT(const uint8_t *p, int len, int32_t *data) {
    data[0] = 0;
    if (len < 2) return;
    data[1] = p[1] & 3;
    data[2] = (p[1] >> 2) & 3;
    data[3] = (p[1] >> 4) & 3;
    data[0] = 3;
    if (len < 3) return;
    data[4] = p[2] & 3;
    data[5] = (p[2] >> 2) & 3;
    data[6] = (p[2] >> 4) & 3;
    data[0] = 6;
    if (len < 4) return;
    getmul(p, 3, len, data + 7);
    data[0] = 8;
}

void Anadata_TEXTURE(const uint8_t *p, int len, int32_t *data) {
    data[0] = 0;
    if (len < 2) return;
    data[1] = p[1] & 3;
    data[2] = (p[1] >> 2) & 1;
    data[3] = (p[1] >> 3) & 7;
    data[0] = 3;
    if (len < 3) return;
    getmul(p, 2, len, data + 4);
    data[0] = 5;
}

void Anadata_coordinate(const uint8_t *p, int len, int32_t *data) {
    int n = 0;
    int step = effMulLen();
    // Operands that would not fit the record are dropped.
    for (int k = 1; k < len && n + 2 <= DATA_MAX_VALUES; k += step) {
        getmul(p, k, len, data + 1 + n);
        n += 2;
    }
    data[0] = n;
}

void Anadata_SETCOLOR(const uint8_t *p, int len, int32_t *data) {
    int n = 0;
    int step = effMulLen();
    for (int k = 1; k < len && n + 3 <= DATA_MAX_VALUES; k += step) {
        getcolor(p, k, len, data + 1 + n);
        n += 3;
    }
    data[0] = n;
}

void Anadata_WAIT(const uint8_t *p, int len, int32_t *data) {
    data[0] = 0;
    if (len < 2 || (p[1] & 0x7F) != 0x5C) return;
    int n = 0;
    data[1] = 0;
    for (int k = 2; isOperandAt(p, k, len) && n < DATA_MAX_VALUES; k++) data[1 + n++] = p[k] & 0x3F;
    data[0] = n > 0 ? n : 1;  // no value byte: one value of 0
}

void Anadata_SELECTCOLOR(const uint8_t *p, int len, int32_t *data) {
    data[0] = 0;
    if (len < 2) return;
    getsng(p, 1, len, data + 1);
    data[0] = 1;
    int second = 1 + effSngLen();
    if (second >= len) return;
    getsng(p, second, len, data + 2);
    data[0] = 2;
}

void Anadata_BLINK(const uint8_t *p, int len, int32_t *data) {
    int n = 0;
    int sng = effSngLen();
    for (int k = 1; k < len && n + 4 <= DATA_MAX_VALUES; k += sng + 3) {
        getsng(p, k, len, data + 1 + n);
        for (int j = 0; j < 3; j++) {
            int at = k + sng + j;
            data[2 + n + j] = at < len ? p[at] & 0x3F : 0;
        }
        n += 4;
    }
    data[0] = n;
}

void pdiana(const uint8_t *pdidata, int len, int32_t *data) {
    if (len > PDIDATA_SIZE) len = PDIDATA_SIZE;
    int op = pdidata[0] & 0x7F;
    switch (op) {
    case OP_RESET: Anadata_RESET(pdidata, len, data); break;
    case OP_DOMAIN: Anadata_DOMAIN(pdidata, len, data); break;
    case OP_TEXT: Anadata_TEXT(pdidata, len, data); break;
    case OP_TEXTURE: Anadata_TEXTURE(pdidata, len, data); break;
    case OP_SETCOLOR: Anadata_SETCOLOR(pdidata, len, data); break;
    case OP_WAIT: Anadata_WAIT(pdidata, len, data); break;
    case OP_SELECTCOLOR: Anadata_SELECTCOLOR(pdidata, len, data); break;
    case OP_BLINK: Anadata_BLINK(pdidata, len, data); break;
    default:
        if (op >= 0x24 && op <= 0x38)  // points, lines, arcs, rectangles, polygons, FIELD
            Anadata_coordinate(pdidata, len, data);
        else  // the incremental instructions build their own records
            data[0] = 0;
        break;
    }
}

}  // namespace naplps

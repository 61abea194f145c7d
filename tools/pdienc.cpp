// pdienc: turns a small text description of a picture into an 8-bit NAPLPS
// stream, so pictures and test streams can be written by hand.
//
//   pdienc IN.pdt OUT.pdi      (- for standard input or output)
//
// The language is described in full in the manual page (man/pdienc.1); in
// short, one instruction per line, '#' starts a comment:
//
//   Coordinates and sizes are in 1/256 of the unit screen's width: x runs
//   0 .. 255 across the picture, y 0 .. 199 from the bottom up. They may be
//   negative or fractional; they are encoded at the precision of the
//   multi-value length in force (3 bytes: steps of exactly 1 unit).
//   Colour indices are 0 .. 255 (the visible colours are the multiples of
//   16); colour components 0 .. 255; times are blink ticks of 100 ms.
//
//   reset [domain] [colour=C] [screen=S] [text] [blink] [protect]
//         [texture] [macro] [drcs]       RESET; C 0..3, S 0..7, flags 0/1
//   domain [single=N] [multi=N] [3d] [pel=W,H]
//                                        DOMAIN; lengths in bytes (1..4,
//                                        1..8), default 1 and 3
//   textmode [rotate=N] [path=N] [space=N] [rowspace=N] [move=N]
//            [cursor=N] [size=W,H]       TEXT attributes (each 0..3)
//   texture [line=N] [highlight] [pattern=N] [mask=W,H]
//                                        TEXTURE; line 0..3, pattern 0..7
//   point-set X Y        move the drawing point    (POINT SET ABSOLUTE)
//   point-set-rel DX DY                            (POINT SET RELATIVE)
//   point X Y ...        draw points               (POINT ABSOLUTE)
//   point-rel DX DY ...                            (POINT RELATIVE)
//   line X Y ...         polyline from the point   (LINE ABSOLUTE)
//   line-rel DX DY ...                             (LINE RELATIVE)
//   set-line X1 Y1 X2 Y2 ...                       (SET & LINE ABSOLUTE)
//   set-line-rel X Y DX DY ...                     (SET & LINE RELATIVE)
//   arc DX1 DY1 DX2 DY2  through two points, each  (ARC OUTLINED)
//                        relative to the one before; one pair: a circle
//   arc-filled, set-arc, set-arc-filled            (the set forms start
//                                                   with the point X Y)
//   rect W H ...         from the point            (RECTANGLE OUTLINED)
//   rect-filled, set-rect X Y W H ..., set-rect-filled
//   poly DX DY ...       vertices relative         (POLYGON OUTLINED)
//   poly-filled, set-poly X Y DX DY ..., set-poly-filled
//   field [X Y] [W H]                              (FIELD)
//   color R G B          SET COLOR
//   select [FG [BG]]     SELECT COLOR by index; no index: direct colour
//   wait T ...           WAIT, each T 0..63 ticks
//   blink TO ON OFF DELAY   BLINK the selected colour to colour index TO
//   text "string"        characters of the primary set; escapes \" \\ \n
//                        \r \xNN
//   bytes B ...          raw bytes (0xNN or decimal)
//
// The picture description instructions go out in GR (bytes 0xA0 .. 0xFF,
// the default 8-bit invocation), text in GL. One NUL byte ends the stream,
// so that its last instruction is complete.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/cli.h"

namespace {

const char kUsage[] =
    "usage: pdienc IN.pdt OUT.pdi   (- for standard input or output)\n"
    "Encodes a text description of a picture, one instruction a line, as an\n"
    "8-bit NAPLPS stream. The language is described in pdienc(1).\n"
    "  --help     print this text;  --version  print the version\n";

struct Encoder {
    int SngLen = 1, MulLen = 3;
    std::vector<uint8_t> out;
    std::string where;  // "file:line" of the line in hand

    [[noreturn]] void fail(const std::string &msg) {
        std::fprintf(stderr, "pdienc: %s: %s\n", where.c_str(), msg.c_str());
        std::exit(1);
    }

    void op(int opcode) { out.push_back(uint8_t(0x80 | opcode)); }
    void operand(int bits6) { out.push_back(uint8_t(0xC0 | (bits6 & 0x3F))); }

    // A coordinate pair as one multi-value operand: each coordinate a
    // 3 x MulLen bit two's-complement number, 3 bits of x and 3 of y a byte.
    void mul(double x, double y) {
        int bits = 3 * MulLen;
        auto quant = [&](double u) {
            double k = std::nearbyint(std::ldexp(u, bits - 9));
            double lo = -std::ldexp(1.0, bits - 1), hi = std::ldexp(1.0, bits - 1) - 1;
            if (k < lo || k > hi) fail("coordinate " + std::to_string(u) + " is off the screen");
            return uint32_t(int64_t(k)) & ((1u << bits) - 1);
        };
        uint32_t kx = quant(x), ky = quant(y);
        for (int i = MulLen - 1; i >= 0; i--)
            operand(int(((kx >> (3 * i)) & 7) << 3 | ((ky >> (3 * i)) & 7)));
    }

    // An unsigned single value of 6 x SngLen bits, most significant first.
    void sng(uint32_t v) {
        for (int i = SngLen - 1; i >= 0; i--) operand(int(v >> (6 * i)));
    }

    // A colour index as the top 8 bits of a single value.
    void colourIndex(int index) {
        int bits = 6 * SngLen;
        sng(bits >= 8 ? uint32_t(index) << (bits - 8) : uint32_t(index) >> (8 - bits));
    }

    // Three 0..255 components as one colour operand: per byte two bits of
    // each, G R B G R B from bit 5 down.
    void colour(int r, int g, int b) {
        int bits = 2 * MulLen;
        auto scale = [&](int c) {
            return bits < 8 ? uint32_t(c) >> (8 - bits) : uint32_t(c) << (bits - 8);
        };
        uint32_t cg = scale(g), cr = scale(r), cb = scale(b);
        for (int k = 0; k < MulLen; k++) {
            int hi = bits - 1 - 2 * k, lo = hi - 1;
            operand(int((cg >> hi & 1) << 5 | (cr >> hi & 1) << 4 | (cb >> hi & 1) << 3 |
                        (cg >> lo & 1) << 2 | (cr >> lo & 1) << 1 | (cb >> lo & 1)));
        }
    }
};

double number(Encoder &e, const std::string &s) {
    char *end;
    errno = 0;
    double v = (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
                   ? double(std::strtol(s.c_str(), &end, 16))
                   : std::strtod(s.c_str(), &end);
    if (s.empty() || *end != '\0' || errno != 0 || !std::isfinite(v))
        e.fail("'" + s + "' is not a number");
    return v;
}

int integer(Encoder &e, const std::string &s, int lo, int hi) {
    double v = number(e, s);
    if (v != std::floor(v) || v < lo || v > hi)
        e.fail("'" + s + "' must be a whole number from " + std::to_string(lo) + " to " +
               std::to_string(hi));
    return int(v);
}

// key=value options and bare flags of the control instructions.
struct Options {
    std::map<std::string, std::string> kv;
    Encoder &e;
    Options(Encoder &enc, const std::vector<std::string> &args,
            const std::vector<std::string> &allowed)
        : e(enc) {
        for (const std::string &a : args) {
            size_t eq = a.find('=');
            std::string key = a.substr(0, eq);
            bool known = false;
            for (const std::string &k : allowed) known = known || k == key;
            if (!known) e.fail("unknown option '" + key + "'");
            kv[key] = eq == std::string::npos ? "1" : a.substr(eq + 1);
        }
    }
    int get(const std::string &k, int lo, int hi, int dflt) {
        auto it = kv.find(k);
        return it == kv.end() ? dflt : integer(e, it->second, lo, hi);
    }
    bool pair(const std::string &k, double *w, double *h) {
        auto it = kv.find(k);
        if (it == kv.end()) return false;
        size_t comma = it->second.find(',');
        if (comma == std::string::npos) e.fail(k + "= needs W,H");
        *w = number(e, it->second.substr(0, comma));
        *h = number(e, it->second.substr(comma + 1));
        return true;
    }
};

// Splits a line into words; a double-quoted string is one word (quotes
// kept, escapes resolved later).
std::vector<std::string> words(Encoder &e, const std::string &line) {
    std::vector<std::string> w;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == '#') break;
        if (std::isspace((unsigned char)c)) {
            i++;
            continue;
        }
        std::string word;
        if (c == '"') {
            word += c;
            i++;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) word += line[i++];
                word += line[i++];
            }
            if (i >= line.size()) e.fail("unterminated string");
            word += line[i++];
        } else {
            while (i < line.size() && !std::isspace((unsigned char)line[i])) word += line[i++];
        }
        w.push_back(word);
    }
    return w;
}

std::string unquote(Encoder &e, const std::string &q) {
    if (q.size() < 2 || q.front() != '"') e.fail("text needs a \"quoted string\"");
    std::string s;
    for (size_t i = 1; i + 1 < q.size(); i++) {
        char c = q[i];
        if (c != '\\') {
            s += c;
            continue;
        }
        char n = q[++i];
        if (n == 'n')
            s += '\n';
        else if (n == 'r')
            s += '\r';
        else if (n == 'x' && i + 2 < q.size()) {
            s += char(std::strtol(q.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else
            s += n;
    }
    return s;
}

const std::map<std::string, int> kGeometry = {
    {"point-set", 0x24}, {"point-set-rel", 0x25}, {"point", 0x26},    {"point-rel", 0x27},
    {"line", 0x28},      {"line-rel", 0x29},      {"set-line", 0x2A}, {"set-line-rel", 0x2B},
    {"arc", 0x2C},       {"arc-filled", 0x2D},    {"set-arc", 0x2E},  {"set-arc-filled", 0x2F},
    {"rect", 0x30},      {"rect-filled", 0x31},   {"set-rect", 0x32}, {"set-rect-filled", 0x33},
    {"poly", 0x34},      {"poly-filled", 0x35},   {"set-poly", 0x36}, {"set-poly-filled", 0x37},
    {"field", 0x38},
};

void encodeLine(Encoder &e, const std::string &line) {
    std::vector<std::string> w = words(e, line);
    if (w.empty()) return;
    std::string name = w[0];
    std::vector<std::string> args(w.begin() + 1, w.end());

    if (auto g = kGeometry.find(name); g != kGeometry.end()) {
        if (args.size() % 2 != 0) e.fail(name + " takes pairs of numbers");
        e.op(g->second);
        for (size_t i = 0; i < args.size(); i += 2)
            e.mul(number(e, args[i]), number(e, args[i + 1]));
    } else if (name == "reset") {
        Options o(
            e, args,
            {"domain", "colour", "screen", "text", "blink", "protect", "texture", "macro", "drcs"});
        e.op(0x20);
        e.operand(o.get("domain", 0, 1, 0) | o.get("colour", 0, 3, 0) << 1 |
                  o.get("screen", 0, 7, 0) << 3);
        e.operand(o.get("text", 0, 1, 0) | o.get("blink", 0, 1, 0) << 1 |
                  o.get("protect", 0, 1, 0) << 2 | o.get("texture", 0, 1, 0) << 3 |
                  o.get("macro", 0, 1, 0) << 4 | o.get("drcs", 0, 1, 0) << 5);
        if (o.get("domain", 0, 1, 0)) e.SngLen = 1, e.MulLen = 3;
    } else if (name == "domain") {
        Options o(e, args, {"single", "multi", "3d", "pel"});
        int single = o.get("single", 1, 4, 1), multi = o.get("multi", 1, 8, 3);
        e.op(0x21);
        e.operand((single - 1) | (multi - 1) << 2 | o.get("3d", 0, 1, 0) << 5);
        e.SngLen = single;
        e.MulLen = multi;
        double pw, ph;
        if (o.pair("pel", &pw, &ph)) e.mul(pw, ph);
    } else if (name == "textmode") {
        Options o(e, args, {"rotate", "path", "space", "rowspace", "move", "cursor", "size"});
        e.op(0x22);
        e.operand(o.get("rotate", 0, 3, 0) | o.get("path", 0, 3, 0) << 2 |
                  o.get("space", 0, 3, 0) << 4);
        e.operand(o.get("rowspace", 0, 3, 0) | o.get("move", 0, 3, 0) << 2 |
                  o.get("cursor", 0, 3, 0) << 4);
        double cw, ch;
        if (o.pair("size", &cw, &ch)) e.mul(cw, ch);
    } else if (name == "texture") {
        Options o(e, args, {"line", "highlight", "pattern", "mask"});
        e.op(0x23);
        e.operand(o.get("line", 0, 3, 0) | o.get("highlight", 0, 1, 0) << 2 |
                  o.get("pattern", 0, 7, 0) << 3);
        double mw, mh;
        if (o.pair("mask", &mw, &mh)) e.mul(mw, mh);
    } else if (name == "color") {
        if (args.size() != 3) e.fail("color takes R G B");
        e.op(0x3C);
        e.colour(integer(e, args[0], 0, 255), integer(e, args[1], 0, 255),
                 integer(e, args[2], 0, 255));
    } else if (name == "select") {
        if (args.size() > 2) e.fail("select takes at most two colour indices");
        e.op(0x3E);
        for (const std::string &a : args) e.colourIndex(integer(e, a, 0, 255));
    } else if (name == "wait") {
        e.op(0x3D);
        e.operand(0x1C);  // '\' introduces the wait counts
        for (const std::string &a : args) e.operand(integer(e, a, 0, 63));
    } else if (name == "blink") {
        if (args.size() != 4) e.fail("blink takes TO ON OFF DELAY");
        e.op(0x3F);
        e.colourIndex(integer(e, args[0], 0, 255));
        for (int i = 1; i < 4; i++) e.operand(integer(e, args[size_t(i)], 0, 63));
    } else if (name == "text") {
        if (args.size() != 1) e.fail("text takes one \"quoted string\"");
        for (char c : unquote(e, args[0])) e.out.push_back(uint8_t(c));
    } else if (name == "bytes") {
        for (const std::string &a : args) e.out.push_back(uint8_t(integer(e, a, 0, 255)));
    } else {
        e.fail("unknown instruction '" + name + "'");
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (cli::standardOptions(argc, argv, "pdienc", kUsage)) return 0;
    if (argc != 3) return cli::badUsage("pdienc", kUsage);
    std::string inName = argv[1];
    std::ifstream file;
    std::istream *in = &std::cin;
    if (inName != "-") {
        file.open(inName);
        if (!file) {
            std::fprintf(stderr, "pdienc: cannot read %s: %s\n", argv[1], std::strerror(errno));
            return 1;
        }
        in = &file;
    }
    Encoder e;
    std::string line;
    for (int n = 1; std::getline(*in, line); n++) {
        e.where = inName + ":" + std::to_string(n);
        encodeLine(e, line);
    }
    e.out.push_back(0x00);

    FILE *out = std::strcmp(argv[2], "-") == 0 ? stdout : std::fopen(argv[2], "wb");
    if (!out) {
        std::fprintf(stderr, "pdienc: cannot write %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    bool ok = std::fwrite(e.out.data(), 1, e.out.size(), out) == e.out.size();
    if (out != stdout) ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "pdienc: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

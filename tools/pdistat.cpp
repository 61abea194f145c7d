// pdistat: decodes a NAPLPS stream and prints what it contains: text runs,
// controls and Picture Description Instructions by name.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "tools/cli.h"
#include "tools/counting_executors.h"

using namespace naplps;

static const char *const kOpNames[32] = {
    "RESET",
    "DOMAIN",
    "TEXT",
    "TEXTURE",
    "POINT SET ABS",
    "POINT SET REL",
    "POINT ABS",
    "POINT REL",
    "LINE ABS",
    "LINE REL",
    "SET & LINE ABS",
    "SET & LINE REL",
    "ARC OUTLINED",
    "ARC FILLED",
    "SET & ARC OUTLINED",
    "SET & ARC FILLED",
    "RECT OUTLINED",
    "RECT FILLED",
    "SET & RECT OUTLINED",
    "SET & RECT FILLED",
    "POLY OUTLINED",
    "POLY FILLED",
    "SET & POLY OUTLINED",
    "SET & POLY FILLED",
    "FIELD",
    "INCREMENTAL POINT",
    "INCREMENTAL LINE",
    "INCREMENTAL POLYGON",
    "SET COLOR",
    "WAIT",
    "SELECT COLOR",
    "BLINK",
};

static const char kUsage[] =
    "usage: pdistat FILE   (- for standard input)\n"
    "Decodes the NAPLPS stream FILE without drawing it and prints what it holds:\n"
    "text, picture instructions by name, C0 and C1 controls, macro bytes.\n"
    "  --help     print this text;  --version  print the version\n";

static bool readAll(const char *path, std::vector<uint8_t> &out) {
    FILE *f = std::strcmp(path, "-") == 0 ? stdin : std::fopen(path, "rb");
    if (!f) return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    if (f != stdin) std::fclose(f);
    return true;
}

int main(int argc, char **argv) {
    if (cli::standardOptions(argc, argv, "pdistat", kUsage)) return 0;
    if (argc != 2 || argv[1][0] == '\0' || (argv[1][0] == '-' && argv[1][1] != '\0'))
        return cli::badUsage("pdistat", kUsage);
    std::vector<uint8_t> bytes;
    if (!readAll(argv[1], bytes)) {
        std::fprintf(stderr, "pdistat: cannot read %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    pdi_put(0, bytes.data(), int(bytes.size()));
    pdi_flush(0);  // an instruction still pending at the end counts too
    const ExecCounts &c = execCounts;
    std::printf("%s: %zu bytes\n", argv[1], bytes.size());
    std::printf("  text: %ld characters in %ld runs, %ld mosaic characters\n", c.characters,
                c.textRuns, c.mosaics);
    long instr = 0;
    for (int i = 0; i < 32; i++) instr += c.pdi[i];
    instr += c.incpoint + c.incline + c.incpoly;
    std::printf("  picture instructions: %ld\n", instr);
    for (int i = 0; i < 32; i++) {
        long n = c.pdi[i];
        if (i == 0x19) n = c.incpoint;
        if (i == 0x1A) n = c.incline;
        if (i == 0x1B) n = c.incpoly;
        if (n) std::printf("    %-20s %ld\n", kOpNames[i], n);
    }
    long c0 = 0, c1 = 0;
    for (int i = 0; i < 32; i++) c0 += c.c0[i], c1 += c.c1[i];
    std::printf("  C0 controls: %ld, C1 controls: %ld\n", c0, c1);
    std::printf("  macros stored: %d bytes\n", dec.MACRONextPtr);
    return 0;
}

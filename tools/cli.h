// What every command-line tool does alike: --help prints the usage to
// standard output and exits 0, --version prints the version, and a wrong
// command line prints the usage to standard error and exits 2.
#pragma once

#include <cstdio>
#include <cstring>

#ifndef PICTARINE_VERSION
#define PICTARINE_VERSION "unknown"
#endif

namespace cli {

// Handles --help (or -h) and --version wherever they stand before "--".
// Returns true when one was handled and the tool should exit 0.
inline bool standardOptions(int argc, char **argv, const char *prog, const char *usage) {
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (std::strcmp(a, "--") == 0) break;
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::fputs(usage, stdout);
            return true;
        }
        if (std::strcmp(a, "--version") == 0) {
            std::printf("%s (Pictarine) %s\n", prog, PICTARINE_VERSION);
            return true;
        }
    }
    return false;
}

// A wrong command line: the usage on standard error; the caller exits 2.
inline int badUsage(const char *prog, const char *usage, const char *why = nullptr) {
    if (why) std::fprintf(stderr, "%s: %s\n", prog, why);
    std::fputs(usage, stderr);
    return 2;
}

}  // namespace cli

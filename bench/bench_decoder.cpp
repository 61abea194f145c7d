// Throughput of the byte-stream decoder with executors that do nothing:
// a synthetic stream of picture instructions and text, and the real corpus.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"

using namespace naplps;

namespace {

std::vector<uint8_t> syntheticStream() {
    std::vector<uint8_t> s;
    const uint8_t reset[] = {0xA0, 0xFF, 0xC0};  // RESET, 8-bit PDI via GR
    const uint8_t domain[] = {0xA1, 0xC8};       // DOMAIN: 3-byte coordinates
    s.insert(s.end(), std::begin(reset), std::end(reset));
    s.insert(s.end(), std::begin(domain), std::end(domain));
    for (int i = 0; i < 2000; i++) {
        const uint8_t line[] = {0xA9, 0xC8, 0xC0, 0xC1, 0xC4, 0xC2, 0xC3};  // LINE REL, 2 points
        const uint8_t poly[] = {0xB4, 0xD0, 0xC0, 0xC0, 0xC8, 0xC8, 0xC0, 0xC0, 0xD0, 0xC0};
        const uint8_t color[] = {0xBC, 0xFF, 0xC0, 0xC0};  // SET COLOR
        s.insert(s.end(), std::begin(line), std::end(line));
        s.insert(s.end(), std::begin(poly), std::end(poly));
        s.insert(s.end(), std::begin(color), std::end(color));
        const char *text = "The quick brown fox jumps over the lazy dog. ";
        for (const char *p = text; *p; p++) s.push_back(uint8_t(*p));
        s.push_back(0x0D);
        s.push_back(0x0A);
    }
    return s;
}

std::vector<uint8_t> corpusStream() {
    const char *env = std::getenv("NAPLPS_CORPUS");
    std::filesystem::path dir = env ? env : CORPUS_DIR;
    std::vector<uint8_t> all;
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) return all;
    for (auto &e : std::filesystem::recursive_directory_iterator(dir, ec)) {
        if (!e.is_regular_file()) continue;
        std::ifstream f(e.path(), std::ios::binary);
        all.insert(all.end(), std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    return all;
}

void runStream(benchmark::State &state, const std::vector<uint8_t> &s) {
    if (s.empty()) {
        state.SkipWithError("corpus not found");
        return;
    }
    for (auto _ : state) {
        core_load_state();
        pdi_put(0, s.data(), int(s.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(s.size()));
}

void BM_Synthetic(benchmark::State &state) {
    static const std::vector<uint8_t> s = syntheticStream();
    runStream(state, s);
}
BENCHMARK(BM_Synthetic)->Unit(benchmark::kMillisecond);

void BM_Corpus(benchmark::State &state) {
    static const std::vector<uint8_t> s = corpusStream();
    runStream(state, s);
}
BENCHMARK(BM_Corpus)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

#!/usr/bin/env bash
# Builds the fuzz target with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for SECONDS (default 60), seeded
# from the real pictures in ../shared/corpus (or $NAPLPS_CORPUS) and our
# examples. New inputs it finds are kept in build-fuzz/corpus; a finding
# stops the run with its bytes saved as build-fuzz/crash-* (or timeout-*,
# oom-*), and the script exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
NAPLPS_FUZZ_PKGS=1 bash scripts/setup.sh
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNAPLPS_FUZZ=ON -DNAPLPS_TESTS=OFF \
      -DNAPLPS_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_decoder -j "$(nproc)"
mkdir -p build-fuzz/corpus
seeds=(examples)
real=${NAPLPS_CORPUS:-../shared/corpus}
[ -d "$real" ] && seeds+=("$real")
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd build-fuzz
exec ./fuzz_decoder -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
     -rss_limit_mb=2048 -max_len=2048 -artifact_prefix=./ corpus "${seeds[@]/#/../}"

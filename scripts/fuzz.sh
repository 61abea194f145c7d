#!/usr/bin/env bash
# Builds the fuzz target (tests/fuzz/) with clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs it for SECONDS
# (default 60), seeded from the real pictures in ../shared/corpus (or
# $NAPLPS_CORPUS), our examples and the saved findings in
# tests/fuzz/regressions. New inputs it finds are kept in build-fuzz/corpus;
# libFuzzer's final statistics are printed. A finding (crash, sanitizer
# report, a unit slower than the timeout, memory beyond the limit) stops
# the run with its bytes saved as build-fuzz/crash-* (timeout-*, oom-*), and
# the script exits non-zero. Inputs are at most NAPLPS_FUZZ_MAX_LEN bytes
# (default 2048).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
max_len=${NAPLPS_FUZZ_MAX_LEN:-2048}
NAPLPS_FUZZ_PKGS=1 bash scripts/setup.sh
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNAPLPS_FUZZ=ON -DNAPLPS_TESTS=OFF \
      -DNAPLPS_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_decoder -j "$(nproc)"
mkdir -p build-fuzz/corpus
root=$(pwd)
seeds=("$root/examples" "$root/tests/fuzz/regressions")
real=${NAPLPS_CORPUS:-../shared/corpus}
[ -d "$real" ] && seeds+=("$(cd "$real" && pwd)")
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd build-fuzz
exec ./fuzz_decoder -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
     -rss_limit_mb=2048 -max_len="$max_len" -artifact_prefix=./ corpus "${seeds[@]}"

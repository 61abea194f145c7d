#!/usr/bin/env bash
# Renders every picture of the corpus with pdi2png --no-wait on an 8-bit
# PseudoColor Xvfb and reports files per second and line spans per second.
# Every file must finish within the per-file time limit and exit 0.
#
#   bash bench/corpus_pdi2png.sh [BUILD_DIR] [CORPUS_DIR]
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
corpus="${2:-${NAPLPS_CORPUS:-$here/../shared/corpus}}"
pdi2png="$build/pdi2png"
limit=${PDI2PNG_TIMEOUT:-20}

[ -x "$pdi2png" ] || { echo "no $pdi2png: build first" >&2; exit 2; }
[ -d "$corpus" ] || { echo "no corpus at $corpus" >&2; exit 2; }

# A free display number for our own server.
disp=""
for n in $(seq 71 120); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then disp=$n; break; fi
done
[ -n "$disp" ] || { echo "no free X display number" >&2; exit 2; }
Xvfb ":$disp" -screen 0 1024x768x8 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$out"' EXIT
out="$(mktemp -d)"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$disp" ] && break; sleep 0.1; done
export DISPLAY=":$disp"

files=0 failed=0 spans=0
start=$(date +%s.%N)
while IFS= read -r -d '' f; do
    files=$((files + 1))
    if ! err=$(timeout "$limit" "$pdi2png" --no-wait --stats "$f" "$out/p.png" 2>&1 >/dev/null); then
        failed=$((failed + 1))
        echo "FAILED ($?): $f" >&2
        echo "$err" | tail -3 >&2
        continue
    fi
    s=$(echo "$err" | sed -n 's/^spans \([0-9]*\)$/\1/p' | tail -1)
    spans=$((spans + ${s:-0}))
done < <(find "$corpus" -type f -print0 | sort -z)
end=$(date +%s.%N)

awk -v n="$files" -v f="$failed" -v s="$spans" -v a="$start" -v b="$end" 'BEGIN {
    t = b - a; if (t <= 0) t = 1e-9;
    printf "files %d, failed %d, seconds %.2f\n", n, f, t;
    printf "files/s %.1f, line spans %d, line spans/s %.0f\n", n / t, s, s / t;
}'
[ "$failed" -eq 0 ]

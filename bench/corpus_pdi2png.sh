#!/usr/bin/env bash
# Renders every picture of the corpus with pdi2png --no-wait, first into
# windows of an 8-bit PseudoColor Xvfb (--x11), then on the in-memory
# surface, and reports files per second and line spans per second for each.
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

# Our own server; it picks a free display number and writes it to fd 3
# once it accepts connections.
out="$(mktemp -d)"
Xvfb -displayfd 3 -screen 0 1024x768x8 -nolisten tcp 3>"$out/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$out"' EXIT
disp=""
for _ in $(seq 200); do
    disp=$(tr -dc 0-9 < "$out/display")
    [ -n "$disp" ] && break
    sleep 0.1
done
[ -n "$disp" ] || { echo "Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$disp"

mapfile -d '' files < <(find "$corpus" -type f -print0 | sort -z)
status=0

# One pass over the corpus with the given pdi2png options; runs in a
# subshell so that `times` reports the converters of this pass alone.
pass() (
    local label=$1
    shift
    local n=0 failed=0 spans=0 err start end cpu
    start=$(date +%s.%N)
    for f in "${files[@]}"; do
        n=$((n + 1))
        if ! err=$(timeout "$limit" "$pdi2png" "$@" --no-wait --stats "$f" "$out/p.png" 2>&1 >/dev/null); then
            failed=$((failed + 1))
            echo "FAILED: $f" >&2
            printf '%s\n' "$err" >&2
            continue
        fi
        [[ "$err" =~ spans\ ([0-9]+) ]] && spans=$((spans + BASH_REMATCH[1]))
    done
    end=$(date +%s.%N)
    # CPU time of the converters (user + system of the finished children);
    # the wall-clock time also holds the X server's work and any load on
    # the machine. Not in a pipeline: a subshell has no children of its own.
    times > "$out/times.$label"
    cpu=$(tail -1 "$out/times.$label" | awk '{
        split($1, u, /[ms]/); split($2, k, /[ms]/);
        print u[1] * 60 + u[2] + k[1] * 60 + k[2] }')
    awk -v l="$label" -v n="$n" -v f="$failed" -v s="$spans" -v a="$start" -v b="$end" -v c="$cpu" 'BEGIN {
        t = b - a; if (t <= 0) t = 1e-9; if (c <= 0) c = 1e-9;
        printf "%s: files %d, failed %d, line spans %d\n", l, n, f, s;
        printf "  wall %.2f s: files/s %.1f, line spans/s %.0f\n", t, n / t, s / t;
        printf "  converter CPU %.2f s: files/s %.1f, line spans/s %.0f\n", c, n / c, s / c;
    }'
    [ "$failed" -eq 0 ]
)

pass "8-bit Xvfb (--x11)" --x11 || status=1
pass "in-memory surface" || status=1
exit $status

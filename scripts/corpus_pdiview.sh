#!/usr/bin/env bash
# Plays every picture of the corpus through the plug-in with pdiview --png
# on a private 8-bit PseudoColor Xvfb, as a browser would (blocks of 512
# bytes, the real banner pause and blink steps), and counts the files that
# end cleanly. Any crash, non-zero exit or time-out is listed.
#
#   bash scripts/corpus_pdiview.sh [BUILD_DIR] [CORPUS_DIR] [OUT_DIR]
#
# With OUT_DIR the PNGs are kept there (named after the files).
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
corpus="${2:-${NAPLPS_CORPUS:-$here/../shared/corpus}}"
keep="${3:-}"
pdiview="$build/pdiview"
limit=${PDIVIEW_TIMEOUT:-120}
jobs=${JOBS:-$(nproc)}

[ -x "$pdiview" ] || { echo "no $pdiview: build first" >&2; exit 2; }
[ -d "$corpus" ] || { echo "no corpus at $corpus" >&2; exit 2; }

disp=""
for n in $(seq 121 170); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then disp=$n; break; fi
done
[ -n "$disp" ] || { echo "no free X display number" >&2; exit 2; }
Xvfb ":$disp" -screen 0 1024x768x8 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
out="${keep:-$(mktemp -d)}"
mkdir -p "$out"
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; [ -n "$keep" ] || rm -rf "$out"' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$disp" ] && break; sleep 0.1; done
export DISPLAY=":$disp" PDIVIEW="$pdiview" LIMIT="$limit" OUT="$out" CORPUS="$corpus"

# One line per file: "ok PATH" or "FAILED(status) PATH".
play() {
    f="$1"
    name="${f#"$CORPUS"/}"
    png="$OUT/$(echo "$name" | tr '/' '_').png"
    timeout "$LIMIT" "$PDIVIEW" --block 512 --png "$png" "$f" >/dev/null 2>"$png.err"
    st=$?
    if [ $st -eq 0 ] && [ -s "$png" ]; then echo "ok $name"; rm -f "$png.err"
    else echo "FAILED($st) $name"; fi
}
export -f play
results=$(find "$corpus" -type f -print0 | sort -z | xargs -0 -n 1 -P "$jobs" bash -c 'play "$0"')
total=$(echo "$results" | grep -c . || true)
ok=$(echo "$results" | grep -c '^ok ' || true)
echo "$results" | grep -v '^ok ' || true
echo "pdiview played $ok of $total corpus files cleanly"
[ "$ok" -eq "$total" ]

#!/usr/bin/env bash
# Plays every picture of the corpus through the plug-in with pdiview --png,
# as a browser would (blocks of 512 bytes, the real banner pause and blink
# steps), and counts the files that end cleanly. Any crash, non-zero exit or
# time-out is listed. Each parallel job has its own 8-bit PseudoColor Xvfb,
# so that no window hides another while it is read.
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

out="${keep:-$(mktemp -d)}"
mkdir -p "$out"
servers=()
cleanup() {
    for p in "${servers[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
    [ -n "$keep" ] || rm -rf "$out"
}
trap cleanup EXIT

# A free display number from n on.
free_display() {
    for n in $(seq "$1" 400); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then echo "$n"; return; fi
    done
}

mapfile -d '' files < <(find "$corpus" -type f -print0 | sort -z)
results="$out/results.txt"
: > "$results"
next=121
for j in $(seq 0 $((jobs - 1))); do
    disp=$(free_display "$next")
    [ -n "$disp" ] || { echo "no free X display number" >&2; exit 2; }
    next=$((disp + 1))
    Xvfb ":$disp" -screen 0 1024x768x8 -nolisten tcp -noreset >/dev/null 2>&1 &
    servers+=($!)
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$disp" ] && break; sleep 0.1; done
    (
        for ((i = j; i < ${#files[@]}; i += jobs)); do
            f="${files[$i]}"
            name="${f#"$corpus"/}"
            png="$out/$(echo "$name" | tr '/' '_').png"
            DISPLAY=":$disp" timeout "$limit" "$pdiview" --block 512 --png "$png" "$f" \
                >/dev/null 2>"$png.err"
            st=$?
            if [ $st -eq 0 ] && [ -s "$png" ]; then echo "ok $name"; rm -f "$png.err"
            else echo "FAILED($st) $name"; fi
        done >> "$results.$j"
    ) &
done
wait $(jobs -p | grep -v -F -x -f <(printf '%s\n' "${servers[@]}")) 2>/dev/null
cat "$results".* > "$results"
rm -f "$results".*
total=$(grep -c . "$results" || true)
ok=$(grep -c '^ok ' "$results" || true)
grep -v '^ok ' "$results" || true
echo "pdiview played $ok of $total corpus files cleanly"
[ "$ok" -eq "${#files[@]}" ]

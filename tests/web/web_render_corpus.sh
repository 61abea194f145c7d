#!/usr/bin/env bash
# scripts/web-render.sh against pdi2png --no-wait, pixel for pixel: the
# example pictures through the single-picture form, every corpus picture at
# 512 x 400 through one browser (--jobs), and every tenth at two other
# sizes. Skipped (77) without a web build or Chromium, unless CI=true.
#
#   web_render_corpus.sh PDI2PNG PNGCMP CORPUS_DIR
set -uo pipefail
pdi2png=$1
pngcmp=$2
corpus=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
render="$here/scripts/web-render.sh"
skip() {
    if [ "${CI:-}" = true ]; then
        echo "web-render tests cannot run: $1"
        exit 1
    fi
    echo "skipped: $1"
    exit 77
}
[ -f "${NAPLPS_WEB_DIR:-$here/build-web}/naplps.js" ] || skip "no web build (scripts/build-web.sh)"
command -v node >/dev/null || skip "no node"
node -e 'process.exit(require(process.argv[1]).findBrowser() ? 0 : 1)' "$here/scripts/web-render.js" ||
    skip "no Chromium (apt-get install chromium)"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0
# Compares the web picture $1 with pdi2png's of file $2 at size $3.
compare() {
    local got=$1 file=$2 size=$3 ref="$tmp/ref.png" out
    if ! "$pdi2png" --no-wait --size "$size" "$file" "$ref"; then
        echo "not ok - $file $size: pdi2png failed"
        failed=$((failed + 1))
        return
    fi
    if out=$("$pngcmp" "$got" "$ref" 2>&1); then
        passed=$((passed + 1))
    else
        echo "not ok - $file $size: $out"
        failed=$((failed + 1))
    fi
}

# The single-picture form, with its default size and with one given.
for args in "examples/demo.pdi 512x400 -" "examples/demo.pdi 333x251 333x251" \
            "examples/sample.pdi 640x480 640x480"; do
    set -- $args
    out="$tmp/single.png"
    rm -f "$out"
    if [ "$3" = - ]; then "$render" "$here/$1" "$out"; else "$render" "$here/$1" "$out" "$3"; fi
    if [ -s "$out" ]; then
        compare "$out" "$here/$1" "$2"
    else
        echo "not ok - web-render.sh $1 $2 wrote no picture"
        failed=$((failed + 1))
    fi
done
# Wrong use is refused.
if "$render" "$here/examples/demo.pdi" "$tmp/x.png" 1x400 2>/dev/null || [ -e "$tmp/x.png" ]; then
    echo "not ok - web-render.sh takes a size of 1x400"
    failed=$((failed + 1))
else
    passed=$((passed + 1))
fi

# The corpus through one browser.
if [ -d "$corpus" ]; then
    mapfile -t files < <(find "$corpus" -type f | sort)
    : >"$tmp/jobs"
    n=0
    for f in "${files[@]}"; do
        printf '%s\t%s\t512\t400\n' "$f" "$tmp/c$n.png" >>"$tmp/jobs"
        if [ $((n % 10)) -eq 0 ]; then
            printf '%s\t%s\t640\t480\n' "$f" "$tmp/c$n-640x480.png" >>"$tmp/jobs"
            printf '%s\t%s\t301\t157\n' "$f" "$tmp/c$n-301x157.png" >>"$tmp/jobs"
        fi
        n=$((n + 1))
    done
    "$render" --jobs "$tmp/jobs"
    equal=0
    n=0
    for f in "${files[@]}"; do
        before=$passed
        if [ -s "$tmp/c$n.png" ]; then compare "$tmp/c$n.png" "$f" 512x400
        else echo "not ok - $f: no picture"; failed=$((failed + 1)); fi
        [ "$passed" -gt "$before" ] && equal=$((equal + 1))
        if [ $((n % 10)) -eq 0 ]; then
            for s in 640x480 301x157; do
                if [ -s "$tmp/c$n-$s.png" ]; then compare "$tmp/c$n-$s.png" "$f" "$s"
                else echo "not ok - $f $s: no picture"; failed=$((failed + 1)); fi
            done
        fi
        n=$((n + 1))
    done
    echo "corpus: $equal of ${#files[@]} pictures equal to pdi2png --no-wait pixel for pixel"
else
    echo "no corpus at $corpus: the example pictures only"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

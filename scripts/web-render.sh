#!/usr/bin/env bash
# Renders a NAPLPS picture through the web build in headless Chromium and
# writes the element's final picture as a PNG of exactly W x H pixels, the
# picture that pdi2png --no-wait gives:
#
#   scripts/web-render.sh FILE OUT.png [WxH]      (default 512x400)
#   scripts/web-render.sh --jobs JOBS             (one browser for many)
#
# The picture is played by a <naplps-picture no-wait> in a page of its own,
# loaded from file:// with the picture's bytes inlined as a data: URL (no
# network); the page hands the canvas's pixels back once the element shows
# its final picture (scripts/web-render.js drives Chromium over its DevTools
# pipe). JOBS has a line a picture: FILE, OUT.png, W and H separated by tabs.
# The web build is taken from $NAPLPS_WEB_DIR (default build-web/, made by
# scripts/build-web.sh); the browser from $CHROMIUM or the PATH.
#
# Exit status: 0 written, 1 failure, 2 wrong usage.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage() {
    echo "usage: web-render.sh FILE OUT.png [WxH]   or   web-render.sh --jobs JOBS" >&2
    exit 2
}
if ! command -v node >/dev/null; then
    echo "web-render: node is not installed" >&2
    exit 1
fi
if [ "${1:-}" = --jobs ]; then
    [ $# -eq 2 ] || usage
    exec node "$here/web-render.js" "$2"
fi
[ $# -ge 2 ] && [ $# -le 3 ] || usage
in=$1
out=$2
size=${3:-512x400}
[[ $size =~ ^([0-9]{1,5})[xX]([0-9]{1,5})$ ]] || usage
w=$((10#${BASH_REMATCH[1]}))
h=$((10#${BASH_REMATCH[2]}))
if [ "$w" -lt 2 ] || [ "$h" -lt 2 ] || [ "$w" -gt 4096 ] || [ "$h" -gt 4096 ]; then
    echo "web-render: WxH needs each side 2..4096" >&2
    exit 2
fi
if [ ! -f "$in" ] || [ ! -r "$in" ]; then
    echo "web-render: cannot read $in" >&2
    exit 1
fi
jobs=$(mktemp)
trap 'rm -f "$jobs"' EXIT
printf '%s\t%s\t%d\t%d\n' "$(realpath "$in")" "$(realpath -m "$out")" "$w" "$h" >"$jobs"
node "$here/web-render.js" "$jobs"

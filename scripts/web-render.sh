#!/usr/bin/env bash
# Renders a NAPLPS picture through the web build in headless Chromium and
# writes the element's final picture as a PNG of exactly W x H pixels:
#
#   scripts/web-render.sh FILE OUT.png [WxH]      (default 512x400)
#
# The picture goes into a page of its own (its bytes inlined as a data: URL
# in the src of a <naplps-picture no-wait>, so no network is used), loaded
# from file://; the page writes the canvas as a PNG data URL into its DOM
# once the element reports its final picture, and Chromium prints the DOM.
# The web build is taken from $NAPLPS_WEB_DIR (default build-web/ beside
# this script's directory; scripts/build-web.sh makes it).
#
# Exit status: 0 written, 1 failure, 2 wrong usage.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
usage() {
    echo "usage: web-render.sh FILE OUT.png [WxH]" >&2
    exit 2
}
[ $# -ge 2 ] && [ $# -le 3 ] || usage
in=$1
out=$2
size=${3:-512x400}
if ! [[ $size =~ ^([0-9]+)[xX]([0-9]+)$ ]]; then usage; fi
w=$((10#${BASH_REMATCH[1]}))
h=$((10#${BASH_REMATCH[2]}))
if [ "$w" -lt 2 ] || [ "$h" -lt 2 ] || [ "$w" -gt 4096 ] || [ "$h" -gt 4096 ]; then
    echo "web-render: WxH needs each side 2..4096" >&2
    exit 2
fi
web=$(cd "${NAPLPS_WEB_DIR:-$here/build-web}" 2>/dev/null && pwd) || web=""
if [ -z "$web" ] || [ ! -f "$web/naplps.js" ] || [ ! -f "$web/naplps-picture.js" ]; then
    echo "web-render: no web build (run scripts/build-web.sh)" >&2
    exit 1
fi
browser=${CHROMIUM:-}
if [ -z "$browser" ]; then
    for b in chromium chromium-browser google-chrome; do
        if command -v "$b" >/dev/null; then browser=$b; break; fi
    done
fi
if [ -z "$browser" ]; then
    echo "web-render: no Chromium found (apt-get install chromium)" >&2
    exit 1
fi
if [ ! -r "$in" ]; then
    echo "web-render: cannot read $in" >&2
    exit 1
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
{
    cat <<EOF
<!DOCTYPE html>
<html><head><meta charset="utf-8">
<script src="file://$web/naplps.js"></script>
<script src="file://$web/naplps-picture.js"></script>
</head><body style="margin:0">
<naplps-picture id="picture" no-wait width="$w" height="$h" src="data:application/octet-stream;base64,
EOF
    base64 -w 0 "$in"
    cat <<'EOF'
"></naplps-picture>
<pre id="result"></pre>
<script>
const picture = document.getElementById('picture');
const result = document.getElementById('result');
picture.addEventListener('load', () => {
  result.textContent = 'PNG ' + picture.canvas.toDataURL('image/png');
});
picture.addEventListener('error', (e) => {
  result.textContent = 'ERROR ' + e.detail.message;
});
</script>
</body></html>
EOF
} >"$tmp/page.html"

# Chromium as root needs --no-sandbox; everything that would reach the
# network is off. Virtual time lets the page finish before the DOM is read.
if ! timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --disable-default-apps --disable-extensions --no-default-browser-check \
    --force-device-scale-factor=1 --user-data-dir="$tmp/profile" \
    --virtual-time-budget=60000 --dump-dom "file://$tmp/page.html" \
    >"$tmp/dom.html" 2>"$tmp/browser.log"; then
    echo "web-render: $browser failed:" >&2
    tail -5 "$tmp/browser.log" >&2
    exit 1
fi
if grep -q '<pre id="result">ERROR ' "$tmp/dom.html"; then
    sed -n 's/.*<pre id="result">ERROR \([^<]*\)<.*/web-render: \1/p' "$tmp/dom.html" >&2
    exit 1
fi
if ! sed -n 's/.*<pre id="result">PNG data:image\/png;base64,\([^<]*\)<.*/\1/p' "$tmp/dom.html" \
    | base64 -d >"$tmp/out.png" 2>/dev/null || [ ! -s "$tmp/out.png" ]; then
    echo "web-render: the page gave no picture" >&2
    exit 1
fi
mv "$tmp/out.png" "$out"

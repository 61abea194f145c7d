#!/usr/bin/env bash
# The main job: installs what is missing, builds, and shows the demo picture
# through the plug-in. With DISPLAY set, pdiview opens it in a window (close
# the window to end); without one, an 8-bit PseudoColor Xvfb is started, the
# picture is rendered to demo.png in the build directory, and its path is
# printed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh >/dev/null
BUILD_DIR=${BUILD_DIR:-build}
pdiview="$BUILD_DIR/pdiview"
demo=examples/demo.pdi

if [ -n "${DISPLAY:-}" ]; then
  echo "run: showing $demo in a window (close it to end)"
  exec "$pdiview" "$demo"
fi

disp=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then disp=$n; break; fi
done
[ -n "$disp" ] || { echo "run: no free X display number for Xvfb" >&2; exit 1; }
Xvfb ":$disp" -screen 0 1024x768x8 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$disp" ] && break; sleep 0.1; done
out="$(cd "$BUILD_DIR" && pwd)/demo.png"
DISPLAY=":$disp" "$pdiview" --png "$out" "$demo" >/dev/null
echo "run: no DISPLAY, so the demo was rendered under Xvfb (8-bit PseudoColor) to $out"

#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine (run as root or
# with sudo available). Does nothing when everything is already there.
# The last line is what the install tests check the MIME type, desktop entry
# and manual pages with.
set -euo pipefail
pkgs=(build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
      libx11-dev libxt-dev libpng-dev libgif-dev xvfb xauth
      unifont
      libxml2-utils desktop-file-utils shared-mime-info libglib2.0-bin groff-base)
# The fuzz target needs clang and its libFuzzer runtime.
[ "${NAPLPS_FUZZ_PKGS:-0}" = 1 ] && pkgs+=(clang libclang-rt-14-dev)
# The web build (scripts/build-web.sh) and its browser tests need Emscripten
# and Chromium; they come without their recommendations (a desktop's worth).
web=()
[ "${NAPLPS_WEB_PKGS:-0}" = 1 ] && web=(emscripten node-acorn chromium)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
missing_web=()
for p in "${web[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing_web+=("$p")
done
if [ $((${#missing[@]} + ${#missing_web[@]})) -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "setup: installing ${missing[*]} ${missing_web[*]}"
  $SUDO apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
  if [ ${#missing_web[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
      "${missing_web[@]}" >/dev/null
  fi
fi

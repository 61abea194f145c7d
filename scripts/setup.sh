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
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

#!/usr/bin/env bash
# Configures and builds into $BUILD_DIR (default: build). NAPLPS_SANITIZE=1
# builds with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
san=OFF
[ "${NAPLPS_SANITIZE:-0}" = 1 ] && san=ON
cmake -S . -B "$BUILD_DIR" -DNAPLPS_SANITIZE=$san >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"

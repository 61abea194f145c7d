#!/usr/bin/env bash
# The main job: installs what is missing, builds, and decodes the sample
# pictures, printing what each contains.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh >/dev/null
BUILD_DIR=${BUILD_DIR:-build}
for f in examples/*.pdi; do
  "$BUILD_DIR/pdistat" "$f"
done

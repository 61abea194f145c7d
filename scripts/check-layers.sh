#!/usr/bin/env bash
# Checks the layer rule: plug-in and the web build's interface -> decoder ->
# interpreter, text and image -> raster -> surface. A file may include
# headers of its own layer and of the layers below it, never of one above. Prints every include that breaks the
# rule and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
rank() {
    case "$1" in
    plugin | web) echo 0 ;; decoder) echo 1 ;; interp | text | image) echo 2 ;;
    raster) echo 3 ;; nxg) echo 4 ;; *) echo -1 ;;
    esac
}
bad=0
for dir in plugin web decoder interp text image raster nxg; do
    mine=$(rank "$dir")
    for f in "$dir"/*.cpp "$dir"/*.h; do
        [ -e "$f" ] || continue
        while read -r inc; do
            target=${inc%%/*}
            theirs=$(rank "$target")
            if [ "$theirs" -ge 0 ] && [ "$theirs" -lt "$mine" ]; then
                echo "layer rule: $f includes $inc"
                bad=1
            fi
        done < <(sed -n 's/^#include "\([a-z]*\/[^"]*\)".*/\1/p' "$f")
    done
done
exit $bad

#!/usr/bin/env bash
# The Debian package CPack makes: named and versioned after the project, its
# Depends found from the libraries the installed files link (X11, Xt, libpng,
# giflib), and holding what the install tree holds.
#   package_deb.sh BUILD_DIR VERSION
set -u
build=$1
version=$2
for t in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$t" >/dev/null || { echo "SKIP: $t is not installed"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

(cd "$build" && cpack -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no package made"; exit 1; }
[ "$(dpkg-deb -f "$deb" Package)" = pictarine ] || bad "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || bad "package version"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libx11-6 libxt6 libpng16-16 libgif7; do
  grep -q "\b$lib\b" <<<"$depends" || bad "Depends lacks $lib: $depends"
done

DESTDIR=$tmp/root cmake --install "$build" --prefix /usr >/dev/null
(cd "$tmp/root" && find . -type f | sort) >"$tmp/tree"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$tmp/deb"
diff "$tmp/tree" "$tmp/deb" || bad "the package holds other files than the install tree"

[ $fail -eq 0 ] && echo "$(basename "$deb"): $depends"
exit $fail

#!/usr/bin/env bash
# The install tree as a Debian desktop receives it: `cmake --install` into a
# temporary DESTDIR under /usr, then every file in place; the MIME package and
# the desktop entry valid, and a desktop given them (update-mime-database,
# update-desktop-database) takes .nap files and files that start as NAPLPS
# pictures do for image/naplps, opened with pdiview; each tool's manual page
# renders without warnings, has the usual sections and names every option of
# the tool's --help; the installed pdiview finds the installed plug-in and
# demo, and the installed pdi2gif runs.
#   install_tree.sh BUILD_DIR
# Exits 77 (skipped) only when a checking tool is not installed.
set -u
build=$1
for t in xmllint desktop-file-validate update-mime-database update-desktop-database gio groff \
         Xvfb; do
  command -v "$t" >/dev/null ||
    { echo "SKIP: $t is not installed (scripts/setup.sh installs it)"; exit 77; }
done
tmp=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

root=$tmp/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1 ||
  { cat "$tmp/install.log"; echo "FAIL: cmake --install"; exit 1; }
usr=$root/usr

tools="pdiview pdi2png pdi2gif pdienc pdistat"
[ -e "$build/png2wngd" ] && tools="$tools png2wngd"
expected="lib/mozilla/plugins/npnap.so share/mime/packages/pictarine.xml"
expected="$expected share/applications/pdiview.desktop share/pictarine/demo.pdi"
for t in $tools; do expected="$expected bin/$t share/man/man1/$t.1.gz"; done
# pdi2png-x11 does the work of pdi2png --x11 from beside it.
[ -e "$build/pdi2png-x11" ] && expected="$expected bin/pdi2png-x11"
for f in $expected; do [ -f "$usr/$f" ] || bad "missing /usr/$f"; done
for t in $tools; do [ -x "$usr/bin/$t" ] || bad "/usr/bin/$t is not executable"; done
# Nothing else: no build tools, static libraries or headers.
(cd "$root" && find . -type f | sed 's|^\./||' | sort) >"$tmp/files"
while read -r f; do
  case " $expected " in *" ${f#usr/} "*) ;; *)
    case "$f" in usr/share/doc/pictarine/*) ;; *) bad "unexpected file /$f" ;; esac ;;
  esac
done <"$tmp/files"

# The MIME package and the desktop entry, and what a desktop makes of files
# with only the installed tree and the system's own types in its search path.
export XDG_DATA_HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home XDG_CONFIG_DIRS=$tmp/home
export XDG_DATA_DIRS=$usr/share:/usr/share
xmllint --noout "$usr/share/mime/packages/pictarine.xml" || bad "xmllint: pictarine.xml"
desktop-file-validate "$usr/share/applications/pdiview.desktop" || bad "desktop-file-validate"
update-mime-database "$usr/share/mime" 2>"$tmp/mime.err" || bad "update-mime-database failed"
[ -s "$tmp/mime.err" ] && { cat "$tmp/mime.err"; bad "update-mime-database warns"; }
update-desktop-database "$usr/share/applications" || bad "update-desktop-database failed"

typeOf() { gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'; }
mkdir -p "$tmp/files.d"
printf 'not a picture\n' >"$tmp/files.d/picture.nap"            # by name
cp "$usr/share/pictarine/demo.pdi" "$tmp/files.d/demo.pdi"
printf '\xa1\xc8\xc0\xc0\xc9\xbe\xdc\xa3\xc0' >"$tmp/files.d/domain"   # by content: DOMAIN
printf '\x18\x1b\x22\x46\x1b\x45\x1f\x40\x40' >"$tmp/files.d/c1set"    # C1 set designation
printf '\x1b\x31\x18\x1b\x22\x46\x1b\x45' >"$tmp/files.d/c1set2"
printf 'just some words\n' >"$tmp/files.d/words"
cp "$usr/bin/pdistat" "$tmp/files.d/program"
for f in picture.nap demo.pdi domain c1set c1set2; do
  type=$(typeOf "$tmp/files.d/$f")
  [ "$type" = image/naplps ] || bad "$f is $type, not image/naplps"
done
for f in words program; do
  [ "$(typeOf "$tmp/files.d/$f")" = image/naplps ] && bad "$f is taken for image/naplps"
done
PATH=$usr/bin:$PATH gio mime image/naplps >"$tmp/mime.out" 2>&1
grep -q "Default application for .image/naplps.: pdiview.desktop" "$tmp/mime.out" ||
  { cat "$tmp/mime.out"; bad "pdiview does not open image/naplps"; }

# Manual pages.
for t in $tools; do
  page=$usr/share/man/man1/$t.1.gz
  [ -f "$page" ] || continue
  warnings=$(zcat "$page" | LC_ALL=C groff -man -ww -z -Tutf8 2>&1)
  [ -z "$warnings" ] || bad "$t.1: $warnings"
  for s in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES; do
    zcat "$page" | grep -q "^\.SH \"\?$s\"\?$" || bad "$t.1 has no $s section"
  done
  zcat "$page" | grep -q "^$t \\\\- " || bad "$t.1: NAME is not '$t \\- ...'"
  for opt in $("$usr/bin/$t" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    zcat "$page" | grep -q -- "${opt//-/\\\\-}" || bad "$t.1 does not describe $opt"
  done
done

# The installed programs, away from the build tree.
disp=""
for n in $(seq 150 199); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then disp=$n; break; fi
done
Xvfb ":$disp" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$disp" ] && break; sleep 0.1; done
(cd "$tmp" && env -u PICTARINE_PLUGIN DISPLAY=":$disp" "$usr/bin/pdiview" --png "$tmp/demo.png" \
  >"$tmp/view.out" 2>&1) || { cat "$tmp/view.out"; bad "installed pdiview cannot show the demo"; }
[ -s "$tmp/demo.png" ] || bad "installed pdiview wrote no PNG"
if [ -e "$usr/bin/pdi2png-x11" ]; then
  "$usr/bin/pdi2png" --no-wait "$usr/share/pictarine/demo.pdi" "$tmp/memory.png" &&
    DISPLAY=":$disp" "$usr/bin/pdi2png" --x11 --no-wait "$usr/share/pictarine/demo.pdi" \
      "$tmp/x11.png" && cmp -s "$tmp/memory.png" "$tmp/x11.png" ||
      bad "installed pdi2png --x11 does not give the picture in memory"
fi
"$usr/bin/pdi2gif" --max-seconds 2 "$usr/share/pictarine/demo.pdi" "$tmp/demo.gif" ||
  bad "installed pdi2gif failed"
[ "$(head -c 6 "$tmp/demo.gif" 2>/dev/null)" = GIF89a ] || bad "installed pdi2gif wrote no GIF"

[ $fail -eq 0 ] && echo "install tree complete: $(wc -l <"$tmp/files") files"
exit $fail

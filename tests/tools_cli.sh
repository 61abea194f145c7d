#!/usr/bin/env bash
# Every tool alike: --help prints its usage to standard output and exits 0,
# --version prints "NAME (Pictarine) VERSION", an unknown option prints the
# usage to standard error and exits 2 with nothing on standard output.
#   tools_cli.sh VERSION TOOL...
set -u
version=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }
for tool in "$@"; do
  name=$(basename "$tool")
  "$tool" --help >"$tmp/out" 2>"$tmp/err"; st=$?
  [ $st -eq 0 ] || bad "$name --help exits $st"
  grep -q "^usage: $name " "$tmp/out" || bad "$name --help prints no usage on standard output"
  [ -s "$tmp/err" ] && bad "$name --help writes to standard error"
  "$tool" -h >/dev/null 2>&1 || bad "$name -h fails"

  "$tool" --version >"$tmp/out" 2>&1; st=$?
  [ $st -eq 0 ] || bad "$name --version exits $st"
  [ "$(cat "$tmp/out")" = "$name (Pictarine) $version" ] ||
    bad "$name --version prints '$(cat "$tmp/out")'"

  "$tool" --no-such-option x y >"$tmp/out" 2>"$tmp/err"; st=$?
  [ $st -eq 2 ] || bad "$name with an unknown option exits $st"
  [ -s "$tmp/out" ] && bad "$name with an unknown option writes to standard output"
  grep -q "^usage: $name " "$tmp/err" || bad "$name with an unknown option prints no usage"
done
[ $fail -eq 0 ] && echo "checked $# tools"
exit $fail

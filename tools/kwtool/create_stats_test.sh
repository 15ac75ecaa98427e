#!/bin/sh
# kwtool create then stats in a fresh working directory: create registers KWDATA2 and makes DATA2,
# a second create fails clearly, and stats answers with the directory. The working directory
# does not exist beforehand.
set -eu
kwtool="$1"
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
work="$top/new/work"  # made by --workdir

if "$kwtool" --workdir "$work" stats 2>"$top/err"; then
  echo "stats succeeded before create" >&2; exit 1
fi
grep -q "run 'kwtool create' first" "$top/err"

"$kwtool" --workdir "$work" create >"$work/out"
grep -q "created database KWDATA2 in $work/DATA2" "$work/out"
test -d "$work/DATA2"
test -f "$work/DATA2/dbver.ver"
grep -q "^KWDATA2=$work/DATA2" "$work/KWDATA.INI"

if "$kwtool" --workdir "$work" create 2>"$work/err"; then
  echo "a second create succeeded" >&2; exit 1
fi
grep -q "exists already (507)" "$work/err"

"$kwtool" --workdir "$work" stats >"$work/out"
grep -q "^directory $work/DATA2\$" "$work/out"
"$kwtool" --workdir "$work" --json stats >"$work/out"
grep -q "\"directory\":\"$work/DATA2\"" "$work/out"

#!/bin/sh
# kwtool create, stats and check in fresh working directories: create makes KWDATA2 with every
# table and index file (in DATA2, or where recipe.INI's Install/Location says), refuses a second
# create, stats counts the records of the ten tables and check finds the new database sound.
# stats starts the way the program starts: a later run without its database is refused, and a
# first run creates the database.
set -eu
kwtool="$1"
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
work="$top/new/work"  # made by --workdir

mkdir -p "$top/later"
printf '[Install]\r\nLastUsed=1000\r\n' >"$top/later/recipe.INI"
if "$kwtool" --workdir "$top/later" stats 2>"$top/err"; then
  echo "stats succeeded in a later run without a database" >&2; exit 1
fi
grep -q "Failed to create database: 1" "$top/err"
test ! -e "$top/later/DATA2"

"$kwtool" --workdir "$work" create >"$top/out"
grep -q "created database KWDATA2 in $work/DATA2 (10 tables, 25 index files)" "$top/out"
grep -q "^KWDATA2=$work/DATA2" "$work/KWDATA.INI"
for f in dbver.ver KWRECIPE.dat KWRECIPE.i03 KWRECING.i01 KWCAT.i00 KWINGDAT.i03 KWLIST.dat \
         KWLISTCT.i00 KWLISTCT.i02 KWLISTCT.i03 KWMEALS.dat KWMEALCT.i01 KWPREP.i00 KWRCPCAT.i03; do
  test -f "$work/DATA2/$f" || { echo "missing $f" >&2; exit 1; }
done
test ! -e "$work/DATA2/KWLISTCT.i01"
test "$(ls "$work/DATA2" | wc -l)" -eq 36

if "$kwtool" --workdir "$work" create 2>"$top/err"; then
  echo "a second create succeeded" >&2; exit 1
fi
grep -q "database KWDATA2 exists already in $work/DATA2" "$top/err"

"$kwtool" --workdir "$work" stats >"$top/out"
grep -q "^directory $work/DATA2\$" "$top/out"
grep -q "^  KWRECIPE           0 records\$" "$top/out"
test "$(grep -c " records\$" "$top/out")" -eq 10
"$kwtool" --workdir "$work" --json stats >"$top/out"
grep -q "\"directory\":\"$work/DATA2\"" "$top/out"
grep -q '{"name":"KWRCPCAT","records":0}]}' "$top/out"

"$kwtool" --workdir "$work" check >"$top/out"
grep -q "^consistent (0 warnings)\$" "$top/out"
"$kwtool" --workdir "$work" --json check >"$top/out"
grep -q '"consistent":true' "$top/out"

# The location setting decides where a new database goes; an empty directory there is taken
# over, as the program's first run does.
other="$top/other"
mkdir -p "$other" "$top/place/DB"
printf '[Install]\r\nLocation=%s\r\n' "$top/place/DB" >"$other/recipe.INI"
"$kwtool" --workdir "$other" create >"$top/out"
grep -q "created database KWDATA2 in $top/place/DB " "$top/out"
test -f "$top/place/DB/KWTMPRES.dat" && { echo "KWTMPRES made at create" >&2; exit 1; }
test -f "$top/place/DB/KWRECIPE.dat"
"$kwtool" --workdir "$other" check >/dev/null

# A location that holds something is left alone.
rm -rf "$top/third"; mkdir -p "$top/third/DATA2"; echo keep >"$top/third/DATA2/notes.txt"
if "$kwtool" --workdir "$top/third" create 2>"$top/err"; then
  echo "create over a full directory succeeded" >&2; exit 1
fi
grep -q "exists already (507)" "$top/err"
test "$(cat "$top/third/DATA2/notes.txt")" = keep

# The first command of a fresh directory creates the database, as the program's first run does,
# and ends the run cleanly.
"$kwtool" --workdir "$top/fresh" stats >"$top/out"
grep -q "^directory $top/fresh/DATA2\$" "$top/out"
grep -q "^Clean=1" "$top/fresh/recipe.INI"
grep -q "^Version=2.0" "$top/fresh/recipe.INI"

#!/bin/sh
# crash/run.sh KILLS [KWCRASH KWTOOL]: the crash harness's long run. KILLS times over, kwcrash
# edits recipes in one working directory and is killed with SIGKILL at a random moment (0.1 to
# 1 s after it was started, so kills land in starts, changes, periodic writes and settings
# writes alike); after each kill "kwcrash verify" makes the next start (index rebuild, repair of
# damaged tables) and checks the flushed recipes and the settings file, and "kwtool check" must
# find the database consistent. Prints one line per kill and a summary; exit status 0 when every
# restart was consistent. The working directory is kept (and named) when something failed.
set -u
kills=${1:?usage: run.sh KILLS [KWCRASH KWTOOL]}
here=$(cd "$(dirname "$0")" && pwd)
kwcrash=${2:-$here/../build/bin/kwcrash}
kwtool=${3:-$here/../build/bin/kwtool}
# Absolute paths: kwtool runs inside the working directory.
kwcrash=$(cd "$(dirname "$kwcrash")" && pwd)/$(basename "$kwcrash")
kwtool=$(cd "$(dirname "$kwtool")" && pwd)/$(basename "$kwtool")
work=$(mktemp -d "${TMPDIR:-/tmp}/kwcrash.XXXXXX")
seed=${KWCRASH_SEED:-$$}

consistent=0
repairs=0
verified=0
failures=0
i=1
while [ "$i" -le "$kills" ]; do
    "$kwcrash" work "$work" $((seed + i)) 2>>"$work/work.err" &
    pid=$!
    sleep "$(awk -v s=$((seed + i)) 'BEGIN { srand(s); printf "%.3f", 0.1 + rand() * 0.9 }')"
    if ! kill -KILL "$pid" 2>/dev/null; then
        echo "kill $i: kwcrash work had already ended"
    fi
    wait "$pid" 2>/dev/null
    status=$?
    if [ "$status" -ne 137 ]; then
        echo "kill $i: kwcrash work ended with status $status:"
        tail -3 "$work/work.err"
        failures=$((failures + 1))
        break
    fi
    out=$("$kwcrash" verify "$work" 2>&1)
    verify=$?
    (cd "$work" && "$kwtool" check >"$work/check.out" 2>&1)
    check=$?
    echo "kill $i: $(echo "$out" | grep '^verify:') check=$check"
    if [ "$verify" -eq 0 ] && [ "$check" -eq 0 ]; then
        consistent=$((consistent + 1))
    else
        failures=$((failures + 1))
        echo "$out" | grep -v '^verify:' | head -20
        head -20 "$work/check.out"
        break
    fi
    case "$out" in *"repaired=-"*) ;; *) repairs=$((repairs + 1)) ;; esac
    checked=$(echo "$out" | sed -n 's/.* checked=\([0-9]*\).*/\1/p')
    verified=$((verified + ${checked:-0}))
    i=$((i + 1))
done

echo "kills=$((i - 1 + (failures > 0))) restarts_consistent=$consistent repairs=$repairs" \
     "recipes_verified=$verified failures=$failures"
if [ "$failures" -eq 0 ]; then
    rm -rf "$work"
    exit 0
fi
echo "kept: $work"
exit 1

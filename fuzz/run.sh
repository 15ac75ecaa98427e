#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for SECONDS, one after
# the other (the machine is shared), on a work corpus in fuzz/corpus-work/<target>/ that grows
# from run to run, seeded from fuzz/seeds/<target>/ and from seeds cut at run time from the real
# recipe files (../shared/corpus, or KW_CORPUS_DIR) and the importers' test files. The inputs
# kept in fuzz/regressions/<target>/ (each once a crash, now fixed) are run at the start with the seeds.
#
#   fuzz/run.sh SECONDS [TARGET...]     all targets (the list the build writes) or the ones named
#
# Prints the executions of every target and any crash, leak or timeout file it left in
# fuzz/corpus-work/artifacts/; exits non-zero when there is one. libFuzzer's own output goes to
# fuzz/corpus-work/logs/<target>.log.
#
# Environment: KW_FUZZ_JOBS=2 runs two targets at a time; KW_FUZZ_WORK=DIR puts the work corpus,
# logs and artifacts there instead; KW_FUZZ_BUILD=DIR builds and runs the targets in DIR instead
# of build-fuzz/; KW_FUZZ_EXTRA_SEEDS=0 leaves out the seeds cut at run time
# (the committed seeds alone load in a moment).
#
# The whole script is one block that bash reads before running it, so editing this file while a
# long run is going does not disturb that run.
{
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: fuzz/run.sh SECONDS [TARGET...]" >&2
    exit 2
fi
shift
jobs=${KW_FUZZ_JOBS:-1}

build=${KW_FUZZ_BUILD:-$root/build-fuzz}
work=${KW_FUZZ_WORK:-$root/fuzz/corpus-work}
artifacts=$work/artifacts
logs=$work/logs

echo "== building the fuzz targets (clang) in $build"
if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKW_BUILD_FUZZ=ON -DKW_BUILD_GUI=OFF -DKW_BUILD_TESTS=OFF -DKW_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j 2 --target fuzz_targets >/dev/null

mkdir -p "$artifacts" "$logs"

# ---- seeds cut at run time (not committed: the real files are large) -------------------------
corpus=${KW_CORPUS_DIR:-$root/../shared/corpus}
[ -d "$corpus" ] || corpus=/work/shared/corpus
extra=$root/fuzz/corpus-work/extra
use_extra=${KW_FUZZ_EXTRA_SEEDS:-1}
if [ "$use_extra" = 1 ]; then
    mkdir -p "$extra/text" "$extra/encoding" "$extra/export"
    if [ -d "$corpus" ] && [ -z "$(ls -A "$extra/text")" ]; then
        mapfile -t recipe_files < <(find "$corpus" -type f ! -name '*.md' | sort)
        "$build/fuzz/bin/fuzz_seed_tool" recipes "$extra/text" 150 "${recipe_files[@]}" >/dev/null
        "$build/fuzz/bin/fuzz_seed_tool" encodings "$extra/encoding" 40 "${recipe_files[@]}" \
            >/dev/null
    fi
    cp -f "$root"/importers/testdata/*.mmf "$root"/importers/testdata/*.mxp \
        "$root"/importers/testdata/*.txt "$extra/text/" 2>/dev/null || true
    "$build/fuzz/bin/fuzz_seed_tool" export "$extra/export" >/dev/null
fi

extra_seeds() {
    [ "$use_extra" = 1 ] || return 0
    case $1 in
        fuzz_import_filter | fuzz_best_filter) echo "$extra/text" ;;
        fuzz_encoding) echo "$extra/encoding $extra/text" ;;
        fuzz_scrambled_file) echo "$extra/export" ;;
    esac
}

# ---- the targets -----------------------------------------------------------------------------
declare -A max_len
targets=()
while read -r name len; do
    [ -n "$name" ] || continue
    max_len[$name]=$len
    targets+=("$name")
done <"$build/fuzz/targets.txt"
if [ $# -gt 0 ]; then
    for t in "$@"; do
        [ -n "${max_len[$t]:-}" ] || { echo "unknown target $t" >&2; exit 2; }
    done
    targets=("$@")
fi

run_target() {
    local target=$1
    local dir=$work/$target
    local seeds=()
    mkdir -p "$dir"
    [ -d "$root/fuzz/seeds/$target" ] && seeds+=("$root/fuzz/seeds/$target")
    # Inputs that once crashed a target are read first with the seeds, so each run replays them.
    [ -d "$root/fuzz/regressions/$target" ] && seeds+=("$root/fuzz/regressions/$target")
    for s in $(extra_seeds "$target"); do seeds+=("$s"); done
    # The first corpus directory receives what the run finds; the seed folders are only read.
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:quarantine_size_mb=16 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/fuzz/bin/$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$target-" "$dir" "${seeds[@]}" >"$logs/$target.log" 2>&1
}

status=0
pids=()
for target in "${targets[@]}"; do
    rm -f "$artifacts/$target"-*
    echo "== $target: ${seconds}s, -max_len=${max_len[$target]}"
    run_target "$target" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$jobs" ]; then
        wait "${pids[0]}" || true
        pids=("${pids[@]:1}")
    fi
done
for pid in "${pids[@]}"; do wait "$pid" || true; done

echo "== results"
for target in "${targets[@]}"; do
    log=$logs/$target.log
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    took=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | grep -o '[0-9]* second' |
        grep -o '[0-9]*' || true)
    found=$(ls "$artifacts/$target"-* 2>/dev/null || true)
    if [ -n "$found" ] || grep -q -E '^==[0-9]+== ?ERROR|^SUMMARY: ' "$log"; then
        status=1
        echo "$target: FAILED after ${runs:-?} executions; log $log"
        grep -E 'invariant broken|ERROR:|SUMMARY:' "$log" | head -5 | sed 's/^/    /'
        for f in $found; do echo "    input: $f"; done
    else
        corpus_size=$(find "$work/$target" -type f | wc -l)
        echo "$target: ${runs:-?} executions in ${took:-?}s, no crash, leak or timeout" \
            "(corpus $corpus_size files)"
    fi
done
exit $status
}

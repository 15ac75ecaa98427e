#!/usr/bin/env bash
# Builds the benchmarks (Release, KW_BUILD_BENCH=ON) into build-bench/ and runs them, printing for
# each workload our time, SQLite's time and their ratio, then the import rate, each search
# criterion over 100k recipes and the start-up with and without the index rebuild, each with its
# peak resident set size. Nothing here fails on a time; the raw Google Benchmark JSON stays in build-bench/bench-results/.
#
#   bench/run.sh [engine_bench options...]     e.g. --benchmark_filter=KWRECIPE
#                                                  --benchmark_repetitions=3
#
# Environment: KW_BENCH_SIZES, KW_BENCH_LARGE=1 (adds the 1,000,000-record cases),
# KW_BENCH_TABLES, KW_BENCH_CACHES, KW_BENCH_STORE_BUFFERS, KW_BENCH_DIR (see
# bench/engine_bench.cc); KW_BENCH_IMPORT_SIZES (default "10000 100000"); KW_BENCH_SEARCH_SIZE
# (default 100000) and KW_BENCH_SEARCH_DIR (a directory keeping the search database between runs);
# KW_BENCH_BUILD (the build directory, default build-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

build=${KW_BENCH_BUILD:-build-bench}
results="$build/bench-results"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKW_BUILD_TESTS=OFF \
  -DKW_BUILD_GUI=OFF -DKW_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target engine_bench gen_mealmaster search_bench \
  startup_bench
# kwtool is only needed for the import figures; a tree where it does not build still benchmarks.
cmake --build "$build" -j "$(nproc)" --target kwtool >/dev/null 2>&1 ||
  echo "kwtool did not build: the import figures are skipped"
mkdir -p "$results"

echo "== engine against SQLite"
"$build/bin/engine_bench" --benchmark_out="$results/engine.json" --benchmark_out_format=json \
  --benchmark_counters_tabular=true "$@"
echo
python3 bench/report.py engine "$results/engine.json"

# --- import: kwtool import of generated Meal-Master text ------------------------------------
# Runs once kwtool has its import command; until then it says so.
echo "== import"
kwtool="$build/bin/kwtool"
work=$(mktemp -d "${KW_BENCH_DIR:-${TMPDIR:-/tmp}}/kwbench-XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ -x "$kwtool" ] && "$kwtool" --help 2>/dev/null | grep -qE '^  import '; then
  for n in ${KW_BENCH_IMPORT_SIZES:-10000 100000}; do
    "$build/bin/gen_mealmaster" "$n" --seed 1 >"$work/recipes-$n.mmf"
    rm -rf "$work/db-$n"
    "$kwtool" --workdir "$work/db-$n" create >/dev/null
    python3 bench/report.py timed "import $n" "$n" -- \
      "$kwtool" --workdir "$work/db-$n" import "$work/recipes-$n.mmf" ||
      echo "import $n: kwtool import failed"
  done
else
  echo "import: not available yet"
fi

# --- search: each criterion kind over 100k recipes, start-up with and without the rebuild ----
# The search database is built once (KW_BENCH_SEARCH_DIR keeps it between runs; by default it
# lives in the temporary work directory and goes with it). The start-up with the rebuild runs
# on a copy, since the rebuild rewrites every index file.
echo "== search"
search_n=${KW_BENCH_SEARCH_SIZE:-100000}
search_dir=${KW_BENCH_SEARCH_DIR:-$work/search-$search_n}
mkdir -p "$search_dir"
python3 bench/report.py peak "search over $search_n recipes" -- \
  "$build/bin/search_bench" "$search_dir" "$search_n"
echo "== start-up"
python3 bench/report.py peak "clean start" -- "$build/bin/startup_bench" "$search_dir"
rm -rf "$work/startup-copy"
cp -a "$search_dir" "$work/startup-copy"
python3 bench/report.py peak "unclean start" -- \
  "$build/bin/startup_bench" "$work/startup-copy" --rebuild
rm -rf "$work/startup-copy"

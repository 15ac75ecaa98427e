#!/usr/bin/env bash
# Profiles one phase of the engine's benchmark workload under callgrind and prints the functions
# that execute the most instructions (exclusive, then inclusive). Instruction counts do not depend
# on the machine's load, so two profiles compare even on a busy machine; system calls are not
# counted by callgrind (engine_syscalls counts them).
#
#   bench/profile.sh PHASE [engine_syscalls options...]
#       PHASE: insert, lookup, scan, update or delete
#   e.g. bench/profile.sh lookup --records 30000 --lookups 5000
#        bench/profile.sh insert --table KWRECING --records 20000 --store-buffers 4096
#
# Builds engine_syscalls with optimisation and debug information into build-prof/ (or
# KW_PROFILE_BUILD); the callgrind output stays in that directory as callgrind-PHASE.out for
# callgrind_annotate or kcachegrind. KW_PROFILE_TOP sets the number of functions listed (25).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  sed -n '2,14p' "$0" >&2
  exit 2
fi
phase=$1
shift
case "$phase" in
  insert) method=Insert ;;
  lookup) method=Lookup ;;
  scan) method=Scan ;;
  update) method=Update ;;
  delete) method=Delete ;;
  *) echo "profile.sh: unknown phase $phase" >&2; exit 2 ;;
esac
command -v valgrind >/dev/null || { echo "profile.sh: valgrind is not installed" >&2; exit 1; }

build=${KW_PROFILE_BUILD:-build-prof}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKW_BUILD_TESTS=OFF \
  -DKW_BUILD_GUI=OFF -DKW_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target engine_syscalls >/dev/null

out="$PWD/$build/callgrind-$phase.out"
# Only the phase is measured: collection is switched on inside the workload's method.
valgrind --tool=callgrind --callgrind-out-file="$out" --collect-atstart=no \
  --toggle-collect="kw::bench::EngineWorkload::$method*" \
  "$build/bin/engine_syscalls" --phases "$phase" "$@" 2>&1 | grep -v '^==' || true

top=${KW_PROFILE_TOP:-25}
echo
echo "== exclusive instructions"
callgrind_annotate "$out" 2>/dev/null | sed -n '/^Ir/,$p' | sed -n "3,$((top + 2))p" | cut -c1-180
echo
echo "== inclusive instructions"
callgrind_annotate --inclusive=yes "$out" 2>/dev/null | sed -n '/^Ir/,$p' |
  sed -n "3,$((top + 2))p" | cut -c1-180

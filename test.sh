#!/usr/bin/env bash
# Installs what is missing, builds everything with its tests and runs them with ctest, then does
# the same under AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== release build with tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKW_BUILD_TESTS=ON -DKW_BUILD_BENCH=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

echo "== sanitizer build with tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKW_BUILD_TESTS=ON -DKW_SANITIZE=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600 -LE no-sanitizer

if [ -x fuzz/smoke.sh ]; then
  echo "== fuzz smoke run"
  fuzz/smoke.sh
fi
echo "== all tests passed"

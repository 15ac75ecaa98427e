#!/usr/bin/env bash
# Installs what is missing, builds a release build into build/ and starts Kettleworth.
# Arguments are passed to the program (for example --workdir DIR).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKW_BUILD_TESTS=OFF -DKW_BUILD_BENCH=OFF >/dev/null
cmake --build build
if [ -x build/bin/recipe ]; then
  exec build/bin/recipe "$@"
fi
exec build/bin/kwtool "$@"

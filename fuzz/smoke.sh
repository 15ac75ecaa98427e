#!/usr/bin/env bash
# The short fuzz run ./test.sh makes: every target for a few seconds (two at a time) from its
# committed seeds and the inputs kept in fuzz/regressions/, in a fresh work folder, so the targets
# keep building and the readers stay free of crashes on the seeds and on what a few seconds find.
# Exits non-zero on a crash, leak or timeout, like fuzz/run.sh (whose output it prints).
set -euo pipefail
cd "$(dirname "$0")"
work=$PWD/corpus-work/smoke
rm -rf "$work"
KW_FUZZ_JOBS=2 KW_FUZZ_WORK=$work KW_FUZZ_EXTRA_SEEDS=0 exec ./run.sh "${KW_FUZZ_SMOKE_SECONDS:-5}" "$@"

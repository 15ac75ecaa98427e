#!/bin/sh
# kwtool reads table files with the engine's internal classes for check, but every engine
# operation it calls must come from libkwdata.so, the library the program ships: no KW_DB*
# function may be defined inside kwtool itself.
set -eu
tool="$1"
if nm --defined-only "$tool" | grep -q ' T KW_DB'; then
  echo "kwtool holds its own copy of the engine's exports:" >&2
  nm --defined-only "$tool" | grep ' T KW_DB' >&2
  exit 1
fi
nm -D --undefined-only "$tool" | grep -q ' KW_DBOpen$'
nm -D --undefined-only "$tool" | grep -q ' KW_DBGetCount$'

#!/bin/sh
# Checks that the engine library exports the engine operations and nothing else: every defined
# dynamic symbol is a KW_DB* function, none is a (mangled) C++ name, and the frame's operations
# are all there.
set -eu
lib="$1"
symbols=$(nm -D --defined-only "$lib") || { echo "cannot read the symbols of $lib" >&2; exit 1; }
status=0
stray=$(printf '%s\n' "$symbols" | awk 'NF >= 3 { print $2, $3 }' | grep -v '^T KW_DB' || true)
if [ -n "$stray" ]; then
  echo "exported besides the KW_DB* functions:" >&2
  printf '%s\n' "$stray" >&2
  status=1
fi
if printf '%s\n' "$symbols" | grep -q ' _Z'; then
  echo "C++ symbols are exported" >&2
  status=1
fi
for name in KW_DBOpen KW_DBClose KW_DBCreateDatabase KW_DBDestroyDatabase KW_DBAddTable \
            KW_DBOpenTable KW_DBDropTable KW_DBAddIndex KW_DBGetMiscData KW_DBUpdateMiscData \
            KW_DBOpenTableInst KW_DBCloseTableInst KW_DBCloseTable KW_DBGetExtendedError \
            KW_DBClearTable KW_DBGetInstCount KW_DBGetParam; do
  if ! printf '%s\n' "$symbols" | grep -q " T $name\$"; then
    echo "missing export $name" >&2
    status=1
  fi
done
exit $status

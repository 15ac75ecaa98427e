#!/bin/sh
# Checks that the engine library exports the engine operations and nothing else: every defined
# dynamic symbol is a KW_DB* function, none is a (mangled) C++ name, and the defined KW_DB*
# functions are exactly the 41 operations of the ordinal table and the later ones.
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
# The 41 operations of the ordinal table, and no other KW_DB* name.
expected="KW_DBOpen KW_DBClose KW_DBCreateDatabase KW_DBDestroyDatabase KW_DBAddTable
KW_DBOpenTable KW_DBDropTable KW_DBAddIndex KW_DBGetMiscData KW_DBUpdateMiscData
KW_DBOpenTableInst KW_DBCloseTableInst KW_DBFlushTable KW_DBCloseTable KW_DBGetCount
KW_DBQuickAddRecord KW_DBQuickUpdateRecord KW_DBQuickDeleteRecord KW_DBInsertRecord
KW_DBReindexTable KW_DBUpdateRecord KW_DBDeleteRecord KW_DBGetRecordByRef KW_DBGetRecordRef
KW_DBGetFirstRecord KW_DBGetNextRecord KW_DBGetLastRecord KW_DBGetPrevRecord KW_DBGetExactRecord
KW_DBGetField KW_DBPutField KW_DBGetFieldType KW_DBGetExtendedError KW_DBClearTable KW_DBLoad
KW_DBDump KW_DBGetInstCount KW_DBSelDump KW_DBGetParam KW_DBRecoverTable KW_DBClearRecord"
# Operations added since, without an ordinal.
later="KW_DBDeferIndexes KW_DBReadStoredFields"
count=0
for name in $expected; do
  count=$((count + 1))
done
for name in $expected $later; do
  if ! printf '%s\n' "$symbols" | grep -q " T $name\$"; then
    echo "missing export $name" >&2
    status=1
  fi
done
if [ "$count" -ne 41 ]; then
  echo "the expected list names $count operations, not 41" >&2
  status=1
fi
for name in $(printf '%s\n' "$symbols" | awk '$2 == "T" && $3 ~ /^KW_DB/ { print $3 }'); do
  case " $(echo $expected $later) " in
    *" $name "*) ;;
    *) echo "unexpected export $name" >&2; status=1 ;;
  esac
done
exit $status

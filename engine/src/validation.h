// The validation order every export shares, and the guard that keeps C++ exceptions inside the
// library. The first failing check decides the result:
//
//   1. database handle: its low 16 bits name a slot in use            else 501
//   2. table number: below the table count, slot not dropped           else 501
//   3. index number (navigation only): below the index count, defined  else 501
//   4. instance number: below the instance count, instance open        else 509
//   5. operations on the table's files: the table is open              else 509 (by the caller)
//
// Each Check* function writes the slot it found only on success.
#pragma once

#include <cstdint>
#include <new>

#include "deferred_indexes.h"
#include "kwdata.h"
#include "slots.h"

namespace kw::engine {

KWRESULT CheckDatabase(int32_t db, DatabaseSlot **database);
KWRESULT CheckTable(int32_t db, int32_t tbl, DatabaseSlot **database, TableSlot **table);
KWRESULT CheckIndex(TableSlot &table, int32_t idx, IndexSlot **index);
KWRESULT CheckInstance(const DatabaseSlot &database, TableSlot &table, int32_t inst,
                       Instance **instance);

// Runs an export's body; an allocation failure (or any other exception, which the engine never
// throws on purpose) becomes 500 instead of crossing the C boundary.
template <typename Body>
KWRESULT Guarded(Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return KWERR_NOMEM;
    }
}

// Guarded, after checks 1 and 2: runs body(database, table) for a live table, as it is.
template <typename Body>
KWRESULT WithTableAsIs(int32_t db, int32_t tbl, Body &&body) noexcept {
    return Guarded([&] {
        DatabaseSlot *database = nullptr;
        TableSlot *table = nullptr;
        if (KWRESULT r = CheckTable(db, tbl, &database, &table)) return r;
        return KWRESULT{body(*database, *table)};
    });
}

// The same, after deferred indexes of the table are brought up to date (a failure of that is
// the result). Every export that could read or change an index goes this way; the ones that
// only add records, touch the record buffer, count or flush take WithTableAsIs.
template <typename Body>
KWRESULT WithTable(int32_t db, int32_t tbl, Body &&body) noexcept {
    return WithTableAsIs(db, tbl, [&](DatabaseSlot &database, TableSlot &table) {
        if (KWRESULT r = SettleDeferredIndexes(table)) return r;
        return KWRESULT{body(database, table)};
    });
}

}  // namespace kw::engine

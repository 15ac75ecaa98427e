// What the record exports share: how a detailed code reaches the caller, the instance
// validation wrapper, and the checks a record operation makes before touching the files.
//
// Result convention:
//   - table-level and quick operations turn a store or B-tree failure into 506 and leave the
//     detailed code in the extended error (Extended);
//   - indexed writes and navigation return the detailed code itself and also store it (Detailed);
//     the indexed insert does not store 303;
//   - codes of 500 and above are returned as they are.
#pragma once

#include <cstdint>

#include "engine_state.h"
#include "kwdata.h"
#include "slots.h"
#include "validation.h"

namespace kw::engine {

// Stores a detailed code (1..499) in the extended error; returns code unchanged.
inline KWRESULT Detailed(int32_t code) {
    if (code > 0 && code < KWERR_NOMEM) SetExtendedError(code);
    return code;
}

// 506 with code as the extended error.
inline KWRESULT Extended(int32_t code) {
    SetExtendedError(code);
    return KWERR_EXTENDED;
}

// Whether the instance can use every index of its table: the table is open, every index has an
// open file and the instance has a key slot for each (an index added after the instance opened
// has none). Record operations that touch indexes give 509 otherwise.
inline bool IndexesReady(const TableSlot &table, const Instance &instance) {
    if (!table.IsOpen() || instance.keys.size() != table.indexes.size()) return false;
    for (const IndexSlot &index : table.indexes)
        if (!index.tree) return false;
    return true;
}

// Check 4, then body(database, table, instance) for an open instance.
template <typename Body>
KWRESULT OnInstance(DatabaseSlot &database, TableSlot &table, int32_t inst, Body &body) {
    Instance *instance = nullptr;
    if (KWRESULT r = CheckInstance(database, table, inst, &instance)) return r;
    return KWRESULT{body(database, table, *instance)};
}

// Guarded, after checks 1, 2 and 4: runs body(database, table, instance) for an open instance,
// after deferred indexes are brought up to date (WithTable).
template <typename Body>
KWRESULT WithInstance(int32_t db, int32_t tbl, int32_t inst, Body &&body) noexcept {
    return WithTable(db, tbl, [&](DatabaseSlot &database, TableSlot &table) {
        return OnInstance(database, table, inst, body);
    });
}

// The same with deferred indexes left as they are (WithTableAsIs).
template <typename Body>
KWRESULT WithInstanceAsIs(int32_t db, int32_t tbl, int32_t inst, Body &&body) noexcept {
    return WithTableAsIs(db, tbl, [&](DatabaseSlot &database, TableSlot &table) {
        return OnInstance(database, table, inst, body);
    });
}

// The table's record count: the cached count when known, else a walk of the chain, which then
// becomes the cached count. 509 when the table is not open, 502 when the chain cannot be walked.
KWRESULT CountTableRecords(TableSlot &table, int32_t *count);

// Walks the record chain reading each whole record (length bytes) into record and hands it to
// visit(ref, record), which returns 0 to go on or the result that ends the walk. The store's code
// (Detailed) when a read or the walk fails, KWERR_RECLEN for a record block shorter than length.
template <typename Visit>
KWRESULT ForEachWholeRecord(RecordStore &store, int32_t length, uint8_t *record, Visit &&visit) {
    ChainWalk walk(store, length);
    int32_t ref = -1;
    while (walk.Next(&ref) && ref != -1) {
        const int32_t n = store.ReadRecord(ref, record, length);
        if (n < 0) return Detailed(store.LastError());
        if (n != length) return KWERR_RECLEN;
        if (KWRESULT r = visit(ref, static_cast<const uint8_t *>(record))) return r;
    }
    return walk.Failed() ? Detailed(store.LastError()) : KWRESULT{KW_OK};
}

// The serial of the record in the buffer (0 for a table without a U field), as the unsigned
// number the index comparison sees.
uint32_t SerialOf(const TableSlot &table, const uint8_t *record);

}  // namespace kw::engine

// The quick record writes: add, update and delete on the record store alone. No index is read or
// changed, so after them the indexes are stale until KW_DBReindexTable rebuilds them. Store
// failures give 506 with the detailed code in the extended error (403 when the instance has no
// current record); an add that finds no block gives 518. The cached count follows every record
// added or freed.
#include "record_access.h"
#include "record_writes.h"

using namespace kw::engine;

KWRESULT KW_DBQuickAddRecord(int32_t db, int32_t tbl, int32_t inst) {
    return WithInstance(db, tbl, inst, [](DatabaseSlot &, TableSlot &table, Instance &instance) {
        if (KWRESULT r = AddToStore(table, instance)) return r;
        if (table.cachedCount >= 0) ++table.cachedCount;
        return KWRESULT{KW_OK};
    });
}

KWRESULT KW_DBQuickUpdateRecord(int32_t db, int32_t tbl, int32_t inst) {
    return WithInstance(db, tbl, inst, [](DatabaseSlot &, TableSlot &table, Instance &instance) {
        if (!table.IsOpen()) return KWRESULT{KWERR_NOTOPEN};
        RecordStore &store = *table.store;
        if (!store.UpdateRecord(instance.current, instance.record.data(), table.recordLength)) {
            return Extended(store.LastError());
        }
        return KWRESULT{KW_OK};
    });
}

KWRESULT KW_DBQuickDeleteRecord(int32_t db, int32_t tbl, int32_t inst) {
    return WithInstance(db, tbl, inst, [](DatabaseSlot &, TableSlot &table, Instance &instance) {
        if (!table.IsOpen()) return KWRESULT{KWERR_NOTOPEN};
        RecordStore &store = *table.store;
        if (!store.DeleteRecord(instance.current)) return Extended(store.LastError());
        instance.current = -1;
        if (table.cachedCount > 0) --table.cachedCount;
        return KWRESULT{KW_OK};
    });
}

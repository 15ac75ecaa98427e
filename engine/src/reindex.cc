// KW_DBReindexTable: every index of a table emptied and rebuilt from the record chain, as needed
// after quick writes. Records are taken in chain order and each index gets each record's key
// (all parts, the serial included). Page writes follow the index files' own write mode; nothing
// is flushed per key.
//
// What callers may rely on:
//   - results: 0; 501; 509 the table is not open (or an index has no file); 519 a record of the
//     wrong length; 303 when two records share a key of a unique index; another B-tree or store
//     code when a file fails (detailed codes are also the extended error). The first failure
//     ends the rebuild, leaving the indexes with the records before it;
//   - after a whole walk the cached count is the number of records, and the serial counter is
//     raised past the highest serial found, so records written before a crash that left an old
//     counter in the store header never share a serial with later ones.
#include <algorithm>

#include "instances.h"
#include "record_access.h"
#include "record_keys.h"

using namespace kw::engine;

namespace {

KWRESULT Rebuild(TableSlot &table, Instance &instance) {
    for (IndexSlot &index : table.indexes) {
        if (!index.tree->Reset()) return Detailed(index.tree->LastError());
    }
    RecordStore &store = *table.store;
    uint8_t *record = instance.record.data();
    const int32_t length = table.recordLength;
    ChainWalk walk(store, length);
    int32_t ref = -1;
    int32_t count = 0;
    uint32_t nextSerial = 0;
    while (walk.Next(&ref) && ref != -1) {
        const int32_t n = store.ReadRecord(ref, record, length);
        if (n < 0) return Detailed(store.LastError());
        if (n != length) return KWERR_RECLEN;
        for (size_t i = 0; i < table.indexes.size(); ++i) {
            IndexSlot &index = table.indexes[i];
            uint8_t *key = instance.keys[i].key.data();
            BuildKey(*index.layout, record, key);
            if (index.tree->Insert(key, index.layout->keyLength, ref) != 0) {
                return Detailed(index.tree->LastError());
            }
        }
        if (table.hasSerial) nextSerial = std::max(nextSerial, SerialOf(table, record) + 1);
        ++count;
    }
    if (walk.Failed()) return Detailed(store.LastError());
    table.cachedCount = count;
    if (!store.RaiseSerial(nextSerial)) return Detailed(store.LastError());
    return KW_OK;
}

}  // namespace

KWRESULT KW_DBReindexTable(int32_t db, int32_t tbl) {
    return WithTable(db, tbl, [&](DatabaseSlot &, TableSlot &table) {
        int32_t inst = -1;
        if (KWRESULT r = OpenInstance(table, tbl, &inst)) return r;
        const KWRESULT result = Rebuild(table, table.instances[static_cast<size_t>(inst)]);
        CloseInstance(table.instances[static_cast<size_t>(inst)]);
        return result;
    });
}

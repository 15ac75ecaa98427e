// The indexed writes (record_writes.h) and the insert, update and delete exports.
#include "record_writes.h"

#include <algorithm>

#include "btree.h"
#include "record_access.h"
#include "record_keys.h"

using namespace kw::engine;

namespace kw::engine {
namespace {

void CountAdded(TableSlot &table) {
    if (table.cachedCount >= 0) ++table.cachedCount;
}

void CountFreed(TableSlot &table) {
    if (table.cachedCount > 0) --table.cachedCount;
}

// The result of a failed indexed write: 303 is returned without touching the extended error.
KWRESULT WriteFailure(int32_t code) {
    return code == BTERR_DUPLICATE ? code : Detailed(code);
}

void RestoreKey(const KeyLayout &layout, KeySlot &slot) {
    std::copy_n(slot.previous.begin(), layout.keyLength, slot.key.begin());
}

}  // namespace

KWRESULT AddToStore(TableSlot &table, Instance &instance) {
    if (!table.IsOpen()) return KWERR_NOTOPEN;
    RecordStore &store = *table.store;
    int32_t ref = -1;
    const int32_t r = store.AddRecord(instance.record.data(), table.recordLength,
                                      table.StoreSerialOffset(), &ref);
    if (r != 0) {
        SetExtendedError(store.LastError());
        return r == KWERR_NOSPACE ? KWERR_NOSPACE : KWERR_EXTENDED;
    }
    instance.current = ref;
    return KW_OK;
}

KWRESULT IndexedInsert(TableSlot &table, Instance &instance) {
    if (!IndexesReady(table, instance)) return KWERR_NOTOPEN;
    if (KWRESULT r = AddToStore(table, instance)) {
        return r == KWERR_EXTENDED ? table.store->LastError() : r;
    }
    const int32_t ref = instance.current;
    const size_t count = table.indexes.size();
    size_t failed = count;
    int32_t code = 0;
    for (size_t i = 0; i < count; ++i) {
        IndexSlot &index = table.indexes[i];
        uint8_t *key = instance.keys[i].key.data();
        BuildKey(*index.layout, instance.record.data(), key);
        if (index.tree->Insert(key, index.layout->keyLength, ref) != 0) {
            code = index.tree->LastError();
            failed = i;
            break;
        }
    }
    if (failed == count) {
        CountAdded(table);
        return KW_OK;
    }

    // Undo. A key that failed with anything but 303 was not in the tree before, so if a failed
    // write left it there it is this record's and goes too.
    IndexSlot &failing = table.indexes[failed];
    if (code != BTERR_DUPLICATE) {
        failing.tree->Delete(instance.keys[failed].key.data(), failing.layout->keyLength);
    }
    for (size_t i = failed; i-- > 0;) {
        IndexSlot &index = table.indexes[i];
        index.tree->Delete(instance.keys[i].key.data(), index.layout->keyLength);
    }
    // A record that cannot be taken out again stays in the chain: the count is no longer known.
    if (!table.store->DeleteRecord(ref)) table.cachedCount = -1;
    instance.current = -1;
    return WriteFailure(code);
}

KWRESULT IndexedUpdate(TableSlot &table, Instance &instance) {
    if (!IndexesReady(table, instance)) return KWERR_NOTOPEN;
    if (instance.current == -1) return IndexedInsert(table, instance);

    const int32_t ref = instance.current;
    const size_t count = table.indexes.size();
    size_t reached = 0;        // indexes [0, reached) were looked at
    int32_t code = 0;          // the first failure
    bool indexFailed = false;  // index reached - 1 failed ...
    bool inserting = false;    // ... while inserting the new key (else removing the old one)
    for (size_t i = 0; i < count && !indexFailed; ++i) {
        IndexSlot &index = table.indexes[i];
        const int32_t length = index.layout->keyLength;
        KeySlot &slot = instance.keys[i];
        slot.removed = false;
        std::copy_n(slot.key.begin(), length, slot.previous.begin());
        BuildKey(*index.layout, instance.record.data(), slot.key.data());
        reached = i + 1;
        if (SameKeyBytes(*index.layout, slot.key.data(), slot.previous.data())) continue;
        const int removed = index.tree->Delete(slot.previous.data(), length);
        if (removed < 0) {
            code = index.tree->LastError();
            indexFailed = true;
            break;
        }
        slot.removed = removed == 0;
        if (index.tree->Insert(slot.key.data(), length, ref) != 0) {
            code = index.tree->LastError();
            indexFailed = inserting = true;
        }
    }
    if (!indexFailed) {
        if (table.store->UpdateRecord(ref, instance.record.data(), table.recordLength)) {
            return KW_OK;
        }
        code = table.store->LastError();
    }

    // Undo, last index first. The new key of an index is this record's unless inserting it
    // failed with 303 (then it is another record's); a failed removal may still have taken the
    // old key out, and putting it back when it stayed only gives 303.
    for (size_t i = reached; i-- > 0;) {
        IndexSlot &index = table.indexes[i];
        const int32_t length = index.layout->keyLength;
        KeySlot &slot = instance.keys[i];
        if (SameKeyBytes(*index.layout, slot.key.data(), slot.previous.data())) continue;
        const bool failedHere = indexFailed && i + 1 == reached;
        if (!failedHere || (inserting && code != BTERR_DUPLICATE)) {
            index.tree->Delete(slot.key.data(), length);
        }
        if (slot.removed || (failedHere && !inserting)) {
            index.tree->Insert(slot.previous.data(), length, ref);
        }
        RestoreKey(*index.layout, slot);
    }
    return WriteFailure(code);
}

KWRESULT IndexedDelete(TableSlot &table, Instance &instance) {
    if (!IndexesReady(table, instance)) return KWERR_NOTOPEN;
    if (!table.store->DeleteRecord(instance.current)) return Detailed(table.store->LastError());
    instance.current = -1;
    CountFreed(table);
    int32_t code = 0;
    for (size_t i = 0; i < table.indexes.size(); ++i) {
        IndexSlot &index = table.indexes[i];
        if (index.tree->Delete(instance.keys[i].key.data(), index.layout->keyLength) < 0) {
            code = index.tree->LastError();
        }
    }
    return Detailed(code);
}

}  // namespace kw::engine

KWRESULT KW_DBInsertRecord(int32_t db, int32_t tbl, int32_t inst) {
    return WithInstance(db, tbl, inst, [](DatabaseSlot &, TableSlot &table, Instance &instance) {
        return IndexedInsert(table, instance);
    });
}

KWRESULT KW_DBUpdateRecord(int32_t db, int32_t tbl, int32_t inst) {
    return WithInstance(db, tbl, inst, [](DatabaseSlot &, TableSlot &table, Instance &instance) {
        return IndexedUpdate(table, instance);
    });
}

KWRESULT KW_DBDeleteRecord(int32_t db, int32_t tbl, int32_t inst) {
    return WithInstance(db, tbl, inst, [](DatabaseSlot &, TableSlot &table, Instance &instance) {
        return IndexedDelete(table, instance);
    });
}

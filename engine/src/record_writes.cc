// The indexed writes (record_writes.h) and the insert, update and delete exports.
#include "record_writes.h"

#include <algorithm>

#include "btree.h"
#include "record_access.h"
#include "record_keys.h"
#include "store_layout.h"

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

// A failed add of the store: 518 or 506, with the store's code in the extended error.
KWRESULT AddFailure(const RecordStore &store, int32_t r) {
    SetExtendedError(store.LastError());
    return r == KWERR_NOSPACE ? KWERR_NOSPACE : KWERR_EXTENDED;
}

// The first unique index, in index order, that already holds the key of record, or the index
// count when none does (or a lookup failed: the insert itself then meets the failure). Only a
// unique index can refuse a new record: every other key ends with the record's new serial.
// A deferred index holds its tree's keys and those of the records added since the deferral
// began; no insert follows to meet a failure of its lookup, so that is *failure.
size_t RefusingIndex(TableSlot &table, const uint8_t *record, int32_t *failure) {
    uint8_t key[kMaxKeyBuffer];
    for (size_t i = 0; i < table.indexes.size(); ++i) {
        const IndexSlot &index = table.indexes[i];
        if ((index.layout->flags & KW_KEY_UNIQUE) == 0) continue;
        BuildKey(*index.layout, record, key);
        int held = index.tree->HasKey(key, index.layout->keyLength);
        if (IsDeferred(table, i)) {
            if (held < 0) {
                *failure = index.tree->LastError();
                break;
            }
            if (held == 1) held = HeldSinceDeferral(table, i, key);
            if (held > 1) {
                *failure = held;
                break;
            }
        }
        if (held < 0) break;
        if (held == 0) return i;
    }
    return table.indexes.size();
}

// The insert of a record that a unique index refuses, settled before the store is touched: true
// with the result (303, or the store's failure) when an index refuses it, false when the insert
// goes ahead.
//
// Why the check comes first: adding the record and undoing it, as the insert below does when an
// index refuses, writes the record's block, links it into the chain and unlinks it, and puts the
// key into every index before the refusing one and takes it out again, some ten block and page
// writes for a record that is never kept (an import refuses one category link per recipe). What
// that round trip leaves behind is made here directly, so every table reads exactly as after it:
// the serial is consumed (the buffer shows it) and the store's free list and end are as the add
// and delete leave them (AddRefusedRecord), so later records get the same references; the
// instance keeps the keys built up to the refusing index and has no current record; each index
// before the refusing one has its cursor where the delete of the key would leave it (placed when
// next used), the refusing one keeps its cursor, as a refused Insert does. Only the freed block's
// own bytes and the page layout of those earlier index files can differ from the round trip.
bool RefusedBeforeAdding(TableSlot &table, Instance &instance, KWRESULT *result) {
    RecordStore &store = *table.store;
    uint8_t *record = instance.record.data();
    const int32_t serialOffset = table.StoreSerialOffset();
    if (serialOffset >= 0 && int64_t{serialOffset} + 4 > table.recordLength) return false;
    // The keys see the serial the record would get (a unique index may name the U field).
    uint8_t saved[4] = {};
    if (serialOffset >= 0) {
        std::copy_n(record + serialOffset, 4, saved);
        PutInt32(record + serialOffset, store.Header().serial);
    }
    int32_t failure = 0;
    const size_t refusing = RefusingIndex(table, record, &failure);
    if (failure != 0) {
        if (serialOffset >= 0) std::copy_n(saved, 4, record + serialOffset);
        *result = Detailed(failure);
        return true;
    }
    int32_t r = 0;
    if (refusing < table.indexes.size()) {
        r = store.AddRefusedRecord(record, table.recordLength, serialOffset);
    }
    if (refusing == table.indexes.size() || r != 0) {
        if (serialOffset >= 0) std::copy_n(saved, 4, record + serialOffset);
        if (r == 0) return false;
        const KWRESULT failure = AddFailure(store, r);
        *result = failure == KWERR_EXTENDED ? store.LastError() : failure;
        return true;
    }
    for (size_t i = 0; i <= refusing; ++i) {
        IndexSlot &index = table.indexes[i];
        uint8_t *key = instance.keys[i].key.data();
        BuildKey(*index.layout, record, key);
        if (i < refusing) {
            index.tree->PlaceCursorAt(key, index.layout->keyLength);
            if (IsDeferred(table, i)) NoteCursor(table, i, key);
        }
    }
    instance.current = -1;
    *result = BTERR_DUPLICATE;
    return true;
}

}  // namespace

KWRESULT AddToStore(TableSlot &table, Instance &instance) {
    if (!table.IsOpen()) return KWERR_NOTOPEN;
    RecordStore &store = *table.store;
    int32_t ref = -1;
    const int32_t r = store.AddRecord(instance.record.data(), table.recordLength,
                                      table.StoreSerialOffset(), &ref);
    if (r != 0) return AddFailure(store, r);
    instance.current = ref;
    return KW_OK;
}

KWRESULT IndexedInsert(TableSlot &table, Instance &instance) {
    if (!IndexesReady(table, instance)) return KWERR_NOTOPEN;
    if (table.deferred) {
        if (KWRESULT r = PrepareDeferredAdd(table)) return r;
    }
    if (KWRESULT refused; RefusedBeforeAdding(table, instance, &refused)) return refused;
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
        if (IsDeferred(table, i)) continue;
        if (index.tree->Insert(key, index.layout->keyLength, ref) != 0) {
            code = index.tree->LastError();
            failed = i;
            break;
        }
    }
    if (failed == count) {
        if (table.deferred) NoteAdded(table, instance, ref);
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
        if (IsDeferred(table, i)) continue;
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
    return WithInstanceAsIs(db, tbl, inst,
                            [](DatabaseSlot &, TableSlot &table, Instance &instance) {
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

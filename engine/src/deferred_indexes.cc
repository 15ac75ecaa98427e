// Deferred index upkeep (deferred_indexes.h) and the KW_DBDeferIndexes export.
#include "deferred_indexes.h"

#include <algorithm>

#include "btree.h"
#include "deferred_state.h"
#include "record_access.h"
#include "record_keys.h"
#include "reindex.h"
#include "table_files.h"

using namespace kw::engine;

namespace kw::engine {

namespace {

bool IsUnique(const IndexSlot &index) {
    return (index.layout->flags & KW_KEY_UNIQUE) != 0;
}

}  // namespace

KWRESULT DeferIndexes(TableSlot &table) {
    if (!table.IsOpen()) return KWERR_NOTOPEN;
    for (const IndexSlot &index : table.indexes)
        if (!index.tree) return KWERR_NOTOPEN;
    if (table.deferred) return KW_OK;
    std::unique_ptr<DeferredState, DeferredStateDeleter> state(new DeferredState);
    const size_t count = table.indexes.size();
    state->which.assign(count, false);
    state->held.resize(count);
    state->cursors.resize(count);
    state->record.assign(static_cast<size_t>(table.recordLength), 0);
    for (size_t i = 0; i < count; ++i) {
        const IndexSlot &index = table.indexes[i];
        state->which[i] = !IsUnique(index) || EqualKeysHashAlike(*index.layout);
    }
    table.deferred = std::move(state);
    return KW_OK;
}

KWRESULT SettleDeferredIndexes(TableSlot &table) {
    if (!table.deferred) return KW_OK;
    DeferredState &state = *table.deferred;
    if (!state.stale) {
        table.deferred.reset();
        return KW_OK;
    }
    if (!table.IsOpen()) return KWERR_NOTOPEN;
    // The held keys are of no use once the trees change; their memory goes before the build's.
    state.building = true;
    std::vector<HeldKeys>().swap(state.held);
    Instance scratch;
    scratch.record.assign(static_cast<size_t>(table.recordLength), 0);
    scratch.keys.resize(table.indexes.size());
    for (size_t i = 0; i < scratch.keys.size(); ++i)
        scratch.keys[i].index = static_cast<int32_t>(i);
    if (KWRESULT r = RebuildIndexes(table, state.which, scratch)) return r;
    for (size_t i = 0; i < table.indexes.size(); ++i) {
        const IndexSlot &index = table.indexes[i];
        if (state.which[i] && state.cursors[i].set)
            index.tree->PlaceCursorAt(state.cursors[i].key.data(), index.layout->keyLength);
    }
    table.deferred.reset();
    return KW_OK;
}

KWRESULT SettleAndCloseTable(DatabaseSlot &database, TableSlot &table) {
    KWRESULT settled = SettleDeferredIndexes(table);
    table.deferred.reset();
    if (settled != KW_OK && settled < KWERR_NOMEM) settled = Extended(settled);
    const KWRESULT closed = CloseTable(database, table);
    return settled != KW_OK ? settled : closed;
}

bool IsDeferred(const TableSlot &table, size_t i) {
    return table.deferred && i < table.deferred->which.size() && table.deferred->which[i];
}

int HeldSinceDeferral(TableSlot &table, size_t i, const uint8_t *key) {
    DeferredState &state = *table.deferred;
    const KeyLayout &layout = *table.indexes[i].layout;
    int result = 1;
    uint8_t stored[kMaxKeyBuffer];
    state.held[i].ForEach(EqualKeysHash(layout, key), [&](int32_t ref) {
        const int32_t n = table.store->ReadRecord(ref, state.record.data(), table.recordLength);
        if (n != table.recordLength) {
            result = n < 0 ? table.store->LastError() : KWERR_RECLEN;
            return false;
        }
        BuildKey(layout, state.record.data(), stored);
        if (CompareKeys(layout, key, layout.keyLength, stored, layout.keyLength) == 0) {
            result = 0;
            return false;
        }
        return true;
    });
    return result;
}

KWRESULT PrepareDeferredAdd(TableSlot &table) {
    DeferredState &state = *table.deferred;
    if (state.building) return SettleDeferredIndexes(table);
    for (size_t i = 0; i < table.indexes.size(); ++i) {
        if (state.which[i] && IsUnique(table.indexes[i])) state.held[i].Reserve(1);
    }
    return KW_OK;
}

void NoteAdded(TableSlot &table, const Instance &instance, int32_t ref) {
    DeferredState &state = *table.deferred;
    state.stale = true;
    for (size_t i = 0; i < table.indexes.size(); ++i) {
        if (!state.which[i]) continue;
        const uint8_t *key = instance.keys[i].key.data();
        if (IsUnique(table.indexes[i]))
            state.held[i].Add(EqualKeysHash(*table.indexes[i].layout, key), ref);
        NoteCursor(table, i, key);
    }
}

void NoteCursor(TableSlot &table, size_t i, const uint8_t *key) {
    DeferredState::Cursor &cursor = table.deferred->cursors[i];
    cursor.set = true;
    std::copy_n(key, table.indexes[i].layout->keyLength, cursor.key.begin());
}

}  // namespace kw::engine

KWRESULT KW_DBDeferIndexes(int32_t db, int32_t tbl, int32_t defer) {
    return WithTableAsIs(db, tbl, [&](DatabaseSlot &, TableSlot &table) {
        return defer != 0 ? DeferIndexes(table) : SettleDeferredIndexes(table);
    });
}

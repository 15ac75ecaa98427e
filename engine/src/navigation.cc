// Navigation (navigation.h) and the five navigation exports.
#include "navigation.h"

#include <cstring>

#include "btree.h"
#include "record_access.h"
#include "record_keys.h"

using namespace kw::engine;

namespace kw::engine {
namespace {

KWRESULT NotReached(Instance &instance, int32_t code) {
    instance.current = -1;
    return Detailed(code);
}

// Moves index tree as the operation asks; 0 with the entry's key and reference, 1, 2, 3, or -1.
int MoveIndex(BTree &tree, const KeyLayout &layout, Move move, const uint8_t *searchKey,
              uint8_t *found, int32_t *foundLength, int32_t *ref) {
    switch (move) {
        case Move::kFirst:
            return tree.First() ? tree.Next(found, foundLength, ref) : -1;
        case Move::kNext:
            return tree.Next(found, foundLength, ref);
        case Move::kPrevious:
            return tree.Prev(found, foundLength, ref);
        case Move::kLast:
            return tree.Last() ? tree.Prev(found, foundLength, ref) : -1;
        case Move::kExact:
            break;
    }
    const int status = tree.Find(searchKey, layout.keyLength, ref);
    if (status == 0) {
        std::memcpy(found, searchKey, static_cast<size_t>(layout.keyLength));
        *foundLength = layout.keyLength;
        return 0;
    }
    if (status == 1 && !(layout.flags & KW_KEY_UNIQUE)) return tree.Next(found, foundLength, ref);
    return status;
}

}  // namespace

KWRESULT Navigate(TableSlot &table, int32_t idx, Instance &instance, Move move, const void *key,
                  int32_t keyLength, bool keyFromRecord) {
    if (!IndexesReady(table, instance)) return KWERR_NOTOPEN;
    IndexSlot &index = table.indexes[static_cast<size_t>(idx)];
    const KeyLayout &layout = *index.layout;
    uint8_t *searchKey = instance.keys[static_cast<size_t>(idx)].key.data();
    if (keyFromRecord && move == Move::kExact) {
        BuildSearchKey(layout, instance.record.data(), searchKey);
    } else if (key != nullptr) {
        PrepareCallerKey(key, keyLength, searchKey);
    }

    uint8_t found[kMaxKeyBuffer];
    int32_t foundLength = 0;
    int32_t ref = -1;
    const int status = MoveIndex(*index.tree, layout, move, searchKey, found, &foundLength, &ref);
    if (status < 0) return NotReached(instance, index.tree->LastError());
    if (status > 0) return NotReached(instance, status);

    RecordStore &store = *table.store;
    const int32_t n = store.ReadRecord(ref, instance.record.data(), table.recordLength);
    if (n < 0) return NotReached(instance, store.LastError());
    if (n != table.recordLength) return NotReached(instance, KWERR_RECLEN);

    for (size_t i = 0; i < table.indexes.size(); ++i) {
        BuildKey(*table.indexes[i].layout, instance.record.data(), instance.keys[i].key.data());
    }
    for (size_t i = 0; i < table.indexes.size(); ++i) {
        IndexSlot &other = table.indexes[i];
        const uint8_t *recordKey = instance.keys[i].key.data();
        const int32_t length = other.layout->keyLength;
        if (i != static_cast<size_t>(idx)) {
            // Made when that cursor is next used: a lookup pays for one index, not for all.
            other.tree->PlaceCursorAt(recordKey, length);
            continue;
        }
        // The index navigated has its cursor on the entry found; only a record whose key there
        // differs from that entry's (the index is stale) needs a find, which may miss (1).
        if (CompareKeys(layout, recordKey, length, found, foundLength) == 0) continue;
        const int r = other.tree->Find(recordKey, length, nullptr);
        if (r < 0) return NotReached(instance, other.tree->LastError());
        if (r > 0) return NotReached(instance, KW_NOTFOUND);
    }
    instance.current = ref;
    return KW_OK;
}

}  // namespace kw::engine

namespace {

KWRESULT NavigationExport(int32_t db, int32_t tbl, int32_t idx, int32_t inst, Move move,
                          const void *key, int32_t keyLength, bool keyFromRecord) {
    return WithTable(db, tbl, [&](DatabaseSlot &database, TableSlot &table) {
        IndexSlot *index = nullptr;
        if (KWRESULT r = CheckIndex(table, idx, &index)) return r;
        Instance *instance = nullptr;
        if (KWRESULT r = CheckInstance(database, table, inst, &instance)) return r;
        return Navigate(table, idx, *instance, move, key, keyLength, keyFromRecord);
    });
}

}  // namespace

KWRESULT KW_DBGetFirstRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst, const void *key,
                             int32_t keyLength) {
    return NavigationExport(db, tbl, idx, inst, Move::kFirst, key, keyLength, false);
}

KWRESULT KW_DBGetNextRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst, const void *key,
                            int32_t keyLength) {
    return NavigationExport(db, tbl, idx, inst, Move::kNext, key, keyLength, false);
}

KWRESULT KW_DBGetLastRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst, const void *key,
                            int32_t keyLength) {
    return NavigationExport(db, tbl, idx, inst, Move::kLast, key, keyLength, false);
}

KWRESULT KW_DBGetPrevRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst, const void *key,
                            int32_t keyLength) {
    return NavigationExport(db, tbl, idx, inst, Move::kPrevious, key, keyLength, false);
}

KWRESULT KW_DBGetExactRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst, const void *key,
                             int32_t keyLength, int32_t keyFromRecord) {
    return NavigationExport(db, tbl, idx, inst, Move::kExact, key, keyLength, keyFromRecord != 0);
}

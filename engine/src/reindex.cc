// KW_DBReindexTable: every index of a table emptied and rebuilt from the record chain, as needed
// after quick writes and at every start after an unclean end. Each index gets each record's key
// (all parts, the serial included). Page writes follow the index files' own write mode; nothing
// is flushed per key.
//
// How: one index at a time, the chain is walked (read from the store file in big sequential
// pieces, ChainReader), the index's keys gathered in memory, sorted, and the tree built bottom-up
// from them (BTree::BuildSorted) — a few writes of whole runs of pages instead of a descent, and
// a page write, per key. Where that cannot give the result an insert of every key in chain order
// gives — the walk fails, a record has the wrong length, two records share a key, or an index's
// keys would take more than kSortedBuildBytes of memory — the indexes are rebuilt that way
// instead, which also finds and reports the fault as below.
//
// What callers may rely on:
//   - results: 0; 501; 509 the table is not open (or an index has no file); 519 a record of the
//     wrong length; 303 when two records share a key of a unique index; another B-tree or store
//     code when a file fails (detailed codes are also the extended error). The first failure
//     ends the rebuild, leaving the indexes with the records before it;
//   - after a whole walk the cached count is the number of records, and the serial counter is
//     raised past the highest serial found, so records written before a crash that left an old
//     counter in the store header never share a serial with later ones;
//   - after a whole walk the store header names the block the walk ended on as the last one, so
//     records added later join the chain the walk followed, not a block a crash left outside it
//     (an appended block whose link from the old last block never reached the file).
#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>
#include <vector>

#include "instances.h"
#include "record_access.h"
#include "record_keys.h"
#include "store_chain_reader.h"

using namespace kw::engine;

namespace {

// The most memory the keys of one index may take in a sorted build (about 3.5 million keys of
// the longest recipe index).
constexpr size_t kSortedBuildBytes = size_t{512} << 20;

// The keys of one index gathered for a sorted build: slot i holds a record's key followed by its
// reference (4 bytes, native order); order lists the slots in key order.
struct GatheredKeys {
    const KeyLayout *layout = nullptr;
    size_t stride = 0;
    std::vector<uint8_t> slots;
    std::vector<uint32_t> order;

    const uint8_t *Slot(uint32_t i) const { return slots.data() + stride * i; }
};

void SortedEntryOf(const void *context, size_t i, const uint8_t **key, int32_t *length,
                   int32_t *ref) {
    const auto &keys = *static_cast<const GatheredKeys *>(context);
    const uint8_t *slot = keys.Slot(keys.order[i]);
    *key = slot;
    *length = keys.layout->keyLength;
    std::memcpy(ref, slot + keys.layout->keyLength, sizeof *ref);
}

// What a whole walk of the chain found, besides the keys.
struct ChainSummary {
    int32_t count = 0;
    int32_t last = -1;  // the block the walk ended on
    uint32_t nextSerial = 0;
};

// Walks the chain, adding each record's key of layout (when not null) to keys. False when the
// walk fails, a record is not of the table's length, or the keys would pass the memory limit.
bool Gather(TableSlot &table, const KeyLayout *layout, GatheredKeys *keys, ChainSummary *chain) {
    ChainReader reader(*table.store, table.recordLength);
    ChainSummary found;
    int32_t ref = -1;
    const uint8_t *record = nullptr;
    while (reader.Next(&ref, &record) && ref != -1) {
        found.last = ref;
        ++found.count;
        if (table.hasSerial)
            found.nextSerial = std::max(found.nextSerial, SerialOf(table, record) + 1);
        if (layout == nullptr) continue;
        const size_t at = keys->slots.size();
        if (at + keys->stride > kSortedBuildBytes) return false;
        keys->slots.resize(at + keys->stride);
        BuildKey(*layout, record, keys->slots.data() + at);
        std::memcpy(keys->slots.data() + at + layout->keyLength, &ref, sizeof ref);
    }
    if (reader.Failed()) return false;
    *chain = found;
    return true;
}

// Sorts the gathered keys; false when two are equal (an insert would refuse the second).
bool SortKeys(GatheredKeys &keys) {
    const KeyLayout &layout = *keys.layout;
    const auto count = static_cast<uint32_t>(keys.slots.size() / keys.stride);
    keys.order.resize(count);
    std::iota(keys.order.begin(), keys.order.end(), 0u);
    auto compare = [&](uint32_t a, uint32_t b) {
        return CompareKeys(layout, keys.Slot(a), layout.keyLength, keys.Slot(b), layout.keyLength);
    };
    std::sort(keys.order.begin(), keys.order.end(),
              [&](uint32_t a, uint32_t b) { return compare(a, b) < 0; });
    for (uint32_t i = 1; i < count; ++i) {
        if (compare(keys.order[i - 1], keys.order[i]) == 0) return false;
    }
    return true;
}

// The chain's summary once every index is built from sorted keys; nullopt when the chain or its
// keys need the rebuild by inserts; a code when an index file failed.
std::optional<KWRESULT> BuildSortedIndexes(TableSlot &table, ChainSummary *chain) {
    bool walked = false;
    for (IndexSlot &index : table.indexes) {
        GatheredKeys keys;
        keys.layout = index.layout.get();
        keys.stride = static_cast<size_t>(keys.layout->keyLength) + sizeof(int32_t);
        // The count of the walk before, or the table's cached count, spares regrowing the slots.
        const int32_t expected = walked ? chain->count : table.cachedCount;
        if (expected > 0) {
            keys.slots.reserve(
                std::min(static_cast<size_t>(expected) * keys.stride, kSortedBuildBytes));
        }
        ChainSummary found;
        if (!Gather(table, keys.layout, &keys, &found)) return std::nullopt;
        if (walked && found.count != chain->count) return std::nullopt;
        *chain = found;
        walked = true;
        if (!SortKeys(keys)) return std::nullopt;
        if (!index.tree->BuildSorted(keys.order.size(), SortedEntryOf, &keys)) {
            return Detailed(index.tree->LastError());
        }
    }
    if (!walked && !Gather(table, nullptr, nullptr, chain)) return std::nullopt;
    return KW_OK;
}

// One insert per key in chain order: the first failure ends the rebuild, leaving the indexes
// with the records before it.
KWRESULT InsertEveryKey(TableSlot &table, Instance &instance, ChainSummary *chain) {
    RecordStore &store = *table.store;
    uint8_t *record = instance.record.data();
    const int32_t length = table.recordLength;
    ChainWalk walk(store, length);
    int32_t ref = -1;
    ChainSummary found;
    while (walk.Next(&ref) && ref != -1) {
        found.last = ref;
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
        if (table.hasSerial)
            found.nextSerial = std::max(found.nextSerial, SerialOf(table, record) + 1);
        ++found.count;
    }
    if (walk.Failed()) return Detailed(store.LastError());
    *chain = found;
    return KW_OK;
}

KWRESULT Rebuild(TableSlot &table, Instance &instance) {
    for (IndexSlot &index : table.indexes) {
        if (!index.tree->Reset()) return Detailed(index.tree->LastError());
    }
    ChainSummary chain;
    std::optional<KWRESULT> result = BuildSortedIndexes(table, &chain);
    if (!result) {
        for (IndexSlot &index : table.indexes) {
            if (!index.tree->Reset()) return Detailed(index.tree->LastError());
        }
        result = InsertEveryKey(table, instance, &chain);
    }
    if (*result != KW_OK) return *result;
    RecordStore &store = *table.store;
    table.cachedCount = chain.count;
    if (!store.RaiseSerial(chain.nextSerial)) return Detailed(store.LastError());
    if (!store.SettleLast(chain.last)) return Detailed(store.LastError());
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

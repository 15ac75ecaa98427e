// KW_DBReindexTable: every index of a table emptied and rebuilt from the record chain, as needed
// after quick writes and at every start after an unclean end; RebuildIndexes (reindex.h) does the
// same for a chosen set of them, as the end of a deferred index upkeep needs. Each index gets each
// record's key (all parts, the serial included). Page writes follow the index files' own write
// mode; nothing is flushed per key.
//
// How: one index at a time, the chain is walked (read from the store file in big sequential
// pieces, ChainReader), the index's keys gathered in memory, sorted, and the tree built bottom-up
// from them (BTree::BeginSorted) — writes of whole runs of pages instead of a descent, and a page
// write, per key. Memory stays bounded: when an index's keys would take more than
// kSortedBuildBytes, the walk keeps an evenly spread sample of them instead, and the keys are
// then gathered, sorted and added in key ranges cut at sampled keys, one walk per range. Where
// a sorted build cannot give the result an insert of every key in chain order gives — the walk
// fails, a record has the wrong length, two records share a key — the indexes are rebuilt that
// way instead, which also finds and reports the fault as below.
//
// What callers may rely on:
//   - results: 0; 501; 509 the table is not open (or an index has no file); 519 a record of the
//     wrong length; 303 when two records share a key of a unique index; another B-tree or store
//     code when a file fails (detailed codes are also the extended error). The first failure
//     ends the rebuild: one of the chain or a record leaves the indexes with the records before
//     it; an index file that fails is left empty, the indexes before it whole;
//   - after a whole walk the cached count is the number of records, and the serial counter is
//     raised past the highest serial found, so records written before a crash that left an old
//     counter in the store header never share a serial with later ones;
//   - after a whole walk the store header names the block the walk ended on as the last one, so
//     records added later join the chain the walk followed, not a block a crash left outside it
//     (an appended block whose link from the old last block never reached the file).
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "instances.h"
#include "record_access.h"
#include "record_keys.h"
#include "reindex.h"
#include "reindex_limit.h"
#include "store_chain_reader.h"

using namespace kw::engine;

namespace {

bool Chosen(const IndexChoice &which, size_t index) {
    return which.empty() || (index < which.size() && which[index]);
}

size_t sortedBuildLimit = kSortedBuildBytes;  // SetSortedBuildLimitForTesting

// Keys a sample may hold before every other one is dropped.
constexpr size_t kSampleKeys = 4096;

// A key's sort prefix (KeySortPrefix) and its slot among the gathered keys.
struct SortItem {
    uint64_t high;
    uint64_t low;
    uint32_t slot;
};

// Keys of one index gathered for a sorted build: slot i holds a record's key followed by its
// reference (4 bytes, native order); order lists the slots in key order.
struct GatheredKeys {
    const KeyLayout *layout = nullptr;
    size_t stride = 0;
    size_t limit = SortedBuildLimit();  // the walk stops gathering when slots would pass it
    bool overflowed = false;
    std::vector<uint8_t> slots;
    std::vector<SortItem> order;

    uint32_t Count() const { return static_cast<uint32_t>(slots.size() / stride); }
    const uint8_t *Slot(uint32_t i) const { return slots.data() + stride * i; }
    int Compare(const uint8_t *a, const uint8_t *b) const {
        return CompareKeys(*layout, a, layout->keyLength, b, layout->keyLength);
    }
    int Compare(const SortItem &a, const SortItem &b) const {
        if (a.high != b.high) return a.high < b.high ? -1 : 1;
        if (a.low != b.low) return a.low < b.low ? -1 : 1;
        return Compare(Slot(a.slot), Slot(b.slot));
    }
};

// Every step-th key of a walk, the step doubling (and every other key kept dropped) whenever the
// sample is full, so it stays spread evenly over the whole chain.
struct KeySample {
    int32_t keyLength = 0;
    std::vector<uint8_t> keys;
    size_t step = 1;
    size_t seen = 0;

    void Offer(const uint8_t *key) {
        if (seen++ % step != 0) return;
        const auto k = static_cast<size_t>(keyLength);
        if (keys.size() == 2 * kSampleKeys * k) {
            for (size_t i = 1; i < kSampleKeys; ++i)
                std::memcpy(keys.data() + i * k, keys.data() + 2 * i * k, k);
            keys.resize(kSampleKeys * k);
            step *= 2;
            if ((seen - 1) % step != 0) return;
        }
        keys.insert(keys.end(), key, key + k);
    }
};

// The keys above low up to and including high (either null: no bound).
struct KeyRange {
    const uint8_t *low = nullptr;
    const uint8_t *high = nullptr;
};

// What a whole walk of the chain found, besides the keys.
struct ChainSummary {
    int32_t count = 0;
    int32_t last = -1;  // the block the walk ended on
    uint32_t nextSerial = 0;
};

// Walks the chain; with keys, gathers each record's key in range (while within the keys' limit;
// past it keys->overflowed is set and gathering stops) and offers every key to sample, when not
// null. False when the walk fails or a record is not of the table's length.
bool Gather(TableSlot &table, GatheredKeys *keys, KeyRange range, KeySample *sample,
            ChainSummary *chain) {
    ChainReader reader(*table.store, table.recordLength);
    ChainSummary found;
    int32_t ref = -1;
    const uint8_t *record = nullptr;
    uint8_t key[kMaxKeyBuffer];
    while (reader.Next(&ref, &record) && ref != -1) {
        found.last = ref;
        ++found.count;
        if (table.hasSerial)
            found.nextSerial = std::max(found.nextSerial, SerialOf(table, record) + 1);
        if (keys == nullptr) continue;
        BuildKey(*keys->layout, record, key);
        if (sample) sample->Offer(key);
        if ((range.low && keys->Compare(key, range.low) <= 0) ||
            (range.high && keys->Compare(key, range.high) > 0) || keys->overflowed) {
            continue;
        }
        const size_t at = keys->slots.size();
        // Each key also takes a sort item once sorted.
        if ((keys->Count() + size_t{1}) * (keys->stride + sizeof(SortItem)) > keys->limit) {
            keys->overflowed = true;  // the bytes stay allocated for the walks in key ranges
            keys->slots.clear();
            continue;
        }
        keys->slots.resize(at + keys->stride);
        std::memcpy(keys->slots.data() + at, key, static_cast<size_t>(keys->layout->keyLength));
        std::memcpy(keys->slots.data() + at + keys->layout->keyLength, &ref, sizeof ref);
    }
    if (reader.Failed()) return false;
    *chain = found;
    return true;
}

// Sorts the gathered keys; false when two are equal (an insert would refuse the second).
bool SortKeys(GatheredKeys &keys) {
    const uint32_t count = keys.Count();
    keys.order.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const SortPrefix prefix = KeySortPrefix(*keys.layout, keys.Slot(i));
        keys.order[i] = SortItem{prefix.high, prefix.low, i};
    }
    std::sort(keys.order.begin(), keys.order.end(),
              [&](const SortItem &a, const SortItem &b) { return keys.Compare(a, b) < 0; });
    for (uint32_t i = 1; i < count; ++i) {
        if (keys.Compare(keys.order[i - 1], keys.order[i]) == 0) return false;
    }
    return true;
}

// Adds the gathered keys to the build in key order.
bool AddKeys(BTree &tree, const GatheredKeys &keys) {
    for (const SortItem &item : keys.order) {
        const uint8_t *slot = keys.Slot(item.slot);
        int32_t ref;
        std::memcpy(&ref, slot + keys.layout->keyLength, sizeof ref);
        if (!tree.AddSorted(slot, ref)) return false;
    }
    return true;
}

// Boundaries that cut the keys into ranges of about an equal share each, from the sample: sorted
// and distinct, the last range open above.
std::vector<std::vector<uint8_t>> RangeBounds(const GatheredKeys &keys, const KeySample &sample,
                                              size_t ranges) {
    const auto k = static_cast<size_t>(sample.keyLength);
    std::vector<const uint8_t *> sorted;
    for (size_t at = 0; at < sample.keys.size(); at += k)
        sorted.push_back(sample.keys.data() + at);
    std::sort(sorted.begin(), sorted.end(),
              [&](const uint8_t *a, const uint8_t *b) { return keys.Compare(a, b) < 0; });
    std::vector<std::vector<uint8_t>> bounds;
    for (size_t r = 1; r < ranges && !sorted.empty(); ++r) {
        const uint8_t *bound = sorted[r * sorted.size() / ranges];
        if (bounds.empty() || keys.Compare(bounds.back().data(), bound) < 0)
            bounds.emplace_back(bound, bound + k);
    }
    return bounds;
}

// Builds one index from sorted keys. nullopt when the chain or its keys need the rebuild by
// inserts; false with the tree's error when its file failed.
std::optional<bool> BuildSortedIndex(TableSlot &table, IndexSlot &index, GatheredKeys &keys,
                                     ChainSummary *chain, bool walked) {
    keys.layout = index.layout.get();
    keys.stride = static_cast<size_t>(keys.layout->keyLength) + sizeof(int32_t);
    keys.limit = SortedBuildLimit();
    keys.overflowed = false;
    keys.slots.clear();
    KeySample sample;
    sample.keyLength = keys.layout->keyLength;
    ChainSummary found;
    if (!Gather(table, &keys, {}, &sample, &found)) return std::nullopt;
    if (walked && found.count != chain->count) return std::nullopt;
    *chain = found;
    BTree &tree = *index.tree;
    if (!tree.BeginSorted(static_cast<size_t>(found.count), keys.layout->keyLength)) return false;
    if (!keys.overflowed) {
        if (!SortKeys(keys)) return std::nullopt;
        return AddKeys(tree, keys) && tree.EndSorted();
    }
    // Ranges of about four fifths of the limit each; one the sample misjudged may take up to
    // twice the limit before the rebuild gives up on sorting.
    const size_t total = static_cast<size_t>(found.count) * (keys.stride + sizeof(SortItem));
    const std::vector<std::vector<uint8_t>> bounds =
        RangeBounds(keys, sample, (total + total / 4) / keys.limit + 1);
    keys.limit *= 2;
    for (size_t r = 0; r <= bounds.size(); ++r) {
        const KeyRange range{r > 0 ? bounds[r - 1].data() : nullptr,
                             r < bounds.size() ? bounds[r].data() : nullptr};
        keys.overflowed = false;
        keys.slots.clear();
        ChainSummary again;
        if (!Gather(table, &keys, range, nullptr, &again)) return std::nullopt;
        if (again.count != found.count || keys.overflowed || !SortKeys(keys)) return std::nullopt;
        if (!AddKeys(tree, keys)) return false;
    }
    return tree.EndSorted();
}

// The chain's summary once every index is built from sorted keys; nullopt when the chain or its
// keys need the rebuild by inserts; a code when an index file failed.
std::optional<KWRESULT> BuildSortedIndexes(TableSlot &table, const IndexChoice &which,
                                           ChainSummary *chain) {
    bool walked = false;
    GatheredKeys keys;
    // Room for the most the walks in key ranges may gather (twice the limit), taken once for
    // every index so the slots never move; only what is filled takes memory.
    if (!table.indexes.empty()) keys.slots.reserve(2 * SortedBuildLimit());
    for (size_t i = 0; i < table.indexes.size(); ++i) {
        if (!Chosen(which, i)) continue;
        IndexSlot &index = table.indexes[i];
        const std::optional<bool> built = BuildSortedIndex(table, index, keys, chain, walked);
        if (!built) return std::nullopt;
        if (!*built) return Detailed(index.tree->LastError());
        walked = true;
    }
    if (!walked && !Gather(table, nullptr, {}, nullptr, chain)) return std::nullopt;
    return KW_OK;
}

// One insert per key in chain order: the first failure ends the rebuild, leaving the indexes
// with the records before it.
KWRESULT InsertEveryKey(TableSlot &table, const IndexChoice &which, Instance &instance,
                        ChainSummary *chain) {
    ChainSummary found;
    const KWRESULT r = ForEachWholeRecord(
        *table.store, table.recordLength, instance.record.data(),
        [&](int32_t ref, const uint8_t *record) -> KWRESULT {
            found.last = ref;
            for (size_t i = 0; i < table.indexes.size(); ++i) {
                if (!Chosen(which, i)) continue;
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
            return KW_OK;
        });
    if (r == KW_OK) *chain = found;
    return r;
}

KWRESULT ResetChosen(TableSlot &table, const IndexChoice &which) {
    for (size_t i = 0; i < table.indexes.size(); ++i) {
        IndexSlot &index = table.indexes[i];
        if (Chosen(which, i) && !index.tree->Reset()) return Detailed(index.tree->LastError());
    }
    return KW_OK;
}

}  // namespace

KWRESULT kw::engine::RebuildIndexes(TableSlot &table, const IndexChoice &which,
                                    Instance &instance) {
    if (KWRESULT r = ResetChosen(table, which)) return r;
    ChainSummary chain;
    std::optional<KWRESULT> result = BuildSortedIndexes(table, which, &chain);
    if (!result) {
        if (KWRESULT r = ResetChosen(table, which)) return r;
        result = InsertEveryKey(table, which, instance, &chain);
    }
    if (*result != KW_OK) return *result;
    RecordStore &store = *table.store;
    table.cachedCount = chain.count;
    if (!store.RaiseSerial(chain.nextSerial)) return Detailed(store.LastError());
    if (!store.SettleLast(chain.last)) return Detailed(store.LastError());
    return KW_OK;
}

size_t kw::engine::SortedBuildLimit() {
    return sortedBuildLimit;
}

void kw::engine::SetSortedBuildLimitForTesting(size_t bytes) {
    sortedBuildLimit = bytes == 0 ? kSortedBuildBytes : bytes;
}

KWRESULT KW_DBReindexTable(int32_t db, int32_t tbl) {
    return WithTable(db, tbl, [&](DatabaseSlot &, TableSlot &table) {
        int32_t inst = -1;
        if (KWRESULT r = OpenInstance(table, tbl, &inst)) return r;
        const KWRESULT result =
            RebuildIndexes(table, {}, table.instances[static_cast<size_t>(inst)]);
        CloseInstance(table.instances[static_cast<size_t>(inst)]);
        return result;
    });
}

// KW_DBRecoverTable: the record chain rebuilt from the blocks in the store file, and every index
// rebuilt on the way. Used when the chain itself is damaged.
//
// The scan starts at the first block position (32) and steps from each block to the next by that
// block's own capacity, so blocks of other sizes (a reused larger block, the free-list block)
// keep it in step. Where the bytes at a step are no block (the 24 bytes a split leaves behind,
// an unused split remainder, damage) it resumes at the next position shaped like a block. The
// scan ends at the store's end.
//
// Each block in use (use count 1 or more) whose used length is the record length is a record:
// its key goes into every index, in index order, and it is appended to the new chain, in file
// order — first the blocks the old chain still reaches from its start, then, in a second pass,
// the others. So where a block a crash left outside the chain (an add whose link never reached
// the file) shares a unique key with a record of the chain, the record of the chain stays. Freed
// blocks (use count 0) are passed over, so deleted records do not come back. A record whose key an
// index refuses (303: another record has that unique key) gets none of its keys and is left out of
// the chain, as is one that cannot be read. A block that the end of the file cuts off (an append
// a kill stopped part-way) is retired for good, freed or its partial header erased, so that when
// a later append leaves a hole before its own block the zeros never complete it into a record.
//
// Afterwards the store header names the new chain, the free list is empty (so no block of the
// chain can be handed out again; the freed blocks' space is given up), the serial counter is
// past every serial found, and the cached count is unknown.
//
// Results: 0; 501; 0 without any change when the table is not open; 506 with the detailed code
// in the extended error when a file operation failed (the scan goes on past a failing record).
#include <algorithm>
#include <unordered_set>

#include "instances.h"
#include "record_access.h"
#include "record_keys.h"

using namespace kw::engine;

namespace {

class Recovery {
  public:
    Recovery(TableSlot &table, Instance &instance)
        : table_(table), instance_(instance), store_(*table.store) {}

    KWRESULT Run() {
        // The blocks the old chain still reaches, before anything is relinked. Its forward links
        // alone decide that: a wrong back link is damage for a reindex, not a reason to give a
        // reached record's key away to a block the chain never named.
        ChainWalk walk(store_, 0, BackLinks::kIgnore);
        for (int32_t ref = -1; walk.Next(&ref) && ref != -1;)
            reachable_.insert(ref);
        for (IndexSlot &index : table_.indexes) {
            if (!index.tree->Reset()) return Extended(index.tree->LastError());
        }
        if (!store_.DropFreeList()) return Extended(store_.LastError());
        takeReachable_ = true;
        Scan();
        takeReachable_ = false;
        Scan();
        if (!store_.SetChain(first_, last_)) NoteFailure(store_.LastError());
        if (!store_.RaiseSerial(nextSerial_)) NoteFailure(store_.LastError());
        table_.cachedCount = -1;
        return failure_ ? Extended(failure_) : KW_OK;
    }

  private:
    void NoteFailure(int32_t code) {
        if (failure_ == 0) failure_ = code;
    }

    void Scan() {
        const int64_t end = store_.Header().end;
        int64_t position = kStoreHeaderSize;
        while (position + kBlockHeaderSize <= end) {
            BlockHeader h;
            if (!store_.ReadScannedBlock(static_cast<int32_t>(position), &h)) {
                RetireCutOff(static_cast<int32_t>(position));
                int32_t next = -1;
                if (!store_.FindBlock(position + 1, &next)) {
                    NoteFailure(store_.LastError());
                    return;
                }
                if (next == -1) return;
                position = next;
                continue;
            }
            const bool reachable = reachable_.count(static_cast<int32_t>(position)) != 0;
            if (h.useCount >= 1 && h.used == table_.recordLength && reachable == takeReachable_) {
                Take(static_cast<int32_t>(position));
            }
            position += kBlockHeaderSize + int64_t{h.capacity};
        }
    }

    // Indexes the record at ref and appends it to the new chain, or leaves it out.
    void Take(int32_t ref) {
        if (!store_.RelinkBlock(ref, last_, -1)) {
            NoteFailure(store_.LastError());
            return;
        }
        uint8_t *record = instance_.record.data();
        const int32_t n = store_.ReadRecord(ref, record, table_.recordLength);
        if (n != table_.recordLength) {
            // A record cut off by the end of the file is damage to leave out, not a failure.
            if (n < 0 && store_.LastError() != STERR_BADBLOCK) NoteFailure(store_.LastError());
            if (!RetireCutOff(ref)) Leave(ref);
            return;
        }
        if (!Index(ref)) {
            Leave(ref);
            return;
        }
        if (last_ != -1 && !store_.RelinkBlock(last_, lastPrev_, ref)) {
            NoteFailure(store_.LastError());
            Unindex(table_.indexes.size());
            Leave(ref);
            return;
        }
        if (first_ == -1) first_ = ref;
        lastPrev_ = last_;
        last_ = ref;
        if (table_.hasSerial) nextSerial_ = std::max(nextSerial_, SerialOf(table_, record) + 1);
    }

    // Inserts the record's key into every index; on a refusal takes back the keys inserted.
    bool Index(int32_t ref) {
        for (size_t i = 0; i < table_.indexes.size(); ++i) {
            IndexSlot &index = table_.indexes[i];
            uint8_t *key = instance_.keys[i].key.data();
            BuildKey(*index.layout, instance_.record.data(), key);
            if (index.tree->Insert(key, index.layout->keyLength, ref) == 0) continue;
            const int32_t code = index.tree->LastError();
            if (code != BTERR_DUPLICATE) {
                NoteFailure(code);
                index.tree->Delete(key, index.layout->keyLength);  // in case a failed write kept it
            }
            Unindex(i);
            return false;
        }
        return true;
    }

    // Deletes the keys of the record in the buffer from indexes [0, count).
    void Unindex(size_t count) {
        for (size_t i = count; i-- > 0;) {
            IndexSlot &index = table_.indexes[i];
            index.tree->Delete(instance_.keys[i].key.data(), index.layout->keyLength);
        }
    }

    // Whether the block at position was cut off by the end of the file and is now retired.
    bool RetireCutOff(int32_t position) {
        bool retired = false;
        if (!store_.RetireCutOff(position, &retired)) NoteFailure(store_.LastError());
        return retired;
    }

    // A block left out of the chain links nowhere, so deleting it later could not cut the chain.
    void Leave(int32_t ref) {
        if (!store_.RelinkBlock(ref, -1, -1)) NoteFailure(store_.LastError());
    }

    TableSlot &table_;
    Instance &instance_;
    RecordStore &store_;
    int32_t first_ = -1;
    int32_t last_ = -1;
    int32_t lastPrev_ = -1;
    uint32_t nextSerial_ = 0;
    int32_t failure_ = 0;
    std::unordered_set<int32_t> reachable_;
    bool takeReachable_ = true;
};

}  // namespace

KWRESULT KW_DBRecoverTable(int32_t db, int32_t tbl) {
    return WithTable(db, tbl, [&](DatabaseSlot &, TableSlot &table) {
        int32_t inst = -1;
        if (OpenInstance(table, tbl, &inst) != KW_OK) return KWRESULT{KW_OK};
        Instance &instance = table.instances[static_cast<size_t>(inst)];
        const KWRESULT result = Recovery(table, instance).Run();
        CloseInstance(instance);
        return result;
    });
}

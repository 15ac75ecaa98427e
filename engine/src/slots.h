// The engine's in-memory bookkeeping: one database slot per handle, one table slot per table
// number, one index slot per index number and one instance per instance number. Positions in
// these vectors are the numbers callers hold, so entries are never removed from the middle: a
// dropped table keeps its slot (definition null) and a closed instance keeps its entry (table -1)
// until a later add or open reuses it.
//
// What callers may rely on:
//   - definitions point at the caller's KW_TableDef / KW_IndexDef, which the caller keeps alive
//     and unchanged while the database is open;
//   - every KeyLayout lives on the heap, so the BTree that points at it stays valid while the
//     index and table vectors grow;
//   - a table is open exactly when its store is not null; an index of an open table may still
//     have no tree (added after the open, or its file failed to open);
//   - an instance's record buffer holds exactly the table's record length, and it has one key
//     slot per index of the table at the time it was opened.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "btree.h"
#include "key_layout.h"
#include "kwdata.h"
#include "record_store.h"

namespace kw::engine {

class IndexPageCache;

// The state of deferred index upkeep (deferred_indexes.h), private to deferred_indexes.cc.
struct DeferredState;
struct DeferredStateDeleter {
    void operator()(DeferredState *state) const;
};

struct IndexSlot {
    const KW_IndexDef *definition = nullptr;  // the caller's definition
    std::unique_ptr<KeyLayout> layout;        // parts and comparison; never null once added
    // Declared after the layout it points at, so it is destroyed first.
    std::unique_ptr<BTree> tree;  // the open index file; null while closed
};

// The two key buffers an instance keeps for one index.
struct KeySlot {
    std::array<uint8_t, kMaxKeyBuffer> key{};       // key of the record last reached
    std::array<uint8_t, kMaxKeyBuffer> previous{};  // the old key during an indexed update
    int32_t index = 0;                              // the index number it belongs to
    bool removed = false;  // during an indexed update: the previous key left the index
};

struct Instance {
    std::vector<uint8_t> record;  // record-length bytes
    int32_t current = -1;         // record reference of the record in the buffer, -1 none
    int32_t table = -1;           // the table number; -1 marks a closed, reusable entry
    std::vector<KeySlot> keys;    // one per index, in index order

    bool IsOpen() const { return table >= 0; }
};

struct TableSlot {
    KW_TableDef *definition = nullptr;   // the caller's definition; null marks a dropped slot
    int32_t cachedCount = -1;            // record count, -1 when unknown
    std::vector<IndexSlot> indexes;      // in the order of the add-index calls
    std::unique_ptr<RecordStore> store;  // null while the table is closed
    int32_t recordLength = 0;            // sum of the field widths plus the spare byte
    std::vector<int32_t> fieldOffsets;   // byte offset of each field, in descriptor order
    int32_t serialOffset = 0;            // offset of the U field (0 also when there is none)
    bool hasSerial = false;              // whether the table has a U field
    std::vector<Instance> instances;     // instance numbers are positions here
    // Set while the indexes' upkeep is deferred (KW_DBDeferIndexes), else null.
    std::unique_ptr<DeferredState, DeferredStateDeleter> deferred;

    bool IsOpen() const { return store != nullptr; }
    // The serial offset in the form the record store takes it: -1 for "no U field".
    int32_t StoreSerialOffset() const { return hasSerial ? serialOffset : -1; }
};

struct DatabaseSlot {
    bool inUse = false;             // false marks a free slot
    std::string name;               // the name the database is registered under
    std::string directory;          // the database directory as registered
    int32_t openTableCount = 0;     // tables whose store is open
    std::vector<TableSlot> tables;  // table numbers are positions here
    // The memory all index files of the database share (made at the first table open); every
    // open tree holds it too, so it outlives them.
    std::shared_ptr<IndexPageCache> indexCache;
};

}  // namespace kw::engine

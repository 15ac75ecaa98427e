// Ordered and keyed navigation through one index of a table, as every navigation export and the
// load's replace search use it.
//
//   1. Key preparation in the instance's key buffer of the index: for an exact search from the
//      record, the key built from the record buffer with the U-field part left zero; otherwise,
//      when the caller gives a key, the caller's bytes upper-cased (a-z only, whatever the key
//      class) in a zeroed buffer. First, next, previous and last overwrite it with the key they
//      find, so their key has no effect.
//   2. The index moves: first (before the first entry, then next), next, previous, last (after
//      the last entry, then previous), or exact (find with the full key length; on a non-unique
//      index a miss continues with next, giving the first entry at or after the key).
//   3. The record found is read into the buffer (519 when its length is not the record length).
//   4. Every index of the table gets the record's key in its key buffer and its cursor moved to
//      the record, so all instances of the table see the cursors there. The cursors of the other
//      indexes are placed when next used (BTree::PlaceCursorAt): a next or previous on them
//      continues from the record exactly as if they had been moved now.
//
// Results: 0 with the record in the buffer and current; 1 exact key not found (or the index
// navigated lacks the key of the record it led to, which only stale indexes do); 2 past the last
// entry (or empty index); 3 before the first (or empty index); 519; a store or B-tree code.
// Every non-zero result below 500 is also the extended error, and after any non-zero result the
// instance has no current record.
#pragma once

#include <cstdint>

#include "kwdata.h"
#include "slots.h"

namespace kw::engine {

enum class Move { kFirst, kNext, kPrevious, kLast, kExact };

// idx must name an index of table (checked by the caller).
KWRESULT Navigate(TableSlot &table, int32_t idx, Instance &instance, Move move, const void *key,
                  int32_t keyLength, bool keyFromRecord);

}  // namespace kw::engine

// Deferred index upkeep (KW_DBDeferIndexes): while a caller inserts many records into a table,
// the keys of the new records are held back from its index files, and the indexes are built
// again from the record chain, from sorted keys, once the inserts are done. Building a tree
// bottom-up writes each page once, where an insert per key descends the tree and rewrites a
// leaf; on a table whose indexes are far larger than the index cache that is most of an
// import's time.
//
// What callers may rely on:
//  1. Results stay exact. An insert is refused with 303 exactly when it would be refused with
//     the indexes kept up to date: a unique index that is deferred is asked whether it held the
//     key before the deferral began, and the records added since are looked up by a hash of the
//     key (EqualKeysHash) and then compared as the tree would (CompareKeys on the key built from
//     the stored record). A unique index with a floating-point part is kept up to date instead
//     (its equal keys need not share bytes in a way the hash follows).
//  2. Nothing reads a deferred index while it lacks keys: every export that could reach an index
//     or add a record it would not see (navigation, update, delete, quick writes, reindex,
//     recover, clear, load, add index, close) first settles the table (SettleDeferredIndexes).
//     Inserts, field access, counts, reads by reference, instance changes and flushes do not.
//     A settle puts each index's cursor where the inserts left it, so a Next after the last
//     insert returns what it would have.
//  3. A settle that fails leaves the table deferred: every later export that settles fails the
//     same way, and closing the table reports the failure (the files are closed all the same).
//     The program's unclean-run mark then stays set, so the next start rebuilds every index.
//  4. While deferred, the index files on disk keep the trees they had when the deferral began
//     (nothing is written to them); a crash then leaves them lacking the new records' keys, as
//     quick writes do, and the rebuild after an unclean end restores them.
//  5. A deferral during which no record was added ends without touching the indexes.
#pragma once

#include <cstdint>
#include <memory>

#include "kwdata.h"
#include "slots.h"

namespace kw::engine {

// Starts deferring the table's indexes (no change when already deferring). 509 when the table
// is not open or an index has no file.
KWRESULT DeferIndexes(TableSlot &table);

// Brings deferred indexes up to date and ends the deferral; 0 at once when none is under way.
// A failure (the rebuild's code, as KW_DBReindexTable gives it) keeps the deferral, see 3.
KWRESULT SettleDeferredIndexes(TableSlot &table);

// CloseTable (table_files.h) after the deferred indexes are built: the files close whether or not
// that succeeds, and its failure (506 with the detailed code) comes first.
KWRESULT SettleAndCloseTable(DatabaseSlot &database, TableSlot &table);

// Whether index i of the table is deferred.
bool IsDeferred(const TableSlot &table, size_t i);

// For a deferred unique index i: 0 when a record added during the deferral has key, 1 when
// none has, or a store code when a stored record could not be read.
int HeldSinceDeferral(TableSlot &table, size_t i, const uint8_t *key);

// Before a record is added to a deferred table (and before its refusal check): room for its
// keys, taken first so that noting them (NoteAdded) cannot fail. After a failed build the build
// is tried again instead (the deferral then ends), and its failure is the result.
KWRESULT PrepareDeferredAdd(TableSlot &table);
// The record at ref was added with the instance's keys: the deferred indexes owe its keys and
// their cursors sit on them.
void NoteAdded(TableSlot &table, const Instance &instance, int32_t ref);
// A Next or Prev on deferred index i would continue from key (PlaceCursorAt).
void NoteCursor(TableSlot &table, size_t i, const uint8_t *key);

}  // namespace kw::engine

// The indexed record writes, which keep every index of the table in step with the store and undo
// their partial work on failure, as the insert, update and delete exports and the load use them.
//
// IndexedInsert: the buffer becomes a new record (its U field numbered, the buffer showing the
//   number) and the current record; each index in order gets the record's key, which also
//   becomes the instance's key for that index. On the first failure the keys inserted so far are
//   deleted again and so is the record, and the instance has no current record; the serial
//   number stays consumed. A 303 therefore leaves every record and every index entry as before.
//   A key that a unique index already holds is found before anything is written, and the 303
//   then leaves the tables, the store's free list and end, the instance and the cursors as that
//   add and undo would (record_writes.cc says what may differ in the files' bytes). While the
//   table's index upkeep is deferred (deferred_indexes.h) the deferred indexes get no key; their
//   refusals are decided as they would be, and a lookup that fails is the insert's failure.
// IndexedUpdate: with no current record, exactly IndexedInsert. Otherwise each index whose key
//   changed (bytewise) against the instance's key of the record as last reached loses the old key
//   and gets the new one; then the buffer is written over the record. On a failure every index
//   changed so far gets its old key back (and the instance its old keys), and the record is not
//   written.
// IndexedDelete: frees the current record (the instance then has none) and deletes the
//   instance's key from every index, moving each cursor to the deleted key's place; a key that
//   is no longer in an index is ignored.
//
// All three return 0, 509 when an index has no open file or no key slot in the instance, 518
// when no block could be allocated, or the detailed store or B-tree code, which is also the
// extended error (except 303 from an insert). The cached count follows every record added or
// freed, and becomes unknown when an undo could not take a record out again.
#pragma once

#include "kwdata.h"
#include "slots.h"

namespace kw::engine {

KWRESULT IndexedInsert(TableSlot &table, Instance &instance);
KWRESULT IndexedUpdate(TableSlot &table, Instance &instance);
KWRESULT IndexedDelete(TableSlot &table, Instance &instance);

// The store half of every add: 0 with the new block as the instance's current record; 518 or
// 506, with the store's code in the extended error either way. The cached count is the
// caller's.
KWRESULT AddToStore(TableSlot &table, Instance &instance);

}  // namespace kw::engine

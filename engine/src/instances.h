// Table instances: a record buffer of the table's record length, the current record reference
// and one pair of 255-byte key buffers per index. All record operations work through one.
//
// What callers may rely on:
//   - OpenInstance needs an open table (509) whose every index has an open file (509); it takes
//     the first closed entry, else appends one, and the new instance has no current record and
//     a zeroed record buffer;
//   - CloseInstance frees the buffers and marks the entry reusable (table and current -1);
//   - dump, load, reindex and recovery open their temporary instances through the same calls.
#pragma once

#include <cstdint>

#include "kwdata.h"
#include "slots.h"

namespace kw::engine {

// Opens an instance on table (whose number is tableNumber); writes its number to *inst at once
// (when not null).
KWRESULT OpenInstance(TableSlot &table, int32_t tableNumber, int32_t *inst);
// Closes an open instance (the caller has validated inst).
void CloseInstance(Instance &instance);
// Closes every instance of the table and empties its instance list.
void CloseAllInstances(TableSlot &table);
// The number of open instances of the table.
int32_t CountOpenInstances(const TableSlot &table);

}  // namespace kw::engine

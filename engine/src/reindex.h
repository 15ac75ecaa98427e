// The rebuild of a table's indexes from its record chain (reindex.cc), as KW_DBReindexTable runs
// it for every index and the end of deferred index upkeep (deferred_indexes.h) runs it for the
// indexes that fell behind.
#pragma once

#include <vector>

#include "kwdata.h"
#include "slots.h"

namespace kw::engine {

// Which indexes a rebuild takes, by position in the table's index list; empty: every index.
using IndexChoice = std::vector<bool>;

// Empties the chosen indexes and builds them again from the chain (from sorted keys where it
// can, else by one insert per key in chain order, which instance serves as scratch for); the
// other indexes are left alone. Then the cached count, the serial counter and the chain's last
// block follow the walk. The results of KW_DBReindexTable (reindex.cc).
KWRESULT RebuildIndexes(TableSlot &table, const IndexChoice &which, Instance &instance);

}  // namespace kw::engine

// The start-up's index rebuild with the repair of damaged tables.
#include "index_rebuild.h"

#include "app/data/table.h"
#include "app/data/wait_cursor.h"

namespace kw {

IndexRebuild RebuildAllIndexes(CKWDatabase &database) {
    WaitCursor wait;
    IndexRebuild rebuild;
    for (const auto &table : database.Tables()) {
        if (table->Reindex() == KW_OK) continue;
        rebuild.repaired.push_back(table->Name());
        // Recovery reports failures only through its own result; the reindex after it is the
        // judge of whether the table is sound again.
        table->Recover();
        rebuild.result = table->Reindex();
        if (rebuild.result != KW_OK) break;
    }
    return rebuild;
}

}  // namespace kw

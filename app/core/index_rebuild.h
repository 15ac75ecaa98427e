// The index rebuild the start-up runs after an unclean end, a version change or a request
// ("Install"/"ReIndex"): every index of every open table rebuilt from its record chain, table by
// table in schema order, under one wait cursor.
//
// A rebuild that fails on a table means the table itself is damaged: a record chain cut or
// looped by a crash, a record of the wrong length, or two records in the chain with one unique
// key (a replacing load or an update whose unlink never reached the disk while the new record
// did). Such a table is repaired — its chain rebuilt from the blocks in its file, which also
// rebuilds its indexes — and reindexed once more. Only when that second rebuild fails too does
// the whole rebuild stop, with that result, leaving the later tables as they were.
//
// The program writes every record with an indexed insert, so the chain never legitimately holds
// two records with one unique key: a duplicate (303) here is damage like any other, and the
// repair keeps the record that comes first in the file.
#pragma once

#include <string>
#include <vector>

#include "app/data/database.h"

namespace kw {

struct IndexRebuild {
    KWRESULT result = KW_OK;            // 0, or the failure that stopped the rebuild
    std::vector<std::string> repaired;  // tables whose first rebuild failed, in order
};

IndexRebuild RebuildAllIndexes(CKWDatabase &database);

}  // namespace kw

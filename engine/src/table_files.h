// A table's files in the database directory and the table-level operations on them:
//
//   FILE          NAME                                   CONTENT
//   record store  table name + ".dat"       ("%s%s")     RecordStore
//   index file    table name + ".i" + NN    ("%s%s%02.2d", NN the definition's number)  BTree
//   store journal table name + ".jnl"        only while an overwrite may need it (store_journal.h)
//
// So the index definition numbered 3 of table KWRECIPE lives in KWRECIPE.i03 whatever its index
// number (its position in the table's index list) is.
//
// What callers may rely on:
//   - OpenTable creates missing files and never truncates; when an index file fails to open the
//     table still counts as open (files opened so far stay open) and the result is 517;
//   - CloseTable closes every instance and every file even when one of them fails, and reports
//     the first failure as 506 with its detailed code in the extended error;
//   - ClearTable empties the store and every index, and every instance loses its current record;
//   - DropTable frees the slot and deletes the files (a store journal first); a file that is
//     already missing is fine.
#pragma once

#include <string>

#include "kwdata.h"
#include "slots.h"

namespace kw::engine {

std::string StoreFileName(const KW_TableDef &table);
std::string IndexFileName(const KW_TableDef &table, const KW_IndexDef &index);

KWRESULT OpenTable(DatabaseSlot &database, TableSlot &table);
KWRESULT CloseTable(DatabaseSlot &database, TableSlot &table);
KWRESULT ClearTable(TableSlot &table);
KWRESULT DropTable(DatabaseSlot &database, TableSlot &table);

}  // namespace kw::engine

// kwtool check's examination of one table's files (copies, see check_snapshot.h), through the
// engine's own record store and index file classes so that the check reads the files exactly as
// the engine does. For a table it verifies:
//
//   - the record chain can be walked to its end and every record has the table's length (519);
//   - serial numbers (the U field) are distinct and below the store's next serial, so the next
//     add cannot repeat one;
//   - in every index file: the entries can be read to the end, each key has the index's length
//     and sorts strictly after the one before; every entry points at a live record of the chain
//     and holds exactly the key the record's fields give; every record has exactly one entry;
//     and the entry count equals the record count.
//
// Cost: one pass over the chain and one over each index, then a sort of the references per
// index: O(n log n) time, memory for the references and keys.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "check_findings.h"
#include "kwdata.h"

namespace kwtool {

class Snapshot;

struct IndexSummary {
    int number = 0;    // the definition number: the file is NAME.iNN
    std::string file;  // "KWRECIPE.i00"
    bool present = false;
    int64_t entries = 0;  // entries read
};

struct TableSummary {
    std::string name;
    bool present = false;   // NAME.dat exists
    bool readable = false;  // every record could be reached: the relation checks may use them
    int64_t records = 0;    // records reached on the chain
    std::vector<IndexSummary> indexes;
};

// Text fields of every record reached, for the relation checks: rows[r][f] is field fields[f]
// of record r, up to its first zero byte.
struct TableRows {
    std::vector<std::string> fields;
    std::vector<std::vector<std::string>> rows;
};

// Checks definition's files among the copies of snapshot (copied names the files that exist).
// Fills rows->rows for rows->fields when rows is not null.
TableSummary CheckTable(KW_TableDef &definition, const Snapshot &snapshot,
                        const std::set<std::string> &copied, TableRows *rows, Findings &findings);

// The file names of a table: NAME.dat and NAME.iNN.
std::string StoreFileName(const KW_TableDef &definition);
std::string IndexFileName(const KW_TableDef &definition, const KW_IndexDef &index);

}  // namespace kwtool

// The two tables the engine benchmark works on, KWRECIPE and KWRECING, declared twice: for the
// record engine exactly as the recipe database declares them (fields, widths, index numbers,
// key expressions and flags), and for SQLite as the nearest equivalent.
//
// SQLite equivalents: C, L and U fields become TEXT and INTEGER PRIMARY KEY (the engine's serial
// and SQLite's rowid both number records in insertion order and break ties of non-unique keys);
// I becomes INTEGER and F REAL. A character column every index of which ignores case is declared
// COLLATE NOCASE (ASCII folding, as the engine's A-Z folding), so lookups by it use its indexes;
// a column with a case-significant index (KWRECIPE.VEGETARI, flags 0x010) keeps BINARY. Every
// engine index has an SQLite index on the same columns, UNIQUE where the engine's is; a
// non-unique engine index appends the serial, as SQLite appends the rowid.
#pragma once

#include <string>
#include <vector>

#include "kwdata.h"

namespace kw::bench {

struct BenchTable {
    const char *name;     // engine table name, e.g. "KWRECIPE"
    KW_TableDef *engine;  // the definition handed to the engine (static, kept alive)
    const char *sqlName;  // SQLite table name
    std::vector<std::string> sqlColumns;  // one per engine field, in field order
    std::vector<std::string> sqlSchema;   // CREATE TABLE and CREATE INDEX statements
    int lookupIndex;                      // engine index number of the unique key used to find
    std::vector<int> keyFields;           // engine field positions of that key, in key order
    int scanIndex;                        // engine index number the ordered scan walks
    std::vector<int> scanFields;          // engine field positions of the scan index's key
};

const BenchTable &RecipeTable();
const BenchTable &IngredientTable();
// The table named, or null.
const BenchTable *FindBenchTable(const std::string &name);

// The field position of the U field, or -1.
int SerialField(const BenchTable &table);

}  // namespace kw::bench

// Opening and creating the program's database KWDATA2 with its schema (schema.h). The start-up
// opens it on every run and creates it on the first; kwtool does the same.
//
//   OpenRecipeDatabase    KW_DBOpen("KWDATA2"), every table and index of the schema defined in
//                         order, every table opened; on a failure after the engine open the
//                         database is closed again. Returns the first failure (502 a table or 1
//                         an index refused, else the engine's code).
//   CreateRecipeDatabase  registers KWDATA2 at directory (which must not exist yet; 507), makes
//                         the directory and opens the new database as above, which creates every
//                         table and index file. When that open fails the new database is closed,
//                         destroyed and unregistered, so no half-made database is left.
//
// On success database is open with the ten tables (not KWTMPRES) and the caller closes it.
#pragma once

#include <string>

#include "app/data/database.h"

namespace kw {

KWRESULT OpenRecipeDatabase(CKWDatabase &database);
KWRESULT CreateRecipeDatabase(CKWDatabase &database, const std::string &directory);

}  // namespace kw

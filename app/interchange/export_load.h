// Loading an export file (".sce", written by export_data.h) into the open database: "Load Data..."
// with the file kind "Kettleworth export files". The load adds and never deletes: a record whose
// key exists already stays as it is and counts as a duplicate.
//
// What the load reads (the body is drawn in export_data.h): a plain line "=== INGREDIENTS" or
// "=== RECIPES" starts a section, "=== END" (or the next "=== " line) ends it, and every other
// line between sections is skipped. Within a section, lines up to a line "*" are skipped; then
// one record is read field by field. A long text never counts as a marker line. The "$" block of
// other categories is read whatever the file's version.
//
//   ingredient  KWINGDAT as read; a COST that is not above 0 is stored as -1.0 (not known). A
//               missing "**" after it counts one error; a refused insert counts one duplicate
//               (engine result 303) or one error.
//   recipe      read whole first, then written: KWRECIPE (COST -1.0) first; when that insert is
//               refused it counts one duplicate (303) or one error and nothing else of the recipe
//               is written. Otherwise its category goes into KWCAT, the link to its own category
//               and its other categories into KWRCPCAT, each ingredient line into KWRECING and its
//               preparation note into KWPREP (refusals of these are ignored). A missing "**"
//               counts one error; an ingredient line without an ingredient name, or with a unit
//               choice outside 0-4 or a measure kind outside 0-2, counts one error and is dropped.
//
// Ingredient lines are read back with exported_line.h in the current unit system (settings).
//
// Progress: "Loading file", an empty label, the range 1 to the file's length, Cancel offered; the
// position is set after every line, and a cancel stops the load there (a recipe read only in part
// is not written; what was written stays).
//
// Messages: 606 (not an export file), 607 (a version this program cannot load), 1100 with the
// errno value (the file cannot be opened or read), and at the end of a load that ran (also a
// cancelled one) "Operation complete. %d Duplicate(s), %d Error(s)", all with the exclamation
// icon.
#pragma once

#include <string>

#include "app/core/messages.h"
#include "app/core/progress.h"
#include "app/data/database.h"
#include "app/recipes/number_settings.h"

namespace kw {

struct LoadOutcome {
    enum class Status {
        kComplete,            // read to the end of the file
        kCancelled,           // stopped through the progress
        kNotExportFile,       // message 606
        kUnsupportedVersion,  // message 607
        kFileError,           // message 1100
        kDatabaseError        // the tables could not be opened: "Failed to load data: %d"
    };
    Status status = Status::kComplete;
    int version = -1;     // the header's version, -1 when there is none
    int ingredients = 0;  // records added
    int recipes = 0;
    int duplicates = 0;
    int errors = 0;
    int fileError = 0;               // errno behind message 1100
    KWRESULT databaseError = KW_OK;  // the engine's result behind kDatabaseError
};

LoadOutcome LoadExportFile(CKWDatabase &database, const std::string &path,
                           const NumberSettings &settings, MessageSink &sink, Progress &progress);

// The text of the end message: "Operation complete. %d Duplicate(s), %d Error(s)".
std::string LoadCompleteText(int duplicates, int errors);

}  // namespace kw

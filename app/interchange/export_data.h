// "Export Data": writes the chosen kinds of record of the whole database to an export file
// (".sce", the scrambled file of scrambled_file.h).
//
// The body written (every line ends in CR LF; texts are Windows-1252 as stored):
//
//   "=== INGREDIENTS"                      when ingredients are chosen; KWINGDAT in NAME order
//     "*"  NAME  UNITS  OPTS  CALORIES  COST  TYPE  GLUTEN  INFORMAT  "**"
//   "=== END"
//   "=== RECIPES"                          when recipes are chosen; KWRECIPE in CATEGORY+NAME order
//     "*"  NAME  CATEGORY
//     ["$"  OTHERCAT ...  "$$"]            the recipe's KWRCPCAT links other than its own
//                                          category; only when there is one
//     "*"  ingredient line ...  "**"       one per KWRECING line, in the recipe's line order:
//                                          quantity " " unit " " INGREDIE ",," PREPARAT
//     METHOD (long text)  TOTALTIM  PREPTIME  NOOFSERV  CALORIES  DAIRYFRE  GLUTENFR  VEGETARI
//     DIFFICUL  REFERENC  "**"
//   "=== END"
//
// UNITS, OPTS, GLUTEN, the times, servings, calories and the three flags (0 or 1) are integer
// lines; CALORIES and COST of an ingredient real lines. A recipe's COST is not written.
//
// The ingredient line shows the amount as the recipe form would in the current unit system, but
// always in decimals and without nice rounding (the loader splits the line at its first blank, so
// "1 1/2" cannot go there, and a rounded amount would not load back as stored); items read
// "item(s)", a line without an amount "- -". A line stored without its measure kind (MEASURED
// 100, or a field that cannot be read) takes the ingredient's own kind from KWINGDAT, silently.
//
// A text field equal to a marker line ("*", "**", "$", "$$") or beginning with "=== " is written
// as a long text, which the loader never takes for a marker.
//
// Versions: 108 when recipes are chosen, else 107. When no recipe had an other-category block the
// header is rewritten as 107 at the end, so the file names the version without that block.
//
// The file is written under a temporary name beside the target and renamed over it only when
// everything was written, so a failed export never destroys an earlier file of that name.
// Failures: a file error shows message 1100 with the errno value; a database read that fails
// shows "Failed to export data: %d" with the engine's result (both with the exclamation icon).
#pragma once

#include <string>

#include "app/core/messages.h"
#include "app/data/database.h"
#include "app/recipes/number_settings.h"

namespace kw {

struct ExportSelection {
    bool ingredients = false;
    bool shoppingLists = false;  // offered by no dialog; nothing is written for them
    bool meals = false;          // likewise
    bool recipes = false;
};

struct ExportOutcome {
    bool ok = false;
    int version = 0;      // the version the file's header names at the end
    int ingredients = 0;  // records written
    int recipes = 0;
    int fileError = 0;               // errno of a file error (message 1100)
    KWRESULT databaseError = KW_OK;  // the engine's result when reading failed
};

// The path the export is written to: path with ".sce" appended when it holds no '.' anywhere.
std::string ExportFilePath(const std::string &path);

// Writes the export file at path (as given; see ExportFilePath). settings decide the unit system
// the ingredient lines are shown in.
ExportOutcome ExportData(CKWDatabase &database, const std::string &path,
                         const ExportSelection &selection, const NumberSettings &settings,
                         MessageSink &sink);

}  // namespace kw

// The recipe import as kwtool runs it, for "kwtool import FILE..." and for text files given to
// "kwtool load": each file read, converted from its encoding and imported through the filter
// plug-in beside kwtool (app/interchange/recipe_import.h), one import run per file, inside one
// session. A progress line shows on a terminal; the periodic write runs between recipes.
//
// The filter is --filter N when given, else the one the plug-in finds best for each file; a file
// no filter recognises is reported and counts as failed. At the end the counts of all files are
// reported with the program's summary lines (1401 and 1402 when there were errors or warnings,
// 1403 always); a file's problems ("*** " lines of its import log) are printed after its line,
// at most kShownProblems of them, and --log FILE keeps every file's whole log (appended in turn).
// With --json the counts go to standard output as one JSON object instead:
//
//   {"files": [{"file", "status", "filter", "imported", "errors", "warnings"}],
//    "imported", "errors", "warnings"}
//
// status is "done", "no-filter", "no-library", "incomplete-library", "unreadable" or
// "too-long" ("empty" belongs to pasted text and never shows here); filter is the filter's name,
// or null. The exit status is 1 when any recipe failed (an error) or any file could not be
// imported, else 0.
#pragma once

#include <string>
#include <vector>

#include "platform/text_encoding.h"

namespace kwtool {

class Session;

struct ImportRequest {
    std::vector<std::string> files;
    int filter = -1;  // -1: the best one for each file
    kw::platform::Encoding encoding = kw::platform::Encoding::kAuto;
    std::string keptLog;  // --log FILE, "" for none
    bool json = false;
};

inline constexpr int kShownProblems = 20;

// Takes --filter, --encoding and --log out of args into request; false (with the reason printed)
// when a value is not valid.
bool TakeImportOptions(std::vector<std::string> *args, ImportRequest *request);

// Imports the files; the exit status.
int RunImport(Session &session, const ImportRequest &request);

}  // namespace kwtool

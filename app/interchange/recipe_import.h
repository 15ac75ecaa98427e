// Recipe import: a text holding recipes in a foreign layout (clipboard text, or a text file
// chosen in "Load Data...") read recipe by recipe through the filter plug-in and stored in the
// database, with the import log "import.out" and a summary of the outcome.
//
// One import run:
//   1. Load the plug-in (import_library.h). Not loadable: message 1400 (exclamation), stop. An
//      operation missing: stop without a message.
//   2. Collect the filter names and ask for the best filter for the text; the caller's
//      chooseFilter hook picks one (the "Select Import Recipe Format" dialog), or cancels (-1).
//      Without the hook the best filter is taken, and a text no filter recognises is cancelled.
//   3. Create the log (import_log_file.h; a log that cannot be made is handed on as -1).
//   4. From position 0, while text remains: call the filter for one recipe.
//        0   a recipe: stored (imported_recipe_store.h); a refused recipe counts one error.
//        1   a recipe without name or category: one error, not stored; the run goes on with the
//            next recipe (stopping here would leave the rest of the text unread).
//        -1  no recipe could be read: one error, "*** Cannot interpret Recipe -- giving up." is
//            logged, and the run ends.
//      The warnings of every call are added up. Text that holds only blanks, tabs, line breaks
//      and DOS end-of-file marks (0x1A) is the end of the text, not a recipe the filter fails to
//      read; so is, once a recipe has been read, a rest for which the filter gives -1 and which
//      no filter recognises (GetBestFilter -1: the trailer MasterCook writes after its last
//      recipe, a signature); the run then ends without an error. A call that does not move the
//      position on ends the run (one error, the giving-up line), so a faulty plug-in cannot make
//      the run go round forever.
//   5. Close the log and report: exactly one recipe imported and no errors opens it (openRecipe
//      hook, with the document key name "^" category), with a summary only when there were
//      warnings; more than one imported with neither errors nor warnings shows nothing; every
//      other outcome (also nothing imported) shows the summary (showSummary hook).
//   6. Delete the log (the logClosed hook sees it first), unload the plug-in.
//
// The text handed to the filters is a private NUL-terminated copy in which NUL bytes read as
// blanks (a NUL would end the text early and leave the rest silently unread). Stored recipes stay
// when the run ends early; there is no rollback. The run blocks the caller's timer, so the
// progress hook is where a long run does the periodic write (RecipeApplication::WriteIfDue).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/messages.h"
#include "app/data/database.h"
#include "platform/text_encoding.h"

namespace kw {

// "Import Recipe Messages".
struct ImportSummary {
    int imported = 0;
    int errors = 0;
    int warnings = 0;
    std::string errorsLine;       // message 1401 with the error and warning counts
    std::string importedLine;     // message 1403 with the count
    std::string notImportedLine;  // message 1402 when there were errors, else ""
    std::string logPath;          // the log, when there were errors or warnings; else ""
    std::string logHead;          // its first 4095 bytes, when logPath is set
};

struct ImportHooks {
    // The filter choice: the names in filter order and the best filter (-1: none recognised the
    // text); returns the chosen index, or -1 to cancel.
    std::function<int(const std::vector<std::string> &names, int best)> chooseFilter;
    // After each filter call: the position reached in the text and the text's length. Also the
    // place for the periodic write of a long run.
    std::function<void(int64_t position, int64_t length)> progress;
    // Opens the recipe window of the one recipe imported; key is name + "^" + category.
    std::function<void(const std::string &key)> openRecipe;
    std::function<void(const ImportSummary &summary)> showSummary;
    // The log after it was closed, before it is deleted (to keep a copy).
    std::function<void(const std::string &logPath)> logClosed;
};

struct ImportOptions {
    std::string libraryPath;             // "" for ImportLibrary::DefaultPath()
    std::string logPath = "import.out";  // in the working directory
};

struct ImportOutcome {
    enum class Status {
        kDone,               // the run went through (whatever it imported)
        kNoLibrary,          // message 1400
        kLibraryIncomplete,  // an operation missing; nothing said
        kCancelled,          // no filter chosen
        kUnreadable,         // ImportRecipeFile: the file could not be read (fileError)
        kTooLong,            // the text does not fit the plug-in's 32-bit positions
        kNothingToPaste,     // ImportPastedText: an empty clipboard text (message 1404)
    };
    Status status = Status::kDone;
    int filter = -1;
    int imported = 0;
    int errors = 0;
    int warnings = 0;
    bool gaveUp = false;   // the run ended on a text the filter could not read
    std::string lastName;  // the recipe stored last
    std::string lastCategory;
    int fileError = 0;
};

// Imports the recipes of text (Windows-1252).
ImportOutcome ImportRecipeText(CKWDatabase &database, std::string_view text, MessageSink &sink,
                               const ImportHooks &hooks, const ImportOptions &options = {});

// Reads the file at path, converts it from encoding to Windows-1252 (text_file.h) and imports
// it. A file that cannot be read imports nothing and says nothing (status kUnreadable).
ImportOutcome ImportRecipeFile(CKWDatabase &database, const std::string &path,
                               platform::Encoding encoding, MessageSink &sink,
                               const ImportHooks &hooks, const ImportOptions &options = {});

// "Paste from Clipboard": the clipboard's text imported; an empty one says message 1404
// "Nothing to paste" instead.
ImportOutcome ImportPastedText(CKWDatabase &database, std::string_view text, MessageSink &sink,
                               const ImportHooks &hooks, const ImportOptions &options = {});

// The summary lines for the counts (messages 1401, 1403, 1402).
ImportSummary MakeImportSummary(int imported, int errors, int warnings);

}  // namespace kw

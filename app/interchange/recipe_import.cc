// The import run (see recipe_import.h).
#include "app/interchange/recipe_import.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "app/data/wait_cursor.h"
#include "app/interchange/import_library.h"
#include "app/interchange/import_log_file.h"
#include "app/interchange/imported_recipe_store.h"
#include "app/interchange/text_file.h"

namespace kw {
namespace {

constexpr size_t kSummaryLogBytes = 4095;

// Blanks, tabs, line breaks and the DOS end-of-file mark: what follows the last recipe of many
// files and is no recipe.
bool IsTrailingFiller(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == '\x1A';
}

bool OnlyFillerFrom(const std::string &text, size_t position) {
    for (size_t i = position; i < text.size(); ++i)
        if (!IsTrailingFiller(text[i])) return false;
    return true;
}

// What the filters read: the text with NUL bytes as blanks, NUL-terminated by std::string. Made
// in place, so a file's text is held once during its import.
std::string FilterText(std::string text) {
    // memchr finds the (rare) NUL bytes far faster than a byte-by-byte replace walks a large file.
    char *const end = text.data() + text.size();
    for (char *p = text.data(); (p = static_cast<char *>(std::memchr(p, '\0', end - p)));)
        *p++ = ' ';
    return text;
}

// Steps 4 and 5 of the run: the filter calls and the stores; the counts go into outcome.
void ReadAndStore(const ImportLibrary &library, const std::string &text, CKWDatabase &database,
                  ImportLogFile &log, const ImportHooks &hooks, ImportOutcome *outcome) {
    ImportedRecipeStore store(database, log);
    if (KWRESULT r = store.Open()) {
        log.Printf("*** Cannot open the recipe tables (%d)\r\n", r);
        ++outcome->errors;
        return;
    }
    store.DeferIndexesFor(text.size());
    auto record = std::make_unique<RecipeImportRecord>();
    const int32_t length = static_cast<int32_t>(text.size());
    auto giveUp = [&](bool countError) {
        if (countError) ++outcome->errors;
        outcome->gaveUp = true;
        log.Printf("*** Cannot interpret Recipe -- giving up.\r\n");
    };
    int32_t position = 0;
    bool recipeRead = false;
    while (position < length && !OnlyFillerFrom(text, static_cast<size_t>(position))) {
        std::memset(record.get(), 0, sizeof *record);
        const int32_t before = position;
        int32_t warnings = 0;
        const int32_t result = library.ImportRecipe(&position, text.c_str(), record.get(),
                                                    &warnings, outcome->filter, log.Handle());
        outcome->warnings += std::max(warnings, 0);
        if (hooks.progress) hooks.progress(position, length);
        if (result != 0 && result != 1) {
            // After a recipe, text that no filter recognises is the file's trailer (nutrition
            // notes, a signature), not a recipe that failed.
            if (!recipeRead || library.BestFilter(text.c_str() + before) >= 0) giveUp(true);
            return;
        }
        recipeRead = true;
        const bool movedOn = position > before && position <= length;
        if (result == 1) {
            ++outcome->errors;  // no name or no category: not stored
        } else if (store.Store(*record, &outcome->warnings)) {
            ++outcome->imported;
            outcome->lastName.assign(record->name, strnlen(record->name, sizeof record->name));
            outcome->lastCategory.assign(record->category,
                                         strnlen(record->category, sizeof record->category));
        } else {
            ++outcome->errors;
        }
        if (!movedOn) {
            giveUp(result == 0);  // the text after it stays unread; a result of 1 counted already
            return;
        }
    }
}

void Report(const ImportOutcome &outcome, ImportLogFile &log, const ImportHooks &hooks) {
    const bool clean = outcome.errors == 0 && outcome.warnings == 0;
    bool summary = true;
    if (outcome.imported == 1 && outcome.errors == 0) {
        if (hooks.openRecipe) hooks.openRecipe(outcome.lastName + "^" + outcome.lastCategory);
        summary = outcome.warnings != 0;
    } else if (outcome.imported > 1 && clean) {
        summary = false;
    }
    if (!summary || !hooks.showSummary) return;
    ImportSummary lines = MakeImportSummary(outcome.imported, outcome.errors, outcome.warnings);
    if (!clean && log.Created()) {
        lines.logPath = log.Path();
        lines.logHead = log.ReadHead(kSummaryLogBytes);
    }
    hooks.showSummary(lines);
}

}  // namespace

ImportSummary MakeImportSummary(int imported, int errors, int warnings) {
    ImportSummary summary;
    summary.imported = imported;
    summary.errors = errors;
    summary.warnings = warnings;
    summary.errorsLine = FormatMessage(1401, {std::to_string(errors), std::to_string(warnings)});
    summary.importedLine = FormatMessage(1403, {std::to_string(imported)});
    if (errors != 0) summary.notImportedLine = FormatMessage(1402);
    return summary;
}

namespace {

// The import of a text the caller gives up (see ImportRecipeText).
ImportOutcome ImportOwnedText(CKWDatabase &database, std::string text, MessageSink &sink,
                              const ImportHooks &hooks, const ImportOptions &options) {
    ImportOutcome outcome;
    if (text.size() >= static_cast<size_t>(INT32_MAX)) {
        outcome.status = ImportOutcome::Status::kTooLong;
        return outcome;
    }
    const ImportLibrary library(options.libraryPath.empty() ? ImportLibrary::DefaultPath()
                                                            : options.libraryPath);
    if (library.GetState() == ImportLibrary::State::kNotLoaded) {
        sink.Say(1400, {}, Icon::kExclamation);
        outcome.status = ImportOutcome::Status::kNoLibrary;
        return outcome;
    }
    if (library.GetState() == ImportLibrary::State::kIncomplete) {
        outcome.status = ImportOutcome::Status::kLibraryIncomplete;
        return outcome;
    }
    std::string filterText = FilterText(std::move(text));
    const std::vector<std::string> names = library.FormatNames();
    const int best = library.BestFilter(filterText.c_str());
    outcome.filter = hooks.chooseFilter ? hooks.chooseFilter(names, best) : best;
    if (outcome.filter < 0 || outcome.filter >= static_cast<int>(names.size())) {
        outcome.filter = -1;
        outcome.status = ImportOutcome::Status::kCancelled;
        return outcome;
    }

    ImportLogFile log(options.logPath);
    {
        WaitCursor wait;
        ReadAndStore(library, filterText, database, log, hooks, &outcome);
        // The text's memory goes back before the indexes the import deferred are built. A
        // failure of that build stays with the tables (their close fails), see
        // imported_recipe_store.h.
        std::string().swap(filterText);
        EndDeferredIndexes(database);
        log.Close();
    }
    Report(outcome, log, hooks);
    if (hooks.logClosed && log.Created()) hooks.logClosed(log.Path());
    log.Remove();
    return outcome;
}

}  // namespace

ImportOutcome ImportRecipeText(CKWDatabase &database, std::string_view text, MessageSink &sink,
                               const ImportHooks &hooks, const ImportOptions &options) {
    if (text.size() >= static_cast<size_t>(INT32_MAX)) {
        ImportOutcome outcome;  // refused before a copy of it is made
        outcome.status = ImportOutcome::Status::kTooLong;
        return outcome;
    }
    return ImportOwnedText(database, std::string(text), sink, hooks, options);
}

ImportOutcome ImportPastedText(CKWDatabase &database, std::string_view text, MessageSink &sink,
                               const ImportHooks &hooks, const ImportOptions &options) {
    if (!text.empty()) return ImportRecipeText(database, text, sink, hooks, options);
    sink.Say(1404);
    ImportOutcome outcome;
    outcome.status = ImportOutcome::Status::kNothingToPaste;
    return outcome;
}

ImportOutcome ImportRecipeFile(CKWDatabase &database, const std::string &path,
                               platform::Encoding encoding, MessageSink &sink,
                               const ImportHooks &hooks, const ImportOptions &options) {
    std::string text;
    int error = 0;
    if (!ReadTextFileAsCp1252(path, encoding, &text, &error)) {
        ImportOutcome outcome;
        outcome.status = ImportOutcome::Status::kUnreadable;
        outcome.fileError = error;
        return outcome;
    }
    return ImportOwnedText(database, std::move(text), sink, hooks, options);
}

}  // namespace kw

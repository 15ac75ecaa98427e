// What one ImportRecipe call works with: the line reader over the text, the log, the record being
// filled and the warnings counted so far, plus the small steps every filter repeats (skipping
// short lines, storing an ingredient entry, appending to the method). The three filters are
// plain functions over a FilterRun; each returns the call's result (0, 1 or -1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "import_log.h"
#include "kwimpt.h"
#include "line_reader.h"

namespace kw::import {

// At most this many lines are skipped or searched in one go.
inline constexpr int kSkipLimit = 25;

class FilterRun {
  public:
    FilterRun(LineReader *reader, ImportLog *log, RecipeImportRecord *record)
        : reader_(*reader), log_(*log), record_(*record) {}

    LineReader &reader() { return reader_; }
    std::string_view line() const { return reader_.line(); }
    ImportLog &log() { return log_; }
    RecipeImportRecord &record() { return record_; }
    int32_t warnings() const { return warnings_; }

    // Logs "*** message" and counts one warning.
    void Warn(const char *message);
    // Counts one warning for an entry already logged in its own form.
    void CountWarning() { ++warnings_; }

    // Reads on while the current line is shorter than limit bytes and more lines follow, at most
    // kSkipLimit times.
    void SkipShortLines(size_t limit);

    int32_t ingredientCount() const { return record_.ingredientCount; }
    bool IngredientsFull() const { return record_.ingredientCount >= KWIMPT_MAX_INGREDIENTS; }
    // The last stored entry, or null when none is stored.
    ImportedIngredient *LastIngredient();
    // Stores entry after the others; false (nothing stored) when all 256 places are taken.
    bool StoreIngredient(const ImportedIngredient &entry);

    std::string_view method() const;
    // Appends text and then ending to the method when both fit within its 4095 characters;
    // false (nothing appended) otherwise.
    bool AppendMethod(std::string_view text, std::string_view ending = {});
    void ClearMethod();

    // Empties the other-category list before a category field is split into it.
    void ClearOtherCategories();
    // Copies the first other category into the primary category; false when the list is empty.
    bool TakePrimaryFromOthers();

  private:
    LineReader &reader_;
    ImportLog &log_;
    RecipeImportRecord &record_;
    int32_t warnings_ = 0;
    size_t methodLength_ = 0;
};

// A fresh entry: no name, no note, items with quantity 0.
ImportedIngredient EmptyIngredient();
// Adds more text to an entry's preparation note, after one blank when the note is not empty
// (bounded append: at most 32 characters, and never beyond the slot).
void ContinueNote(ImportedIngredient *entry, std::string_view more);
// Marks an entry without an amount (below 0.001) as having no unit: weight, choice 4, 0.
void MarkNoAmountIfZero(double quantity, ImportedIngredient *entry);

// The method line end the Meal-Master and MasterCook filters append: a line ending in '.' gets
// CR LF, a line ending in the paragraph mark 0x14 has it replaced by CR LF, any other line gets
// one blank. Returns the body (the line without a replaced mark) and sets *ending.
std::string_view SplitMethodLineEnd(std::string_view line, std::string_view *ending);

// Appends the current (whole) line to the method the way the Meal-Master and MasterCook filters
// do: its line end as above, its leading blanks removed. When it does not fit, logs
// "*** Method too long.", counts one warning and returns false.
bool AppendForeignMethodLine(FilterRun &run);

// The values the Meal-Master and MasterCook formats do not carry: no diet flags, calories and
// cost unknown, easy, no total time.
void SetForeignDefaults(RecipeImportRecord &record);

// The three filters (index 0, 1 and 2).
int32_t ReadOwnText(FilterRun &run);
int32_t ReadMealMaster(FilterRun &run);
int32_t ReadMasterCook(FilterRun &run);

}  // namespace kw::import

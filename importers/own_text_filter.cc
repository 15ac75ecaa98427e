// Filter 0: the program's own recipe text, as the recipe window writes it for a file, the
// clipboard or mail. Fields are found by keyword and by column, so hand-edited text that keeps
// the keywords, the "-----" separators and the columns reads as well.
//
//   ===== Recipe By Kettleworth 2.0 [label] =====          first header line
//   ===== https://...                                      second header line (ignored)
//   Name    : Apple Pie                                    head: Name, Category, Other
//   Category: Desserts
//   Other   : Baking, Fruit,
//   -----
//   1 1/2     cup       flour                           sifted     ingredients, columns below
//   -----
//   Mix the flour with the butter until it looks like\     method; a trailing '\' marks a break
//   breadcrumbs.                                           the writer made inside a paragraph
//   -----
//   Vegetarian: Y  Gluten Free: N                          trailer, keyword fields
//   Dairy Free: N
//   Calories  : 2400          (or "Unknown")
//   Cost      : 3.50          (or "Unknown")
//   Difficulty: Medium        ("Easy", "Medium", "Hard")
//   Reference : Grandmother
//   Serves    : 8
//   Prep Time : 0:30       Total Time: 1:15
//   ===== End =====
//
// Ingredient columns: quantity 0-9 (as the program shows it: "1 1/2", "3/4", "2.5" or "-"),
// unit 10-19, name 20-51, preparation note from 52 to the end of the line. A name longer than
// its column shifts the note; the writer ends such a name with a tab, so the first tab after
// column 20 ends the name and the note follows it. A line is short below 3 bytes.
//
// The reading keeps what the writer wrote: the name, category and reference fields take as many
// characters as the record holds, the quantity column reads fractions, the blank entry that the
// ", " after the last other category leaves is dropped, further "Other" lines right after the
// first continue its list, empty lines between method lines come back as empty lines, and a
// method line ending in "\\" (a break the writer made inside a run without blanks) joins the
// next line with nothing between.
#include <string_view>

#include "fields.h"
#include "filter_run.h"
#include "units.h"

namespace kw::import {

namespace {
constexpr size_t kShortLine = 3;
constexpr size_t kOtherWidth = 128;
constexpr size_t kTrailerWidth = 32;
constexpr size_t kServesWidth = 48;

bool IsSeparator(std::string_view line) {
    return StartsWith(line, "-----");
}

void ReadHead(FilterRun &run) {
    LineReader &reader = run.reader();
    RecipeImportRecord &record = run.record();
    bool afterOtherLine = false;
    for (;;) {
        const std::string_view line = run.line();
        if (const auto name = CleanedKeywordField(line, "Name", sizeof record.name))
            SetText(record.name, *name);
        if (const auto category = CleanedKeywordField(line, "Category", sizeof record.category))
            SetText(record.category, *category);
        if (const auto others = RawKeywordField(line, "Other", kOtherWidth)) {
            // A list too long for one line goes on over the "Other" lines that follow it; any
            // other line holding the keyword (a name such as "Other: ...") starts afresh.
            if (!afterOtherLine) run.ClearOtherCategories();
            SplitCategoryList(*others, &record);
        }
        afterOtherLine = StartsWith(line, "Other");
        const bool more = reader.Next();
        if (IsSeparator(run.line()) || !more) return;
    }
}

void ReadIngredients(FilterRun &run) {
    LineReader &reader = run.reader();
    while (!IsSeparator(run.line()) && !run.IngredientsFull()) {
        const std::string_view line = run.line();
        const double quantity = QuantityText(Column(line, 0, 9).value_or(""));
        ImportedIngredient entry = EmptyIngredient();
        ApplyUnit(LookupUnit(quantity, ""), &entry);
        if (const auto unit = Column(line, 10, 19)) {
            const UnitLookup lookup = LookupUnit(quantity, *unit);
            if (!lookup.found) run.Warn("Invalid measurement type");
            ApplyUnit(lookup, &entry);
        }
        std::string_view name = Column(line, 20, 51).value_or("");
        std::string_view note = Column(line, 52, LineReader::kLineMax).value_or("");
        if (const size_t tab = line.find('\t', 20); tab != std::string_view::npos) {
            name = TrimBlanksAndTabs(line.substr(20, tab - 20));
            note = TrimBlanksAndTabs(line.substr(tab + 1));
        }
        if (name.empty()) {
            run.Warn("Missing Ingredient Name");
        } else {
            SetText(entry.name, name);
            SetText(entry.preparation, note);
            run.StoreIngredient(entry);
        }
        if (!reader.Next()) return;
    }
    // Lines that find no place any more are not method text: skip them.
    while (!IsSeparator(run.line()) && reader.more())
        reader.Next();
}

void ReadMethod(FilterRun &run) {
    LineReader &reader = run.reader();
    run.ClearMethod();
    bool truncated = false;
    while (!IsSeparator(run.line())) {
        std::string_view body = reader.wholeLine();
        std::string_view ending = "\r\n";
        if (body.ends_with("\\\\")) {
            body.remove_suffix(2);
            ending = "";
        } else if (body.ends_with('\\')) {
            body.remove_suffix(1);
            ending = " ";
        }
        bool fits = true;
        for (int n = 0; n < reader.blankLinesBefore() && fits; ++n)
            fits = run.AppendMethod("\r\n");
        if (!fits || !run.AppendMethod(body, ending)) {
            run.Warn("Method truncated");
            truncated = true;
            break;
        }
        if (!reader.Next()) break;
    }
    // The rest of a method that did not fit is not trailer text.
    while (truncated && !IsSeparator(run.line()) && reader.more())
        reader.Next();
}

void ReadTrailer(FilterRun &run) {
    LineReader &reader = run.reader();
    RecipeImportRecord &record = run.record();
    while (!StartsWith(run.line(), "===== End")) {
        const std::string_view line = run.line();
        FlagField(line, "Vegetarian", &record.vegetarian);
        FlagField(line, "Gluten Free", &record.glutenFree);
        FlagField(line, "Dairy Free", &record.dairyFree);
        if (const auto calories = RawKeywordField(line, "Calories", kTrailerWidth))
            record.calories = *calories == "Unknown" ? -1 : IntegerPrefix(*calories);
        if (const auto cost = RawKeywordField(line, "Cost", kTrailerWidth))
            record.cost = *cost == "Unknown" ? -1.0f : ClampToFloat(DecimalPrefix(*cost));
        if (const auto difficulty = RawKeywordField(line, "Difficulty", kTrailerWidth))
            record.difficulty = *difficulty == "Hard" ? 'C' : *difficulty == "Medium" ? 'B' : 'A';
        if (const auto reference = RawKeywordField(line, "Reference", sizeof record.reference))
            SetText(record.reference, *reference);
        if (const auto serves = CleanedKeywordField(line, "Serves", kServesWidth))
            record.servings = IntegerPrefix(*serves);
        if (const auto prep = RawKeywordField(line, "Prep Time", kTrailerWidth))
            record.prepTime = TimeValue(*prep);
        if (const auto total = RawKeywordField(line, "Total Time", kTrailerWidth))
            record.totalTime = TimeValue(*total);
        if (!reader.Next()) return;
    }
}
}  // namespace

int32_t ReadOwnText(FilterRun &run) {
    LineReader &reader = run.reader();
    RecipeImportRecord &record = run.record();
    record.calories = -1;
    record.cost = -1.0f;
    record.difficulty = 'A';

    if (!reader.Next()) return -1;
    for (int n = 1; !StartsWith(run.line(), "=====") && reader.more() && n < kSkipLimit; ++n)
        reader.Next();
    if (!reader.Next()) return -1;
    run.SkipShortLines(kShortLine);
    ReadHead(run);
    if (!reader.Next()) return -1;

    int32_t result = 0;
    if (SlotText(record.name).empty() || SlotText(record.category).empty()) {
        run.log().Problem("No Name or Category found");
        result = 1;
    }
    run.SkipShortLines(kShortLine);
    ReadIngredients(run);
    reader.Next();
    if (run.IngredientsFull()) run.Warn("Too many Ingredients found");
    run.SkipShortLines(kShortLine);
    ReadMethod(run);
    reader.Next();
    run.SkipShortLines(kShortLine);
    ReadTrailer(run);
    return result;
}

}  // namespace kw::import

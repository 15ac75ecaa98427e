// Filter 2: MasterCook export text, one recipe per call.
//
// A recipe as MasterCook exports it (columns 0-based; "." marks a blank):
//
//   *..Exported.from..MasterCook..*                       banner (blank runs vary)
//   .
//   .....................Almond Biscotti                   title
//   .
//   Recipe By.....: Jane Fonda                             head fields, several per line
//   Serving Size..: 1.....Preparation Time :0:30
//   Categories....: Cookies & Bars                 Vegetarian
//   ................Eat-Lf Mailing List                    more categories
//   .
//   ..Amount..Measure.......Ingredient -- Preparation Method   column headings
//   --------..------------..--------------------------------
//   ...1.1/2..cups..........flour -- sifted                ingredients
//   ........................Sauce:                         sub-heading: " (Sauce)" suffix
//   ........................more of the last note           eight blanks: continuation
//   .
//   Method text, paragraphs ...                             method
//   .
//   ....................- - - - - - - - - - - - - - - -    end marker
//
// Ingredient columns: whole quantity 0-3, fraction 5-7, measure 10-21, text 24-60.
//
// Categories are split at ',' and also at tabs and runs of two or more blanks, which is how
// MasterCook separates them; lines right after the "Categories" line that hold only more
// categories continue the list. The head also ends at the column headings (a recipe whose
// category list is empty has no other end to its head). An empty line ends the ingredient list.
// A banner met after the head is the next recipe: the recipe ends before it and the banner is
// left for the next call. Ingredient lines past the 256th entry are passed over to the end of
// the list. Method lines are taken whole, however long (MasterCook writes each paragraph as one
// line), and a method too long for the record is passed over to its end.
#include <string>
#include <string_view>

#include "detectors.h"
#include "fields.h"
#include "filter_run.h"
#include "units.h"

namespace kw::import {

namespace {
constexpr size_t kShortLine = 2;
constexpr size_t kNameLength = 48;
constexpr size_t kReferenceWidth = 48;
constexpr size_t kTimeWidth = 32;
constexpr size_t kCategoriesWidth = 128;
constexpr size_t kServingsWidth = 32;
constexpr size_t kHeadingLength = 64;
constexpr int kHeadFields = 4;
constexpr std::string_view kMethodStop = "- - - -";
constexpr std::string_view kEndMarker = "- - - - -";

bool IsColumnHeading(std::string_view line) {
    return StartsWith(line, "  Amount") || StartsWith(line, "--------");
}

bool HasHeadField(std::string_view line) {
    for (std::string_view keyword : {"Recipe By", "Serving Size", "Categories", "Preparation Time"})
        if (Contains(line, keyword)) return true;
    return false;
}

bool IsEmptyOrAfterEmpty(const LineReader &reader) {
    return reader.empty() || reader.blankLinesBefore() > 0;
}

void SkipEmptyLines(LineReader &reader) {
    for (int n = 0; n < kSkipLimit && reader.empty() && reader.more(); ++n)
        reader.Next();
}

// MasterCook lines its categories up in columns; commas, tabs and blank runs all separate them.
void AddCategories(FilterRun &run, std::string_view text) {
    std::string list(text);
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == '\t' || (list[i] == ' ' && i + 1 < list.size() && list[i + 1] == ' '))
            list[i] = ',';
    }
    SplitCategoryList(list, &run.record());
}

// A line after "Categories" that holds only more categories: indented, no field of its own.
bool IsCategoryContinuation(std::string_view line) {
    return !line.empty() && (line.front() == ' ' || line.front() == '\t') &&
           !TrimBlanksAndTabs(line).empty() && !Contains(line, ":") && !IsColumnHeading(line) &&
           !IsMasterCookBanner(line);
}

void ReadHead(FilterRun &run) {
    LineReader &reader = run.reader();
    RecipeImportRecord &record = run.record();
    bool afterCategories = false;
    for (int found = 0; found < kHeadFields;) {
        const std::string_view line = run.line();
        if (afterCategories && IsCategoryContinuation(line)) {
            AddCategories(run, line);
            if (SlotText(record.category).empty() && run.TakePrimaryFromOthers()) ++found;
        } else {
            afterCategories = false;
        }
        if (const auto by = RawKeywordField(line, "Recipe By", kReferenceWidth)) {
            SetText(record.reference, *by);
            ++found;
        }
        if (const auto time = RawKeywordField(line, "Preparation Time", kTimeWidth)) {
            record.prepTime = TimeValue(*time);
            ++found;
        }
        if (const auto categories = RawKeywordField(line, "Categories", kCategoriesWidth)) {
            run.ClearOtherCategories();
            AddCategories(run, *categories);
            if (run.TakePrimaryFromOthers()) ++found;
            afterCategories = true;
        }
        if (const auto serving = RawKeywordField(line, "Serving Size", kServingsWidth)) {
            record.servings = IntegerPrefix(*serving);
            ++found;
        }
        const bool more = reader.Next();
        if (reader.length() < kShortLine || !more || IsColumnHeading(run.line()) ||
            IsMasterCookBanner(run.line()))
            return;
    }
    while (afterCategories && IsCategoryContinuation(run.line())) {
        AddCategories(run, run.line());
        if (SlotText(record.category).empty()) run.TakePrimaryFromOthers();
        if (!reader.Next()) break;
    }
}

enum class ListEnd { kMethod, kNextRecipe };

// Reads one ingredient line into the record; false when the line was a sub-heading or a
// continuation, after which the next line is read at once.
bool ReadIngredientLine(FilterRun &run, std::string_view line, std::string *suffix) {
    ImportedIngredient entry = EmptyIngredient();
    const double quantity =
        MixedQuantity(Column(line, 0, 3).value_or(""), Column(line, 5, 7).value_or(""));
    ApplyUnit(LookupUnit(quantity, ""), &entry);
    if (const auto measure = Column(line, 10, 21))
        ApplyUnit(LookupUnit(quantity, *measure), &entry);

    std::string name;
    if (const auto text = Column(line, 24, 60)) {
        std::string_view before = *text;
        const size_t dashes = before.find("--");
        if (dashes != std::string_view::npos) {
            SetText(entry.preparation, SkipLeadingBlanks(before.substr(dashes + 2)));
            before = before.substr(0, dashes);
        }
        before = TrimTrailingBlanksAndTabs(before);
        if (!before.empty() && before.back() == ':') {
            const std::string_view heading =
                TrimTrailingBlanksAndTabs(before.substr(0, before.size() - 1));
            *suffix = " (" + std::string(heading.substr(0, kHeadingLength)) + ")";
            return false;
        }
        ImportedIngredient *previous = run.LastIngredient();
        if (StartsWith(line, "        ") && previous != nullptr) {
            // No amount and no measure: more of the previous line's note (the section suffix
            // belongs to names, not to notes).
            ContinueNote(previous, before);
            return false;
        }
        name = std::string(before) + *suffix;
    }
    if (TrimBlanksAndTabs(name).empty()) {
        run.Warn("Missing Ingredient Name");
    } else {
        SetText(entry.name, name);
        MarkNoAmountIfZero(quantity, &entry);
        run.StoreIngredient(entry);
    }
    return true;
}

ListEnd ReadIngredients(FilterRun &run) {
    LineReader &reader = run.reader();
    std::string suffix;
    bool overflow = false;
    for (;;) {
        const std::string_view line = run.line();
        if (IsEmptyOrAfterEmpty(reader)) break;
        // Lines past the 256th entry are passed over to the end of the list, not read as method.
        const bool full = run.IngredientsFull();
        if (full && !overflow) {
            run.Warn("Too many Ingredients found");
            overflow = true;
        }
        if (line.front() != ' ') break;
        if (IsMasterCookBanner(line)) return ListEnd::kNextRecipe;
        if (!full && !ReadIngredientLine(run, line, &suffix)) {
            reader.Next();
            continue;
        }
        const bool more = reader.Next();
        SkipEmptyLines(reader);
        if (IsEmptyOrAfterEmpty(reader) || !more) break;
    }
    if (!overflow && run.ingredientCount() > KWIMPT_MAX_INGREDIENTS - 1)
        run.Warn("Too many Ingredients found");
    return ListEnd::kMethod;
}

enum class MethodEnd { kStop, kTooLong, kNextRecipe };

MethodEnd ReadMethod(FilterRun &run) {
    LineReader &reader = run.reader();
    run.ClearMethod();
    for (;;) {
        const std::string_view line = run.line();
        if (reader.empty() || Contains(line, kMethodStop)) return MethodEnd::kStop;
        if (IsMasterCookBanner(line)) return MethodEnd::kNextRecipe;
        if (!AppendForeignMethodLine(run)) return MethodEnd::kTooLong;
        if (!reader.Next()) return MethodEnd::kStop;
    }
}

// Consumes the end marker; false when the next recipe's banner came first (it is put back).
bool FindEndMarker(FilterRun &run) {
    LineReader &reader = run.reader();
    int n = 0;
    for (; n < kSkipLimit && reader.empty() && reader.more(); ++n)
        reader.Next();
    for (;; ++n) {
        if (Contains(run.line(), kEndMarker)) return true;
        if (IsMasterCookBanner(run.line())) {
            reader.PutBack();
            return false;
        }
        if (n >= kSkipLimit || !reader.more()) return true;
        reader.Next();
    }
}

}  // namespace

int32_t ReadMasterCook(FilterRun &run) {
    LineReader &reader = run.reader();
    RecipeImportRecord &record = run.record();
    if (!reader.Next()) return -1;

    // The banner, the current line first. Without one, reading goes on after the first line —
    // unless the text ends first without a head field: what MasterCook writes below a recipe's
    // end marker (nutrition, notes) is no recipe of its own.
    LineReader probe = reader;
    bool headField = false;
    for (int n = 0; n < kSkipLimit; ++n) {
        if (IsMasterCookBanner(probe.line())) {
            reader = probe;
            break;
        }
        headField = headField || HasHeadField(probe.line());
        if (!probe.more()) {
            if (headField) break;
            reader = probe;
            return -1;
        }
        probe.Next();
    }
    if (!reader.Next()) return -1;
    SkipEmptyLines(reader);

    int32_t result = 0;
    const std::string_view title =
        TrimTrailingBlanksAndTabs(SkipLeadingBlanks(run.line()).substr(0, kNameLength));
    if (title.empty()) {
        SetText(record.name, "No-Name-Found");
        run.log().Problem("No Name found");
        result = 1;
    } else {
        SetText(record.name, title);
    }
    ReadHead(run);
    if (SlotText(record.name).empty() || SlotText(record.category).empty()) {
        run.log().Problem("No Name or Category found");
        result = 1;
    }
    SkipEmptyLines(reader);

    bool textEnded = false;
    while (IsColumnHeading(run.line())) {
        if (!reader.Next()) {
            textEnded = true;
            break;
        }
    }
    if (!textEnded) {
        const ListEnd end = ReadIngredients(run);
        if (end == ListEnd::kNextRecipe) {
            reader.PutBack();
            SetForeignDefaults(record);
            return result;
        }
    }
    SkipEmptyLines(reader);

    const MethodEnd method = ReadMethod(run);
    if (method == MethodEnd::kNextRecipe) {
        reader.PutBack();
        SetForeignDefaults(record);
        return result;
    }
    if (method == MethodEnd::kTooLong) {
        // The part that did not fit is passed over as a whole.
        while (!reader.empty() && !Contains(run.line(), kMethodStop) &&
               !IsMasterCookBanner(run.line()) && reader.Next()) {
        }
    }
    if (!reader.empty() && !Contains(run.line(), kEndMarker) && !IsMasterCookBanner(run.line()))
        reader.Next();
    const bool markerFound = FindEndMarker(run);
    SetForeignDefaults(record);
    if (markerFound) run.SkipShortLines(kShortLine);
    return result;
}

}  // namespace kw::import

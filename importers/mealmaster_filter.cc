// Filter 1: Meal-Master export text, one recipe per call.
//
// A recipe as Meal-Master writes it (columns 0-based; "." marks a blank):
//
//   MMMMM----- Recipe via Meal-Master (tm) v8.05          head line ("-----" in older versions)
//   .
//   ......Title: Almond Puff                               head fields: Title, Categories and
//   .Categories: Appetizers, Desserts                      Yield (version 8) or Servings
//   ......Yield: 6 servings                                (version 7)
//   .
//   ....1/2.c..Butter;.softened................1.1/2.c..Flour    one or two per line
//   MMMMM-------------GLAZE----------------                 sub-heading (skipped)
//   ...........-finely chopped                             continuation of the last note
//   .
//   ..Heat oven to 350. Cut the butter into the            method, indented by two blanks
//   ..flour.
//   .
//   MMMMM                                                  end marker
//
// Ingredient columns:      left     right
//   whole quantity         0-2      41-43
//   fraction               4-6      45-47
//   unit                   8-9      49-50
//   text (name; note)      11-39    52-80
//
// A line is short when it holds fewer than 2 bytes. Besides such lines an empty line (which the
// line reader consumes) also separates the head and the ingredient list from what follows, so
// text whose trailing blanks were stripped reads like the original. A "-----" or "MMMMM" line
// that names Meal-Master met inside the ingredient list is the head of the next recipe: the
// recipe ends before it and the line is left for the next call. Ingredient lines past the 256th
// entry are passed over to the end of the list. Method lines are taken whole, however long, and
// a method too long for the record is passed over to its end before the end marker is looked for.
//
// The right column is the left one moved 41 places on, whole part included: Meal-Master
// right-aligns a quantity in its seven places, so the one digit of "1 1/2" stands in column 43,
// and a whole part read from columns 41-42 alone would leave "1/2".
#include <string_view>

#include "fields.h"
#include "filter_run.h"
#include "units.h"

namespace kw::import {

namespace {
constexpr size_t kShortLine = 2;
constexpr size_t kNameWidth = 48;
constexpr size_t kCategoriesWidth = 128;
constexpr size_t kYieldWidth = 32;
constexpr int kHeadFields = 3;

struct IngredientColumns {
    size_t wholeFirst, wholeLast;
    size_t fractionFirst, fractionLast;
    size_t unitFirst, unitLast;
    size_t textFirst, textLast;
};
constexpr IngredientColumns kLeftColumn{0, 2, 4, 6, 8, 9, 11, 39};
constexpr IngredientColumns kRightColumn{41, 43, 45, 47, 49, 50, 52, 80};

bool IsSectionLine(std::string_view line) {
    return StartsWith(line, "-----") || StartsWith(line, "MMMMM");
}

bool IsRecipeHead(std::string_view line) {
    return IsSectionLine(line) && Contains(line, "Meal-Master");
}

bool IsShortOrAfterEmpty(const LineReader &reader) {
    return reader.length() < kShortLine || reader.blankLinesBefore() > 0;
}

// The first method line: two blanks and a letter in the fourth place.
bool LooksLikeMethodLine(std::string_view line) {
    return StartsWith(line, "  ") && line.size() > 3 && IsAsciiLetter(line[3]);
}

// Reads one ingredient column of line and stores it (or continues the previous note).
void ReadIngredientColumn(FilterRun &run, std::string_view line, const IngredientColumns &at) {
    ImportedIngredient entry = EmptyIngredient();
    double quantity = 0;
    if (line.size() >= at.fractionFirst) {
        quantity = MixedQuantity(Column(line, at.wholeFirst, at.wholeLast).value_or(""),
                                 Column(line, at.fractionFirst, at.fractionLast).value_or(""));
    }
    ApplyUnit(LookupUnit(quantity, ""), &entry);
    if (const auto unit = Column(line, at.unitFirst, at.unitLast))
        ApplyUnit(LookupUnit(quantity, *unit), &entry);

    const auto text = Column(line, at.textFirst, at.textLast);
    if (!text) return;
    size_t cut = text->find(';');
    if (cut == std::string_view::npos) cut = text->find(',');
    const std::string_view name = TrimTrailingBlanksAndTabs(text->substr(0, cut));
    const std::string_view note = cut == std::string_view::npos
                                      ? std::string_view()
                                      : SkipLeadingBlanks(text->substr(cut + 1));

    ImportedIngredient *previous = run.LastIngredient();
    if (!name.empty() && name.front() == '-' && quantity < 0.001 && previous != nullptr) {
        // "-finely chopped": more of the previous line's note. Text after a ';' or ',' of the
        // continuation belongs to no entry and is dropped.
        ContinueNote(previous, SkipLeadingBlanks(name.substr(1)));
        return;
    }
    if (name.empty()) return;
    SetText(entry.name, name);
    SetText(entry.preparation, note);
    MarkNoAmountIfZero(quantity, &entry);
    run.StoreIngredient(entry);
}

// Head fields; false when the text ended inside the head.
bool ReadHead(FilterRun &run) {
    LineReader &reader = run.reader();
    RecipeImportRecord &record = run.record();
    for (int found = 0; found < kHeadFields;) {
        const std::string_view line = run.line();
        if (const auto title = CleanedKeywordField(line, "Title", kNameWidth)) {
            SetText(record.name, *title);
            ++found;
        }
        if (const auto categories = RawKeywordField(line, "Categories", kCategoriesWidth)) {
            run.ClearOtherCategories();
            SplitCategoryList(*categories, &record);
            if (run.TakePrimaryFromOthers()) ++found;
        }
        // Version 7 writes "Servings:" where version 8 writes "Yield:".
        auto yield = RawKeywordField(line, "Yield", kYieldWidth);
        if (!yield) yield = RawKeywordField(line, "Servings", kYieldWidth);
        if (yield) {
            record.servings = IntegerPrefix(*yield);
            ++found;
        }
        if (!reader.Next()) return false;
        if (IsShortOrAfterEmpty(reader)) break;
    }
    return true;
}

enum class IngredientsEnd { kMethod, kNextRecipe };

IngredientsEnd ReadIngredients(FilterRun &run) {
    LineReader &reader = run.reader();
    bool shortSeen = false;
    bool overflow = false;
    for (;;) {
        if (IsSectionLine(run.line())) {
            if (IsRecipeHead(run.line())) return IngredientsEnd::kNextRecipe;
            reader.Next();
            shortSeen = false;
            if (IsRecipeHead(run.line())) return IngredientsEnd::kNextRecipe;
        }
        if (reader.length() < kShortLine) break;
        // Lines past the 256th entry are passed over to the end of the list, not read as method.
        const bool full = run.IngredientsFull();
        if (full && !overflow) {
            run.Warn("Too many Ingredients found");
            overflow = true;
        }
        if (shortSeen) break;
        if (!full) {
            ReadIngredientColumn(run, run.line(), kLeftColumn);
            if (!run.IngredientsFull()) ReadIngredientColumn(run, run.line(), kRightColumn);
        }

        bool more = reader.Next();
        if (IsShortOrAfterEmpty(reader)) shortSeen = true;
        for (int n = 0; n < kSkipLimit && reader.length() < kShortLine && more; ++n) {
            more = reader.Next();
            shortSeen = true;
        }
        if (LooksLikeMethodLine(run.line()) || !more) break;
    }
    if (!overflow && run.ingredientCount() > KWIMPT_MAX_INGREDIENTS - 1)
        run.Warn("Too many Ingredients found");
    return IngredientsEnd::kMethod;
}

bool IsMethodLine(std::string_view line) {
    return line.size() >= kShortLine && !IsSectionLine(line) && StartsWith(line, "  ");
}

// Returns true when the method stopped at a line that still belongs to it.
bool ReadMethod(FilterRun &run) {
    LineReader &reader = run.reader();
    run.ClearMethod();
    for (;;) {
        const std::string_view line = run.line();
        if (!IsMethodLine(line)) break;
        if (!AppendForeignMethodLine(run)) return true;
        if (!reader.Next()) break;
    }
    return false;
}

void FindEndMarker(FilterRun &run) {
    LineReader &reader = run.reader();
    int n = 0;
    for (; n < kSkipLimit && reader.length() < kShortLine && reader.more(); ++n)
        reader.Next();
    for (; n < kSkipLimit && !IsSectionLine(run.line()) && reader.more(); ++n)
        reader.Next();
}

void SetFixedValues(RecipeImportRecord &record) {
    SetForeignDefaults(record);
    record.prepTime = 0;
}
}  // namespace

int32_t ReadMealMaster(FilterRun &run) {
    LineReader &reader = run.reader();
    RecipeImportRecord &record = run.record();
    if (!reader.Next()) return -1;

    // The recipe head: a "-----" or "MMMMM" line, or one naming Meal-Master, or the title (the
    // first line included, for text that starts with its title).
    for (int n = 0; !IsSectionLine(run.line()) && !Contains(run.line(), "Meal-Master") &&
                    !Contains(run.line(), "Title:");) {
        const bool more = reader.Next();
        ++n;
        if (Contains(run.line(), "Title:") || !more || n >= kSkipLimit) break;
    }
    if (!Contains(run.line(), "Title:") && !reader.Next()) return -1;
    run.SkipShortLines(kShortLine);
    if (!ReadHead(run)) return -1;

    int32_t result = 0;
    if (SlotText(record.name).empty() || SlotText(record.category).empty()) {
        run.log().Problem("No Name or Category found");
        result = 1;
    }
    run.SkipShortLines(kShortLine);

    const IngredientsEnd end = ReadIngredients(run);
    if (end == IngredientsEnd::kNextRecipe) {
        reader.PutBack();
        SetFixedValues(record);
        return result;
    }
    run.SkipShortLines(kShortLine);
    if (ReadMethod(run)) {
        // The part of the method that did not fit is passed over as a whole, so the end marker
        // is looked for where the method ends.
        while (IsMethodLine(run.line()) && reader.Next()) {
        }
    }
    FindEndMarker(run);
    SetFixedValues(record);
    run.SkipShortLines(kShortLine);
    return result;
}

}  // namespace kw::import

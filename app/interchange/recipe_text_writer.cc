// The recipe text writer; the layout and what the reader relies on are in recipe_text_writer.h.
#include "app/interchange/recipe_text_writer.h"

#include "app/core/startup_flags.h"
#include "app/recipes/recipe_record.h"
#include "app/recipes/recipe_time.h"

namespace kw {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kSeparator[] = "-----\r\n";
constexpr char kOtherLabel[] = "Other   : ";
constexpr char kOtherEntryEnd[] = ", ";
// The name column is 32 wide; a longer name ends in this, and the note follows it.
constexpr size_t kNameWidth = 32;
constexpr char kLongNameEnd = '\t';
// Method lines the reader would misread (see the header).
constexpr std::string_view kMethodEndMark = "-----";
constexpr size_t kShortLine = 3;

// A value meant for one line: line breaks and tabs become blanks.
std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return out;
}

// text left-aligned in a field of width characters; a longer text is kept whole.
std::string Padded(std::string_view text, size_t width) {
    std::string out(text);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

char YesNo(bool value) {
    return value ? 'Y' : 'N';
}

// Collects the method's output lines, applying the two changes that keep the reader on track.
class MethodLines {
  public:
    void Emit(std::string line, std::string_view marker) {
        if (line.compare(0, kMethodEndMark.size(), kMethodEndMark) == 0) line.insert(0, 1, ' ');
        if (!seenText_ && !line.empty()) {
            seenText_ = true;
            if (line.size() < kShortLine) line.append(kShortLine - line.size(), ' ');
        }
        text_ += line;
        text_ += marker;
        text_ += kLineEnd;
    }
    std::string Take() { return std::move(text_); }

  private:
    std::string text_;
    bool seenText_ = false;
};

}  // namespace

bool RecipeTextValues::operator==(const RecipeTextValues &other) const {
    auto sameLines = [](const std::vector<RecipeTextIngredient> &a,
                        const std::vector<RecipeTextIngredient> &b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i) {
            const StoredIngredientLine &x = a[i].stored, &y = b[i].stored;
            if (a[i].name != b[i].name || x.quantity != y.quantity || x.opts != y.opts ||
                x.measured != y.measured || x.preparation != y.preparation)
                return false;
        }
        return true;
    };
    return name == other.name && category == other.category &&
           otherCategories == other.otherCategories && sameLines(ingredients, other.ingredients) &&
           method == other.method && vegetarian == other.vegetarian &&
           glutenFree == other.glutenFree && dairyFree == other.dairyFree &&
           calories == other.calories && cost == other.cost && difficulty == other.difficulty &&
           reference == other.reference && servings == other.servings &&
           prepTime == other.prepTime && totalTime == other.totalTime;
}

std::vector<RecipeTextLine> ShowRecipeTextLines(const UnitContext &context,
                                                const std::vector<RecipeTextIngredient> &lines) {
    std::vector<RecipeTextLine> shown;
    shown.reserve(lines.size());
    for (const RecipeTextIngredient &line : lines) {
        IngredientLineText text = FormatIngredientLine(context, line.stored, line.name, false);
        shown.push_back({std::move(text.quantity), std::move(text.unit), line.name,
                         std::move(text.preparation)});
    }
    return shown;
}

std::string FormatRecipeTextOtherLines(std::string_view category,
                                       const std::vector<std::string> &others) {
    std::string text = kOtherLabel;
    std::string line = kOtherLabel;
    const size_t labelLength = line.size();
    for (const std::string &other : others) {
        if (other.empty() || other == category)
            continue;  // the primary's own link, compared exactly
        const std::string entry = OneLine(other) + kOtherEntryEnd;
        if (line.size() > labelLength && line.size() + entry.size() > kRecipeTextLineLimit) {
            text += kLineEnd;
            text += kOtherLabel;
            line = kOtherLabel;
        }
        text += entry;
        line += entry;
    }
    return text + kLineEnd;
}

std::string FormatRecipeTextIngredientLine(const RecipeTextLine &line) {
    const std::string name = OneLine(line.name);
    std::string text = Padded(OneLine(line.quantity), 10) + Padded(OneLine(line.unit), 10);
    if (name.size() > kNameWidth)
        text += name + kLongNameEnd;
    else
        text += Padded(name, kNameWidth);
    text += Padded(OneLine(line.preparation), 32);
    return text + kLineEnd;
}

std::string FormatRecipeTextMethod(std::string_view method) {
    MethodLines lines;
    std::string line;
    for (const char c : method) {
        if (c == '\r') continue;
        if (c == '\n') {
            lines.Emit(std::move(line), "");
            line.clear();
            continue;
        }
        // A blank after a '\' is kept: the line would end in "\\", the mark of a run break.
        if (c == ' ' && line.size() >= kRecipeTextBreakColumn && line.back() != '\\') {
            lines.Emit(std::move(line), "\\");
            line.clear();
            continue;
        }
        if (line.size() >= kRecipeTextRunLimit) {
            lines.Emit(std::move(line), "\\\\");
            line.clear();
        }
        line.push_back(c);
    }
    lines.Emit(std::move(line), "");
    return lines.Take();
}

std::string RecipeTextTime(int minutes) {
    return FormatRecipeTime(minutes);
}

const char *RecipeTextDifficulty(char code) {
    const char *text = recipedb::DifficultyText(code);
    return *text ? text : recipedb::DifficultyText('A');
}

std::string FormatRecipeText(const RecipeTextValues &recipe,
                             const std::vector<RecipeTextLine> &lines) {
    std::string text;
    text += std::string("===== Recipe By Kettleworth ") + kProgramVersion + " [" +
            kRecipeTextBuildLabel + "] =====" + kLineEnd;
    text += std::string("===== ") + kRecipeTextWebAddress + kLineEnd;
    text += "Name    : " + Padded(OneLine(recipe.name), 32) + kLineEnd;
    text += "Category: " + Padded(OneLine(recipe.category), 32) + kLineEnd;
    text += FormatRecipeTextOtherLines(recipe.category, recipe.otherCategories);
    text += kSeparator;
    for (const RecipeTextLine &line : lines)
        text += FormatRecipeTextIngredientLine(line);
    text += kSeparator;
    text += FormatRecipeTextMethod(recipe.method);
    text += kSeparator;
    text += std::string("Vegetarian: ") + YesNo(recipe.vegetarian) +
            "  Gluten Free: " + YesNo(recipe.glutenFree) + kLineEnd;
    text += std::string("Dairy Free: ") + YesNo(recipe.dairyFree) + kLineEnd;
    text += "Calories  : " +
            (recipe.calories ? std::to_string(*recipe.calories) : std::string("Unknown")) +
            kLineEnd;
    text += "Cost      : " + (recipe.cost ? FormatCost(*recipe.cost) : std::string("Unknown")) +
            kLineEnd;
    text += std::string("Difficulty: ") + RecipeTextDifficulty(recipe.difficulty) + kLineEnd;
    text += "Reference : " + OneLine(recipe.reference) + kLineEnd;
    text += "Serves    : " + std::to_string(recipe.servings) + kLineEnd;
    text += "Prep Time : " + Padded(RecipeTextTime(recipe.prepTime), 10) +
            " Total Time: " + Padded(RecipeTextTime(recipe.totalTime), 10) + kLineEnd;
    text += std::string("===== End =====") + kLineEnd;
    return text;
}

std::string FormatRecipeText(const RecipeTextValues &recipe, const UnitContext &context) {
    return FormatRecipeText(recipe, ShowRecipeTextLines(context, recipe.ingredients));
}

}  // namespace kw

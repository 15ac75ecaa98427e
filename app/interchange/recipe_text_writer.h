// The recipe text: the program's own plain-text form of one recipe, which the recipe window saves
// to a file, copies to the clipboard and sends by mail, and which the import filter "Kettleworth"
// (index 0 of the filter plug-in) reads back. This is the one writer of that layout.
//
// The text is Windows-1252, every line ended by CR LF, nineteen kinds of line in this order:
//
//   LINE                                            CONTENT
//   "===== Recipe By Kettleworth %s [%s] ====="    program version ("2.0"), the build's label
//   "===== %s"                                      the product's web address
//   "Name    : %-32s"                               recipe name
//   "Category: %-32s"                               primary category
//   "Other   : " then "%s, " per category           the other categories (see below)
//   "-----"
//   "%-10s%-10s%-32s%-32s", one per ingredient      quantity, unit, name, preparation as shown
//   "-----"
//   method lines                                    see below; an empty method is one empty line
//   "-----"
//   "Vegetarian: %c  Gluten Free: %c"               'Y' or 'N'
//   "Dairy Free: %c"
//   "Calories  : %s"                                "%d", or "Unknown"
//   "Cost      : %s"                                "%.2f", or "Unknown"
//   "Difficulty: %s"                                "Easy", "Medium" or "Hard"
//   "Reference : %s"
//   "Serves    : %d"
//   "Prep Time : %-10s Total Time: %-10s"           "%d:%02d" hours and minutes each
//   "===== End ====="
//
// What the reader needs, and this writer therefore guarantees:
//   - Every line but the method lines holds at most 128 bytes (the reader's line length). The
//     "Other" line leaves out the primary category (it is also one of the recipe's category
//     links) and empty links; a list too long for one line goes on over further "Other   : "
//     lines, which the reader joins.
//   - Ingredient columns: quantity 0-9, unit 10-19, name 20-51, note from 52. A longer value is
//     written whole and shifts the rest of its line; since a name longer than 32 characters
//     would then run straight into its note, such a name is ended by a tab, where the reader
//     looks for the note instead of column 52.
//   - Method lines: CR is dropped, LF ends a line. A blank met when the line already holds 71
//     characters ends the line in its place with '\' (the reader turns it back into the blank);
//     a blank right after a '\' is not taken, since "\\" has its own meaning. A line that
//     reaches 100 characters with no blank to break at ends with "\\" (the reader joins it to
//     the next line with nothing between), so no line is too long to mail and no text is cut.
//     Two things the reader would otherwise misread are changed, visibly and harmlessly: a
//     method line beginning with "-----" (the end of the method to the reader) gets one leading
//     blank, and a first method line of one or two characters (which the reader skips as a
//     stray short line) is padded with blanks to three.
//   - Texts meant for one line (name, category, reference, ...) have CR and LF replaced by
//     blanks, so a damaged value cannot break the layout.
//
// The functions only format; the caller reads the recipe (recipe_text_loader.h, or the recipe
// window's own contents) and hands the text on (recipe_text_output.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/recipes/units.h"

namespace kw {

// The short label of this build in the first line's brackets; readers ignore it.
inline constexpr char kRecipeTextBuildLabel[] = "Linux";
// The product's web address on the second line; readers ignore it. It must not contain "Name",
// "Category" or "Other" followed by ':', which the reader would take for a head field.
inline constexpr char kRecipeTextWebAddress[] = "https://kettleworth.example/";
// The name the recipe text is offered under when saved, and the attachment's name in mail.
inline constexpr char kRecipeTextFileName[] = "recipe.txt";

// Where a method line is broken at a blank, and where a run without blanks is broken.
inline constexpr size_t kRecipeTextBreakColumn = 71;
inline constexpr size_t kRecipeTextRunLimit = 100;
// The longest line other than a method line.
inline constexpr size_t kRecipeTextLineLimit = 128;

// One ingredient line as stored (a KWRECING record).
struct RecipeTextIngredient {
    std::string name;             // INGREDIE
    StoredIngredientLine stored;  // QUANTITY (base amount), OPTS, MEASURED, PREPARAT
};

// One ingredient line as the recipe window shows it: the four texts written into the columns.
struct RecipeTextLine {
    std::string quantity;     // "1 1/2", "250", "-"
    std::string unit;         // "cup", "g", "items", "-"
    std::string name;         // ingredient name
    std::string preparation;  // preparation note, may be empty
};

// A recipe as the text shows it: the KWRECIPE fields, the recipe's KWRCPCAT links and its
// KWRECING lines. Texts are Windows-1252.
struct RecipeTextValues {
    std::string name;      // NAME
    std::string category;  // CATEGORY: the primary category
    // OTHERCAT of the recipe's KWRCPCAT links in index order. The link to the primary category
    // itself may be among them; it is not written.
    std::vector<std::string> otherCategories;
    std::vector<RecipeTextIngredient> ingredients;  // in list order
    std::string method;                             // METHOD: paragraphs split by CR LF or LF
    bool vegetarian = false;                        // VEGETARI
    bool glutenFree = false;                        // GLUTENFR
    bool dairyFree = false;                         // DAIRYFRE
    std::optional<int> calories;                    // CALORIES; none: not known (stored -1)
    std::optional<double> cost;                     // COST; none: not known (stored -1.0)
    char difficulty = 'A';                          // DIFFICUL: 'A' easy, 'B' medium, 'C' hard
    std::string reference;                          // REFERENC
    int servings = 0;                               // NOOFSERV
    int prepTime = 0;                               // PREPTIME, minutes
    int totalTime = 0;                              // TOTALTIM, minutes

    bool operator==(const RecipeTextValues &) const;
};

// The shown texts of stored lines, as the recipe window's grid fills them
// (FormatIngredientLine, "item"/"items" spelling). A line whose MEASURED is the ingredient's own
// kind looks the kind up in context.catalog (message 604 when the ingredient is unknown).
std::vector<RecipeTextLine> ShowRecipeTextLines(const UnitContext &context,
                                                const std::vector<RecipeTextIngredient> &lines);

// The whole recipe text. The first form writes the given ingredient lines (the window's grid
// texts as they stand) and ignores recipe.ingredients; the second shows recipe.ingredients with
// ShowRecipeTextLines first.
std::string FormatRecipeText(const RecipeTextValues &recipe,
                             const std::vector<RecipeTextLine> &lines);
std::string FormatRecipeText(const RecipeTextValues &recipe, const UnitContext &context);

// The parts, each ending in CR LF.
// The "Other" line(s) for a recipe of primary category `category`.
std::string FormatRecipeTextOtherLines(std::string_view category,
                                       const std::vector<std::string> &others);
// One ingredient line.
std::string FormatRecipeTextIngredientLine(const RecipeTextLine &line);
// The method lines.
std::string FormatRecipeTextMethod(std::string_view method);
// A time in minutes as the time controls show it: "%d:%02d" (a negative time, which no control
// holds, as "0:00"); the recipe form's own FormatRecipeTime.
std::string RecipeTextTime(int minutes);
// The shown difficulty of a DIFFICUL code: "Medium" for 'B', "Hard" for 'C', "Easy" otherwise
// (the recipe form's difficulty texts).
const char *RecipeTextDifficulty(char code);

}  // namespace kw

// The criteria "Find Recipe..." offers: a fixed table in the order the "Available Criteria" list
// shows them, each with its one-letter code, whether it may be selected only once, how a recipe
// is tested against it, the table and field it reads, the kind of value the user enters and the
// option list its options box offers. Also the reading of entered values (times, calories,
// cost) exactly as the search compares them, so the dialog, kwtool and the search agree.
//
//   LABEL                  CODE ONCE TEST                   TABLE     FIELD     ENTRY
//   "Vegetarian"           V    yes  flag is "T"            KWRECIPE  VEGETARI  none
//   "Gluten free"          G    yes  flag is "T"            KWRECIPE  GLUTENFR  none
//   "Dairy produce free"   D    yes  flag is "T"            KWRECIPE  DAIRYFRE  none
//   "Contains..."          O    no   a line exists          KWRECING  INGREDIE  ingredient
//   "Does not contain..."  N    no   no line exists         KWRECING  INGREDIE  ingredient
//   "Preparation time..."  P    yes  comparison             KWRECIPE  PREPTIME  time
//   "Total time..."        T    yes  comparison             KWRECIPE  TOTALTIM  time
//   "Calories..."          C    yes  comparison             KWRECIPE  CALORIES  integer
//   "Cost..."              S    yes  comparison             KWRECIPE  COST      decimal
//   "Difficulty..."        F    yes  equals the chosen code KWRECIPE  DIFFICUL  choice only
//   "In Category..."       A    no   a link exists          KWRCPCAT  OTHERCAT  category
//   "Not in Category..."   X    no   no link exists         KWRCPCAT  OTHERCAT  category
//
// Option lists: comparisons '<' "Less than", '=' "Equal", '>' "Greater than"; difficulty
// 'A' "Easy", 'B' "Medium", 'C' "Hard".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kw::planning {

enum class CriterionTest {
    kFlag,           // the recipe's logical field holds "T"
    kContains,       // a KWRECING line of the recipe names the ingredient
    kNotContains,    // no such line
    kCompare,        // the recipe's field compared with the value by the option code
    kDifficulty,     // the recipe's DIFFICUL equals the chosen option code
    kInCategory,     // a KWRCPCAT link of the recipe names the category
    kNotInCategory,  // no such link
};

// What the user enters, and so which entry control the dialog shows.
enum class CriterionEntry {
    kNone,        // nothing
    kIngredient,  // text with an ingredient picker (">>", "Select Ingredient")
    kTime,        // the time control: hours:minutes
    kInteger,     // text read as a decimal integer
    kDecimal,     // text read as a decimal number
    kChoice,      // the options box alone
    kCategory,    // a category chosen from a list
};

struct CriterionOption {
    char code;
    const char *label;
};

struct CriterionDefinition {
    const char *label;  // as listed under "Available Criteria"
    char code;
    bool once;  // may be selected only once
    CriterionTest test;
    const char *table;
    const char *field;
    CriterionEntry entry;
    const char *dataLabel;  // the label of the text field ("Ingredient Name"), "" when none
    std::span<const CriterionOption> options;  // the options box's list; empty when none
};

inline constexpr size_t kCriterionCount = 12;

// The twelve definitions in list order.
std::span<const CriterionDefinition> CriterionDefinitions();
// The definition with that code or label (exact), null when there is none.
const CriterionDefinition *FindCriterionByCode(char code);
const CriterionDefinition *FindCriterionByLabel(std::string_view label);

// The label of an option code in the definition's list, null when it has no such option.
const char *OptionLabel(const CriterionDefinition &definition, char code);

// Which entry controls the dialog shows for a selected criterion.
struct CriterionControls {
    bool optionsBox = false;  // the definition has an option list
    bool dataText = false;    // the text field with its label (ingredient, integer, decimal)
    bool ingredientPicker = false;
    bool categoryBox = false;
    bool timeControl = false;
    const char *dataLabel = "";
};
CriterionControls ControlsFor(const CriterionDefinition &definition);

// Entered values as the search reads them.
//   A time as the time control gives it: hours before the first ':' and minutes after it, each
//   the leading decimal integer; without ':' the whole text is minutes ("45" is 0:45).
int32_t ParseSearchMinutes(std::string_view text);
//   Calories: the leading decimal integer ("" and text without digits are 0).
int32_t ParseSearchCalories(std::string_view text);
//   Cost: the leading decimal number, at the single precision COST is stored in.
float ParseSearchCost(std::string_view text);

}  // namespace kw::planning

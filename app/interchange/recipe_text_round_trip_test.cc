// The recipe text written and read back with the import filter "Kettleworth" (index 0): every
// field the text carries comes back, the quantities through the filter's unit table.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/core/messages.h"
#include "app/interchange/recipe_text_writer.h"
#include "app/interchange/text_file.h"
#include "app/recipes/memory_catalog.h"
#include "import_test_support.h"
#include "kwimpt.h"

namespace kw {
namespace {

using import::testing::ReadOne;

// The filter's unit table for the unit names the program shows: spelling, kind, choice and the
// factor that turns one unit into the base amount.
struct ReaderUnit {
    const char *spelling;
    int kind;
    int choice;
    double factor;
};
constexpr ReaderUnit kReaderUnits[] = {
    {"item", 2, 0, 1},     {"items", 2, 0, 1},     {"item(s)", 2, 0, 1}, {"Kg", 0, 0, 1000},
    {"g", 0, 1, 1},        {"ltr", 1, 0, 1000},    {"ml", 1, 1, 1},      {"tbsp", 1, 2, 15},
    {"tsp", 1, 3, 5},      {"lb", 0, 0, 453.6},    {"oz", 0, 1, 28.35},  {"pt", 1, 0, 570},
    {"fl-oz", 1, 1, 28.5}, {"cup", 1, 1, 236.588}, {"-", 0, 4, 1}};

const ReaderUnit *FindReaderUnit(const std::string &spelling) {
    for (const ReaderUnit &unit : kReaderUnits)
        if (spelling == unit.spelling) return &unit;
    return nullptr;
}

// The method as the filter gives it back: every line break as CR LF, the last line ended too.
std::string MethodAsRead(std::string_view method) {
    std::string out = WithCrLfLineBreaks(method);
    if (!out.empty() && !out.ends_with("\r\n")) out += "\r\n";
    return out;
}

class RecipeTextRoundTripTest : public ::testing::Test {
  protected:
    // Writes recipe under settings, reads it back and checks every field.
    void ExpectRoundTrip(const RecipeTextValues &recipe, NumberSettings settings) {
        const UnitContext context{settings, catalog_, sink_};
        const std::vector<RecipeTextLine> shown = ShowRecipeTextLines(context, recipe.ingredients);
        const std::string text = FormatRecipeText(recipe, shown);
        const auto back = ReadOne(text, KWIMPT_OWN_TEXT);
        ASSERT_EQ(back.result, 0);
        EXPECT_EQ(back.warnings, 0);
        EXPECT_EQ(back.end, static_cast<int32_t>(text.size()));  // the end line is consumed

        EXPECT_EQ(back.name, recipe.name);
        EXPECT_EQ(back.category, recipe.category);
        std::vector<std::string> others;
        for (const std::string &other : recipe.otherCategories)
            if (!other.empty() && other != recipe.category) others.push_back(other);
        if (others.size() > KWIMPT_MAX_OTHER_CATEGORIES) others.resize(KWIMPT_MAX_OTHER_CATEGORIES);
        EXPECT_EQ(back.others, others);

        ASSERT_EQ(back.ingredients.size(), recipe.ingredients.size());
        for (size_t i = 0; i < shown.size(); ++i) {
            SCOPED_TRACE(recipe.ingredients[i].name);
            const auto &line = back.ingredients[i];
            // The import record holds 33 characters of a name.
            EXPECT_EQ(line.name, recipe.ingredients[i].name.substr(0, 33));
            EXPECT_EQ(line.note, recipe.ingredients[i].stored.preparation);
            const ReaderUnit *unit = FindReaderUnit(shown[i].unit);
            ASSERT_NE(unit, nullptr) << shown[i].unit;
            EXPECT_EQ(line.kind, unit->kind);
            EXPECT_EQ(line.choice, unit->choice);
            EXPECT_FLOAT_EQ(line.quantity,
                            static_cast<float>(ParseQuantity(shown[i].quantity) * unit->factor))
                << shown[i].quantity << " " << shown[i].unit;
        }

        EXPECT_EQ(back.method, MethodAsRead(recipe.method));
        EXPECT_EQ(back.vegetarian, recipe.vegetarian ? 'Y' : 'N');
        EXPECT_EQ(back.glutenFree, recipe.glutenFree ? 'Y' : 'N');
        EXPECT_EQ(back.dairyFree, recipe.dairyFree ? 'Y' : 'N');
        EXPECT_EQ(back.calories, recipe.calories.value_or(-1));
        EXPECT_FLOAT_EQ(back.cost, static_cast<float>(recipe.cost.value_or(-1.0)));
        EXPECT_EQ(back.difficulty,
                  recipe.difficulty == 'B' || recipe.difficulty == 'C' ? recipe.difficulty : 'A');
        EXPECT_EQ(back.reference, recipe.reference);
        EXPECT_EQ(back.servings, recipe.servings);
        EXPECT_EQ(back.prepTime, recipe.prepTime);
        EXPECT_EQ(back.totalTime, recipe.totalTime);
    }

    MemoryIngredientCatalog catalog_;
    RecordingSink sink_;
};

RecipeTextValues RoastChicken() {
    RecipeTextValues r;
    r.name = "Sunday Roast Chicken with Lemon and Thyme";
    r.category = "Main Dishes";
    r.otherCategories = {"Family", "Main Dishes", "Poultry", "Sunday Lunch"};
    r.ingredients = {{"Chicken", {1500.0f, 0, kWeight, "whole"}},
                     {"Butter", {50.0f, 1, kWeight, "softened"}},
                     {"Chicken stock", {500.0f, 0, kVolume, ""}},
                     {"White wine", {150.0f, 1, kVolume, "dry"}},
                     {"Olive oil", {30.0f, 2, kVolume, ""}},
                     {"Thyme", {5.0f, 3, kVolume, "chopped"}},
                     {"Lemon", {1.0f, 0, kItems, "halved"}},
                     {"Garlic cloves", {6.0f, 0, kItems, "unpeeled"}},
                     {"Salt", {0.0f, kUnspecifiedChoice, kWeight, "to taste"}},
                     // Names over 32 characters: the note must still be found after them.
                     {"Free range chicken thighs skin on", {400.0f, 1, kWeight, "boned"}},
                     {"Very finely grated zest of two unwaxed lemons ok", {10.0f, 1, kWeight, ""}},
                     {"Small new potatoes scrubbed clean",
                      {800.0f, 1, kWeight, "halved lengthways if they are larger than eggs"}},
                     {"Exactly thirty-two characters ok", {1.0f, 1, kWeight, "adjacent note"}}};
    r.method =
        "Heat the oven to 200C. Rub the butter all over the chicken, season it well and push the "
        "lemon halves and the garlic into the cavity with a few sprigs of thyme, then set it in "
        "a large roasting tin on a bed of sliced onions.\r\n"
        "\r\n"
        "Roast for 1 hour 20 minutes, basting twice, until the juices run clear when the thickest "
        "part of the leg is pierced with a skewer. Rest the bird under foil for 15 minutes.\r\n"
        "The full method is at https://example.com/" +
        std::string(180, 'x') +
        "/roast-chicken.html if you want pictures.\r\n"
        "Serve.";
    r.vegetarian = false;
    r.glutenFree = true;
    r.dairyFree = false;
    r.difficulty = 'C';
    r.reference = "The Sunday Cookbook, page 112";
    r.servings = 4;
    r.prepTime = 25;
    r.totalTime = 125;
    return r;  // calories and cost not known
}

TEST_F(RecipeTextRoundTripTest, MetricExactWithLongNamesLongMethodAndUnknownFigures) {
    const RecipeTextValues recipe = RoastChicken();
    ExpectRoundTrip(recipe, {kMetric, 1, 1});
    // In metric units with exact figures the base amounts themselves come back.
    const UnitContext context{{kMetric, 1, 1}, catalog_, sink_};
    const auto back = ReadOne(FormatRecipeText(recipe, context), KWIMPT_OWN_TEXT);
    ASSERT_EQ(back.ingredients.size(), recipe.ingredients.size());
    for (size_t i = 0; i < recipe.ingredients.size(); ++i)
        EXPECT_FLOAT_EQ(back.ingredients[i].quantity, recipe.ingredients[i].stored.quantity) << i;
    EXPECT_EQ(back.ingredients[10].name, "Very finely grated zest of two un");
    EXPECT_TRUE(sink_.Messages().empty());
}

RecipeTextValues Trifle() {
    RecipeTextValues r;
    r.name = "Sherry Trifle";
    r.category = "Desserts";
    r.otherCategories = {"Desserts", "Party Food"};
    r.ingredients = {{"Sponge fingers", {200.0f, 0, kWeight, ""}},
                     {"Raspberries", {340.0f, 1, kWeight, "fresh or frozen"}},
                     {"Double cream", {570.0f, 0, kVolume, "whipped"}},
                     {"Sherry", {85.5f, 1, kVolume, ""}},
                     {"Sugar", {30.0f, 2, kVolume, ""}},
                     {"Vanilla extract", {5.0f, 3, kVolume, ""}},
                     {"Eggs", {3.0f, 0, kItems, "yolks only"}}};
    r.method =
        "Break the sponge fingers into a glass bowl and sprinkle with the sherry.\n"
        "Cover with the raspberries, then the custard, then the cream.";
    r.vegetarian = true;
    r.glutenFree = false;
    r.dairyFree = false;
    r.calories = 520;
    r.cost = 1.25;
    r.difficulty = 'B';
    r.reference = "Grandmother";
    r.servings = 8;
    r.prepTime = 40;
    r.totalTime = 280;
    return r;
}

TEST_F(RecipeTextRoundTripTest, UkImperialWithNiceRounding) {
    ExpectRoundTrip(Trifle(), {kUkImperial, 1, 0});
}

TEST_F(RecipeTextRoundTripTest, UsImperialWithFractions) {
    RecipeTextValues recipe = Trifle();
    recipe.ingredients.push_back({"Milk", {354.882f, 1, kVolume, ""}});  // 1 1/2 cup
    recipe.ingredients.push_back({"Gelatine", {0.5f, 0, kItems, "sheets"}});
    const UnitContext context{{kUsImperial, 0, 0}, catalog_, sink_};
    const std::vector<RecipeTextLine> shown = ShowRecipeTextLines(context, recipe.ingredients);
    ASSERT_EQ(shown[7].quantity, "1 1/2");
    ASSERT_EQ(shown[7].unit, "cup");
    ASSERT_EQ(shown[8].quantity, "1/2");
    ASSERT_EQ(shown[8].unit, "item");
    ExpectRoundTrip(recipe, {kUsImperial, 0, 0});
}

TEST_F(RecipeTextRoundTripTest, EmptyMethodAndNoOtherCategories) {
    RecipeTextValues recipe = Trifle();
    recipe.method.clear();
    recipe.otherCategories = {"Desserts"};
    recipe.ingredients.clear();
    recipe.difficulty = 'A';
    recipe.calories = 0;
    recipe.cost = 0.0;
    ExpectRoundTrip(recipe, {kMetric, 1, 0});
}

TEST_F(RecipeTextRoundTripTest, ManyOtherCategoriesOverSeveralLines) {
    RecipeTextValues recipe = Trifle();
    recipe.otherCategories.clear();
    for (int i = 0; i < 40; ++i)
        recipe.otherCategories.push_back("Collection " + std::to_string(i));
    ExpectRoundTrip(recipe, {kMetric, 1, 0});  // the first 32, all the record holds
}

TEST_F(RecipeTextRoundTripTest, MethodLinesAroundTheBreakRules) {
    RecipeTextValues recipe = Trifle();
    // A blank after a '\' is not taken for a break; runs of 300 characters are broken with
    // "\\", also where the run's own last character before the break is a '\'.
    recipe.method = std::string(70, 'a') + "\\ b " + std::string(300, 'c') + " d\r\n" +
                    std::string(99, 'f') + "\\ghi and more words after it";
    ExpectRoundTrip(recipe, {kMetric, 1, 0});
}

TEST_F(RecipeTextRoundTripTest, MethodLinesTheReaderWouldMisreadLoseNothing) {
    RecipeTextValues recipe = Trifle();
    recipe.method = "Go\r\n----- Sauce -----\r\nStir.";
    const UnitContext context{{kMetric, 1, 0}, catalog_, sink_};
    const auto back = ReadOne(FormatRecipeText(recipe, context), KWIMPT_OWN_TEXT);
    EXPECT_EQ(back.method, "Go \r\n ----- Sauce -----\r\nStir.\r\n");
    EXPECT_EQ(back.calories, 520);  // the trailer is still found
}

}  // namespace
}  // namespace kw

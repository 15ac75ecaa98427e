// Every recipe of the shared corpus of real recipe files (Meal-Master and MasterCook exports),
// read with its own filter, written as recipe text and read back with the "Kettleworth" filter,
// comes back as it went in: thousands of real names, notes and methods against the writer's
// layout rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/core/messages.h"
#include "app/interchange/recipe_text_writer.h"
#include "app/interchange/text_file.h"
#include "app/recipes/memory_catalog.h"
#include "fields.h"
#include "import_test_support.h"
#include "kwimpt.h"

namespace kw {
namespace {

namespace it = import::testing;

RecipeTextValues FromImportRecord(const it::Recipe &in) {
    RecipeTextValues r;
    r.name = in.name;
    r.category = in.category;
    r.otherCategories = in.others;
    for (const auto &line : in.ingredients)
        r.ingredients.push_back({line.name, {line.quantity, line.choice, line.kind, line.note}});
    r.method = in.method;
    r.vegetarian = in.vegetarian == 'Y';
    r.glutenFree = in.glutenFree == 'Y';
    r.dairyFree = in.dairyFree == 'Y';
    if (in.calories >= 0) r.calories = in.calories;
    if (in.cost >= 0) r.cost = in.cost;
    r.difficulty = in.difficulty;
    r.reference = in.reference;
    r.servings = in.servings;
    r.prepTime = in.prepTime;
    r.totalTime = in.totalTime;
    return r;
}

std::string Cleaned(std::string text) {
    for (char &c : text)
        c = import::CleanChar(c);
    return text;
}

// A method compared by its paragraphs: line breaks as CR LF, none at the end, and the one blank
// the writer puts before a line beginning "-----" (so that it stays method text) not counted.
std::string Paragraphs(std::string_view method) {
    std::string out = WithCrLfLineBreaks(method);
    while (out.ends_with("\r\n"))
        out.resize(out.size() - 2);
    for (size_t at = out.find(" -----"); at != std::string::npos; at = out.find(" -----", at))
        out.erase(at, 1);
    return out;
}

// What differs between the recipe read first and the recipe read back from its text.
std::string Differences(const it::Recipe &in, const it::Recipe &back) {
    std::string why;
    if (back.result != in.result) why += " result " + std::to_string(back.result);
    if (back.warnings != 0) why += " warnings " + std::to_string(back.warnings);
    if (back.name != Cleaned(in.name)) why += " name";
    if (back.category != Cleaned(in.category)) why += " category";
    if (back.ingredients.size() != in.ingredients.size()) return why + " ingredient count";
    for (size_t i = 0; i < in.ingredients.size(); ++i) {
        // The filter trims what its columns hold; names come back whole.
        if (back.ingredients[i].name != in.ingredients[i].name)
            why += " ingredient " + in.ingredients[i].name;
        if (back.ingredients[i].note != import::TrimBlanksAndTabs(in.ingredients[i].note))
            why += " note " + in.ingredients[i].note;
    }
    if (Paragraphs(back.method) != Paragraphs(in.method)) why += " method";
    if (back.reference != in.reference || back.servings != in.servings ||
        back.prepTime != in.prepTime || back.totalTime != in.totalTime)
        why += " trailer";
    return why;
}

TEST(RecipeTextCorpus, EveryRealRecipeSurvivesItsText) {
    const std::string corpus = KW_CORPUS_DIR;
    struct stat info {};
    if (::stat(corpus.c_str(), &info) != 0) GTEST_SKIP() << "no corpus at " << corpus;
    MemoryIngredientCatalog catalog;
    RecordingSink sink;
    const UnitContext context{{kMetric, 1, 1}, catalog, sink};
    int recipes = 0;
    for (const auto &[folder, filter] : std::vector<std::pair<std::string, int32_t>>{
             {"mastercook", KWIMPT_MASTERCOOK}, {"mealmaster", KWIMPT_MEAL_MASTER}}) {
        for (const auto &file : std::filesystem::directory_iterator(corpus + "/" + folder)) {
            for (const it::Recipe &in : it::ReadAll(it::ReadFileBytes(file.path()), filter)) {
                ++recipes;
                const std::string text = FormatRecipeText(FromImportRecord(in), context);
                const std::string why = Differences(in, it::ReadOne(text, KWIMPT_OWN_TEXT));
                EXPECT_EQ(why, "") << file.path().filename() << ": " << in.name;
            }
        }
    }
    EXPECT_GT(recipes, 3000);
}

}  // namespace
}  // namespace kw

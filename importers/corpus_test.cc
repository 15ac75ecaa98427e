// Real recipe files (the shared corpus of Meal-Master and MasterCook text found in public
// archives): every file is recognised and read to its end, recipe by recipe, with as many recipes
// as the corpus README counts, and a sample of recipes chosen for their quirks reads as checked
// by hand against the files. Skipped when the corpus is not there.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "fields.h"
#include "import_test_support.h"

namespace kw::import {
namespace {

using testing::ReadFileBytes;

const std::string kCorpus = KW_CORPUS_DIR;

bool CorpusPresent() {
    struct stat info;
    return ::stat(kCorpus.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

#define SKIP_WITHOUT_CORPUS() \
    if (!CorpusPresent()) GTEST_SKIP() << "no corpus at " << kCorpus

struct CorpusFile {
    const char *label;
    const char *path;
    int32_t filter;
    int recipes;  // the README's grep count
};

const CorpusFile kFiles[] = {
    {"ArchiveSlice", "mealmaster/DipLernin__Text_Generation__datasets_recipies.txt", 1, 3000},
    {"Version7", "mealmaster/thinkle__gourmet__src_tests_recipe_files_mealmaster.mmf", 1, 5},
    {"TwoColumns", "mealmaster/thinkle__gourmet__src_tests_recipe_files_mealmaster_2_col.mmf", 1,
     1},
    {"OtherProgramMealMaster", "mealmaster/KDE__krecipes__src_tests_import-export_mmftest.txt", 1,
     2},
    {"Version7Short", "mealmaster/atherdon__artics__mealparser_test.txt", 1, 2},
    {"Appetizers", "mastercook/mera461__javaRecipes__core_src_test_data_AllAppetizerRecipes.txt", 2,
     103},
    {"Nutrition", "mastercook/mera461__javaRecipes__core_src_test_data_a_wok_in_the_pork.txt", 2,
     2},
    {"HandMade", "mastercook/KDE__krecipes__src_tests_import-export_mxptest.txt", 2, 2},
    {"TwoBlankBanner", "mastercook/thinkle__gourmet__tests_recipe_files_mastercook_text_export.mxp",
     2, 1},
};

// The README's counting rules, line by line:
//   Meal-Master: grep -caE '^ *(MMMMM|---).*(Recipe (via|Extracted from) Meal-Master|Meal-Master)'
//   MasterCook:  grep -caE '^ *\* *Exported +from +MasterCook'
bool IsMealMasterHead(std::string_view line) {
    line = SkipLeadingBlanks(line);
    return (StartsWith(line, "MMMMM") || StartsWith(line, "---")) && Contains(line, "Meal-Master");
}

bool IsMasterCookHead(std::string_view line) {
    line = SkipLeadingBlanks(line);
    if (!StartsWith(line, "*")) return false;
    line = SkipLeadingBlanks(line.substr(1));
    for (std::string_view word : {"Exported", "from", "MasterCook"}) {
        if (!StartsWith(line, word)) return false;
        line = line.substr(word.size());
        if (word != "MasterCook") {
            if (!StartsWith(line, " ")) return false;
            line = SkipLeadingBlanks(line);
        }
    }
    return true;
}

int GrepCount(const std::string &text, int32_t filter) {
    int count = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + at, end - at);
        if (filter == 1 ? IsMealMasterHead(line) : IsMasterCookHead(line)) ++count;
        at = end + 1;
    }
    return count;
}

void PrintTo(const CorpusFile &file, std::ostream *out) {
    *out << file.path;
}

class CorpusFileTest : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(CorpusFileTest, IsRecognisedAndReadToTheEndWithTheReadmeCount) {
    SKIP_WITHOUT_CORPUS();
    const CorpusFile &file = GetParam();
    bool ok = false;
    const std::string text = ReadFileBytes(kCorpus + "/" + file.path, &ok);
    ASSERT_TRUE(ok) << file.path;
    EXPECT_EQ(GetBestFilter(text.c_str()), file.filter);
    EXPECT_EQ(GrepCount(text, file.filter), file.recipes);

    // Read recipe by recipe until the filter reports no more, as the program would (but going on
    // past recipes without category). Every call moves on, and the last one ends at the end.
    auto record = std::make_unique<RecipeImportRecord>();
    int32_t position = 0;
    int recipes = 0;
    for (;;) {
        const int32_t start = position;
        int32_t warnings = 0;
        const int32_t result =
            ImportRecipe(&position, text.c_str(), record.get(), &warnings, file.filter, -1);
        if (result < 0) break;
        ++recipes;
        ASSERT_GT(position, start) << file.path << " recipe " << recipes;
        ASSERT_LE(recipes, file.recipes) << file.path;
    }
    EXPECT_EQ(position, static_cast<int32_t>(text.size())) << file.path;
    EXPECT_EQ(recipes, file.recipes) << file.path;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusFileTest, ::testing::ValuesIn(kFiles),
                         [](const ::testing::TestParamInfo<CorpusFile> &info) {
                             return std::string(info.param.label);
                         });

// What one real recipe reads as.
struct Pin {
    int index;  // 1 for the first recipe of its file
    const char *quirk;
    const char *name;
    const char *category;
    int servings;
    size_t ingredients;
    const char *first;  // name of the first ingredient ("" when there is none)
    float firstQuantity;
    const char *last;
    float lastQuantity;
};

void CheckPins(const char *path, int32_t filter, const std::vector<Pin> &pins) {
    const std::string text = ReadFileBytes(kCorpus + "/" + path);
    const auto recipes = testing::ReadAll(text, filter);
    for (const Pin &pin : pins) {
        SCOPED_TRACE(std::string(path) + " recipe " + std::to_string(pin.index) + " (" + pin.quirk +
                     ")");
        ASSERT_LE(static_cast<size_t>(pin.index), recipes.size());
        const auto &r = recipes[pin.index - 1];
        EXPECT_EQ(r.name, pin.name);
        EXPECT_EQ(r.category, pin.category);
        EXPECT_EQ(r.result, *pin.category == '\0' ? 1 : 0);
        EXPECT_EQ(r.servings, pin.servings);
        ASSERT_EQ(r.ingredients.size(), pin.ingredients);
        if (pin.ingredients == 0) continue;
        EXPECT_EQ(r.ingredients.front().name, pin.first);
        EXPECT_NEAR(r.ingredients.front().quantity, pin.firstQuantity, 0.001);
        EXPECT_EQ(r.ingredients.back().name, pin.last);
        EXPECT_NEAR(r.ingredients.back().quantity, pin.lastQuantity, 0.001);
    }
}

TEST(CorpusSample, MealMasterArchiveRecipes) {
    SKIP_WITHOUT_CORPUS();
    CheckPins(
        "mealmaster/DipLernin__Text_Generation__datasets_recipies.txt", 1,
        {
            {1, "quotes in the title, text-only line", "-BE MINE- LOLLIPOPS", "Candies", 8, 1,
             "Text only", 0, "Text only", 0},
            {2, "no-amount lines without a dash", "-BLUE- FETTUCCINE", "Pasta", 4, 12,
             "Danish blue cheese or 8 oz.", 113.4f, "Chopped fresh parsley", 59.147f},
            {3, "dash continuation", "-FOOLPROOF- SOURDOUGH STARTER", "Breads", 999, 3, "Yogurt",
             236.588f, "Flour", 236.588f},
            {9, "ea and cn units, chained continuations", "-TRASH BAG- TACO SALAD", "Salads", 45,
             11, "Ground beef", 1360.8f, "Jar (12-oz) salsa", 1},
            {10, "empty category line", "-433813 LEBANESE  DOUGHNUTS  AWWAMATH", "", 1, 7, "Flour",
             473.176f, "Syrup", 0},
            {12, "sub-heading after an empty line, continuations below it",
             "- FROM BREAD MIX -  HOMEMADE WHITE BREAD", "Breadmaker", 1, 8, "Yeast", 15,
             "Wheat germ", 157.725f},
            {14, "x unit without amount", "-VEGETABLE RAISIN CURRY WITH COUSCOUS", "Vegan", 4, 12,
             "Sliced almonds", 59.147f, "Cuscous", 236.588f},
            {20, "sub-headings, method too long", "1-2-3-4 CAKE BY JAMES BEARD- CHEF - COOKING T",
             "Cakes", 12, 15, "Butter", 15, "Orange rind", 15},
            {30, "MMCONV shifted columns", "10 MINUTE SZECHUAN CHICKEN  NPFN03A", "Low-cal", 4, 12,
             "Chicken breasts* -- skinned", 0, "s Cayenne or to taste", 1},
            {45, "tab in the method, Yield in quarts", "1000 ISLAND DRESSING -2", "Dressings", 1, 7,
             "Egg", 1, "Dehyrated onion flakes", 15},
            {164, "colon in the title", "30-MIN- HERBED PORK CUTLETS", "Pork", 4, 10, "Egg", 1,
             "Vegetable oil", 30},
            {199, "single no-amount line", "500 FAT-FREE RECIPES", "Digest", 1, 1, "None", 0,
             "None", 0},
            {241, "code page 437 degree signs", "7-GRAIN BREAD -MACHINE-", "Breads", 1, 12,
             "Dry yeast", 11.25f, "(105\xF8-115\xF8) water", 0},
            {327, "sub-heading and no ingredients", "A SQUID DISH FOR DAYS OF ABSTINENCE--1475",
             "Seafood", 1, 0, "", 0, "", 0},
            {1043, "MMCONV, quoted-printable title", "AMARETTO CAF-E9 -ITALIAN COFFEE-",
             "Beverages", 1, 4, "black coffee", 0, "maraschino cherry", 0},
            {1045, "code page 437 letter in the title", "AMARETTO CAF- -ITALIAN COFFEE-", "Mixed",
             1, 4, "Black coffee", 236.588f, "Maraschino cherry", 1},
            {1367, "line of tabs after the ingredients", "ANN-S CHICKEN FOR CROCK POT", "Poultry",
             6, 8, "Frying chicken -- in pieces", 1, "Onion -- chopped", 15},
            {1879, "0xFF filler bytes in the method", "APPLE RASPBERRY PIE", "Desserts", 8, 9,
             "Crust", 1, "Cinnamon", 5},
            {1943, "NUL bytes after the method", "APPLE TARTS WITH ICE CREAM PART 2", "American", 6,
             4, "Milk", 473.176f, "Caramel sauce", 236.588f},
            {1944, "continuation of a cut note", "APPLE THYME JELLY", "Condiments", 1, 4,
             "Apple cider", 473.176f, "Liquid fruit pectin", 1},
            {2352, "code page 437 in an ingredient, sub-heading", "AROMATIC AUBERGINES",
             "Vegetables", 2, 12, "Good-sized aubergines", 2, "Salt", 0},
            {2407, "MMCONV colon continuation lines", "ARTICHOKE - PARSLEY FRITTATA ALA THE SAVORY",
             "Artichokes", 6, 15, "g artichokes", 0, "cheese", 0},
            {2514, "sub-headings at the start and the middle", "ASHE AN-R -POMEGRANATE SOUP-",
             "Soup", 5, 18, "Ground beef", 226.8f, "Pepper", 1.25f},
            {3000, "last recipe of the file", "B-52", "Alcohol", 1, 3, "Bailey's Irish Cream",
             28.35f, "Grand Marnier", 28.35f},
        });
}

TEST(CorpusSample, MealMasterSmallFiles) {
    SKIP_WITHOUT_CORPUS();
    CheckPins("mealmaster/thinkle__gourmet__src_tests_recipe_files_mealmaster.mmf", 1,
              {
                  {1, "version 7 Servings, 1-2 range", "Almond Mushroom Pate", "Appetizers", 6, 10,
                   "Margarine", 15, "Cream Cheese", 30},
                  {2, "continuation after a trailing comma", "Almond Puff", "Appetizers", 6, 8,
                   "Butter (or margarine)", 118.294f, "Eggs", 3},
                  {5, "no-amount first line, 8-10 range", "Anchoyade", "Appetizers", 6, 9,
                   "Jim Vorheis", 0, "Finely chopped fresh parsley", 5},
              });
    CheckPins("mealmaster/thinkle__gourmet__src_tests_recipe_files_mealmaster_2_col.mmf", 1,
              {
                  {1, "two columns, 3/16 and sm", "Chiles Rellenos de Queso", "Appetizers", 2, 14,
                   "Chiles, calif.", 2, "Chicken broth", 0},
              });
    CheckPins("mealmaster/atherdon__artics__mealparser_test.txt", 1,
              {
                  {1, "Servings, ~---- rule in the method", "Almond Mushroom Pate", "Appetizers", 6,
                   10, "Margarine", 30, "Cream Cheese", 30},
                  {2, "Servings with two blanks", "Almond Puff", "Appetizers", 6, 8,
                   "Butter (or margarine)", 118.294f, "Eggs", 3},
              });
    CheckPins("mealmaster/KDE__krecipes__src_tests_import-export_mmftest.txt", 1,
              {
                  {1, "another program's layout, ----- sub-headings", "Cookies-Test", "Snacks", 2,
                   11, "a", 236.588f, "tsp. vanilla extract", 1},
                  {2, "second head after a bare ----- end", "Cookies-Test", "Snacks", 2, 11, "a",
                   236.588f, "tsp. vanilla extract", 1},
              });
}

TEST(CorpusSample, MasterCookRecipes) {
    SKIP_WITHOUT_CORPUS();
    CheckPins(
        "mastercook/mera461__javaRecipes__core_src_test_data_AllAppetizerRecipes.txt", 2,
        {
            {1, "empty categories, minutes only, continuation", "Barbecue Pecans", "", 25, 5,
             "butter", 30, "Pecans", 946.352f},
            {5, "eight blanks before any ingredient", "Candied Cashews", "", 1, 4, "cashews", 0,
             "lemon juice", 59.147f},
            {10, "right-aligned amount 8 1/2", "Artichoke Ham Bites", "", 1, 3, "artichoke hearts",
             240.975f, "ham", 170.1f},
            {16, "four continuations", "Fried Won Tongs or Won Tong Soup", "", 1, 1, "won tongs", 1,
             "won tongs", 1},
            {21, "plain list", "Dolmas", "", 35, 13, "ground lamb", 453.6f, "lemon", 1},
            {42, "hours of preparation", "Italian Roasted Vegetables", "", 8, 12, "yellow peppers",
             2, "extra virgin olive oil", 59.147f},
            {44, "no ingredients", "Hors d' Oeuveres", "", 1, 0, "", 0, "", 0},
            {74, "categories in two columns", "Ginger-Date Wontons", "Appetizer", 1, 6,
             "won-ton wrappers", 24, "butter", 10},
            {76, "long name cut at column 60", "Pineapple Chicken Satay", "Chicken", 0, 17,
             "boneless skinless chicken breasts", 567, "hot pepper sauce", 0.625f},
            {77, "amount without measure", "Asian Beef Kabobs", "Beef", 0, 10, "main course", 4,
             "bamboo skewers", 16},
            {81, "section titles as continuations", "Popcorn Salts", "", 32, 13, "ONION DILL SALT",
             0, "toasted sesame seeds", 30},
            {89, "two hours", "Baked Whole Garlic with French Bread", "", 4, 8, "garlic", 4,
             "butter", 118.294f},
            {93, "name longer than the slot", "Hazelnut, Brie, and Apple Appetizer",
             "Dundee Hazelnuts", 20, 4, "roasted and chopped Oregon hazeln", 236.588f, "tart apple",
             1},
            {95, "capitalised measures", "Gado-Gado", "Dips - Spreads", 0, 9, "Almond Butter",
             236.588f, "Water", 118.294f},
            {98, "unknown measure text", "Cheesy Wontons With Sweet and Sour Dip", "Side Dish", 12,
             5, "(3 to 4 cups) Jalapeno Jack chees", 340.2f, "bottled sweet-sour sauce", 78.8627f},
            {103, "last recipe", "Cheddar Pecan Spread", "Side Dish", 16, 6,
             "reduced-fat cream cheese", 0.5f, "chutney", 45},
        });
    CheckPins("mastercook/mera461__javaRecipes__core_src_test_data_a_wok_in_the_pork.txt", 2,
              {
                  {1, "nutrition and notes after the end marker", "A_Wok_in_the_Pork", "Lowfat", 4,
                   15, "olive oil", 5, "cooked brown rice", 946.352f},
                  {2, "category continuation line", "Almond Biscotti #3", "06/99", 1, 9, "flour",
                   473.176f, "almond extract", 3.75f},
              });
    CheckPins("mastercook/KDE__krecipes__src_tests_import-export_mxptest.txt", 2,
              {
                  {1, "tabs in columns and categories", "Cookies Test", "Snacks", 2, 8,
                   "ranulated sugar", 7, "vanilla extract", 1},
              });
    CheckPins("mastercook/thinkle__gourmet__tests_recipe_files_mastercook_text_export.mxp", 2,
              {
                  {1, "banner with two blanks, indented method", "4th Of July", "Mixed Drinks", 1,
                   5, "Vodka", 42.525f, "Grenadine", 1},
              });
}

TEST(CorpusSample, MasterCookDetailsOfTheQuirks) {
    SKIP_WITHOUT_CORPUS();
    const auto wok = testing::ReadAll(
        ReadFileBytes(kCorpus +
                      "/mastercook/mera461__javaRecipes__core_src_test_data_a_wok_in_the_pork.txt"),
        2);
    ASSERT_EQ(wok.size(), 2u);
    EXPECT_EQ(wok[1].others, (std::vector<std::string>{"06/99", "Cookies - Bars",
                                                       "Eat-Lf Mailing List", "Vegetarian"}));
    // Each method paragraph is one long line; none of it is lost.
    EXPECT_NE(wok[0].method.find("Cook and stir for 6 to 7 minutes, until pork is cooked through"),
              std::string::npos);
    EXPECT_NE(wok[0].method.find("Serve over hot, cooked rice."), std::string::npos);

    const auto drink = testing::ReadAll(
        ReadFileBytes(
            kCorpus +
            "/mastercook/thinkle__gourmet__tests_recipe_files_mastercook_text_export.mxp"),
        2);
    ASSERT_EQ(drink.size(), 1u);
    EXPECT_EQ(drink[0].others, (std::vector<std::string>{"Mixed Drinks", "Specialty Drinks"}));
    EXPECT_EQ(drink[0].method.substr(0, 27), "Mix all ingredients except ");
}

}  // namespace
}  // namespace kw::import

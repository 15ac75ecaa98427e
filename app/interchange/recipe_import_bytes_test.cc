// The bytes an import leaves behind, pinned: the import files of the filter tests, a recipe of
// the program's own text with every field set, and a Meal-Master text with a duplicate recipe, a
// duplicate ingredient and a recipe without category are imported into a fresh database; the
// archive of the whole database and every import log must hash to the values recorded when the
// import wrote each field with the typed puts. A faster way of storing the same recipes that
// writes one byte differently, logs one line differently or counts differently fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/interchange/interchange_test_support.h"
#include "app/interchange/recipe_import.h"
#include "app/interchange/text_file.h"

namespace kw {
namespace {

// FNV-1a, 64 bits.
uint64_t HashOf(const std::string &bytes, uint64_t hash = 14695981039346656037ULL) {
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A recipe in the program's own text with every field the Meal-Master format leaves out.
const char kOwnText[] =
    "===== Recipe By Kettleworth 2.0 [test] =====\r\n"
    "===== www.example.com\r\n"
    "Name    : Harvest Pie                      \r\n"
    "Category: Pies                            \r\n"
    "Other   : Autumn, Suppers, \r\n"
    "-----\r\n"
    "2         lb        Apples                          peeled                          \r\n"
    "1/2       cup       Sugar                                                           \r\n"
    "3         items     Eggs                                                            \r\n"
    "-----\r\n"
    "Peel and slice the apples.\r\n"
    "Bake for forty minutes until golden and serve warm with a spoonful of thick cream on\\\r\n"
    "the side.\r\n"
    "-----\r\n"
    "Vegetarian: Y  Gluten Free: N\r\n"
    "Dairy Free: Y\r\n"
    "Calories  : 2450\r\n"
    "Cost      : 3.75\r\n"
    "Difficulty: Medium\r\n"
    "Reference : Gran's notebook\r\n"
    "Serves    : 6\r\n"
    "Prep Time : 0:25       Total Time: 1:10      \r\n"
    "===== End =====\r\n";

std::string MealMaster(const std::string &title, const std::string &categories,
                       const std::vector<std::string> &ingredients) {
    std::string text =
        "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n \r\n      Title: " + title +
        "\r\n Categories: " + categories + "\r\n      Yield: 4 servings\r\n \r\n";
    for (const std::string &line : ingredients)
        text += line + "\r\n";
    return text + " \r\n  Mix and bake.\r\n \r\nMMMMM\r\n";
}

class RecipeImportBytesTest : public testing::InterchangeDatabaseTest {};

TEST_F(RecipeImportBytesTest, AnImportStoresAndLogsTheBytesItAlwaysDid) {
    ImportOptions options;
    options.libraryPath = KW_IMPORT_LIBRARY;
    options.logPath = PathOf("import.out");
    ImportHooks hooks;
    std::string logs;
    hooks.logClosed = [&](const std::string &path) { logs += ReadAll(path) + "\n--\n"; };
    RecordingSink sink;
    std::string outcomes;
    auto note = [&](const ImportOutcome &o) {
        outcomes += std::to_string(o.imported) + " " + std::to_string(o.errors) + " " +
                    std::to_string(o.warnings) + " " + std::to_string(o.filter) + "\n";
    };

    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(KW_IMPORT_TESTDATA)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".mmf" || extension == ".mxp") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u);
    for (const std::string &file : files)
        note(ImportRecipeFile(db_, file, platform::Encoding::kAuto, sink, hooks, options));
    note(ImportRecipeText(db_, kOwnText, sink, hooks, options));
    note(ImportRecipeText(
        db_,
        MealMaster("Leek Soup", "Soups, Starters, Soups",
                   {"      2    Leeks; sliced", "      1 T  Butter", "      2    Leeks"}) +
            MealMaster("Leek Soup", "Soups", {"      1    Onion"}) +
            MealMaster("Plain Water", "", {"      1 c  Water"}) +
            MealMaster("Scones", "Baking",
                       {"    225 g  Flour                                  1/2 c  Milk",
                        "           -sifted twice"}),
        sink, hooks, options));

    ASSERT_EQ(db_.Dump(PathOf("all.sda")), KW_OK);
    const std::string archive = ReadAll(PathOf("all.sda"));
    EXPECT_EQ(HashOf(archive), 2910605910778255213ULL) << archive.size();
    EXPECT_EQ(HashOf(logs), 7197935889276638094ULL) << logs.size();
    // Imported, errors, warnings and filter of each run: the filter test files in name order,
    // the own text, then the Meal-Master text (a duplicate recipe and a recipe without category
    // are its errors, the second Leeks line its warning).
    EXPECT_EQ(outcomes,
              "3 0 0 2\n2 1 0 2\n1 0 1 2\n2 0 0 2\n1 0 0 1\n1 0 0 1\n1 0 0 1\n2 0 0 1\n2 0 0 1\n"
              "1 0 0 1\n1 0 0 1\n1 0 0 1\n1 0 0 1\n1 0 0 0\n2 2 1 1\n");
}

}  // namespace
}  // namespace kw

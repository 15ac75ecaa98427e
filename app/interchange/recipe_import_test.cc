// The recipe import run: what it stores, counts, logs and reports for the outcomes a user meets
// (two clean recipes, a duplicate, no recipe, an ingredient twice, a recipe without category),
// the plug-in missing or incomplete, trailing blank text, and the text encodings of real files.
#include "app/interchange/recipe_import.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "app/interchange/interchange_test_support.h"
#include "app/interchange/text_file.h"

namespace kw {
namespace {

using namespace schema;

std::string MealMaster(const std::string &title, const std::string &categories,
                       const std::vector<std::string> &ingredients,
                       const std::string &method = "Mix and bake.") {
    std::string text =
        "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n \r\n      Title: " + title +
        "\r\n Categories: " + categories + "\r\n      Yield: 4 servings\r\n \r\n";
    for (const std::string &line : ingredients)
        text += line + "\r\n";
    return text + " \r\n  " + method + "\r\n \r\nMMMMM\r\n";
}

class RecipeImportTest : public testing::InterchangeDatabaseTest {
  protected:
    void SetUp() override {
        InterchangeDatabaseTest::SetUp();
        options_.libraryPath = KW_IMPORT_LIBRARY;
        options_.logPath = PathOf("import.out");
        hooks_.openRecipe = [this](const std::string &key) { opened_.push_back(key); };
        hooks_.showSummary = [this](const ImportSummary &summary) { summary_ = summary; };
        hooks_.chooseFilter = [this](const std::vector<std::string> &names, int best) {
            names_ = names;
            best_ = best;
            return best;
        };
    }

    ImportOutcome Import(const std::string &text) {
        return ImportRecipeText(db_, text, sink_, hooks_, options_);
    }

    ImportOutcome ImportFile(const std::string &path, platform::Encoding encoding) {
        return ImportRecipeFile(db_, path, encoding, sink_, hooks_, options_);
    }

    std::string Field(const std::string &name, const std::string &category, const char *field) {
        CKWRecord record;
        EXPECT_TRUE(FindRecipe(name, category, &record)) << name << " in " << category;
        return interchange::FieldText(record, field);
    }

    ImportOptions options_;
    ImportHooks hooks_;
    RecordingSink sink_;
    std::vector<std::string> opened_;
    std::optional<ImportSummary> summary_;
    std::vector<std::string> names_;
    int best_ = -2;
    std::string log_;  // the log as the logClosed hook saw it
};

TEST_F(RecipeImportTest, TwoMealMasterRecipesImportWithNoSummary) {
    const ImportOutcome outcome =
        Import(MealMaster("Leek Soup", "Soups, Starters", {"      2    Leeks; sliced"}) +
               MealMaster("Scones", "Baking", {"    225 g  Flour", "      1 c  Milk"}));
    EXPECT_EQ(outcome.status, ImportOutcome::Status::kDone);
    EXPECT_EQ(outcome.filter, 1);
    EXPECT_EQ(names_, (std::vector<std::string>{"Kettleworth", "MealMaster", "MasterCook"}));
    EXPECT_EQ(best_, 1);
    EXPECT_EQ(outcome.imported, 2);
    EXPECT_EQ(outcome.errors, 0);
    EXPECT_EQ(outcome.warnings, 0);
    EXPECT_FALSE(summary_);
    EXPECT_TRUE(opened_.empty());
    EXPECT_TRUE(sink_.Messages().empty());

    EXPECT_EQ(Field("Scones", "Baking", kFieldMethod), "Mix and bake.\r\n");
    EXPECT_EQ(Lines("Scones", "Baking"),
              (std::vector<std::string>{"Flour|225|1|0|", "Milk|236.588|1|1|"}));
    EXPECT_EQ(Lines("Leek Soup", "Soups"), (std::vector<std::string>{"Leeks|2|0|2|sliced"}));
    // The filter lists every category as another one; each goes into KWCAT and is linked once.
    EXPECT_EQ(Links("Leek Soup", "Soups"), (std::vector<std::string>{"Soups", "Starters"}));
    EXPECT_EQ(Count(kTableCategory), 3);
    EXPECT_FALSE(std::filesystem::exists(options_.logPath));
}

TEST_F(RecipeImportTest, ASingleCleanRecipeOpensInItsWindowWithoutSummary) {
    const ImportOutcome outcome = Import(MealMaster("Scones", "Baking", {"    225 g  Flour"}));
    EXPECT_EQ(outcome.imported, 1);
    EXPECT_EQ(opened_, std::vector<std::string>{"Scones^Baking"});
    EXPECT_FALSE(summary_);
}

TEST_F(RecipeImportTest, ADuplicateRecipeWritesNothingLogsItsLineAndCountsOneError) {
    ASSERT_EQ(AddRecipe("Scones", "Baking", "The old way."), KW_OK);
    hooks_.logClosed = [this](const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        log_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const ImportOutcome outcome =
        Import(MealMaster("Scones", "Baking, Teatime", {"    225 g  Flour"}) +
               MealMaster("Bread", "Baking", {"    500 g  Flour"}));
    EXPECT_EQ(outcome.imported, 1);
    EXPECT_EQ(outcome.errors, 1);
    EXPECT_EQ(Field("Scones", "Baking", kFieldMethod), "The old way.");
    EXPECT_TRUE(Lines("Scones", "Baking").empty());
    EXPECT_TRUE(Links("Scones", "Baking").empty());
    EXPECT_NE(log_.find("*** Duplicate Recipe 'Scones' in 'Baking'\r\n"), std::string::npos);

    ASSERT_TRUE(summary_);
    EXPECT_EQ(summary_->errorsLine,
              "1 Error(s) and 0 warning(s) were found while importing the recipes.\nYou may need "
              "to check your database for errors.");
    EXPECT_EQ(summary_->importedLine, "1 Recipe(s) imported");
    EXPECT_EQ(summary_->notImportedLine, "Some recipes have not been imported.");
    EXPECT_EQ(summary_->logPath, options_.logPath);
    EXPECT_NE(summary_->logHead.find("*** Duplicate Recipe"), std::string::npos);
    EXPECT_TRUE(opened_.empty());  // one imported, but with an error
}

TEST_F(RecipeImportTest, ATextWithNoRecipeGivesOneErrorAndTheGivingUpLine) {
    hooks_.chooseFilter = [](const std::vector<std::string> &, int) { return 1; };
    const ImportOutcome outcome = Import("Dear all,\r\nhere is nothing to cook.\r\n");
    EXPECT_EQ(outcome.imported, 0);
    EXPECT_EQ(outcome.errors, 1);
    EXPECT_TRUE(outcome.gaveUp);
    ASSERT_TRUE(summary_);
    EXPECT_EQ(summary_->importedLine, "0 Recipe(s) imported");
    const std::string ending = "*** Cannot interpret Recipe -- giving up.\r\n";
    ASSERT_GE(summary_->logHead.size(), ending.size());
    EXPECT_EQ(summary_->logHead.substr(summary_->logHead.size() - ending.size()), ending);
}

TEST_F(RecipeImportTest, ARecipeWithOneIngredientTwiceIsStoredWithTheFirstLineAndOneWarning) {
    const ImportOutcome outcome = Import(MealMaster(
        "Scones", "Baking",
        {"    225 g  Flour; sifted", "      1 c  Milk", "     25 g  Flour; for dusting"}));
    EXPECT_EQ(outcome.imported, 1);
    EXPECT_EQ(outcome.errors, 0);
    EXPECT_EQ(outcome.warnings, 1);
    EXPECT_EQ(Lines("Scones", "Baking"),
              (std::vector<std::string>{"Flour|225|1|0|sifted", "Milk|236.588|1|1|"}));
    EXPECT_EQ(opened_, std::vector<std::string>{"Scones^Baking"});
    ASSERT_TRUE(summary_);  // opened, and the summary for the warning
    EXPECT_EQ(summary_->notImportedLine, "");
    EXPECT_NE(summary_->logHead.find("*** Duplicate Ingredient 'Flour'\r\n"), std::string::npos);
}

TEST_F(RecipeImportTest, TrailingBlankLinesAfterTheLastRecipeAreNoFalseError) {
    const std::string recipe = MealMaster("Scones", "Baking", {"    225 g  Flour"});
    for (const std::string &tail : {std::string(" \r\n"), std::string("\r\n \r\n\t\r\n"),
                                    std::string(" "), std::string("\r\n\x1A")}) {
        ASSERT_EQ(db_.ClearAll(), KW_OK);
        summary_.reset();
        const ImportOutcome outcome = Import(recipe + tail);
        EXPECT_EQ(outcome.imported, 1);
        EXPECT_EQ(outcome.errors, 0) << "tail of " << tail.size() << " bytes";
        EXPECT_FALSE(outcome.gaveUp);
        EXPECT_FALSE(summary_);
    }
}

TEST_F(RecipeImportTest, ATrailerAfterTheLastRecipeIsNoFalseErrorButACutOffRecipeIsOne) {
    const std::string recipe = MealMaster("Scones", "Baking", {"    225 g  Flour"});
    // What MasterCook writes after its last recipe's end marker, and a mail signature.
    const std::string trailer =
        "Per Serving (excluding unknown items): 566 Calories; 8g Fat\r\n\r\n"
        "NOTES : Store in a tight tin.\r\n\r\nNutr. Assoc. : 0 0 0 0\r\n\r\n-- \r\nJane\r\n";
    ImportOutcome outcome = Import(recipe + trailer);
    EXPECT_EQ(outcome.imported, 1);
    EXPECT_EQ(outcome.errors, 0);
    EXPECT_FALSE(outcome.gaveUp);
    EXPECT_FALSE(summary_);

    // A recipe whose head the text cuts off is a recipe not imported.
    ASSERT_EQ(db_.ClearAll(), KW_OK);
    outcome = Import(recipe + trailer +
                     "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n \r\n      Title: Bread\r\n");
    EXPECT_EQ(outcome.imported, 1);
    EXPECT_EQ(outcome.errors, 1);
    EXPECT_TRUE(outcome.gaveUp);
    ASSERT_TRUE(summary_);
    EXPECT_NE(summary_->logHead.find("*** Cannot interpret Recipe -- giving up."),
              std::string::npos);
}

TEST_F(RecipeImportTest, ARecipeWithoutCategoryCountsOneErrorAndTheRecipesAfterItStillImport) {
    const ImportOutcome outcome = Import(MealMaster("Scones", "Baking", {"    225 g  Flour"}) +
                                         MealMaster("Nameless", "", {"      1    Egg"}) +
                                         MealMaster("Bread", "Baking", {"    500 g  Flour"}));
    EXPECT_EQ(outcome.imported, 2);
    EXPECT_EQ(outcome.errors, 1);
    EXPECT_EQ(Count(kTableRecipe), 2);
    ASSERT_TRUE(summary_);
    EXPECT_EQ(summary_->notImportedLine, "Some recipes have not been imported.");
}

TEST_F(RecipeImportTest, NulBytesDoNotEndTheTextEarly) {
    std::string text =
        MealMaster("Scones", "Baking", {"    225 g  Flour"}, std::string("Mix\0.", 5));
    text += MealMaster("Bread", "Baking", {"    500 g  Flour"});
    EXPECT_EQ(Import(text).imported, 2);
    EXPECT_EQ(Field("Scones", "Baking", kFieldMethod), "Mix .\r\n");
}

TEST_F(RecipeImportTest, AMissingPlugInSays1400AndAnIncompleteOneStopsSilently) {
    options_.libraryPath = PathOf("libkwimpt.so");
    EXPECT_EQ(Import(MealMaster("Scones", "Baking", {})).status, ImportOutcome::Status::kNoLibrary);
    EXPECT_EQ(sink_.Ids(), std::vector<int>{1400});
    EXPECT_EQ(sink_.Messages()[0].text, "No Import Filters Installed");

    options_.libraryPath = KW_ENGINE_LIBRARY;  // a shared library without the three operations
    sink_.Clear();
    EXPECT_EQ(Import(MealMaster("Scones", "Baking", {})).status,
              ImportOutcome::Status::kLibraryIncomplete);
    EXPECT_TRUE(sink_.Messages().empty());
    EXPECT_FALSE(summary_);
    EXPECT_EQ(Count(kTableRecipe), 0);
    EXPECT_FALSE(std::filesystem::exists(options_.logPath));
}

TEST_F(RecipeImportTest, TheFilterChoiceDecidesAndACancelImportsNothing) {
    const std::string text = MealMaster("Scones", "Baking", {"    225 g  Flour"});
    hooks_.chooseFilter = [](const std::vector<std::string> &, int) { return -1; };
    EXPECT_EQ(Import(text).status, ImportOutcome::Status::kCancelled);
    hooks_.chooseFilter = nullptr;  // the best filter
    EXPECT_EQ(Import("no recipe here").status, ImportOutcome::Status::kCancelled);
    EXPECT_EQ(Count(kTableRecipe), 0);
    EXPECT_EQ(Import(text).imported, 1);
}

// ---- Encodings ----

// Code page 437 bytes: 0x82 e-acute, 0xF8 degree sign, 0xC4 a box-drawing rule.
const std::string kCp437Recipe = MealMaster("Cafe au lait", "Beverages",
                                            {"      1 c  Caf\x82; strong",
                                             "    250 ml Milk; at 60\xF8"
                                             "C"},
                                            "\xC4\xC4\xC4\xC4 Serve hot \xC4\xC4\xC4\xC4");

TEST_F(RecipeImportTest, ACodePage437FileImportsItsAccentsAndDegreeSigns) {
    std::ofstream(PathOf("cafe.mmf"), std::ios::binary) << kCp437Recipe;
    for (platform::Encoding encoding : {platform::Encoding::kCp437, platform::Encoding::kAuto}) {
        ASSERT_EQ(db_.ClearAll(), KW_OK);
        EXPECT_EQ(ImportFile(PathOf("cafe.mmf"), encoding).imported, 1);
        EXPECT_EQ(Lines("Cafe au lait", "Beverages"),
                  (std::vector<std::string>{"Caf\xE9|236.588|1|1|strong",
                                            "Milk|250|1|1|at 60\xB0"
                                            "C"}))
            << platform::EncodingName(encoding);
        EXPECT_NE(Field("Cafe au lait", "Beverages", kFieldMethod).find("---- Serve hot ----"),
                  std::string::npos);
    }
}

TEST_F(RecipeImportTest, AUtf8FileImportsAsWindows1252) {
    const std::string utf8 = MealMaster("Creme brulee", "Desserts",
                                        {"    250 ml Cr\xC3\xA8me fra\xC3\xAE"
                                         "che; at 4\xC2\xB0"
                                         "C"});
    std::ofstream(PathOf("creme.txt"), std::ios::binary) << utf8;
    for (platform::Encoding encoding : {platform::Encoding::kUtf8, platform::Encoding::kAuto}) {
        ASSERT_EQ(db_.ClearAll(), KW_OK);
        EXPECT_EQ(ImportFile(PathOf("creme.txt"), encoding).imported, 1);
        EXPECT_EQ(Lines("Creme brulee", "Desserts"),
                  (std::vector<std::string>{"Cr\xE8me fra\xEE"
                                            "che|250|1|1|at 4\xB0"
                                            "C"}))
            << platform::EncodingName(encoding);
    }
}

TEST_F(RecipeImportTest, AnEmptyClipboardTextSaysNothingToPaste) {
    EXPECT_EQ(ImportPastedText(db_, "", sink_, hooks_, options_).status,
              ImportOutcome::Status::kNothingToPaste);
    EXPECT_EQ(sink_.Ids(), std::vector<int>{1404});
    EXPECT_EQ(
        ImportPastedText(db_, MealMaster("Scones", "Baking", {}), sink_, hooks_, options_).imported,
        1);
}

TEST_F(RecipeImportTest, AnUnreadableFileImportsNothingAndSaysNothing) {
    const ImportOutcome outcome = ImportFile(PathOf("missing.txt"), platform::Encoding::kAuto);
    EXPECT_EQ(outcome.status, ImportOutcome::Status::kUnreadable);
    EXPECT_EQ(outcome.fileError, ENOENT);
    EXPECT_TRUE(sink_.Messages().empty());
}

// The first recipe of the corpus's code page 437 archive that holds an e-acute (0x82), cut out
// of the file and imported with the encoding guessed.
TEST_F(RecipeImportTest, TheCorpusCodePage437ArchiveKeepsItsAccentsWithTheGuessedEncoding) {
    const std::string path = std::string(KW_CORPUS_DIR) +
                             "/mealmaster/DipLernin__Text_Generation__datasets_recipies.txt";
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) GTEST_SKIP() << "no corpus at " << path;
    const size_t accent = bytes.find('\x82');
    ASSERT_NE(accent, std::string::npos);
    const size_t start = bytes.rfind("MMMMM-----", accent);
    const size_t end = bytes.find("\r\nMMMMM\r\n", accent);
    ASSERT_NE(start, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    const std::string recipe = bytes.substr(start, end + 9 - start);
    std::ofstream(PathOf("one.mmf"), std::ios::binary) << recipe;
    EXPECT_EQ(platform::DetectEncoding(recipe), platform::Encoding::kCp437);
    const ImportOutcome outcome = ImportFile(PathOf("one.mmf"), platform::Encoding::kAuto);
    ASSERT_EQ(outcome.imported, 1);
    std::string stored;
    for (const std::string &line : Lines(outcome.lastName, outcome.lastCategory))
        stored += line + "\n";
    stored += Field(outcome.lastName, outcome.lastCategory, kFieldMethod);
    EXPECT_NE(stored.find('\xE9'), std::string::npos) << stored;
    EXPECT_EQ(stored.find('\x82'), std::string::npos) << stored;
}

}  // namespace
}  // namespace kw

// Export and load of export files: the versions the header ends with, the sections and blocks
// written, what a load adds and counts, the refusals (606, 607, 1100), cancellation, texts equal
// to marker lines, and a round trip between two databases.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/interchange/export_data.h"
#include "app/interchange/export_load.h"
#include "app/interchange/interchange_test_support.h"
#include "app/interchange/scrambled_file.h"
#include "app/interchange/table_catalog.h"
#include "app/recipes/units.h"

namespace kw {
namespace {

using namespace schema;
using Texts = std::vector<std::string>;

// Texts of lines given as one string, separated by '|'.
Texts Split(const std::string &joined) {
    Texts lines;
    size_t start = 0;
    for (size_t bar; (bar = joined.find('|', start)) != std::string::npos; start = bar + 1)
        lines.push_back(joined.substr(start, bar - start));
    lines.push_back(joined.substr(start));
    return lines;
}

// Records progress calls; cancels once the position passed cancelAt (when set).
class ScriptedProgress final : public Progress {
  public:
    void Begin(int low, int high, const std::string &text, const std::string &label,
               bool cancelEnabled) override {
        low_ = low;
        high_ = high;
        text_ = text;
        label_ = label;
        cancelEnabled_ = cancelEnabled;
    }
    void SetPosition(int position) override {
        ++positions_;
        last_ = position;
    }
    bool Cancelled() override { return cancelAfter_ >= 0 && positions_ > cancelAfter_; }
    void End() override { ++ends_; }

    int low_ = 0, high_ = 0, last_ = 0, positions_ = 0, ends_ = 0, cancelAfter_ = -1;
    bool cancelEnabled_ = false;
    std::string text_, label_;
};

class ExportLoadTest : public testing::InterchangeDatabaseTest {
  protected:
    ExportOutcome Export(bool ingredients, bool recipes, const std::string &file = "out.sce") {
        ExportSelection selection;
        selection.ingredients = ingredients;
        selection.recipes = recipes;
        return ExportData(db_, PathOf(file), selection, settings_, sink_);
    }

    LoadOutcome Load(const std::string &file = "out.sce") {
        return LoadExportFile(db_, PathOf(file), settings_, sink_, progress_);
    }

    Texts Decode(const std::string &file, int *version) {
        Texts lines;
        EXPECT_TRUE(DecodeScrambledFile(PathOf(file), version, &lines));
        return lines;
    }

    // Writes an export file by hand: each line with CR LF (a long text is given as "@@...?+").
    void WriteExport(const std::string &file, int version, const Texts &lines) {
        auto out = ScrambledFile::Create(PathOf(file), version);
        ASSERT_TRUE(out);
        for (const std::string &line : lines)
            out->WriteBytes(line + "\r\n");
        ASSERT_TRUE(out->Close());
    }

    // The body of one recipe in file order, from its "*" to its "**".
    static Texts RecipeLines(const std::string &name, const std::string &category,
                             const Texts &ingredients, const std::string &method = "Mix.") {
        Texts lines = {"*", name, category, "*"};
        lines.insert(lines.end(), ingredients.begin(), ingredients.end());
        for (const char *line :
             {"**", "", "90", "20", "4", "350", "1", "0", "1", "B", "Gran", "**"})
            lines.push_back(line);
        lines[5 + ingredients.size()] = "@@" + method + "?+";
        return lines;
    }

    // Writes a version 107 file of one recipe section holding the given recipe bodies.
    void WriteRecipes(const std::string &file, const std::vector<Texts> &recipes) {
        Texts lines = {"=== RECIPES"};
        for (const Texts &recipe : recipes)
            lines.insert(lines.end(), recipe.begin(), recipe.end());
        lines.push_back("=== END");
        WriteExport(file, 107, lines);
    }

    // Closes the database and creates an empty one in the directory "second", made current.
    void SwitchToASecondDatabase() {
        db_.Close();
        std::filesystem::create_directory(PathOf("second"));
        ASSERT_EQ(::chdir(PathOf("second").c_str()), 0);
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("second/DATA2")), KW_OK);
    }

    std::vector<int32_t> CountEveryTable() {
        return {Count(kTableIngredient),     Count(kTableRecipe),   Count(kTableRecipeIngredient),
                Count(kTableRecipeCategory), Count(kTableCategory), Count(kTablePreparation)};
    }

    NumberSettings settings_;
    RecordingSink sink_;
    ScriptedProgress progress_;
};

TEST_F(ExportLoadTest, IngredientsOnlyExportIsVersion107WithTheIngredientSectionOnly) {
    ASSERT_EQ(AddIngredient("Flour", kWeight, 3.64f, 0.0008f, "plain"), KW_OK);
    ASSERT_EQ(AddRecipe("Scones", "Baking"), KW_OK);
    const ExportOutcome outcome = Export(true, false);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.version, 107);
    EXPECT_EQ(outcome.ingredients, 1);
    int version = 0;
    EXPECT_EQ(Decode("out.sce", &version),
              Split("=== INGREDIENTS|*|Flour|0|1|3.640000|0.000800|V|0|plain|**|=== END"));
    EXPECT_EQ(version, 107);
    EXPECT_TRUE(sink_.Messages().empty());
}

TEST_F(ExportLoadTest, RecipesWithoutOtherCategoriesGiveA107HeaderThoughStartedAs108) {
    ASSERT_EQ(AddRecipe("Scones", "Baking"), KW_OK);
    ASSERT_EQ(AddLink("Scones", "Baking", "Baking"), KW_OK);  // its own category: no block
    ASSERT_EQ(AddLine("Scones", "Baking", "Flour", 225.0f, 1, kWeight, "sifted"), KW_OK);
    ASSERT_EQ(AddLine("Scones", "Baking", "Eggs", 2.0f, 0, kItems), KW_OK);
    ASSERT_EQ(AddLine("Scones", "Baking", "Salt", 0.0f, kUnspecifiedChoice, kWeight), KW_OK);
    ASSERT_EQ(AddLine("Scones", "Baking", "Milk", 150.0f, 1, kVolume), KW_OK);
    const ExportOutcome outcome = Export(false, true);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.version, 107);
    int version = 0;
    EXPECT_EQ(Decode("out.sce", &version),
              Split("=== RECIPES|*|Scones|Baking|*|225 g Flour,,sifted|2 item(s) Eggs,,|- - Salt,,|"
                    "150 ml Milk,,|**|Mix.|90|20|4|350|1|0|1|B|Gran|**|=== END"));
    EXPECT_EQ(version, 107);
}

TEST_F(ExportLoadTest, OtherCategoriesKeepVersion108AndLoadAsLinks) {
    ASSERT_EQ(AddRecipe("Scones", "Baking"), KW_OK);
    ASSERT_EQ(AddLink("Scones", "Baking", "Baking"), KW_OK);
    ASSERT_EQ(AddLink("Scones", "Baking", "Teatime"), KW_OK);
    ASSERT_EQ(AddRecipe("Bread", "Baking"), KW_OK);
    ASSERT_EQ(Export(false, true).version, 108);
    int version = 0;
    const Texts lines = Decode("out.sce", &version);
    EXPECT_EQ(version, 108);
    EXPECT_EQ(Texts(lines.begin() + 17, lines.begin() + 23), Split("*|Scones|Baking|$|Teatime|$$"));

    // Into an empty database: the links and the category come back (other categories are not
    // added to KWCAT).
    ASSERT_NO_FATAL_FAILURE(SwitchToASecondDatabase());
    EXPECT_EQ(Load().recipes, 2);
    EXPECT_EQ(Links("Scones", "Baking"), Split("Baking|Teatime"));
    EXPECT_EQ(Count(kTableCategory), 1);
}

TEST_F(ExportLoadTest, AMethodOfSeveralParagraphsSurvivesExportAndLoad) {
    const std::string method = "Rub the butter in.\r\n\r\nAdd the milk;\r\nbake.\r\n?+ at 220C";
    ASSERT_EQ(AddRecipe("Scones", "Baking", method), KW_OK);
    ASSERT_TRUE(Export(false, true).ok);
    ASSERT_EQ(db_.ClearAll(), KW_OK);
    EXPECT_EQ(Load().recipes, 1);
    CKWRecord record;
    ASSERT_TRUE(FindRecipe("Scones", "Baking", &record));
    EXPECT_EQ(interchange::FieldText(record, kFieldMethod), method);
    float cost = 0;
    record.GetFloat(kFieldCost, &cost);
    EXPECT_EQ(cost, -1.0f);
}

TEST_F(ExportLoadTest, LoadingTheSameFileTwiceAddsNothingAndCountsEveryRecordAsADuplicate) {
    ASSERT_EQ(AddIngredient("Flour", kWeight, 3.64f, 0.0008f), KW_OK);
    ASSERT_EQ(AddIngredient("Milk", kVolume, 0.6f, 0.001f), KW_OK);
    ASSERT_EQ(AddRecipe("Scones", "Baking"), KW_OK);
    ASSERT_EQ(AddLine("Scones", "Baking", "Flour", 225.0f, 1, kWeight, "sifted"), KW_OK);
    ASSERT_TRUE(Export(true, true).ok);
    ASSERT_EQ(db_.ClearAll(), KW_OK);

    const LoadOutcome first = Load();
    EXPECT_EQ(first.status, LoadOutcome::Status::kComplete);
    EXPECT_EQ(first.ingredients, 2);
    EXPECT_EQ(first.recipes, 1);
    EXPECT_EQ(first.duplicates, 0);
    EXPECT_EQ(first.errors, 0);
    const std::vector<int32_t> before = CountEveryTable();
    EXPECT_EQ(before[5], 1);  // "sifted"

    sink_.Clear();
    const LoadOutcome second = Load();
    EXPECT_EQ(second.ingredients + second.recipes, 0);
    EXPECT_EQ(second.duplicates, 3);
    EXPECT_EQ(second.errors, 0);
    EXPECT_EQ(CountEveryTable(), before);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Operation complete. 3 Duplicate(s), 0 Error(s)");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kExclamation);
}

TEST_F(ExportLoadTest, ACostOfZeroLoadsAsNotKnownAndARealCostPerGramStays) {
    WriteExport("in.sce", 107,
                Split("=== INGREDIENTS|*|Salt|0|1|0.000000|0.000000|V|0||**|"
                      "*|Flour|0|1|3.640000|0.000800|V|1|plain|**|=== END"));
    EXPECT_EQ(Load("in.sce").ingredients, 2);
    interchange::TableIngredientCatalog catalog(db_);
    ASSERT_TRUE(catalog.FindIngredient("Salt"));
    EXPECT_EQ(catalog.FindIngredient("Salt")->cost, -1.0f);
    ASSERT_TRUE(catalog.FindIngredient("flour"));
    EXPECT_FLOAT_EQ(catalog.FindIngredient("flour")->cost, 0.0008f);
    EXPECT_TRUE(catalog.FindIngredient("flour")->gluten);
}

TEST_F(ExportLoadTest, AFileWithoutAKnownHeaderIsRefusedWith606And607) {
    std::ofstream(PathOf("foreign.sce"), std::ios::binary) << "MMMMM----- Recipe via Meal-Master";
    EXPECT_EQ(Load("foreign.sce").status, LoadOutcome::Status::kNotExportFile);
    std::ofstream(PathOf("newer.sce"), std::ios::binary) << "KW E 109\r\nwhatever";
    EXPECT_EQ(Load("newer.sce").status, LoadOutcome::Status::kUnsupportedVersion);
    EXPECT_EQ(Load("missing.sce").status, LoadOutcome::Status::kFileError);
    EXPECT_EQ(sink_.Ids(), (std::vector<int>{606, 607, 1100}));
    EXPECT_EQ(sink_.Messages()[0].text, "Not a valid Kettleworth Export File");
    EXPECT_EQ(sink_.Messages()[2].text, "File error " + std::to_string(ENOENT));
    EXPECT_EQ(Count(kTableRecipe), 0);
}

TEST_F(ExportLoadTest, ProgressRunsOverTheFileAndACancelKeepsWhatWasWritten) {
    const Texts leeks = {"1 Kg Leeks,,"};
    WriteRecipes("in.sce", {RecipeLines("One", "Soups", leeks), RecipeLines("Two", "Soups", leeks),
                            RecipeLines("Three", "Soups", leeks)});
    const LoadOutcome full = Load("in.sce");
    EXPECT_EQ(full.recipes, 3);
    EXPECT_EQ(progress_.text_, "Loading file");
    EXPECT_EQ(progress_.label_, "");
    EXPECT_TRUE(progress_.cancelEnabled_);
    EXPECT_EQ(progress_.low_, 1);
    EXPECT_EQ(progress_.high_, static_cast<int>(std::filesystem::file_size(PathOf("in.sce"))));
    EXPECT_EQ(progress_.last_, progress_.high_);
    EXPECT_EQ(progress_.ends_, 1);

    // Cancelled in the middle of the second recipe: the first stays, the second is not written.
    ASSERT_EQ(db_.ClearAll(), KW_OK);
    progress_ = ScriptedProgress();
    progress_.cancelAfter_ = 1 + 17 + 5;  // the header line, one recipe, five lines
    const LoadOutcome cancelled = Load("in.sce");
    EXPECT_EQ(cancelled.status, LoadOutcome::Status::kCancelled);
    EXPECT_EQ(cancelled.recipes, 1);
    EXPECT_EQ(Count(kTableRecipe), 1);
    EXPECT_EQ(Count(kTableRecipeIngredient), 1);
    EXPECT_EQ(progress_.ends_, 1);
}

TEST_F(ExportLoadTest, TextsEqualToMarkerLinesStayTexts) {
    const std::string name = "=== END";
    ASSERT_EQ(AddRecipe(name, "**"), KW_OK);
    ASSERT_EQ(AddLink(name, "**", "$$"), KW_OK);
    ASSERT_EQ(AddLink(name, "**", "*"), KW_OK);
    ASSERT_EQ(AddRecipe("Plain", "Soups"), KW_OK);
    ASSERT_EQ(AddIngredient("$", kItems, 1.0f, 1.0f, "**"), KW_OK);
    ASSERT_TRUE(Export(true, true).ok);
    ASSERT_EQ(db_.ClearAll(), KW_OK);
    const LoadOutcome loaded = Load();
    EXPECT_EQ(loaded.errors, 0);
    EXPECT_EQ(loaded.ingredients, 1);
    EXPECT_EQ(loaded.recipes, 2);
    EXPECT_EQ(Links(name, "**"), (Texts{"**", "$$", "*"}));
    CKWRecord record;
    EXPECT_TRUE(FindRecipe("Plain", "Soups", &record));
}

TEST_F(ExportLoadTest, ADuplicateRecipeInTheFileAddsNoRowsToTheStoredOne) {
    ASSERT_EQ(AddRecipe("Scones", "Baking"), KW_OK);
    ASSERT_EQ(AddLine("Scones", "Baking", "Flour", 225.0f, 1, kWeight), KW_OK);
    WriteRecipes("in.sce",
                 {RecipeLines("SCONES", "baking", {"2 item(s) Eggs,,beaten", "1 Kg Flour,,"})});
    EXPECT_EQ(Load("in.sce").duplicates, 1);
    EXPECT_EQ(Lines("Scones", "Baking"), Texts{"Flour|225|1|0|"});
    EXPECT_EQ(Count(kTablePreparation), 0);
    EXPECT_EQ(Count(kTableRecipeCategory), 0);
}

TEST_F(ExportLoadTest, IngredientLinesLoadInTheCurrentUnitSystemAndBadOnesCountAsErrors) {
    ASSERT_EQ(AddIngredient("Salt", kWeight, 0.0f, 0.0f), KW_OK);
    WriteRecipes("in.sce", {RecipeLines("Pie", "Baking",
                                        {"2 oz Butter,,cold", "1 cup Milk,,", "3 item(s) Eggs,,",
                                         "- - Salt,,to taste", "5 handfuls Herbs,,",
                                         "1 g ,,nameless", "7"})});
    const LoadOutcome loaded = Load("in.sce");
    EXPECT_EQ(loaded.recipes, 1);
    EXPECT_EQ(loaded.errors, 2);  // the line without a name, and "7"
    EXPECT_EQ(Lines("Pie", "Baking"),
              (Texts{"Butter|56.699|1|0|cold", "Milk|236.588|1|1|", "Eggs|3|0|2|",
                     "Salt|0|4|0|to taste", "Herbs|5|0|2|"}));
}

TEST_F(ExportLoadTest, AMissingRecordEndCountsOneErrorAndTheNextRecordStillLoads) {
    Texts first = RecipeLines("One", "Soups", {});
    first.pop_back();  // no "**"
    WriteRecipes("in.sce", {first, RecipeLines("Two", "Soups", {})});
    const LoadOutcome loaded = Load("in.sce");
    EXPECT_EQ(loaded.errors, 1);
    EXPECT_EQ(loaded.recipes, 2);
}

TEST_F(ExportLoadTest, AFailedExportLeavesAnEarlierFileAsItWas) {
    std::ofstream(PathOf("kept.sce"), std::ios::binary) << "earlier";
    std::filesystem::create_directory(PathOf("kept.sce.~tmp"));
    std::ofstream(PathOf("kept.sce.~tmp/x")) << "x";  // the temporary file cannot be made
    const ExportOutcome outcome = Export(true, true, "kept.sce");
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.fileError, 0);
    EXPECT_EQ(sink_.Ids(), std::vector<int>{1100});
    std::ifstream in(PathOf("kept.sce"), std::ios::binary);
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "earlier");
}

TEST_F(ExportLoadTest, AnExportPathWithoutAFullStopGetsTheExtension) {
    EXPECT_EQ(ExportFilePath("/home/me/recipes"), "/home/me/recipes.sce");
    EXPECT_EQ(ExportFilePath("/home/me/recipes.old"), "/home/me/recipes.old");
    EXPECT_EQ(ExportFilePath("/home/me.d/recipes"), "/home/me.d/recipes");
}

TEST_F(ExportLoadTest, ARoundTripBetweenTwoDatabasesGivesTheSameLines) {
    settings_.units = kUkImperial;
    ASSERT_EQ(AddIngredient("Flour", kWeight, 3.64f, 0.0008f, "plain"), KW_OK);
    ASSERT_EQ(AddIngredient("Milk", kVolume, 0.61f, 0.00125f), KW_OK);
    ASSERT_EQ(AddRecipe("Scones", "Baking", "Rub in.\r\n\r\nBake."), KW_OK);
    ASSERT_EQ(AddLink("Scones", "Baking", "Baking"), KW_OK);
    ASSERT_EQ(AddLink("Scones", "Baking", "Teatime"), KW_OK);
    ASSERT_EQ(AddLine("Scones", "Baking", "Flour", 225.0f, 1, kWeight, "sifted"), KW_OK);
    ASSERT_EQ(AddLine("Scones", "Baking", "Milk", 150.0f, 1, kVolume), KW_OK);
    ASSERT_EQ(AddLine("Scones", "Baking", "Eggs", 1.0f, 0, kItems), KW_OK);
    ASSERT_EQ(AddLine("Scones", "Baking", "Salt", 0.0f, kUnspecifiedChoice, kOwnMeasureKind),
              KW_OK);
    ASSERT_EQ(AddRecipe("Leek soup", "Soups"), KW_OK);
    ASSERT_EQ(AddLine("Leek soup", "Soups", "Leeks", 1250.0f, 0, kWeight), KW_OK);
    ASSERT_EQ(AddLine("Leek soup", "Soups", "Stock", 1.5f, 0, kVolume), KW_OK);
    ASSERT_TRUE(Export(true, true, "first.sce").ok);
    ASSERT_NO_FATAL_FAILURE(SwitchToASecondDatabase());
    const LoadOutcome loaded = Load("first.sce");
    EXPECT_EQ(loaded.errors, 0);
    EXPECT_EQ(loaded.recipes, 2);
    ASSERT_TRUE(Export(true, true, "second.sce").ok);

    int firstVersion = 0, secondVersion = 0;
    const Texts first = Decode("first.sce", &firstVersion);
    EXPECT_EQ(Decode("second.sce", &secondVersion), first);
    EXPECT_EQ(firstVersion, 108);
    EXPECT_EQ(secondVersion, 108);
    EXPECT_NE(std::find(first.begin(), first.end(), "7.94 oz Flour,,sifted"), first.end());
}

}  // namespace
}  // namespace kw

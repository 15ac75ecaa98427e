// kwtool's interchange commands on real working directories: import of several files with its
// counts, summary and exit status, export and load of export files between two databases, text
// files and archives given to load, and the whole shared corpus imported into a fresh database,
// whose counts must add up with what the filters read, which kwtool check must find consistent,
// and whose export must come back unchanged through a second database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/core/test_temp_dir.h"
#include "kwtool_run_test_support.h"

namespace kw {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using kwtool::testing::KwtoolRun;

// The number after "key": in a JSON text (the first occurrence at or after from), -1 when absent.
long JsonNumber(const std::string &json, const std::string &key, size_t from = 0) {
    const size_t at = json.find("\"" + key + "\":", from);
    if (at == std::string::npos) return -1;
    return std::strtol(json.c_str() + at + key.size() + 3, nullptr, 10);
}

// The totals of an import's JSON report: the last "imported", "errors" and "warnings".
long JsonTotal(const std::string &json, const std::string &key) {
    const size_t files = json.rfind("],");
    return files == std::string::npos ? -1 : JsonNumber(json, key, files);
}

std::string MealMasterText(const std::string &title, const std::string &category) {
    return "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n \r\n      Title: " + title +
           "\r\n Categories: " + category +
           "\r\n      Yield: 4 servings\r\n \r\n    225 g  Flour\r\n      1 c  Milk\r\n \r\n"
           "  Mix and bake.\r\n \r\nMMMMM\r\n \r\n";
}

class KwtoolExchangeTest : public testing::TempDirTest {
  protected:
    KwtoolRun Kwtool(const std::string &arguments, const std::string &workdir = "") {
        return kwtool::testing::RunKwtool(workdir.empty() ? PathOf("db") : workdir,
                                          arguments + " 2>&1");
    }
};

TEST_F(KwtoolExchangeTest, ImportCountsEveryFileAndFailsWhenARecipeFailed) {
    WriteFile("a.mmf", MealMasterText("Scones", "Baking") + MealMasterText("Bread", "Baking"));
    WriteFile("b.mmf", MealMasterText("Leek Soup", "Soups"));
    KwtoolRun run = Kwtool("import " + PathOf("a.mmf") + " " + PathOf("b.mmf"));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("a.mmf: 2 recipe(s) imported, 0 error(s), 0 warning(s) (filter "
                                   "MealMaster)"));
    EXPECT_THAT(run.out, HasSubstr("3 Recipe(s) imported"));
    EXPECT_THAT(run.out, Not(HasSubstr("Error(s) and")));

    // Again: every recipe is a duplicate, logged, counted, and the status says so.
    run = Kwtool("--json import " + PathOf("a.mmf") + " --log " + PathOf("kept.log"));
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(JsonTotal(run.out, "imported"), 0) << run.out;
    EXPECT_EQ(JsonTotal(run.out, "errors"), 2) << run.out;
    EXPECT_THAT(run.out, HasSubstr("\"status\":\"done\",\"filter\":\"MealMaster\""));
    EXPECT_THAT(ReadFile("kept.log"), HasSubstr("*** Duplicate Recipe 'Bread' in 'Baking'"))
        << run.out;
    EXPECT_FALSE(std::filesystem::exists(PathOf("db/import.out")));

    run = Kwtool("import " + PathOf("a.mmf") + " --filter 7");
    EXPECT_EQ(run.status, 2) << run.out;
    run = Kwtool("import " + PathOf("a.mmf") + " --encoding ebcdic");
    EXPECT_EQ(run.status, 2) << run.out;
}

TEST_F(KwtoolExchangeTest, AnExportLoadsIntoAnotherDatabaseAndATextFileLoadsAsAnImport) {
    WriteFile("a.txt", MealMasterText("Scones", "Baking") + MealMasterText("Bread", "Baking"));
    KwtoolRun run = Kwtool("load " + PathOf("a.txt"));
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("2 Recipe(s) imported"));
    run = Kwtool("export --recipes " + PathOf("all"));
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("all.sce: 0 ingredient(s), 2 recipe(s) written (version 107)"));

    run = Kwtool("--json load " + PathOf("all.sce"), PathOf("other"));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("Operation complete. 0 Duplicate(s), 0 Error(s)"));
    EXPECT_THAT(run.out, HasSubstr("\"status\":\"complete\",\"version\":107,\"ingredients\":0,"
                                   "\"recipes\":2,\"duplicates\":0,\"errors\":0}"));
    run = Kwtool("load " + PathOf("all.sce"), PathOf("other"));
    EXPECT_THAT(run.out, HasSubstr("Operation complete. 2 Duplicate(s), 0 Error(s)"));
    run = Kwtool("check", PathOf("other"));
    EXPECT_EQ(run.status, 0) << run.out;

    // Ingredients alone make a version 107 file.
    run = Kwtool("export --ingredients " + PathOf("ingredients.sce"));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(ReadFile("ingredients.sce").substr(0, 10), "KW E 107\r\n");

    // An archive loads with replacing, every record of the second load a duplicate.
    ASSERT_EQ(Kwtool("backup " + PathOf("set.sda")).status, 0);
    run = Kwtool("--json load " + PathOf("set.sda"));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("\"status\":\"loaded\",\"result\":0,\"duplicates\":"));
    EXPECT_GE(JsonNumber(run.out, "duplicates"), 4) << run.out;  // 2 recipes, 2 links at least
    EXPECT_THAT(run.out, HasSubstr("Archive loaded: "));

    WriteFile("foreign.sce", "not an export file at all");
    run = Kwtool("load " + PathOf("foreign.sce"), PathOf("other"));
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_THAT(run.out, HasSubstr("[606] Not a valid Kettleworth Export File"));
}

// Every corpus file imported in one run: per file, the recipes stored are the recipes the filter
// reads (kwtool parse) less those without name or category and the duplicates, and the errors
// are exactly those: no file's trailer after its last recipe (MasterCook's nutrition notes) is
// taken for a recipe that failed.
TEST_F(KwtoolExchangeTest, TheWholeCorpusImportsWhatTheFiltersReadChecksConsistentAndRoundTrips) {
    const std::string corpus = KW_CORPUS_DIR;
    if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(corpus))
        if (entry.is_regular_file() && entry.path().filename() != "README.md")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());

    long readable = 0, incompleteTotal = 0;
    std::string arguments = "--json import --log " + PathOf("corpus.log");
    for (const std::string &file : files) {
        const KwtoolRun parse = Kwtool("parse '" + file + "'");
        ASSERT_EQ(parse.status, 0) << parse.out;
        const size_t tail = parse.out.rfind('\n', parse.out.size() - 2);
        long read = 0, incomplete = 0;
        ASSERT_EQ(
            std::sscanf(parse.out.c_str() + tail + 1,
                        "%ld recipe(s) read, %ld without name or category", &read, &incomplete),
            2)
            << parse.out;
        readable += read - incomplete;
        incompleteTotal += incomplete;
        arguments += " '" + file + "'";
    }
    const KwtoolRun run = Kwtool(arguments);
    const std::string log = ReadFile("corpus.log");
    auto count = [&](const std::string &line) {
        long n = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
            ++n;
        return n;
    };
    const long duplicates = count("*** Duplicate Recipe '");
    const long givingUp = count("*** Cannot interpret Recipe -- giving up.");
    const long imported = JsonTotal(run.out, "imported");
    std::cout << "corpus: " << files.size() << " files, " << readable
              << " recipes with name and category, " << duplicates << " duplicates, " << imported
              << " imported, " << givingUp << " giving-up line(s)\n";
    EXPECT_EQ(imported, readable - duplicates) << run.out;
    EXPECT_EQ(givingUp, 0);
    EXPECT_EQ(JsonTotal(run.out, "errors"), incompleteTotal + duplicates) << run.out;
    char stored[64];
    std::snprintf(stored, sizeof stored, "%-9s %10ld records", "KWRECIPE", imported);
    EXPECT_THAT(Kwtool("stats").out, HasSubstr(stored));
    const KwtoolRun check = Kwtool("check");
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_THAT(check.out, HasSubstr("consistent"));

    // Round trip through a second database: the export of what the corpus gave, loaded into an
    // empty database and exported again, gives the same lines (same header, so the same bytes).
    ASSERT_EQ(Kwtool("export " + PathOf("first.sce")).status, 0);
    KwtoolRun load = Kwtool("--json load " + PathOf("first.sce"), PathOf("second"));
    EXPECT_EQ(load.status, 0) << load.out;
    EXPECT_EQ(JsonNumber(load.out, "recipes"), imported) << load.out;
    ASSERT_EQ(Kwtool("export " + PathOf("second.sce"), PathOf("second")).status, 0);
    EXPECT_TRUE(ReadFile("first.sce") == ReadFile("second.sce"));
}

}  // namespace
}  // namespace kw

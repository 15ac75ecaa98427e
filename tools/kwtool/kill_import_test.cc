// kwtool import of a Meal-Master text large enough for the import to defer its index upkeep
// (imported_recipe_store.h), killed with SIGKILL at different moments: while recipes are stored
// (the index files then lack their keys), while the indexes are built at the end, and while the
// tables close. Whatever the kill interrupted, the run is not marked clean, and the next start's
// rebuild must leave a database that kwtool check finds consistent. A run left to finish must
// end clean and consistent, with every recipe and its lines and links reachable by the indexes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/core/application_test_support.h"
#include "app/core/recipe_database.h"
#include "kill_run_test_support.h"
#include "kwtool_run_test_support.h"

namespace kw {
namespace {

constexpr int kImportRecipes = 1300;

int64_t SizeOfFile(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// Recipes of about 1.7 KiB each (a long method), in three categories, with four ingredient
// lines and a second category each; every 50th repeats an earlier title (refused as a duplicate).
std::string MealMasterText() {
    const std::string method(24, ' ');
    std::string text;
    for (int i = 0; i < kImportRecipes; ++i) {
        const int n = i % 50 == 49 ? i - 7 : i;
        const char *category = n % 3 == 0 ? "Soups" : (n % 3 == 1 ? "Breads" : "Desserts");
        text += "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n \r\n";
        text += "      Title: Killed Import Dish " + std::to_string(n) + "\r\n";
        text += " Categories: " + std::string(category) + ", Quick\r\n";
        text += "      Yield: 4 servings\r\n \r\n";
        for (int line = 0; line < 4; ++line)
            text += "      " + std::to_string(line + 1) + " c  Ingredient " +
                    std::to_string((n + line) % 40) + "\r\n";
        text += " \r\n";
        for (int line = 0; line < 22; ++line)
            text += "  Stir the pot gently and let it simmer for a while, step " +
                    std::to_string(line) + ".\r\n";
        text += " \r\nMMMMM\r\n\r\n";
    }
    return text;
}

class KwtoolKillImportTest : public testing::ApplicationTest {
  protected:
    void SetUp() override {
        ApplicationTest::SetUp();
        text_ = PathOf("recipes.mmf");
        std::ofstream(text_, std::ios::binary) << MealMasterText();
        // Large enough for the import to defer its indexes: kDeferredImportMinimum recipes of
        // kDeferredImportBytesPerRecipe (app/interchange/imported_recipe_store.h).
        ASSERT_GE(SizeOfFile(text_), 1000 * 2048);
    }

    pid_t SpawnImport(const std::string &work) {
        return kwtool::testing::SpawnKwtoolQuietly({"--workdir", work, "import", text_});
    }

    // Runs an import in a new database, kills it delayMs after it began storing recipes
    // (delayMs < 0: lets it finish), then the next start and the check. True when the kill cut
    // the run short (it was not marked clean).
    bool KillImportAndRestart(const std::string &work, int delayMs) {
        kwtool::testing::KwtoolRun run = kwtool::testing::RunKwtool(work, "stats 2>&1");
        EXPECT_EQ(run.status, 0) << run.out;
        const std::string store = work + "/DATA2/KWRECIPE.dat";
        const int64_t empty = SizeOfFile(store);
        const pid_t child = SpawnImport(work);
        EXPECT_GT(child, 0);
        if (child <= 0) return false;
        const int status = kwtool::testing::KillWhenStarted(
            child, [&] { return SizeOfFile(store) > empty; }, delayMs);
        EXPECT_NE(status, -1);
        // A finished import refuses the repeated titles: exit status 1.
        if (!WIFSIGNALED(status)) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        }
        const bool cutShort = kwtool::testing::RunWasCutShort(work, status);

        run = kwtool::testing::RunKwtool(work, "stats 2>&1");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(run.out.find("did not end cleanly") != std::string::npos, cutShort) << run.out;
        run = kwtool::testing::RunKwtool(work, "check 2>&1");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find(cutShort ? "consistent" : "consistent (0 warnings)"),
                  std::string::npos)
            << run.out;
        return cutShort;
    }

    std::string text_;
};

TEST_F(KwtoolKillImportTest, AKilledDeferredImportLeavesAConsistentDatabase) {
    int killed = 0;
    int round = 0;
    for (int delayMs : {0, 30, 120, 400, 1200}) {
        SCOPED_TRACE("delay " + std::to_string(delayMs));
        if (KillImportAndRestart(PathOf("run" + std::to_string(round++)), delayMs)) ++killed;
    }
    // The first round kills as soon as the import writes, long before it can have finished.
    EXPECT_GE(killed, 1);
}

TEST_F(KwtoolKillImportTest, AFinishedDeferredImportIsCleanAndItsIndexesWhole) {
    const std::string work = PathOf("whole");
    ASSERT_FALSE(KillImportAndRestart(work, -1));
    const int refused = kImportRecipes / 50;
    const kwtool::testing::KwtoolRun run = kwtool::testing::RunKwtool(work, "recipes");
    EXPECT_EQ(run.status, 0) << run.out;
    int lines = 0;
    for (char c : run.out)
        lines += c == '\n';
    EXPECT_EQ(lines, kImportRecipes - refused) << run.out.substr(0, 400);
    const kwtool::testing::KwtoolRun check = kwtool::testing::RunKwtool(work, "check");
    EXPECT_NE(check.out.find("consistent (0 warnings)"), std::string::npos) << check.out;
}

// A recipe quick-added before the import (in the record chain, not in the indexes) is imported
// again: the insert is taken, as it would be with the indexes kept up to date, and the build at
// the end meets two recipes with one unique key. The build's failure must not be lost: the close
// fails, the run stays unclean, and the next start's rebuild repairs the table.
TEST_F(KwtoolKillImportTest, AFailedBuildAtTheEndLeavesTheRunUnclean) {
    const std::string work = PathOf("failing");
    kwtool::testing::KwtoolRun run = kwtool::testing::RunKwtool(work, "stats 2>&1");
    ASSERT_EQ(run.status, 0) << run.out;
    ASSERT_EQ(::chdir(work.c_str()), 0);
    {
        CKWDatabase db;
        ASSERT_EQ(OpenRecipeDatabase(db), KW_OK);
        ASSERT_EQ(testing::AddRecord(db, schema::kTableRecipe,
                                     {{schema::kFieldName, "Killed Import Dish 0"},
                                      {schema::kFieldCategory, "Soups"}},
                                     true),
                  KW_OK);
    }
    ASSERT_EQ(::chdir(dir_.c_str()), 0);
    run = kwtool::testing::RunKwtool(work, "import " + text_ + " 2>&1");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("could not be closed cleanly"), std::string::npos) << run.out;
    const platform::Profile ini(SettingsFilePath(work));
    EXPECT_EQ(ini.GetString("Status", "Clean", ""), "0");

    run = kwtool::testing::RunKwtool(work, "stats 2>&1");
    EXPECT_NE(run.out.find("did not end cleanly"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("repaired"), std::string::npos) << run.out;
    run = kwtool::testing::RunKwtool(work, "check 2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("consistent"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace kw

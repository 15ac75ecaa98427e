// kwtool load of a large archive killed with SIGKILL part-way, in rounds that kill it at
// different moments (and, for the first load, one that lets it finish): a first load into an empty
// database, and a load of the same archive over a database that holds it already, which replaces
// every record (a delete and an insert each) and so leaves the files in the states a crash can cut
// a replacing write into. Whatever the kill interrupted, the next command's start (the rebuild
// after an unclean end, with the repair of any table the rebuild finds damaged) must leave a
// database that kwtool check finds consistent, and end its run cleanly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/core/application_test_support.h"
#include "kill_run_test_support.h"
#include "kwtool_run_test_support.h"

extern char **environ;

namespace kw {
namespace {

using namespace schema;

// kwtool run with its standard error folded into what the test reads.
kwtool::testing::KwtoolRun RunKwtoolMerged(const std::string &work, const std::string &arguments) {
    return kwtool::testing::RunKwtool(work, arguments + " 2>&1");
}

constexpr int kRecipes = 1000;
constexpr int kLinesPerRecipe = 4;

int64_t FileSize(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

class KwtoolKillTest : public testing::ApplicationTest {
  protected:
    void SetUp() override {
        ApplicationTest::SetUp();
        archive_ = PathOf("large.sda");
        MakeLargeArchive();
    }

    // The archive: kRecipes recipes with their ingredient lines and category links, written
    // from a database of its own (quick adds: the dump reads only the record chains).
    void MakeLargeArchive() {
        const std::string work = PathOf("archive.src");
        ASSERT_EQ(::mkdir(work.c_str(), 0755), 0);
        ASSERT_EQ(::chdir(work.c_str()), 0);
        {
            CKWDatabase db;
            ASSERT_EQ(CreateRecipeDatabase(db, work + "/DATA2"), KW_OK);
            for (const char *category : {"Baking", "Soups"})
                ASSERT_EQ(testing::AddRecord(db, kTableCategory, {{kFieldName, category}}, true),
                          KW_OK);
            const std::string method(1500, 'm');
            for (int i = 0; i < kRecipes; ++i) {
                const std::string recipe = "Recipe " + std::to_string(i);
                const std::string category = i % 2 ? "Baking" : "Soups";
                const testing::Fields key = {{kFieldName, recipe}, {kFieldCategory, category}};
                testing::Fields fields = key;
                fields.push_back({kFieldMethod, method});
                ASSERT_EQ(testing::AddRecord(db, kTableRecipe, fields, true), KW_OK);
                fields = key;
                fields.push_back({kFieldOtherCategory, category});
                ASSERT_EQ(testing::AddRecord(db, kTableRecipeCategory, fields, true), KW_OK);
                for (int line = 0; line < kLinesPerRecipe; ++line) {
                    fields = key;
                    fields.push_back({kFieldIngredient, "Ingredient " + std::to_string(line)});
                    ASSERT_EQ(testing::AddRecord(db, kTableRecipeIngredient, fields, true), KW_OK);
                }
            }
            ASSERT_EQ(db.Dump(archive_), KW_OK);
        }
        ASSERT_EQ(::chdir(dir_.c_str()), 0);
    }

    // Starts "kwtool --workdir WORK load ARCHIVE" with its output thrown away.
    pid_t SpawnLoad(const std::string &work) {
        return kwtool::testing::SpawnKwtoolQuietly({"--workdir", work, "load", archive_});
    }

    // Runs a load in work, waits until started() holds (or the load has ended), waits delayMs
    // more and kills it (delayMs < 0: lets it finish). Then the next start and the check.
    void KillLoadAndRestart(const std::string &work, const std::function<bool()> &started,
                            int delayMs) {
        const pid_t child = SpawnLoad(work);
        ASSERT_GT(child, 0);
        const int status = kwtool::testing::KillWhenStarted(child, started, delayMs);
        ASSERT_NE(status, -1);
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), SIGKILL);
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        const bool cutShort = kwtool::testing::RunWasCutShort(work, status);
        if (cutShort) ++killed_;

        // Before any start the check examines the files the kill left: it runs (consistent
        // or not) and says the last run was cut short.
        kwtool::testing::KwtoolRun run = RunKwtoolMerged(work, "check");
        EXPECT_TRUE(run.status == 0 || run.status == 1) << run.out;
        EXPECT_EQ(run.out.find("did not end cleanly") != std::string::npos, cutShort) << run.out;

        run = RunKwtoolMerged(work, "stats");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(run.out.find("did not end cleanly") != std::string::npos, cutShort) << run.out;
        if (run.out.find("has been repaired") != std::string::npos) ++repaired_;
        EXPECT_EQ(platform::Profile(SettingsFilePath(work)).GetString("Status", "Clean", ""), "1");
        run = RunKwtoolMerged(work, "check");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("consistent"), std::string::npos) << run.out;
        if (!cutShort) {
            EXPECT_NE(run.out.find("consistent (0 warnings)"), std::string::npos) << run.out;
        }
    }

    std::string archive_;
    int killed_ = 0;
    int repaired_ = 0;
};

TEST_F(KwtoolKillTest, KilledFirstLoadLeavesAConsistentDatabase) {
    int round = 0;
    for (int delayMs : {0, 40, 300, -1}) {
        SCOPED_TRACE("delay " + std::to_string(delayMs));
        const std::string work = PathOf("run" + std::to_string(round++));
        const kwtool::testing::KwtoolRun run = RunKwtoolMerged(work, "stats");  // creates KWDATA2
        ASSERT_EQ(run.status, 0) << run.out;
        const std::string store = work + "/DATA2/KWRECIPE.dat";
        KillLoadAndRestart(
            work, [&] { return FileSize(store) >= (1 << 20); }, delayMs);
    }
    // The first round kills as soon as the load writes, long before it can have finished.
    EXPECT_GE(killed_, 1);
}

TEST_F(KwtoolKillTest, KilledReplacingLoadIsRepairedAtTheNextStart) {
    const std::string base = PathOf("base");
    kwtool::testing::KwtoolRun run = RunKwtoolMerged(base, "load " + archive_);
    ASSERT_EQ(run.status, 0) << run.out;
    int round = 0;
    for (int delayMs : {50, 300, 900}) {
        SCOPED_TRACE("delay " + std::to_string(delayMs));
        // A copy of the loaded database, registered at its new place.
        const std::string work = PathOf("run" + std::to_string(round++));
        std::filesystem::create_directory(work);
        std::filesystem::copy(base + "/DATA2", work + "/DATA2");
        for (const char *file : {"recipe.INI", "KWDATA.INI"})
            std::filesystem::copy_file(base + "/" + file, work + "/" + file);
        platform::Profile(work + "/KWDATA.INI")
            .WriteString("Locations", kDatabaseName, work + "/DATA2");
        const platform::Profile ini(SettingsFilePath(work));
        KillLoadAndRestart(
            work, [&] { return ini.GetString("Status", "Clean", "") == "0"; }, delayMs);
    }
    // A replacing load runs for seconds: at least the early kills cut it part-way, and the
    // files it leaves then need the repair more often than not.
    EXPECT_GE(killed_, 1);
    RecordProperty("killed", killed_);
    RecordProperty("repaired", repaired_);
}

}  // namespace
}  // namespace kw

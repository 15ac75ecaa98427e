// The maintenance commands of kwtool on a real working directory: loading archives (twice, and by
// their content), backup names, clear and recover with their questions, the start every command
// goes through (first-run creation, unclean-end rebuild, the single instance) and the optional
// close-time backup.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "app/core/application_test_support.h"
#include "app/core/instance_lock.h"
#include "kwtool_run_test_support.h"
#include "platform/path.h"

namespace kw {
namespace {

using ::testing::HasSubstr;

class KwtoolMaintenanceTest : public testing::ApplicationTest {
  protected:
    kwtool::testing::KwtoolRun Kwtool(const std::string &arguments) {
        return kwtool::testing::RunKwtool(dir_, arguments + " 2>&1");
    }
    // The recipe count that kwtool stats reports.
    std::string RecipeLine() {
        const kwtool::testing::KwtoolRun run = Kwtool("stats");
        const size_t at = run.out.find("KWRECIPE");
        return at == std::string::npos ? run.out : run.out.substr(at, run.out.find('\n', at) - at);
    }
    void LoadSet() {
        MakeArchive("set.sda", {{"Scones", "Baking"}, {"Broth", "Soups"}, {"Rock Cakes", "Baking"}},
                    {"Baking", "Soups"});
        const kwtool::testing::KwtoolRun run = Kwtool("load set.sda");
        ASSERT_EQ(run.status, 0) << run.out;
        ASSERT_THAT(run.out, HasSubstr("Archive loaded: 0 duplicates"));
    }
};

TEST_F(KwtoolMaintenanceTest, LoadingAnArchiveTwiceCountsDuplicatesAndLinksEveryRecipe) {
    LoadSet();  // the first command of a fresh directory creates the database
    EXPECT_TRUE(platform::IsRegularFile(PathOf("DATA2/KWRECIPE.dat")));
    EXPECT_EQ(Get("Status", "Clean"), "1");
    // An archive is known by its content whatever its name.
    ASSERT_EQ(::rename(PathOf("set.sda").c_str(), PathOf("set-copy").c_str()), 0);
    kwtool::testing::KwtoolRun run = Kwtool("load set-copy");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("Archive loaded: 5 duplicates"));
    EXPECT_EQ(RecipeLine(), "KWRECIPE           3 records");
    run = Kwtool("check");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("KWRCPCAT         3 records"));
    EXPECT_THAT(run.out, HasSubstr("consistent (0 warnings)"));

    WriteFile("notes.doc", "not an archive");
    run = Kwtool("load notes.doc");
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_THAT(run.out, HasSubstr("cannot tell what kind of file notes.doc is"));
}

TEST_F(KwtoolMaintenanceTest, BackupClearAndRecover) {
    LoadSet();
    kwtool::testing::KwtoolRun run = Kwtool("backup weekly");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(platform::IsRegularFile(PathOf("weekly.sda")));
    run = Kwtool("backup '~backup~.~~~'");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(platform::IsRegularFile(PathOf("~backup~.~~~")));

    run = Kwtool("clear");
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_EQ(RecipeLine(), "KWRECIPE           3 records");
    run = Kwtool("clear --yes");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("Are you sure you want to delete the entire database -> yes"));
    EXPECT_EQ(RecipeLine(), "KWRECIPE           0 records");

    run = Kwtool("recover </dev/null");  // no terminal to ask: No
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(RecipeLine(), "KWRECIPE           0 records");
    run = Kwtool("recover --yes");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(RecipeLine(), "KWRECIPE           3 records");

    // Without a backup the recovery clears everything and has nothing to load.
    ASSERT_EQ(platform::RemoveFile(PathOf("~backup~.~~~")), 0);
    run = Kwtool("recover --yes");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_THAT(run.out, HasSubstr("could not be loaded"));
    EXPECT_EQ(RecipeLine(), "KWRECIPE           0 records");

    for (const char *command : {"reindex", "write", "repair --yes"}) {
        run = Kwtool(command);
        EXPECT_EQ(run.status, 0) << command << ": " << run.out;
    }
    EXPECT_EQ(Kwtool("repair </dev/null").status, 1);
}

TEST_F(KwtoolMaintenanceTest, EveryCommandGoesThroughTheProgramsStart) {
    // A later run whose database is gone is refused, as the program refuses it.
    SetRunBefore();
    kwtool::testing::KwtoolRun run = Kwtool("stats");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_THAT(run.out, HasSubstr("Failed to create database: 1"));
    Ini().WriteString("Install", "LastUsed", std::nullopt);
    LoadSet();

    // While another program holds the directory nothing is touched.
    {
        InstanceLock::Status status;
        auto lock = InstanceLock::Acquire(dir_, &status);
        ASSERT_TRUE(lock);
        run = Kwtool("load set.sda");
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_THAT(run.out, HasSubstr("another Kettleworth program is already using"));
        EXPECT_EQ(Get("Status", "Clean"), "1");
    }

    Set("Status", "Clean", "0");
    run = Kwtool("stats");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out,
                HasSubstr("the previous run did not end cleanly; every index was rebuilt"));
    EXPECT_EQ(Get("Status", "Clean"), "1");
}

TEST_F(KwtoolMaintenanceTest, CloseTimeBackupOnlyWhenTheSettingsAskForIt) {
    LoadSet();
    EXPECT_FALSE(platform::FileExists(PathOf("~backup~.~~~")));
    Set("Kwtool", "BackupOnClose", "1");
    EXPECT_EQ(Kwtool("write").status, 0);
    ASSERT_TRUE(platform::IsRegularFile(PathOf("~backup~.~~~")));
    // Without the setting the clear's run leaves the backup of the three recipes alone.
    Set("Kwtool", "BackupOnClose", "0");
    ASSERT_EQ(Kwtool("clear --yes").status, 0);
    EXPECT_EQ(Kwtool("recover --yes").status, 0);
    EXPECT_EQ(RecipeLine(), "KWRECIPE           3 records");
}

}  // namespace
}  // namespace kw

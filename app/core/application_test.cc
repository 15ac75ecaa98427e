// The start and end of a run: clean and unclean ends, first runs, version changes, the database
// created or refused, first-run archives, the one-time category fill, the window hooks and the
// single instance, and the recovery offer.
#include "app/core/application.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/core/application_test_support.h"
#include "app/core/close_backup.h"
#include "platform/path.h"

namespace kw {
namespace {

using namespace schema;
using testing::CountRecords;
using testing::CountThroughIndex;

class StartupTest : public testing::ApplicationTest {
  protected:
    StartResult StartApp(RecipeApplication &app, const StartupHooks &hooks = {}) {
        StartOptions options;
        options.startTime = 1700000000;
        options.locale = "en_GB";
        return app.Start(hooks, options);
    }
    // Creates KWDATA2 the way an earlier run left it, with records written by fill.
    template <typename Fill>
    void MakeEarlierRun(Fill fill) {
        {
            RecipeApplication app(sink_, progress_);
            ASSERT_EQ(StartApp(app), StartResult::kStarted);
            fill(app.Database());
        }
        sink_.Clear();
        progress_.lines.clear();
    }

    RecordingSink sink_{Answer::kNo};
    testing::ProgressLog progress_;
};

TEST_F(StartupTest, FirstRunCreatesTheDatabaseAndAnEndMarksTheRunClean) {
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    // No settings file: a clean previous run, a first run, and a version change from "1.3".
    EXPECT_TRUE(app.PreviousRunClean());
    EXPECT_TRUE(app.FirstRun());
    EXPECT_TRUE(app.DatabaseCreated());
    EXPECT_TRUE(app.IndexesRebuilt());
    EXPECT_EQ(app.DatabaseDirectory(), dir_ + "/DATA2");
    EXPECT_TRUE(platform::IsRegularFile(dir_ + "/DATA2/KWRECIPE.dat"));
    EXPECT_EQ(app.Database().Tables().size(), 10u);
    EXPECT_EQ(app.RecipeTable()->Name(), "KWRECIPE");
    EXPECT_EQ(app.IngredientTable()->Name(), "KWINGDAT");
    EXPECT_EQ(app.IngredientQuery().GetFirst(), KW_END);
    EXPECT_EQ(app.WriteInterval(), 30000);
    EXPECT_EQ(app.UserSettings().units, 1);  // en_GB
    EXPECT_EQ(Get("Status", "Clean"), "0");
    EXPECT_EQ(Get("Install", "Version"), "2.0");
    EXPECT_EQ(Get("Install", "LastUsed"), "1700000000");
    EXPECT_EQ(Get("Install", "FillRcpRec"), "0");
    EXPECT_TRUE(sink_.Messages().empty());

    EXPECT_EQ(app.Exit(), KW_OK);
    EXPECT_EQ(Get("Status", "Clean"), "1");
    EXPECT_FALSE(app.Database().IsOpen());

    RecipeApplication second(sink_, progress_);
    ASSERT_EQ(StartApp(second), StartResult::kStarted);
    EXPECT_FALSE(second.FirstRun());
    EXPECT_FALSE(second.DatabaseCreated());
    EXPECT_FALSE(second.IndexesRebuilt());
}

TEST_F(StartupTest, SettingsWithoutCleanAreACleanPreviousRun) {
    MakeEarlierRun([](CKWDatabase &) {});
    Ini().WriteString("Status", "Clean", std::nullopt);
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    EXPECT_TRUE(app.PreviousRunClean());
    EXPECT_FALSE(app.IndexesRebuilt());
}

// Records added without their index entries stand for indexes a crash or an older program left
// behind: only a rebuild makes them reachable.
void AddStaleRecords(CKWDatabase &db) {
    for (const char *name : {"Baking", "Soups", "Puddings"})
        ASSERT_EQ(testing::AddRecord(db, kTableCategory, {{kFieldName, name}}, true), KW_OK);
}

// A version change (which stored versions count as one is startup_flags_test's) and a re-index
// request each rebuild every index; the version then reads 2.0 and the request is deleted.
TEST_F(StartupTest, VersionChangeOrReIndexRequestRebuildsEveryIndex) {
    const struct {
        const char *key, *value, *after;
    } rows[] = {{"Version", "1.3", "2.0"}, {"ReIndex", "1", "<missing>"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.key);
        MakeEarlierRun(AddStaleRecords);
        Set("Install", row.key, row.value);
        RecipeApplication app(sink_, progress_);
        ASSERT_EQ(StartApp(app), StartResult::kStarted);
        EXPECT_TRUE(app.IndexesRebuilt());
        EXPECT_EQ(app.IndexRebuildResult(), KW_OK);
        EXPECT_EQ(CountThroughIndex(app.Database(), kTableCategory, kCategoryByName), 3);
        EXPECT_EQ(Get("Install", row.key), row.after);
        app.Database().FindTable(kTableCategory)->Clear();
    }
}

TEST_F(StartupTest, KilledRunLeavesCleanZeroAndTheNextStartRebuildsTheIndexes) {
    MakeEarlierRun([](CKWDatabase &) {});
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child runs, writes stale records to the disk and is killed before it ends.
        RecordingSink sink;
        NullProgress progress;
        RecipeApplication app(sink, progress);
        if (app.Start() != StartResult::kStarted) ::_exit(1);
        AddStaleRecords(app.Database());
        app.PeriodicWrite();
        ::kill(::getpid(), SIGKILL);
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_EQ(Get("Status", "Clean"), "0");

    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    EXPECT_FALSE(app.PreviousRunClean());
    EXPECT_TRUE(app.IndexesRebuilt());
    EXPECT_EQ(CountThroughIndex(app.Database(), kTableCategory, kCategoryByName), 3);
    app.Exit();
    EXPECT_EQ(Get("Status", "Clean"), "1");
}

TEST_F(StartupTest, UncleanStartRepairsATableWhoseChainIsCut) {
    MakeEarlierRun([](CKWDatabase &db) {
        for (const char *name : {"Baking", "Soups", "Puddings"})
            ASSERT_EQ(testing::AddRecord(db, kTableCategory, {{kFieldName, name}}), KW_OK);
    });
    {
        // The first record's next link (block header at 32, link at +16) points past the file.
        std::fstream f(PathOf("DATA2/KWCAT.dat"), std::ios::in | std::ios::out | std::ios::binary);
        const int32_t bad = 0x7FFFFF00;
        f.seekp(32 + 16);
        f.write(reinterpret_cast<const char *>(&bad), 4);
        ASSERT_TRUE(f.good());
    }
    Set("Status", "Clean", "0");
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    EXPECT_EQ(app.RepairedTables(), std::vector<std::string>{"KWCAT"});
    EXPECT_EQ(app.IndexRebuildResult(), KW_OK);
    EXPECT_EQ(CountRecords(app.Database(), kTableCategory), 3);
    EXPECT_EQ(CountThroughIndex(app.Database(), kTableCategory, kCategoryByName), 3);
    app.Exit();
    EXPECT_EQ(Get("Status", "Clean"), "1");
}

TEST_F(StartupTest, UncleanStartRepairsATableHoldingAUniqueKeyTwice) {
    // A replacing write whose unlink of the old record never reached the disk.
    MakeEarlierRun([](CKWDatabase &db) {
        for (const char *name : {"Baking", "Soups", "Baking"})
            ASSERT_EQ(testing::AddRecord(db, kTableCategory, {{kFieldName, name}}, true), KW_OK);
    });
    Set("Status", "Clean", "0");
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    EXPECT_EQ(app.RepairedTables(), std::vector<std::string>{"KWCAT"});
    EXPECT_EQ(app.IndexRebuildResult(), KW_OK);
    EXPECT_EQ(CountRecords(app.Database(), kTableCategory), 2);
    EXPECT_EQ(CountThroughIndex(app.Database(), kTableCategory, kCategoryByName), 2);
}

TEST_F(StartupTest, FirstRunArchivesAreLoadedAndEveryKeyIsDeletedEvenAfterAFailedLoad) {
    MakeArchive("a.sda", {{"Scones", "Baking"}, {"Broth", "Soups"}});
    MakeArchive("b.sda", {{"Trifle", "Puddings"}});
    Set("Install", "FileCount", "4");
    Set("Install", "File01", PathOf("a.sda"));
    Set("Install", "File02", PathOf("missing.sda"));
    // File03 is not there at all.
    Set("Install", "File04", PathOf("b.sda"));
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    EXPECT_EQ(CountRecords(app.Database(), kTableRecipe), 3);
    ASSERT_EQ(sink_.Messages().size(), 2u);
    EXPECT_EQ(sink_.Messages()[0].text, "Failed to load archive");
    EXPECT_EQ(sink_.Messages()[1].text, "Failed to load archive");
    EXPECT_EQ(progress_.lines,
              (std::vector<std::string>{"begin 1 5 Loading Data... | Loading Recipes... cancel=0",
                                        "at 1", "at 2", "at 3", "at 4", "end"}));
    for (const char *key : {"FileCount", "File01", "File02", "File03", "File04"})
        EXPECT_EQ(Get("Install", key), "<missing>") << key;
    // The fill of the first run gives the loaded recipes their links.
    EXPECT_TRUE(testing::HasCategoryLink(app.Database(), "Trifle", "Puddings", "Puddings"));
}

TEST_F(StartupTest, ArchivesAreLoadedOnlyWhenLastUsedIsMissingOrNotPositive) {
    MakeArchive("a.sda", {{"Scones", "Baking"}});
    MakeEarlierRun([](CKWDatabase &) {});
    struct Row {
        const char *lastUsed;
        bool loads;
    } rows[] = {{"1000", false}, {"0", true}, {"-5", true}, {nullptr, true}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.lastUsed ? row.lastUsed : "<none>");
        Ini().WriteString("Install", "LastUsed",
                          row.lastUsed ? std::optional<std::string>(row.lastUsed) : std::nullopt);
        Set("Install", "FileCount", "1");
        Set("Install", "File01", PathOf("a.sda"));
        RecipeApplication app(sink_, progress_);
        ASSERT_EQ(StartApp(app), StartResult::kStarted);
        EXPECT_EQ(CountRecords(app.Database(), kTableRecipe), row.loads ? 1 : 0);
        EXPECT_EQ(Get("Install", "File01") == "<missing>", row.loads);
        EXPECT_EQ(Get("Install", "FileCount") == "<missing>", row.loads);
        app.Database().FindTable(kTableRecipe)->Clear();
    }
}

TEST_F(StartupTest, CategoryFillRunsOnceWhenRequested) {
    MakeEarlierRun([](CKWDatabase &db) {
        ASSERT_EQ(testing::AddRecord(db, kTableRecipe,
                                     {{kFieldName, "Scones"}, {kFieldCategory, "Baking"}}),
                  KW_OK);
    });
    Ini().WriteString("Install", "FillRcpRec", std::nullopt);  // default 1: fill
    {
        RecipeApplication app(sink_, progress_);
        ASSERT_EQ(StartApp(app), StartResult::kStarted);
        EXPECT_TRUE(testing::HasCategoryLink(app.Database(), "Scones", "Baking", "Baking"));
        EXPECT_EQ(Get("Install", "FillRcpRec"), "0");
        app.Database().FindTable(kTableRecipeCategory)->Clear();
    }
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    EXPECT_EQ(CountRecords(app.Database(), kTableRecipeCategory), 0);
}

TEST_F(StartupTest, LaterRunWithoutItsDatabaseIsRefusedAndStaysUnclean) {
    SetRunBefore();
    RecipeApplication app(sink_, progress_);
    EXPECT_EQ(StartApp(app), StartResult::kDatabaseFailed);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Failed to create database: 1");
    EXPECT_FALSE(platform::FileExists(dir_ + "/DATA2"));
    app.Exit();
    // Nothing was checked this run, so the next start must not take the database as sound.
    EXPECT_EQ(Get("Status", "Clean"), "0");
}

TEST_F(StartupTest, FirstRunCreatesInTheLocationAndTakesOverAnEmptyDirectory) {
    ASSERT_TRUE(platform::MakeDirectory(dir_ + "/place"));
    Set("Install", "Location", dir_ + "/place");
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    EXPECT_TRUE(platform::IsRegularFile(dir_ + "/place/KWCAT.dat"));
}

TEST_F(StartupTest, FirstRunThatCannotCreateSaysWhy) {
    WriteFile("DATA2", "a file where the directory should go");
    RecipeApplication app(sink_, progress_);
    EXPECT_EQ(StartApp(app), StartResult::kDatabaseFailed);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Failed to create database: 507");
}

TEST_F(StartupTest, WindowHooksRunInTheirPlaces) {
    std::vector<std::string> steps;
    RecipeApplication app(sink_, progress_);
    StartupHooks hooks;
    hooks.initialiseOle = [&] {
        steps.push_back("ole, settings " + Get("Status", "Clean"));
        return true;
    };
    hooks.initialiseControls = [&] { steps.push_back("controls"); };
    hooks.createTemplates = [&] {
        steps.push_back(std::string("templates, database ") +
                        (app.Database().IsOpen() ? "open" : "closed"));
        return true;
    };
    hooks.createMainFrame = [&] {
        steps.push_back(std::string("frame, tables ") +
                        (app.RecipeTable() ? "bound" : "not bound") + ", last used " +
                        Get("Install", "LastUsed"));
        return true;
    };
    ASSERT_EQ(StartApp(app, hooks), StartResult::kStarted);
    EXPECT_EQ(steps, (std::vector<std::string>{"ole, settings <missing>", "controls",
                                               "templates, database open",
                                               "frame, tables bound, last used 1700000000"}));
}

TEST_F(StartupTest, FailingHooksStopTheStart) {
    {
        RecipeApplication app(sink_, progress_);
        StartupHooks hooks;
        hooks.initialiseOle = [] { return false; };
        EXPECT_EQ(StartApp(app, hooks), StartResult::kOleFailed);
        ASSERT_EQ(sink_.Messages().size(), 1u);
        EXPECT_EQ(sink_.Messages()[0].text, "Ole Initialization Failed");
        EXPECT_FALSE(platform::FileExists(dir_ + "/DATA2"));
    }
    RecipeApplication app(sink_, progress_);
    StartupHooks hooks;
    hooks.createMainFrame = [] { return false; };
    EXPECT_EQ(StartApp(app, hooks), StartResult::kMainFrameFailed);
    app.Exit();
    EXPECT_EQ(Get("Status", "Clean"), "1");
}

TEST_F(StartupTest, SecondStartIsRefusedAndLeavesTheFirstRunUnclean) {
    RecipeApplication first(sink_, progress_);
    ASSERT_EQ(StartApp(first), StartResult::kStarted);
    int raised = 0;
    {
        RecipeApplication second(sink_, progress_);
        StartupHooks hooks;
        hooks.anotherInstance = [&] { ++raised; };
        EXPECT_EQ(StartApp(second, hooks), StartResult::kAnotherInstance);
    }
    EXPECT_EQ(raised, 1);
    // The first run goes on, so a crash of it must still be seen by the next start.
    EXPECT_EQ(Get("Status", "Clean"), "0");
}

TEST_F(StartupTest, RecoveryIsOfferedOnlyAfterAnUncleanEnd) {
    MakeEarlierRun([](CKWDatabase &db) {
        ASSERT_EQ(testing::AddRecord(db, kTableCategory, {{kFieldName, "Baking"}}), KW_OK);
        ASSERT_EQ(WriteCloseBackup(db, platform::WorkingDirectory()), KW_OK);
        ASSERT_EQ(testing::AddRecord(db, kTableCategory, {{kFieldName, "Soups"}}), KW_OK);
    });
    {
        RecipeApplication app(sink_, progress_);
        ASSERT_EQ(StartApp(app), StartResult::kStarted);
        EXPECT_EQ(app.OfferRecovery(), RecoveryOffer::kNotNeeded);
        EXPECT_TRUE(sink_.Messages().empty());
    }
    Set("Status", "Clean", "0");
    {
        RecipeApplication app(sink_, progress_);
        ASSERT_EQ(StartApp(app), StartResult::kStarted);
        sink_.Script(Answer::kNo);
        EXPECT_EQ(app.OfferRecovery(), RecoveryOffer::kDeclined);
        ASSERT_EQ(sink_.Ids(), std::vector<int>{1101});
        EXPECT_EQ(sink_.Messages()[0].text,
                  "Kettleworth was not shut down properly last time it was run.  Your database "
                  "may be corrupted.\nIf your database is corrupted you can restore the data "
                  "from your last session.  Do you want to restore the data now?");
        EXPECT_EQ(sink_.Messages()[0].icon, Icon::kQuestion);
        EXPECT_EQ(sink_.Messages()[0].buttons, Buttons::kYesNo);
        EXPECT_EQ(CountRecords(app.Database(), kTableCategory), 2);
    }
    sink_.Clear();
    Set("Status", "Clean", "0");
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    sink_.Script(Answer::kYes);  // 1101
    sink_.Script(Answer::kYes);  // the recovery's own question
    EXPECT_EQ(app.OfferRecovery(), RecoveryOffer::kAccepted);
    EXPECT_EQ(sink_.Messages().size(), 2u);
    EXPECT_EQ(CountRecords(app.Database(), kTableCategory), 1);
}

TEST_F(StartupTest, PlacementRestoreOffersRecoveryOnlyWithAStoredPlacement) {
    MakeEarlierRun([](CKWDatabase &) {});
    Set("Status", "Clean", "0");
    Set("Settings", "WindowPos", "0,1,2,3,4,5,6,7,8");  // nine numbers
    {
        RecipeApplication app(sink_, progress_);
        ASSERT_EQ(StartApp(app), StartResult::kStarted);
        const PlacementRestore restore = app.RestorePlacement(3);
        EXPECT_FALSE(restore.placement);
        EXPECT_EQ(restore.recovery, RecoveryOffer::kNotNeeded);
        EXPECT_TRUE(sink_.Messages().empty());
    }
    Set("Status", "Clean", "0");
    Set("Settings", "WindowPos", "2,1,-1,-1,-8,-8,10,20,610,420");
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    const PlacementRestore restore = app.RestorePlacement(3);  // a non-normal show command wins
    ASSERT_TRUE(restore.placement);
    EXPECT_EQ(restore.placement->showCommand, 3u);
    EXPECT_EQ(restore.placement->right, 610);
    EXPECT_EQ(restore.recovery, RecoveryOffer::kDeclined);
    EXPECT_EQ(sink_.Ids(), std::vector<int>{1101});
    EXPECT_EQ(app.RestorePlacement(kShowNormal).placement->showCommand, 1u);
}

TEST_F(StartupTest, ClosingTheMainFrameSavesThePlacementAndThenTheBackup) {
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    ASSERT_EQ(testing::AddRecord(app.Database(), kTableCategory, {{kFieldName, "Baking"}}), KW_OK);
    WindowPlacement placement;
    placement.flags = 7;  // whatever the platform said: only "maximised" is kept
    placement.showCommand = 1;
    placement.right = 640;
    placement.bottom = 480;
    EXPECT_EQ(app.CloseMainFrame(placement, /*maximised=*/true), KW_OK);
    EXPECT_EQ(Get("Settings", "WindowPos"), "2,1,0,0,0,0,0,0,640,480");
    EXPECT_NE(ReadFile("~backup~.~~~").find("Baking"), std::string::npos);
    EXPECT_EQ(app.CloseMainFrame(placement, false), KW_OK);
    EXPECT_EQ(Get("Settings", "WindowPos"), "0,1,0,0,0,0,0,0,640,480");
}

TEST_F(StartupTest, PeriodicWriteIsDueEveryThirtySecondsAndReachesTheDisk) {
    RecipeApplication app(sink_, progress_);
    ASSERT_EQ(StartApp(app), StartResult::kStarted);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(testing::AddRecord(app.Database(), kTableCategory, {{kFieldName, "Marmalades"}}),
              KW_OK);
    EXPECT_FALSE(app.WriteIfDue(start + std::chrono::milliseconds(29000)));
    EXPECT_TRUE(app.WriteIfDue(start + std::chrono::milliseconds(30001)));
    EXPECT_NE(ReadFile("DATA2/KWCAT.dat").find("Marmalades"), std::string::npos);
    EXPECT_FALSE(app.WriteIfDue(start + std::chrono::milliseconds(59000)));
    EXPECT_TRUE(app.WriteIfDue(start + std::chrono::milliseconds(60002)));
}

}  // namespace
}  // namespace kw

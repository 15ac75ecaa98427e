// The whole-database commands: the backup name rule, loading archives with their duplicate count
// and category links, the questions of clear, repair and recover, and the close-time backup that
// a failed dump must not spoil.
#include "app/core/maintenance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/core/application_test_support.h"
#include "app/core/close_backup.h"
#include "platform/path.h"

namespace kw {
namespace {

using namespace schema;
using testing::AddRecord;
using testing::CountRecords;

class MaintenanceTest : public testing::ApplicationTest {
  protected:
    void SetUp() override {
        ApplicationTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
    }
    void AddRecipe(const std::string &name, const std::string &category,
                   const std::string &method = "") {
        ASSERT_EQ(
            AddRecord(db_, kTableRecipe,
                      {{kFieldName, name}, {kFieldCategory, category}, {kFieldMethod, method}}),
            KW_OK);
    }
    std::string MethodOf(const std::string &name, const std::string &category) {
        CKWRecord recipe;
        recipe.OpenByName(&db_, kTableRecipe);
        recipe.PutString(kFieldName, name);
        recipe.PutString(kFieldCategory, category);
        CKWQuery query;
        query.SetIndex(&recipe, kRecipeByCategoryName);
        std::string method = "<none>";
        if (query.GetExactFromRecord() == KW_OK) recipe.GetString(kFieldMethod, &method);
        return method;
    }
    int32_t TotalRecords() {
        int32_t total = 0;
        for (const KW_TableDef &def : RecipeTableList())
            total += CountRecords(db_, def.name);
        return total;
    }

    RecordingSink sink_{Answer::kNo};
};

TEST_F(MaintenanceTest, BackupAddsSdaOnlyWhenThePathHoldsNoFullStop) {
    EXPECT_EQ(ArchivePathFor("/home/cook/backup"), "/home/cook/backup.sda");
    EXPECT_EQ(ArchivePathFor("backup.old"), "backup.old");
    EXPECT_EQ(ArchivePathFor("/home/cook/my.files/backup"), "/home/cook/my.files/backup");

    AddRecipe("Scones", "Baking");
    std::string written;
    ASSERT_EQ(BackupDatabase(db_, PathOf("weekly"), sink_, &written), KW_OK);
    EXPECT_EQ(written, PathOf("weekly.sda"));
    EXPECT_TRUE(platform::IsRegularFile(PathOf("weekly.sda")));

    ASSERT_EQ(::mkdir(PathOf("my.files").c_str(), 0755), 0);
    ASSERT_EQ(BackupDatabase(db_, PathOf("my.files/weekly"), sink_, &written), KW_OK);
    EXPECT_TRUE(platform::IsRegularFile(PathOf("my.files/weekly")));
    EXPECT_FALSE(platform::FileExists(PathOf("my.files/weekly.sda")));
    EXPECT_TRUE(sink_.Messages().empty());

    EXPECT_EQ(BackupDatabase(db_, PathOf("no/such/dir/weekly"), sink_), KWERR_IO);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Failed to create archive: 522");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kExclamation);
}

TEST_F(MaintenanceTest, LoadingAnArchiveTwiceCountsEveryRecordAsADuplicateAndReplacesThem) {
    MakeArchive("set.sda", {{"Scones", "Baking"}, {"Broth", "Soups"}, {"Trifle", "Puddings"}},
                {"Baking", "Soups", "Puddings"});
    auto ini = Ini();
    int32_t duplicates = -1;
    ASSERT_EQ(LoadArchive(db_, ini, PathOf("set.sda"), sink_, &duplicates), KW_OK);
    EXPECT_EQ(duplicates, 0);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Archive loaded: 0 duplicates");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kNone);
    const int32_t afterFirst = TotalRecords();  // the 6 loaded and 3 category links
    EXPECT_EQ(afterFirst, 9);

    // A stored record with the key of an archived one is replaced by the archived one.
    CKWRecord scones;
    scones.OpenByName(&db_, kTableRecipe);
    scones.PutString(kFieldName, "Scones");
    scones.PutString(kFieldCategory, "Baking");
    CKWQuery query;
    query.SetIndex(&scones, kRecipeByCategoryName);
    ASSERT_EQ(query.GetExactFromRecord(), KW_OK);
    scones.PutString(kFieldMethod, "Changed since the archive was made");
    ASSERT_EQ(scones.Update(), KW_OK);
    scones.Close();

    sink_.Clear();
    ASSERT_EQ(LoadArchive(db_, ini, PathOf("set.sda"), sink_, &duplicates), KW_OK);
    EXPECT_EQ(duplicates, 6);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Archive loaded: 6 duplicates");
    EXPECT_EQ(TotalRecords(), afterFirst);
    EXPECT_EQ(MethodOf("Scones", "Baking"), "");
}

TEST_F(MaintenanceTest, AfterAnArchiveLoadEveryRecipeLinksToItsOwnCategory) {
    MakeArchive("set.sda", {{"Scones", "Baking"}, {"Broth", "Soups"}, {"Rock Cakes", "Baking"}});
    AddRecipe("Trifle", "Puddings");  // already here, also without its link
    auto ini = Ini();
    Set("Install", "FillRcpRec", "1");
    ASSERT_EQ(LoadArchive(db_, ini, PathOf("set.sda"), sink_), KW_OK);
    for (const auto &[name, category] :
         std::vector<std::pair<std::string, std::string>>{{"Scones", "Baking"},
                                                          {"Broth", "Soups"},
                                                          {"Rock Cakes", "Baking"},
                                                          {"Trifle", "Puddings"}})
        EXPECT_TRUE(testing::HasCategoryLink(db_, name, category, category)) << name;
    EXPECT_EQ(CountRecords(db_, kTableRecipeCategory), 4);
    EXPECT_EQ(Get("Install", "FillRcpRec"), "0");
}

TEST_F(MaintenanceTest, FailedLoadSaysSoAndFillsNothing) {
    AddRecipe("Trifle", "Puddings");
    auto ini = Ini();
    EXPECT_EQ(LoadArchive(db_, ini, PathOf("missing.sda"), sink_), KWERR_IO);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Failed to load archive: 522");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kExclamation);
    EXPECT_EQ(CountRecords(db_, kTableRecipeCategory), 0);
}

TEST_F(MaintenanceTest, RecoverWithoutABackupLeavesTheDatabaseEmpty) {
    AddRecipe("Scones", "Baking");
    ASSERT_EQ(AddRecord(db_, kTableCategory, {{kFieldName, "Baking"}}), KW_OK);
    EXPECT_EQ(RecoverDatabase(db_, CloseBackupPath(dir_), sink_), std::nullopt);  // No
    EXPECT_EQ(TotalRecords(), 2);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text,
              "Changes made in the last session may be lost.\nAre you sure that you want to "
              "recover the database?");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kQuestion);
    EXPECT_EQ(sink_.Messages()[0].buttons, Buttons::kYesNo);

    sink_.Script(Answer::kYes);
    EXPECT_EQ(RecoverDatabase(db_, CloseBackupPath(dir_), sink_), KWERR_IO);
    EXPECT_EQ(TotalRecords(), 0);
}

TEST_F(MaintenanceTest, RecoverRestoresTheCloseTimeBackup) {
    AddRecipe("Scones", "Baking");
    ASSERT_EQ(WriteCloseBackup(db_, dir_), KW_OK);
    AddRecipe("Broth", "Soups");
    sink_.Script(Answer::kYes);
    EXPECT_EQ(RecoverDatabase(db_, CloseBackupPath(dir_), sink_), KW_OK);
    EXPECT_EQ(CountRecords(db_, kTableRecipe), 1);
    EXPECT_EQ(MethodOf("Broth", "Soups"), "<none>");
}

TEST_F(MaintenanceTest, ClearAndRepairAskFirst) {
    AddRecipe("Scones", "Baking");
    EXPECT_EQ(ClearDatabase(db_, sink_), std::nullopt);
    EXPECT_EQ(RepairDatabase(db_, sink_), std::nullopt);
    EXPECT_EQ(CountRecords(db_, kTableRecipe), 1);
    ASSERT_EQ(sink_.Messages().size(), 2u);
    EXPECT_EQ(sink_.Messages()[0].text, "Are you sure you want to delete the entire database");
    EXPECT_EQ(sink_.Messages()[1].text, "Are you sure you want to repair the database?");

    sink_.Clear();
    sink_.Script(Answer::kYes);
    EXPECT_EQ(RepairDatabase(db_, sink_), KW_OK);
    EXPECT_EQ(CountRecords(db_, kTableRecipe), 1);
    sink_.Script(Answer::kYes);
    EXPECT_EQ(ClearDatabase(db_, sink_), KW_OK);
    EXPECT_EQ(CountRecords(db_, kTableRecipe), 0);
    EXPECT_EQ(sink_.Messages().size(), 2u);  // the two questions, no report
}

TEST_F(MaintenanceTest, ReindexAndWriteReportOnlyFailures) {
    ASSERT_EQ(AddRecord(db_, kTableCategory, {{kFieldName, "Baking"}}), KW_OK);
    EXPECT_EQ(ReindexDatabase(db_, sink_), KW_OK);
    EXPECT_EQ(WriteDatabaseNow(db_, sink_), KW_OK);
    EXPECT_TRUE(sink_.Messages().empty());
    EXPECT_NE(ReadFile("DATA2/KWCAT.dat").find("Baking"), std::string::npos);

    // Two records with one unique key stop the rebuild with 303.
    ASSERT_EQ(AddRecord(db_, kTableCategory, {{kFieldName, "Baking"}}, true), KW_OK);
    EXPECT_EQ(ReindexDatabase(db_, sink_), 303);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Failed to Reindex Database: 303");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kExclamation);
}

TEST_F(MaintenanceTest, CloseTimeBackupReplacesTheOldOneOnlyWhenComplete) {
    AddRecipe("Scones", "Baking");
    // A longer file left by an earlier failure must not trail behind the new dump.
    WriteFile("~backup~.~~~.new", std::string(100000, 'x'));
    ASSERT_EQ(WriteCloseBackup(db_, dir_), KW_OK);
    ASSERT_EQ(db_.Dump(PathOf("reference.sda")), KW_OK);
    const std::string good = ReadFile("~backup~.~~~");
    EXPECT_EQ(good, ReadFile("reference.sda"));
    EXPECT_FALSE(platform::FileExists(PathOf("~backup~.~~~.new")));

    // A dump that cannot be written keeps the previous backup whole.
    ASSERT_EQ(::mkdir(PathOf("~backup~.~~~.new").c_str(), 0755), 0);
    AddRecipe("Broth", "Soups");
    EXPECT_EQ(WriteCloseBackup(db_, dir_), KWERR_IO);
    EXPECT_EQ(ReadFile("~backup~.~~~"), good);
}

TEST(DecimalTextTest, FillsEachPercentDInTurn) {
    EXPECT_EQ(FillDecimals("Operation complete. %d Duplicate(s), %d Error(s)", {3, -1}),
              "Operation complete. 3 Duplicate(s), -1 Error(s)");
    EXPECT_EQ(FillDecimals("%d and %d", {7}), "7 and %d");
    EXPECT_EQ(FillDecimals("100%", {7}), "100%");
}

}  // namespace
}  // namespace kw

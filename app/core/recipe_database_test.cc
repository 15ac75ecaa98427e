// Opening and creating KWDATA2: a created database found again by another process, a create
// that must not touch an existing directory, and the undo of a create whose open fails.
#include "recipe_database.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/data/query.h"
#include "app/data/record.h"
#include "app/data/table.h"
#include "platform/path.h"
#include "recipe_database_test_support.h"
#include "schema.h"

namespace kw {
namespace {

using namespace schema;

class RecipeDatabaseTest : public testing::RecipeDatabaseTest {
  protected:
    bool Registered() const {
        return ReadFile("KWDATA.INI").find(kDatabaseName) != std::string::npos;
    }
};

// What the second process checks; each failed check sets its own bit of the exit status.
int CheckReopenedDatabase(const std::string &directory) {
    int failures = 0;
    CKWDatabase db;
    if (OpenRecipeDatabase(db) != KW_OK) return 1;
    for (const KW_TableDef &def : RecipeTableList()) {
        CKWTable *table = db.FindTable(def.name);
        if (!table ||
            !platform::IsRegularFile(platform::JoinPath(directory, std::string(def.name) + ".dat")))
            failures |= 2;
        for (int i = 0; table && i < def.indexCount; ++i) {
            char file[32];
            std::snprintf(file, sizeof file, "%s.i%02d", def.name, def.indexes[i].number);
            if (!table->FindIndex(def.indexes[i].number) ||
                !platform::IsRegularFile(platform::JoinPath(directory, file)))
                failures |= 4;
        }
    }
    CKWRecord recipe;
    CKWQuery query;
    std::string method;
    int32_t serves = 0;
    if (recipe.OpenByName(&db, kTableRecipe) != KW_OK ||
        query.SetIndex(&recipe, kRecipeByCategoryName) != KW_OK)
        return failures | 8;
    std::string key(kCategoryWidth + kTitleWidth, '\0');
    key.replace(0, 6, "BAKING");
    key.replace(kCategoryWidth, 6, "scones");
    if (query.GetExact(key.data(), static_cast<int32_t>(key.size())) != KW_OK ||
        recipe.GetString(kFieldMethod, &method) != KW_OK || method != std::string(4096, 'm') ||
        recipe.GetInt(kFieldServings, &serves) != KW_OK || serves != 6)
        failures |= 16;
    int32_t count = 0;
    CKWTable *lines = db.FindTable(kTableRecipeIngredient);
    if (!lines || lines->GetCount(&count) != KW_OK || count != 2) failures |= 32;
    if (db.FindTable(kTableCategory)->GetCount(&count) != KW_OK || count != 1) failures |= 64;
    return failures;
}

TEST_F(RecipeDatabaseTest, ACreatedDatabaseIsFoundAgainByAnotherProcess) {
    ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
    ASSERT_EQ(Insert(kTableCategory, {{kFieldName, "Baking"}}), KW_OK);
    ASSERT_EQ(Insert(kTableRecipe, {{kFieldName, "Scones"},
                                    {kFieldCategory, "Baking"},
                                    {kFieldMethod, std::string(4096, 'm')},
                                    {kFieldServings, 6}}),
              KW_OK);
    for (const char *ingredient : {"Flour", "Butter"})
        ASSERT_EQ(Insert(kTableRecipeIngredient, {{kFieldName, "Scones"},
                                                  {kFieldCategory, "Baking"},
                                                  {kFieldIngredient, ingredient}}),
                  KW_OK);
    ASSERT_EQ(db_.Close(), KW_OK);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(CheckReopenedDatabase(PathOf("DATA2")));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(RecipeDatabaseTest, OpenBeforeCreateFindsNoDatabase) {
    EXPECT_EQ(OpenRecipeDatabase(db_), KWERR_NOLOCATION);
    EXPECT_FALSE(db_.IsOpen());
}

TEST_F(RecipeDatabaseTest, CreateLeavesAnExistingDirectoryAlone) {
    ASSERT_TRUE(platform::MakeDirectory(PathOf("DATA2")));
    WriteFile("DATA2/notes.txt", "keep");
    EXPECT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KWERR_NOLOCATION);
    EXPECT_EQ(ReadFile("DATA2/notes.txt"), "keep");
    EXPECT_FALSE(Registered());
    EXPECT_FALSE(db_.IsOpen());
}

TEST_F(RecipeDatabaseTest, ACreateWhoseOpenFailsLeavesNoDatabase) {
    // A directory so deep that its own files fit the platform's path limit ("dbver.ver") but the
    // first table's ("KWRECIPE.dat", three bytes longer) does not: the create succeeds and the
    // open of the first table fails.
    const size_t target = 4095 - 13 + 1;  // directory length + "/KWRECIPE.dat" = 4096
    std::string parent = dir_;
    while (target - parent.size() > 250)
        parent += "/" + std::string(200, 'd');
    parent += "/" + std::string(target - parent.size() - 10, 'p');  // then "/DATA2abc"
    const std::string directory = parent + "/DATA2abc";
    ASSERT_EQ(directory.size(), target);
    std::filesystem::create_directories(parent);
    ASSERT_TRUE(platform::IsDirectory(parent));

    EXPECT_EQ(CreateRecipeDatabase(db_, directory), KWERR_FILEOPEN);
    EXPECT_FALSE(db_.IsOpen());
    EXPECT_FALSE(platform::FileExists(directory));
    EXPECT_FALSE(Registered());
    // The engine was left with no user: a normal create and open work.
    EXPECT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
}

}  // namespace
}  // namespace kw

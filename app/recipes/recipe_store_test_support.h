// For tests of the recipe operations over a real database: a fresh KWDATA2 in the test's own
// temporary working directory, the record-backed catalogue and terms over it, a recording
// message sink, and a few one-call ways to write categories, ingredients and recipes.
//
// After every test the database is closed and examined by the real `kwtool check`: every index
// must agree with its records, and the relations the program keeps (every line and link belongs
// to a recipe, every recipe has its own link, every category named is in KWCAT) must hold. A test
// that leaves a relation broken on purpose says so with AllowBrokenRelations().
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/core/recipe_database.h"
#include "app/core/recipe_database_test_support.h"
#include "app/core/schema.h"
#include "app/data/table.h"
#include "app/recipes/category_store.h"
#include "app/recipes/recipe_form.h"
#include "app/recipes/record_catalog.h"

namespace kw::testing {

class RecipeStoreTest : public RecipeDatabaseTest {
  protected:
    void SetUp() override {
        RecipeDatabaseTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
        catalog_ = std::make_unique<RecordIngredientCatalog>(db_);
        terms_ = std::make_unique<RecordPreparationTerms>(db_);
    }

    void TearDown() override {
        // The catalogue's table instances go before their tables.
        catalog_.reset();
        terms_.reset();
        db_.Close();
        if (!::testing::Test::HasFatalFailure()) ExpectConsistentDatabase();
        RecipeDatabaseTest::TearDown();
    }

    void AllowBrokenRelations() { relationsKept_ = false; }

    UnitContext Context(int units = kMetric, int decimal = 1) {
        return UnitContext{NumberSettings{units, decimal, 0}, *catalog_, sink_};
    }

    void AddCategory(const std::string &name) {
        ASSERT_EQ(recipedb::InsertCategory(db_, name), KW_OK) << name;
    }
    void AddIngredient(const std::string &name, int units, float calories, float cost,
                       char type = 'X', bool gluten = false) {
        ASSERT_EQ(Insert(schema::kTableIngredient, {{schema::kFieldName, name},
                                                    {schema::kFieldUnits, units},
                                                    {schema::kFieldCalories, calories},
                                                    {schema::kFieldCost, cost},
                                                    {schema::kFieldType, std::string(1, type)},
                                                    {schema::kFieldGluten, gluten ? 1 : 0}}),
                  KW_OK);
    }

    // Saves a new recipe whose grid holds the given lines (typed, as a user would).
    void SaveRecipe(const std::string &name, const std::string &category,
                    const std::vector<GridLine> &lines) {
        RecipeForm form(db_);
        ASSERT_EQ(form.Open(name + "^" + category, true, Context()), KW_OK);
        for (const GridLine &line : lines) {
            const int row = form.Grid().AddEmptyRow();
            form.Grid().EditCell(row, kNameColumn, line.name, Context());
            form.Grid().EditCell(row, kQuantityColumn, line.quantity, Context());
            form.Grid().EditCell(row, kUnitsColumn, line.unit, Context());
            form.Grid().EditCell(row, kPreparationColumn, line.preparation, Context());
        }
        ASSERT_EQ(form.Save(Context()), KW_OK) << name;
        sink_.Clear();
    }

    std::vector<recipedb::RecipeLine> LinesOf(const std::string &name,
                                              const std::string &category) {
        std::vector<recipedb::RecipeLine> lines;
        EXPECT_EQ(recipedb::ReadRecipeLines(db_, {name, category}, &lines), KW_OK);
        return lines;
    }
    std::vector<std::string> IngredientsOf(const std::string &name, const std::string &category) {
        std::vector<std::string> names;
        for (const recipedb::RecipeLine &line : LinesOf(name, category))
            names.push_back(line.ingredient);
        return names;
    }
    std::vector<std::string> LinksOf(const std::string &name, const std::string &category) {
        std::vector<std::string> links;
        EXPECT_EQ(recipedb::ReadRecipeLinks(db_, {name, category}, &links), KW_OK);
        return links;
    }
    int32_t CountOf(const char *table) {
        int32_t count = -1;
        EXPECT_EQ(db_.FindTable(table)->GetCount(&count), KW_OK);
        return count;
    }

    // Runs `kwtool check --json` on the closed database and expects no error and, unless the
    // test allowed it, no warning.
    void ExpectConsistentDatabase() {
        const std::string command =
            std::string(KW_BIN_DIR) + "/kwtool --workdir " + dir_ + " --json check 2>&1";
        FILE *pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, got);
        const int status = ::pclose(pipe);
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find("\"errorCount\":0,"), std::string::npos) << out;
        if (relationsKept_) {
            EXPECT_NE(out.find("\"warningCount\":0,"), std::string::npos) << out;
        }
    }

    std::unique_ptr<RecordIngredientCatalog> catalog_;
    std::unique_ptr<RecordPreparationTerms> terms_;
    RecordingSink sink_;
    bool relationsKept_ = true;
};

}  // namespace kw::testing

// For the planning tests: a fresh recipe database per test case, in the test's own working
// directory, and one-call ways to store a recipe with its lines and category links, the way the
// recipe form and the import store them (every recipe is linked to its own category).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/core/recipe_database.h"
#include "app/core/recipe_database_test_support.h"
#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"

namespace kw::planning::testing {

// The KWRECIPE fields a test sets; the rest stay as a new recipe has them.
struct RecipeFields {
    int32_t prepTime = 0;
    int32_t totalTime = 0;
    int32_t calories = -1;
    float cost = -1.0f;
    bool vegetarian = false;
    bool glutenFree = false;
    bool dairyFree = false;
    std::string difficulty;  // "A", "B", "C" or ""
    std::vector<std::string> otherCategories;
};

// One ingredient line: the name, base amount, unit choice and measure kind.
struct LineFields {
    std::string ingredient;
    float quantity = 0.0f;
    int32_t opts = 4;
    int32_t measured = 0;
};

class PlanningDatabaseTest : public kw::testing::RecipeDatabaseTest {
  protected:
    void SetUp() override {
        RecipeDatabaseTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
    }

    void AddRecipe(const std::string &name, const std::string &category,
                   const std::vector<std::string> &ingredients, const RecipeFields &fields = {}) {
        std::vector<LineFields> lines;
        for (const std::string &ingredient : ingredients)
            lines.push_back({ingredient});
        AddRecipeWithLines(name, category, lines, fields);
    }

    void AddRecipeWithLines(const std::string &name, const std::string &category,
                            const std::vector<LineFields> &lines, const RecipeFields &fields = {}) {
        using namespace schema;
        ASSERT_EQ(Insert(kTableRecipe, {{kFieldName, name},
                                        {kFieldCategory, category},
                                        {kFieldPrepTime, fields.prepTime},
                                        {kFieldTotalTime, fields.totalTime},
                                        {kFieldCalories, fields.calories},
                                        {kFieldCost, fields.cost},
                                        {kFieldVegetarian, Flag(fields.vegetarian)},
                                        {kFieldGlutenFree, Flag(fields.glutenFree)},
                                        {kFieldDairyFree, Flag(fields.dairyFree)},
                                        {kFieldDifficulty, fields.difficulty}}),
                  KW_OK)
            << name;
        for (const LineFields &line : lines)
            ASSERT_EQ(Insert(kTableRecipeIngredient, {{kFieldName, name},
                                                      {kFieldCategory, category},
                                                      {kFieldIngredient, line.ingredient},
                                                      {kFieldQuantity, line.quantity},
                                                      {kFieldOpts, line.opts},
                                                      {kFieldMeasured, line.measured}}),
                      KW_OK)
                << name << " " << line.ingredient;
        std::vector<std::string> links = fields.otherCategories;
        links.push_back(category);
        for (const std::string &other : links)
            ASSERT_EQ(Insert(kTableRecipeCategory, {{kFieldName, name},
                                                    {kFieldCategory, category},
                                                    {kFieldOtherCategory, other}}),
                      KW_OK);
    }

    // Calls visit with the record at every entry of the table's index, in index order.
    void ForEachRecord(const char *table, int32_t index,
                       const std::function<void(CKWRecord &)> &visit) {
        CKWRecord record;
        ASSERT_EQ(record.OpenByName(&db_, table), KW_OK);
        CKWQuery walk;
        walk.SetIndex(&record, index);
        for (KWRESULT r = walk.GetFirst(); r == KW_OK; r = walk.GetNext())
            visit(record);
    }
    // A field of the record as text (text fields as stored, numbers in decimal).
    static std::string Text(CKWRecord &record, const char *field) {
        std::string text;
        record.GetString(field, &text);
        return text;
    }
    static int32_t Number(CKWRecord &record, const char *field) {
        int32_t value = 0;
        record.GetInt(field, &value);
        return value;
    }

  private:
    static std::string Flag(bool value) { return value ? "T" : "F"; }
};

}  // namespace kw::planning::testing

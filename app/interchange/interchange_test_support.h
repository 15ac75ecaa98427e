// For the export, load and import tests: a fresh recipe database KWDATA2 per test case, created
// in the test's own working directory, with helpers that write and read its records. Only tests
// include this header.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/recipe_database.h"
#include "app/core/recipe_database_test_support.h"
#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/data/table.h"
#include "app/interchange/recipe_rows.h"

namespace kw::testing {

class InterchangeDatabaseTest : public RecipeDatabaseTest {
  protected:
    void SetUp() override {
        RecipeDatabaseTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, dir_ + "/DATA2"), KW_OK);
    }

    int32_t Count(const char *table) {
        int32_t count = -1;
        CKWTable *t = db_.FindTable(table);
        if (t) t->GetCount(&count);
        return count;
    }

    KWRESULT AddRecipe(const std::string &name, const std::string &category,
                       const std::string &method = "Mix.", int32_t serves = 4) {
        using namespace schema;
        return Insert(kTableRecipe, {{kFieldName, name},
                                     {kFieldCategory, category},
                                     {kFieldMethod, method},
                                     {kFieldTotalTime, int32_t{90}},
                                     {kFieldPrepTime, int32_t{20}},
                                     {kFieldServings, serves},
                                     {kFieldCalories, int32_t{350}},
                                     {kFieldCost, -1.0f},
                                     {kFieldDairyFree, int32_t{1}},
                                     {kFieldGlutenFree, int32_t{0}},
                                     {kFieldVegetarian, int32_t{1}},
                                     {kFieldDifficulty, std::string("B")},
                                     {kFieldReference, std::string("Gran")}});
    }

    KWRESULT AddLine(const std::string &name, const std::string &category,
                     const std::string &ingredient, float quantity, int32_t opts, int32_t measured,
                     const std::string &preparation = "") {
        return InsertRecipeLine(name, category, ingredient, quantity, opts, measured, preparation);
    }

    KWRESULT AddLink(const std::string &name, const std::string &category,
                     const std::string &other) {
        using namespace schema;
        return Insert(
            kTableRecipeCategory,
            {{kFieldName, name}, {kFieldCategory, category}, {kFieldOtherCategory, other}});
    }

    KWRESULT AddIngredient(const std::string &name, int32_t units, float calories, float cost,
                           const std::string &information = "") {
        using namespace schema;
        return Insert(kTableIngredient, {{kFieldName, name},
                                         {kFieldUnits, units},
                                         {kFieldOpts, int32_t{1}},
                                         {kFieldCalories, calories},
                                         {kFieldCost, cost},
                                         {kFieldType, std::string("V")},
                                         {kFieldGluten, int32_t{0}},
                                         {kFieldInformation, information}});
    }

    // The stored ingredient lines of a recipe as "INGREDIE|QUANTITY|OPTS|MEASURED|PREPARAT".
    std::vector<std::string> Lines(const std::string &name, const std::string &category) {
        using namespace schema;
        std::vector<std::string> lines;
        CKWRecord record;
        CKWQuery query;
        EXPECT_EQ(interchange::OpenIndexed(db_, kTableRecipeIngredient, kRecipeIngredientByRecipe,
                                           &record, &query),
                  KW_OK);
        interchange::ForEachRecipeRow(query, category, name, [&] {
            float quantity = 0;
            int32_t opts = 0, measured = 0;
            record.GetFloat(kFieldQuantity, &quantity);
            record.GetInt(kFieldOpts, &opts);
            record.GetInt(kFieldMeasured, &measured);
            char number[32];
            std::snprintf(number, sizeof number, "%g", quantity);
            lines.push_back(interchange::FieldText(record, kFieldIngredient) + "|" + number + "|" +
                            std::to_string(opts) + "|" + std::to_string(measured) + "|" +
                            interchange::FieldText(record, kFieldPreparation));
        });
        return lines;
    }

    // The OTHERCAT values linked to a recipe, in index order.
    std::vector<std::string> Links(const std::string &name, const std::string &category) {
        using namespace schema;
        std::vector<std::string> links;
        CKWRecord record;
        CKWQuery query;
        EXPECT_EQ(interchange::OpenIndexed(db_, kTableRecipeCategory, kRecipeCategoryByRecipe,
                                           &record, &query),
                  KW_OK);
        interchange::ForEachRecipeRow(query, category, name, [&] {
            links.push_back(interchange::FieldText(record, kFieldOtherCategory));
        });
        return links;
    }

    // Positions record (opened here on KWRECIPE) on the recipe; false when it is not stored.
    bool FindRecipe(const std::string &name, const std::string &category, CKWRecord *record) {
        using namespace schema;
        CKWQuery query;
        if (interchange::OpenIndexed(db_, kTableRecipe, kRecipeByCategoryName, record, &query) !=
            KW_OK)
            return false;
        const std::string key = interchange::RecipeKey(category, name);
        return query.GetExact(key.data(), static_cast<int32_t>(key.size())) == KW_OK;
    }
};

}  // namespace kw::testing

// The recipe database schema through the data access classes: the rules its unique indexes
// enforce, the index files it makes, and the ordering of the search-result table.
#include "schema.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/data/database.h"
#include "app/data/index.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/data/table.h"
#include "platform/path.h"
#include "recipe_database.h"
#include "recipe_database_test_support.h"

namespace kw {
namespace {

using namespace schema;

std::string FieldNameOf(const KW_FieldDef &field) {
    return std::string(field.name, strnlen(field.name, sizeof field.name));
}

TEST(SchemaDefinitionTest, TenTablesInOrderAndTheSearchTableApart) {
    std::vector<std::string> names;
    for (const KW_TableDef &def : RecipeTableList())
        names.push_back(def.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{kTableRecipe, kTableRecipeIngredient, kTableCategory,
                                        kTableIngredient, kTableList, kTableListItem, kTableMeal,
                                        kTableMealItem, kTablePreparation, kTableRecipeCategory}));
    EXPECT_EQ(RecipeTableList().data(), RecipeTables());
    EXPECT_EQ(FindTableDefinition(kTableSearchResult), SearchResultTable());
    EXPECT_EQ(FindTableDefinition(kTableMealItem), &RecipeTables()[7]);
    EXPECT_EQ(FindTableDefinition("KWNONE"), nullptr);
}

TEST(SchemaDefinitionTest, EveryTableWithANonUniqueIndexHasOneSerialNamedUnique) {
    std::vector<const KW_TableDef *> all;
    for (const KW_TableDef &def : RecipeTableList())
        all.push_back(&def);
    all.push_back(SearchResultTable());
    for (const KW_TableDef *def : all) {
        bool nonUnique = false;
        for (int i = 0; i < def->indexCount; ++i)
            nonUnique |= (def->indexes[i].flags & KW_KEY_UNIQUE) == 0;
        std::vector<std::string> serials;
        for (int f = 0; f < def->fieldCount; ++f)
            if (def->fields[f].type == 'U') serials.push_back(FieldNameOf(def->fields[f]));
        EXPECT_EQ(serials,
                  nonUnique ? std::vector<std::string>{kFieldUnique} : std::vector<std::string>{})
            << def->name;
    }
}

class SchemaTest : public testing::RecipeDatabaseTest {
  protected:
    void SetUp() override {
        RecipeDatabaseTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
    }

    // The text of field in every record of table, walked on index number.
    std::vector<std::string> Walk(const char *table, int32_t index, const char *field) {
        CKWRecord record;
        CKWQuery query;
        std::vector<std::string> values;
        EXPECT_EQ(record.OpenByName(&db_, table), KW_OK);
        EXPECT_EQ(query.SetIndex(&record, index), KW_OK);
        for (KWRESULT r = query.GetFirst(); r == KW_OK; r = query.GetNext()) {
            std::string value;
            EXPECT_EQ(record.GetString(field, &value), KW_OK);
            values.push_back(value);
        }
        return values;
    }
};

TEST_F(SchemaTest, CreateMakesEveryTableAndIndexFileAndNothingElse) {
    std::set<std::string> expected = {"dbver.ver"};
    for (const KW_TableDef &def : RecipeTableList()) {
        expected.insert(std::string(def.name) + ".dat");
        for (int i = 0; i < def.indexCount; ++i) {
            char file[32];
            std::snprintf(file, sizeof file, "%s.i%02d", def.name, def.indexes[i].number);
            expected.insert(file);
        }
    }
    EXPECT_EQ(expected.size(), 1u + 10u + 25u);
    const std::vector<std::string> listed = platform::ListFiles(PathOf("DATA2"));
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), expected);
    EXPECT_TRUE(expected.count("KWLISTCT.i00") && expected.count("KWLISTCT.i02") &&
                expected.count("KWLISTCT.i03"));
    EXPECT_FALSE(expected.count("KWLISTCT.i01"));
    EXPECT_FALSE(expected.count("KWTMPRES.dat"));

    ASSERT_EQ(db_.Tables().size(), 10u);
    CKWTable *items = db_.FindTable(kTableListItem);
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(items->FindIndex(kListItemByItem)->EngineNumber(), 1);
    EXPECT_EQ(items->FindIndex(kListItemByItemMeasure)->EngineNumber(), 2);
    EXPECT_EQ(items->FindIndex(1), nullptr);
}

TEST_F(SchemaTest, ARecipeIsItsTitleAndCategoryTogetherWithCaseIgnored) {
    EXPECT_EQ(Insert(kTableRecipe, {{kFieldName, "Scones"}, {kFieldCategory, "Baking"}}), KW_OK);
    EXPECT_EQ(Insert(kTableRecipe, {{kFieldName, "Scones"}, {kFieldCategory, "Teatime"}}), KW_OK);
    EXPECT_EQ(Insert(kTableRecipe, {{kFieldName, "SCONES"}, {kFieldCategory, "baking"}}),
              BTERR_DUPLICATE);
    EXPECT_EQ(Insert(kTableRecipe, {{kFieldName, "Scones"}, {kFieldCategory, "Baking"}}),
              BTERR_DUPLICATE);
    EXPECT_EQ(Walk(kTableRecipe, kRecipeByCategoryName, kFieldCategory),
              (std::vector<std::string>{"Baking", "Teatime"}));
    EXPECT_EQ(Walk(kTableRecipe, kRecipeByName, kFieldName).size(), 2u);
}

TEST_F(SchemaTest, AnIngredientIsListedOnceInARecipe) {
    auto line = [&](const char *recipe, const char *ingredient) {
        return Insert(kTableRecipeIngredient, {{kFieldName, recipe},
                                               {kFieldCategory, "Baking"},
                                               {kFieldIngredient, ingredient},
                                               {kFieldQuantity, 250.0f}});
    };
    EXPECT_EQ(line("Scones", "Flour"), KW_OK);
    EXPECT_EQ(line("Scones", "Butter"), KW_OK);
    EXPECT_EQ(line("Shortbread", "Flour"), KW_OK);
    EXPECT_EQ(line("Scones", "flour"), BTERR_DUPLICATE);
    EXPECT_EQ(Walk(kTableRecipeIngredient, kRecipeIngredientByIngredient, kFieldName),
              (std::vector<std::string>{"Scones", "Scones", "Shortbread"}));
}

TEST_F(SchemaTest, AMealHoldsARecipeOncePerCourse) {
    ASSERT_EQ(Insert(kTableMeal, {{kFieldName, "Sunday lunch"}, {kFieldServes, 4}}), KW_OK);
    auto place = [&](const char *course) {
        return Insert(kTableMealItem, {{kFieldName, "Sunday lunch"},
                                       {kFieldRecipe, "Soup"},
                                       {kFieldCategory, "Starters"},
                                       {kFieldType, course}});
    };
    EXPECT_EQ(place("S"), KW_OK);
    EXPECT_EQ(place("M"), KW_OK);
    EXPECT_EQ(place("S"), BTERR_DUPLICATE);
    EXPECT_EQ(Walk(kTableMealItem, kMealItemByMeal, kFieldType),
              (std::vector<std::string>{"S", "M"}));
}

TEST_F(SchemaTest, AListHoldsAnItemOncePerMeasureKind) {
    auto item = [&](int32_t measured) {
        return Insert(kTableListItem, {{kFieldName, "Weekly"},
                                       {kFieldIngredient, "Milk"},
                                       {kFieldMeasured, measured},
                                       {kFieldQuantity, 1.0f}});
    };
    EXPECT_EQ(item(1), KW_OK);
    EXPECT_EQ(item(2), KW_OK);
    EXPECT_EQ(item(1), BTERR_DUPLICATE);
    // Index 2 (list and item, any measure kind) holds both.
    EXPECT_EQ(Walk(kTableListItem, kListItemByItem, kFieldIngredient).size(), 2u);
}

TEST_F(SchemaTest, SearchResultsOrderByHitsWithTiesKeptApart) {
    CKWTable *results = db_.AddTableWithIndexes(SearchResultTable());
    ASSERT_NE(results, nullptr);
    ASSERT_EQ(results->Open(), KW_OK);
    const std::vector<std::pair<const char *, int32_t>> rows = {
        {"Dal", 2}, {"Stew", 1}, {"Pie", 2}, {"Flan", 3}, {"Soup", 1}, {"Tart", 2}};
    for (const auto &[name, hits] : rows)
        ASSERT_EQ(Insert(kTableSearchResult,
                         {{kFieldName, name}, {kFieldCategory, "Mains"}, {kFieldHits, hits}}),
                  KW_OK);
    // Equal HITS stay apart, in the order they were written.
    EXPECT_EQ(Walk(kTableSearchResult, kSearchResultByHits, kFieldName),
              (std::vector<std::string>{"Stew", "Soup", "Dal", "Pie", "Tart", "Flan"}));
    EXPECT_EQ(Insert(kTableSearchResult,
                     {{kFieldName, "dal"}, {kFieldCategory, "MAINS"}, {kFieldHits, 9}}),
              BTERR_DUPLICATE);
    EXPECT_TRUE(platform::IsRegularFile(PathOf("DATA2/KWTMPRES.i01")));
}

}  // namespace
}  // namespace kw

// The ingredient catalogue and preparation terms over the real tables: lookups ignore letter
// case as the indexes do, prefix lists come from the indexes on the first letters, and the Add
// Ingredient dialog's term check (1200) stores through them.
#include "app/recipes/record_catalog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/recipes/add_ingredient_dialog.h"
#include "app/recipes/recipe_store_test_support.h"

namespace kw {
namespace {

using namespace schema;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RecordCatalogTest : public testing::RecipeStoreTest {};

TEST_F(RecordCatalogTest, IngredientLookupIgnoresCaseAndReadsEveryField) {
    IngredientRecord tomato{"Tomato", kWeight, 1, 0.2f, 0.004f, 'V', false, "ripe"};
    {
        CKWRecord record;
        ASSERT_EQ(record.OpenByName(&db_, kTableIngredient), KW_OK);
        ASSERT_EQ(record.ClearRecord(), KW_OK);
        ASSERT_EQ(recipedb::PutIngredient(record, tomato), KW_OK);
        ASSERT_EQ(record.Insert(), KW_OK);
    }
    auto found = catalog_->FindIngredient("tOMATO");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->name, "Tomato");
    EXPECT_EQ(found->units, kWeight);
    EXPECT_EQ(found->opts, 1);
    EXPECT_FLOAT_EQ(found->calories, 0.2f);
    EXPECT_FLOAT_EQ(found->cost, 0.004f);
    EXPECT_EQ(found->type, 'V');
    EXPECT_FALSE(found->gluten);
    EXPECT_EQ(found->information, "ripe");
    EXPECT_FALSE(catalog_->FindIngredient("Tomatoes").has_value());
    EXPECT_FALSE(catalog_->FindIngredient("Tomat").has_value());
    EXPECT_FALSE(catalog_->FindIngredient(std::string(49, 'T')).has_value());
    // The measure kind the unit rules look up comes from here too.
    AddIngredient("Cream", kVolume, 3.4f, 0.005f, 'D');
    EXPECT_EQ(IngredientMeasureKind(*catalog_, sink_, "CREAM", true), kVolume);
    EXPECT_EQ(IngredientMeasureKind(*catalog_, sink_, "Custard", true), kWeight);
    EXPECT_THAT(sink_.Ids(), ElementsAre(604));
}

TEST_F(RecordCatalogTest, NamesByFirstLettersComeFromTheLetterIndexes) {
    for (const char *name : {"Tomato", "thyme", "Tofu", "tomatillo", "Turnip", "Apple"})
        AddIngredient(name, kWeight, 1.0f, 1.0f);
    EXPECT_THAT(catalog_->NamesBeginningWith("t"),
                ElementsAre("Tomato", "thyme", "Tofu", "tomatillo", "Turnip"));
    EXPECT_THAT(catalog_->NamesBeginningWith("TO"), ElementsAre("Tomato", "Tofu", "tomatillo"));
    EXPECT_THAT(catalog_->NamesBeginningWith("tom"), ElementsAre("Tomato", "tomatillo"));
    // Longer texts: the first three letters search, the rest narrows.
    EXPECT_THAT(catalog_->NamesBeginningWith("tomati"), ElementsAre("tomatillo"));
    EXPECT_THAT(catalog_->NamesBeginningWith("z"), IsEmpty());
    EXPECT_THAT(catalog_->NamesBeginningWith(""), IsEmpty());
    // The Add Ingredient dialog's list goes through the same search.
    IngredientDialog dialog;
    dialog.SetNameText("tO", *catalog_);
    EXPECT_THAT(dialog.Names(), ElementsAre("Tomato", "Tofu", "tomatillo"));
}

TEST_F(RecordCatalogTest, PreparationTermsAreStoredOnceIgnoringCase) {
    EXPECT_THAT(terms_->AllTerms(), IsEmpty());
    EXPECT_TRUE(terms_->AddTerm("sliced"));
    EXPECT_TRUE(terms_->AddTerm("Chopped"));
    EXPECT_FALSE(terms_->AddTerm("SLICED"));
    EXPECT_FALSE(terms_->AddTerm(""));
    EXPECT_FALSE(terms_->AddTerm(std::string(49, 'x')));
    EXPECT_TRUE(terms_->HasTerm("CHOPPED"));
    EXPECT_FALSE(terms_->HasTerm("diced"));
    EXPECT_THAT(terms_->AllTerms(), ElementsAre("Chopped", "sliced"));
    EXPECT_EQ(CountOf(kTablePreparation), 2);
}

TEST_F(RecordCatalogTest, UnknownPreparationIsOfferedWith1200) {
    terms_->AddTerm("sliced");
    IngredientDialog dialog;
    dialog.SetPreparationText("Sliced");
    dialog.ConfirmPreparation(*terms_, sink_);
    EXPECT_THAT(sink_.Ids(), IsEmpty());

    dialog.SetPreparationText("grated");
    sink_.Script(Answer::kNo);
    dialog.ConfirmPreparation(*terms_, sink_);
    EXPECT_THAT(sink_.Ids(), ElementsAre(1200));
    EXPECT_EQ(sink_.Messages()[0].text,
              "Preparation type 'grated' not found in the database.  Do you want to add it?");
    EXPECT_EQ(dialog.Preparation(), "");
    EXPECT_FALSE(terms_->HasTerm("grated"));

    dialog.SetPreparationText("grated");
    dialog.ConfirmPreparation(*terms_, sink_);  // Yes
    EXPECT_EQ(dialog.Preparation(), "grated");
    EXPECT_THAT(terms_->AllTerms(), ElementsAre("grated", "sliced"));
}

}  // namespace
}  // namespace kw

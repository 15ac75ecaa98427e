// The ingredient form over a real database: figures stored per base amount and shown per the
// chosen unit, kind and unit changes, save, rename (901), delete, and the Find Ingredient search.
#include "app/recipes/ingredient_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/recipes/recipe_store_test_support.h"

namespace kw {
namespace {

using namespace schema;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class IngredientFormModelTest : public testing::RecipeStoreTest {
  protected:
    static NumberSettings Settings(int units) { return NumberSettings{units, 1, 0}; }
    IngredientRecord Stored(const std::string &name) {
        auto found = catalog_->FindIngredient(name);
        EXPECT_TRUE(found.has_value()) << name;
        return found.value_or(IngredientRecord{});
    }
};

TEST_F(IngredientFormModelTest, CostPerKgIsStoredPerGramAndShownBackPerKg) {
    const NumberSettings metric = Settings(kMetric);
    IngredientForm form(db_);
    ASSERT_EQ(form.Open("Cheese", true, metric), KW_OK);
    EXPECT_EQ(form.FrameTitle(), "Ingredient - Cheese");
    EXPECT_TRUE(form.Members().figures.calories_unknown);
    EXPECT_TRUE(form.Members().figures.cost_unknown);
    EXPECT_EQ(form.Members().type, 'X');
    form.SetCostUnknown(false);
    form.SetCaloriesUnknown(false);
    form.Members().figures.cost = 5.0f;
    form.Members().figures.calories = 4000.0f;
    form.Members().type = 'D';
    form.Members().information = "hard";
    EXPECT_EQ(form.PerLabel(metric), "/Kg");
    EXPECT_THAT(form.UnitRadioTexts(metric), ElementsAre("Kg", "Grams"));
    ASSERT_TRUE(form.Save(metric, sink_));
    EXPECT_FALSE(form.IsModified());
    IngredientRecord stored = Stored("cheese");
    EXPECT_FLOAT_EQ(stored.cost, 0.005f);
    EXPECT_FLOAT_EQ(stored.calories, 4.0f);
    EXPECT_EQ(stored.opts, 0);
    EXPECT_EQ(stored.type, 'D');
    EXPECT_EQ(stored.information, "hard");

    IngredientForm again(db_);
    ASSERT_EQ(again.Open("CHEESE", false, metric), KW_OK);
    EXPECT_EQ(again.Name(), "Cheese");
    EXPECT_FLOAT_EQ(again.Members().figures.cost, 5.0f);
    EXPECT_FALSE(again.IsModified());
    // To grams: the cost is kept as typed (now per gram), the calories converted.
    again.ChangeUnitChoice(1, metric);
    EXPECT_FLOAT_EQ(again.Members().figures.cost, 5.0f);
    EXPECT_FLOAT_EQ(again.Members().figures.calories, 4.0f);
    EXPECT_EQ(again.PerLabel(metric), "/g");
    EXPECT_NE(again.Open("Nothing", false, metric), KW_OK);
}

TEST_F(IngredientFormModelTest, CaloriesPerUkPintAreStoredPerMillilitre) {
    const NumberSettings uk = Settings(kUkImperial);
    IngredientForm form(db_);
    ASSERT_EQ(form.Open("Stout", true, uk), KW_OK);
    form.ChangeMeasureKind(kVolume);
    EXPECT_THAT(form.UnitRadioTexts(uk), ElementsAre("Pints", "Fl Oz", "tbsp", "tsp"));
    form.SetCaloriesUnknown(false);
    form.Members().figures.calories = 570.0f;
    ASSERT_TRUE(form.Save(uk, sink_));
    EXPECT_NEAR(Stored("Stout").calories, 1.0, 1e-6);
    EXPECT_EQ(Stored("Stout").units, kVolume);
    EXPECT_LT(Stored("Stout").cost, 0.0f);
}

TEST_F(IngredientFormModelTest, ItemsAreStoredAsShownAndKindChangeMakesFiguresUnknown) {
    const NumberSettings metric = Settings(kMetric);
    IngredientForm form(db_);
    ASSERT_EQ(form.Open("Egg", true, metric), KW_OK);
    form.ChangeMeasureKind(kItems);
    form.SetCostUnknown(false);
    form.Members().figures.cost = 0.30f;
    EXPECT_EQ(form.PerLabel(metric), "/Item");
    EXPECT_THAT(form.UnitRadioTexts(metric), IsEmpty());
    ASSERT_TRUE(form.Save(metric, sink_));
    EXPECT_FLOAT_EQ(Stored("Egg").cost, 0.30f);

    form.ChangeMeasureKind(kWeight);
    EXPECT_TRUE(form.IsModified());
    EXPECT_TRUE(form.Members().figures.cost_unknown);
    EXPECT_TRUE(form.Members().figures.calories_unknown);
    ASSERT_TRUE(form.Save(metric, sink_));
    EXPECT_EQ(Stored("Egg").cost, -1.0f);
    EXPECT_EQ(Stored("Egg").calories, -1.0f);
    EXPECT_EQ(CountOf(kTableIngredient), 1);
}

TEST_F(IngredientFormModelTest, SaveRefusesFiguresOutOfRangeAndTakenNames) {
    const NumberSettings metric = Settings(kMetric);
    AddIngredient("Salt", kWeight, 0.0f, 0.001f);
    IngredientForm form(db_);
    ASSERT_EQ(form.Open("Saffron", true, metric), KW_OK);
    form.SetCostUnknown(false);
    form.Members().figures.cost = 100.0f;
    EXPECT_FALSE(form.Save(metric, sink_));
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Please enter a number between 0 and 99.99.");
    EXPECT_FALSE(catalog_->FindIngredient("Saffron").has_value());

    sink_.Clear();
    IngredientForm salt(db_);
    ASSERT_EQ(salt.Open("SALT", true, metric), KW_OK);
    EXPECT_FALSE(salt.Save(metric, sink_));
    EXPECT_THAT(sink_.Ids(), ElementsAre(400));
    EXPECT_TRUE(salt.IsNew());
    EXPECT_EQ(CountOf(kTableIngredient), 1);
}

TEST_F(IngredientFormModelTest, RenameOntoAnotherIngredientFailsWith901) {
    const NumberSettings metric = Settings(kMetric);
    AddIngredient("Leek", kWeight, 0.3f, 0.002f);
    AddIngredient("Onion", kWeight, 0.4f, 0.001f);
    AddCategory("Soups");
    SaveRecipe("Leek Soup", "Soups", {{"300", "g", "Leek", ""}});

    IngredientForm form(db_);
    ASSERT_EQ(form.Open("Leek", false, metric), KW_OK);
    NameDialogRequest request = form.RenameRequest();
    EXPECT_EQ(request.title, "Rename Ingredient");
    EXPECT_EQ(request.max_length, 48u);
    EXPECT_EQ(request.text, "Leek");
    EXPECT_FALSE(form.Rename("ONION", sink_));
    EXPECT_FALSE(form.Rename("", sink_));
    EXPECT_THAT(sink_.Ids(), ElementsAre(901, 901));
    EXPECT_EQ(form.Name(), "Leek");

    ASSERT_TRUE(form.Rename("Baby Leek", sink_));
    EXPECT_EQ(form.FrameTitle(), "Ingredient - Baby Leek");
    EXPECT_FALSE(catalog_->FindIngredient("Leek").has_value());
    EXPECT_FLOAT_EQ(Stored("Baby Leek").calories, 0.3f);
    // Recipe lines keep the name they were written with.
    EXPECT_THAT(IngredientsOf("Leek Soup", "Soups"), ElementsAre("Leek"));
    EXPECT_EQ(CountOf(kTableIngredient), 2);

    ASSERT_EQ(form.Delete(), KW_OK);
    EXPECT_TRUE(form.IsNew());
    EXPECT_FALSE(catalog_->FindIngredient("Baby Leek").has_value());
    EXPECT_EQ(CountOf(kTableIngredient), 1);
}

TEST_F(IngredientFormModelTest, FindListsNamesByTheFirstThreeLettersOnly) {
    for (const char *name : {"Tomato", "tomatillo", "Tomme cheese", "Tofu", "Apple"})
        AddIngredient(name, kWeight, 1.0f, 1.0f);
    EXPECT_THAT(FindIngredientNames(*catalog_, "tomat"),
                ElementsAre("Tomato", "tomatillo", "Tomme cheese"));
    EXPECT_THAT(FindIngredientNames(*catalog_, "TO"),
                ElementsAre("Tomato", "tomatillo", "Tomme cheese", "Tofu"));
    EXPECT_THAT(FindIngredientNames(*catalog_, "a"), ElementsAre("Apple"));
    EXPECT_THAT(FindIngredientNames(*catalog_, "*"), IsEmpty());
    EXPECT_THAT(FindIngredientNames(*catalog_, ""), IsEmpty());
}

}  // namespace
}  // namespace kw

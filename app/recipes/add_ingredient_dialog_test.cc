// The Add/Edit Ingredient dialog model: the name list, kind and unit, quantity conversion,
// "&Unspecified", preparation terms and when OK may be pressed.
#include "app/recipes/add_ingredient_dialog.h"

#include <gtest/gtest.h>

#include "app/recipes/memory_catalog.h"

namespace kw {
namespace {

class IngredientDialogTest : public ::testing::Test {
  protected:
    IngredientDialogTest() {
        catalog_.Put({"Tomato", kWeight, 1, 0.2f, 0.003f, 'V', false, ""});
        catalog_.Put({"Tomb stone", kItems, 0, 0.0f, 0.0f, 'X', false, ""});
        catalog_.Put({"tomato puree", kWeight, 1, 0.8f, 0.01f, 'V', false, ""});
        catalog_.Put({"Milk", kVolume, 1, 0.6f, 0.0008f, 'D', false, ""});
        catalog_.Put({"Egg", kItems, 0, 80.0f, 0.25f, 'X', false, ""});
        catalog_.Put({"Oil", kVolume, 2, 8.0f, 0.004f, 'X', false, ""});
    }
    UnitContext Context(int units = kMetric) {
        return UnitContext{NumberSettings{units, 1, 0}, catalog_, sink_};
    }

    MemoryIngredientCatalog catalog_;
    MemoryPreparationTerms terms_;
    RecordingSink sink_;
};

TEST_F(IngredientDialogTest, NameListHoldsTheNamesBeginningWithTheTypedText) {
    IngredientDialog dialog;
    EXPECT_EQ(dialog.Title(), "Add Ingredient");
    dialog.SetNameText("to", catalog_);
    EXPECT_EQ(dialog.Names(), (std::vector<std::string>{"Tomato", "Tomb stone", "tomato puree"}));
    // Longer than the three letters the catalogue is searched on: the rest narrows the list.
    dialog.SetNameText("TOMAT", catalog_);
    EXPECT_EQ(dialog.Names(), (std::vector<std::string>{"Tomato", "tomato puree"}));
    dialog.SetNameText("", catalog_);
    EXPECT_TRUE(dialog.Names().empty());
}

TEST_F(IngredientDialogTest, ChoosingANameTakesTheIngredientsKind) {
    IngredientDialog dialog;
    dialog.SetNameText("mi", catalog_);
    dialog.ChooseName(0, catalog_);
    EXPECT_EQ(dialog.NameText(), "Milk");
    EXPECT_EQ(dialog.Kind(), kVolume);
    EXPECT_EQ(dialog.Choice(), 1);  // ml
    dialog.SetNameText("eg", catalog_);
    dialog.ChooseName(0, catalog_);
    EXPECT_EQ(dialog.Kind(), kItems);
    EXPECT_EQ(dialog.Choice(), 0);
    // Choosing the same name again keeps a kind the user picked since.
    dialog.SetKind(kWeight);
    dialog.SetNameText("egg", catalog_);
    dialog.ChooseName(0, catalog_);
    EXPECT_EQ(dialog.Kind(), kWeight);
}

TEST_F(IngredientDialogTest, UnitChangeConvertsTheTypedQuantity) {
    NumberSettings metric{kMetric, 1, 0};
    IngredientDialog dialog;
    ASSERT_TRUE(dialog.SetQuantityText("1500"));
    EXPECT_EQ(dialog.UnitLabel(metric), "[g]");
    dialog.SetUnitChoice(0, metric);
    EXPECT_EQ(dialog.QuantityText(), "1.5");
    EXPECT_EQ(dialog.UnitLabel(metric), "[Kg]");
    dialog.SetUnitChoice(1, metric);
    EXPECT_EQ(dialog.QuantityText(), "1500");
    // 1 g in Kg keeps its amount (exact, and never "0").
    dialog.SetQuantityText("1");
    dialog.SetUnitChoice(0, metric);
    EXPECT_EQ(dialog.QuantityText(), "0.001");
    // 1 lb is 16 oz.
    NumberSettings uk{kUkImperial, 1, 0};
    dialog.SetQuantityText("1");
    dialog.SetUnitChoice(1, uk);
    EXPECT_EQ(dialog.QuantityText(), "16");
}

TEST_F(IngredientDialogTest, QuantityEditRefusesOtherCharacters) {
    IngredientDialog dialog;
    EXPECT_TRUE(dialog.SetQuantityText("1 1/2"));
    EXPECT_FALSE(dialog.SetQuantityText("1,5"));
    EXPECT_FALSE(dialog.SetQuantityText("-2"));
    EXPECT_EQ(dialog.QuantityText(), "1 1/2");
}

TEST_F(IngredientDialogTest, UnspecifiedHidesTheAmountAndRestoresTheUnit) {
    IngredientDialog dialog;
    dialog.SetKind(kVolume);
    dialog.SetUnitChoice(3, NumberSettings{});
    dialog.SetUnspecified(true);
    EXPECT_EQ(dialog.Choice(), kUnspecifiedChoice);
    EXPECT_EQ(dialog.QuantityText(), "0.0");
    EXPECT_FALSE(dialog.QuantityVisible());
    dialog.SetUnspecified(false);
    EXPECT_EQ(dialog.Kind(), kVolume);
    EXPECT_EQ(dialog.Choice(), 3);
    EXPECT_TRUE(dialog.QuantityVisible());
}

TEST_F(IngredientDialogTest, OkNeedsAChangeANameAndAnAmount) {
    IngredientDialog dialog;
    EXPECT_FALSE(dialog.OkEnabled());
    dialog.SetNameText("Oi", catalog_);
    dialog.SetQuantityText("2");
    EXPECT_FALSE(dialog.OkEnabled());  // two characters, nothing chosen
    dialog.ChooseName(0, catalog_);    // "Oil": chosen, so three characters are not needed
    EXPECT_TRUE(dialog.OkEnabled());
    dialog.SetQuantityText("0");
    EXPECT_FALSE(dialog.OkEnabled());
    dialog.SetQuantityText("0.000001");
    EXPECT_TRUE(dialog.OkEnabled());
    dialog.SetQuantityText("");
    dialog.SetUnspecified(true);  // no amount needed
    EXPECT_TRUE(dialog.OkEnabled());
    dialog.SetNameText("Xy", catalog_);
    EXPECT_FALSE(dialog.OkEnabled());
    dialog.SetNameText("Xyz", catalog_);
    EXPECT_TRUE(dialog.OkEnabled());
}

TEST_F(IngredientDialogTest, VolumeSpoonKeptForAWeighedIngredientDoesNotLoseTheAmount) {
    // The user picks tbsp, types 2, then chooses a weighed ingredient: weight has no third unit.
    IngredientDialog dialog;
    dialog.SetKind(kVolume);
    dialog.SetUnitChoice(2, NumberSettings{});
    dialog.SetQuantityText("2");
    dialog.SetNameText("Tomato", catalog_);
    dialog.ChooseName(0, catalog_);
    EXPECT_EQ(dialog.Kind(), kWeight);
    EXPECT_FALSE(dialog.OkEnabled());  // rather than turning the 2 into "no amount"
    dialog.SetUnitChoice(1, NumberSettings{});
    EXPECT_EQ(dialog.QuantityText(), "2");
    auto line = dialog.Accept(terms_, sink_);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->choice, 1);
    EXPECT_FLOAT_EQ(line->quantity, 2.0f);
}

TEST_F(IngredientDialogTest, NewPreparationTermIsOfferedForAdding) {
    IngredientDialog dialog;
    dialog.SetNameText("Tomato", catalog_);
    dialog.SetQuantityText("200");
    dialog.SetPreparationText("diced");
    sink_.Script(Answer::kYes);
    auto line = dialog.Accept(terms_, sink_);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->preparation, "diced");
    EXPECT_TRUE(terms_.HasTerm("Diced"));
    ASSERT_EQ(sink_.Ids(), std::vector<int>{1200});
    EXPECT_EQ(sink_.Messages()[0].text,
              "Preparation type 'diced' not found in the database.  Do you want to add it?");
    EXPECT_EQ(sink_.Messages()[0].buttons, Buttons::kYesNo);
    EXPECT_EQ(dialog.PreparationList(terms_), std::vector<std::string>{"diced"});

    // A stored term is not asked about; No clears an unknown one.
    sink_.Clear();
    dialog.SetPreparationText("DICED");
    dialog.Accept(terms_, sink_);
    EXPECT_TRUE(sink_.Messages().empty());
    dialog.SetPreparationText("sliced");
    sink_.Script(Answer::kNo);
    line = dialog.Accept(terms_, sink_);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->preparation, "");
    EXPECT_FALSE(terms_.HasTerm("sliced"));
}

TEST_F(IngredientDialogTest, EditStartsFromTheGridRow) {
    IngredientGrid grid;
    grid.AppendLine({"1 1/2", "Kg", "Tomato", "diced"});
    grid.AppendLine({"-", "-", "Milk", ""});
    grid.AppendLine({"2", "pinch", "Salt", ""});
    IngredientDialog edit = IngredientDialog::ForGridRow(grid, 1, Context());
    EXPECT_EQ(edit.Title(), "Edit Ingredient");
    EXPECT_EQ(edit.NameText(), "Tomato");
    EXPECT_EQ(edit.Kind(), kWeight);
    EXPECT_EQ(edit.Choice(), 0);
    EXPECT_EQ(edit.QuantityText(), "1 1/2");
    EXPECT_EQ(edit.Preparation(), "diced");
    EXPECT_FALSE(edit.OkEnabled());  // nothing changed yet
    edit.SetQuantityText("2");
    EXPECT_TRUE(edit.OkEnabled());

    IngredientDialog none = IngredientDialog::ForGridRow(grid, 2, Context());
    EXPECT_TRUE(none.Unspecified());
    EXPECT_EQ(none.Kind(), kVolume);
    none.SetUnspecified(false);
    EXPECT_EQ(none.Choice(), 1);

    // The row is read with the unit warning on.
    IngredientDialog::ForGridRow(grid, 3, Context());
    EXPECT_EQ(sink_.Ids(), std::vector<int>{1704});
}

TEST_F(IngredientDialogTest, UnitRadioLabelsCarryDistinctMnemonics) {
    NumberSettings metric{kMetric, 1, 0};
    NumberSettings us{kUsImperial, 1, 0};
    EXPECT_EQ(DialogUnitRadioLabels(metric, kWeight), (std::vector<std::string>{"K&g", "&g"}));
    EXPECT_EQ(DialogUnitRadioLabels(metric, kVolume),
              (std::vector<std::string>{"l&tr", "m&l", "t&bsp", "ts&p"}));
    EXPECT_EQ(DialogUnitRadioLabels(us, kVolume),
              (std::vector<std::string>{"p&t", "c&up", "t&bsp", "ts&p"}));
    EXPECT_TRUE(DialogUnitRadioLabels(metric, kItems).empty());
}

}  // namespace
}  // namespace kw

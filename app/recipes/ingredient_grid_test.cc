// The ingredient grid model: cell checks, row parse, adding and replacing lines with the merge,
// the diet flags, and the rows a save writes.
#include "app/recipes/ingredient_grid.h"

#include <gtest/gtest.h>

#include "app/recipes/memory_catalog.h"

namespace kw {
namespace {

class IngredientGridTest : public ::testing::Test {
  protected:
    IngredientGridTest() {
        catalog_.Put({"Flour", kWeight, 1, 3.4f, 0.001f, 'X', true, ""});
        catalog_.Put({"Milk", kVolume, 1, 0.6f, 0.0008f, 'D', false, ""});
        catalog_.Put({"Beef", kWeight, 1, 2.5f, 0.01f, 'M', false, ""});
        catalog_.Put({"Egg", kItems, 0, 80.0f, 0.25f, 'X', false, ""});
        catalog_.Put({"Rice", kWeight, 1, 3.6f, 0.002f, 'X', false, ""});
    }
    UnitContext Context(int units = kMetric, int decimal = 1, int exact = 0) {
        return UnitContext{NumberSettings{units, decimal, exact}, catalog_, sink_};
    }
    // A typed row: the texts as the user left them, checked cell by cell.
    int TypeRow(const char *quantity, const char *unit, const char *name,
                const UnitContext &context) {
        grid_.AppendLine({});
        int row = grid_.RowCount() - 1;
        grid_.EditCell(row, kNameColumn, name, context);
        grid_.EditCell(row, kQuantityColumn, quantity, context);
        grid_.EditCell(row, kUnitsColumn, unit, context);
        return row;
    }
    std::string RowText(int row) {
        const GridLine &l = grid_.Line(row);
        return l.quantity + "|" + l.unit + "|" + l.name + "|" + l.preparation;
    }

    MemoryIngredientCatalog catalog_;
    RecordingSink sink_;
    IngredientGrid grid_;
};

TEST_F(IngredientGridTest, HeaderAndRowNumbers) {
    grid_.AppendLine({"1", "Kg", "Flour", ""});
    grid_.AppendLine({"2", "items", "Egg", ""});
    EXPECT_EQ(grid_.RowCount(), 3);
    EXPECT_EQ(grid_.CellText(0, kQuantityColumn), "Quantity");
    EXPECT_EQ(grid_.CellText(0, kUnitsColumn), "Units");
    EXPECT_EQ(grid_.CellText(0, kNameColumn), "Name");
    EXPECT_EQ(grid_.CellText(0, kPreparationColumn), "Preparation");
    EXPECT_EQ(grid_.CellText(2, kNumberColumn), "2");
    grid_.DeleteRows({1});
    EXPECT_EQ(grid_.CellText(1, kNumberColumn), "1");
    EXPECT_EQ(grid_.CellText(1, kNameColumn), "Egg");
    EXPECT_TRUE(grid_.IngredientsChanged());
}

TEST_F(IngredientGridTest, TypedQuantityShowsInTheCurrentNumberStyle) {
    struct Case {
        int decimal;
        const char *typed;
        const char *shown;
    };
    const Case cases[] = {
        {1, "2 1/2", "2.5"}, {0, "2 1/2", "2 1/2"}, {1, "1/3", "0.333"},
        {0, "1/3", "1/3"},   {1, "0.125", "0.125"}, {1, "-", "-"},
    };
    for (const auto &c : cases) {
        grid_.Clear();
        int row = TypeRow(c.typed, "", "Flour", Context(kMetric, c.decimal));
        EXPECT_EQ(grid_.Line(row).quantity, c.shown) << c.typed << " decimal " << c.decimal;
    }
    EXPECT_TRUE(sink_.Messages().empty());
}

TEST_F(IngredientGridTest, BadQuantityGives509AndNoAmount) {
    grid_.AppendLine({"", "g", "Flour", ""});
    EXPECT_TRUE(grid_.EditCell(1, kQuantityColumn, "2x", Context()));
    EXPECT_EQ(sink_.Ids(), std::vector<int>{509});
    EXPECT_EQ(sink_.Messages()[0].text, "Error in quantity");
    EXPECT_EQ(RowText(1), "-|-|Flour|");
    EXPECT_TRUE(grid_.Modified());
    // The same text again is no change and no check.
    sink_.Clear();
    EXPECT_FALSE(grid_.EditCell(1, kQuantityColumn, "-", Context()));
    EXPECT_TRUE(sink_.Messages().empty());
}

TEST_F(IngredientGridTest, TypedUnitBecomesTheCurrentSystemsName) {
    struct Case {
        int units;
        const char *quantity;
        const char *typed;
        const char *shown;
    };
    const Case cases[] = {
        {kUkImperial, "2", "Oz", "oz"},    {kMetric, "2", "oz", "items"},
        {kMetric, "1", "oz", "item"},      {kMetric, "2", "KG", "Kg"},
        {kUsImperial, "2", "cups", "cup"}, {kMetric, "0.5", "item(s)", "item"},
    };
    for (const auto &c : cases) {
        grid_.Clear();
        int row = TypeRow(c.quantity, c.typed, "Flour", Context(c.units));
        EXPECT_EQ(grid_.Line(row).unit, c.shown) << c.typed << " in system " << c.units;
    }
    // An empty unit beside a number (checked on save) counts as items.
    grid_.AppendLine({"2", "", "Flour", ""});
    grid_.CheckCell(grid_.RowCount() - 1, kUnitsColumn, Context());
    EXPECT_EQ(grid_.Line(grid_.RowCount() - 1).unit, "items");
    EXPECT_TRUE(sink_.Messages().empty());
}

TEST_F(IngredientGridTest, UnusableUnitGives510AndNoAmount) {
    // A unit that is not in the list.
    int row = TypeRow("2", "handful", "Flour", Context());
    EXPECT_EQ(sink_.Ids(), std::vector<int>{510});
    EXPECT_EQ(sink_.Messages()[0].text, "Error in measurement type.");
    EXPECT_EQ(RowText(row), "-|-|Flour|");
    // A unit beside no amount.
    sink_.Clear();
    grid_.SetCellText(row, kUnitsColumn, "");
    grid_.EditCell(row, kUnitsColumn, "g", Context());
    EXPECT_EQ(sink_.Ids(), std::vector<int>{510});
    EXPECT_EQ(RowText(row), "-|-|Flour|");
}

TEST_F(IngredientGridTest, MissingNamesAreNumberedAndLongTextsCut) {
    grid_.AppendLine({"1", "Kg", "", ""});
    grid_.AppendLine({"1", "Kg", "", std::string(60, 'p')});
    grid_.CheckCell(1, kNameColumn, Context());
    grid_.CheckRow(2, Context());
    EXPECT_EQ(grid_.Line(1).name, "Unknown Ingredient [1]");
    EXPECT_EQ(grid_.Line(2).name, "Unknown Ingredient [2]");
    EXPECT_EQ(grid_.Line(2).preparation, std::string(48, 'p'));
    EXPECT_EQ(grid_.UnnamedCount(), 2);
    EXPECT_EQ(sink_.Ids(), (std::vector<int>{512, 512, 513}));
    EXPECT_EQ(sink_.Messages()[0].text, "Missing Ingredient Name");
    EXPECT_EQ(sink_.Messages()[2].text,
              "A field is too long in the Ingredients list.  It will be truncated.");
    for (const auto &m : sink_.Messages())
        EXPECT_EQ(m.icon, Icon::kNone);
    sink_.Clear();
    grid_.EditCell(1, kNameColumn, std::string(49, 'n'), Context());
    EXPECT_EQ(grid_.Line(1).name, std::string(48, 'n'));
    EXPECT_EQ(sink_.Ids(), std::vector<int>{513});
}

TEST_F(IngredientGridTest, RowParseReadsValuesBack) {
    grid_.AppendLine({"1 1/2", "Kg", "Flour", "sifted"});
    grid_.AppendLine({"-", "-", "Milk", ""});
    grid_.AppendLine({});
    ParsedRow p = grid_.ParseRow(1, Context(), false);
    EXPECT_FLOAT_EQ(p.quantity, 1.5f);
    EXPECT_EQ(p.kind, kWeight);
    EXPECT_EQ(p.choice, 0);
    EXPECT_EQ(p.name, "Flour");
    EXPECT_EQ(p.preparation, "sifted");
    EXPECT_FALSE(p.empty);
    p = grid_.ParseRow(2, Context(), false);
    EXPECT_EQ(p.kind, kVolume);  // Milk's own kind
    EXPECT_EQ(p.choice, kUnspecifiedChoice);
    EXPECT_EQ(p.unit_result, 1);
    EXPECT_TRUE(grid_.ParseRow(3, Context(), false).empty);
}

IngredientChoice Choice(int kind, int choice, float quantity, const char *name,
                        const char *preparation = "") {
    return IngredientChoice{kind, choice, quantity, name, preparation};
}

TEST_F(IngredientGridTest, TwoAddsOfOneIngredientMergeIntoTheLargerUnit) {
    DietFlags diet{true, true, true};
    grid_.AddLine(Choice(kWeight, 0, 1.0f, "Rice"), diet, Context());
    grid_.AddLine(Choice(kWeight, 1, 500.0f, "Rice"), diet, Context());
    ASSERT_EQ(grid_.RowCount(), 2);
    EXPECT_EQ(RowText(1), "1.5|Kg|Rice|");
    EXPECT_TRUE(grid_.IngredientsChanged());
    // Names are compared with case; another kind does not merge either.
    grid_.AddLine(Choice(kWeight, 1, 100.0f, "rice"), diet, Context());
    grid_.AddLine(Choice(kVolume, 1, 100.0f, "Rice"), diet, Context());
    EXPECT_EQ(grid_.RowCount(), 4);
}

TEST_F(IngredientGridTest, AddedLineTextsFollowTheDialogRules) {
    DietFlags diet;
    grid_.AddLine(Choice(kItems, 0, 1.0f, "Egg"), diet, Context());
    grid_.AddLine(Choice(kWeight, kUnspecifiedChoice, 0.0f, "Flour", "sifted"), diet, Context());
    grid_.AddLine(Choice(kVolume, 1, 568.0f, "Milk"), diet, Context(kUkImperial));
    EXPECT_EQ(RowText(1), "1|item|Egg|");
    EXPECT_EQ(RowText(2), "-|-|Flour|sifted");
    EXPECT_EQ(RowText(3), "570|fl-oz|Milk|");
    // Merging onto a line without an amount keeps the amount; no amount on both stays "-".
    grid_.AddLine(Choice(kWeight, 1, 200.0f, "Flour"), diet, Context());
    EXPECT_EQ(RowText(3), "200|g|Flour|");
    grid_.AddLine(Choice(kItems, kUnspecifiedChoice, 0.0f, "Egg"), diet, Context());
    EXPECT_EQ(RowText(3), "1|item|Egg|");
    grid_.AddLine(Choice(kVolume, kUnspecifiedChoice, 0.0f, "Water"), diet, Context());
    grid_.AddLine(Choice(kVolume, kUnspecifiedChoice, 0.0f, "Water"), diet, Context());
    EXPECT_EQ(RowText(4), "-|-|Water|");
}

TEST_F(IngredientGridTest, AddTakesAwayDietFlagsButNeverGivesThem) {
    DietFlags diet{true, true, true};
    grid_.AddLine(Choice(kVolume, 1, 100.0f, "Milk"), diet, Context());
    EXPECT_FALSE(diet.dairy_free);
    EXPECT_TRUE(diet.vegetarian);
    grid_.AddLine(Choice(kWeight, 1, 100.0f, "Flour"), diet, Context());
    EXPECT_FALSE(diet.gluten_free);
    grid_.AddLine(Choice(kWeight, 1, 100.0f, "Beef"), diet, Context());
    EXPECT_FALSE(diet.vegetarian);
    DietFlags unset{false, false, false};
    grid_.AddLine(Choice(kWeight, 1, 100.0f, "Rice"), unset, Context());
    EXPECT_FALSE(unset.vegetarian || unset.gluten_free || unset.dairy_free);
}

TEST_F(IngredientGridTest, ReplaceRecomputesDietFlagsPastTheEmptyTypingRow) {
    grid_.AppendLine({"200", "g", "Beef", ""});
    grid_.AppendLine({"100", "ml", "Milk", ""});
    grid_.AppendLine({});  // the row the form keeps for typing
    DietFlags diet{false, false, false};
    grid_.ReplaceLine(1, Choice(kWeight, 1, 300.0f, "Rice"), diet, Context());
    EXPECT_EQ(RowText(1), "300|g|Rice|");
    EXPECT_EQ(grid_.RowCount(), 4);
    EXPECT_TRUE(diet.vegetarian);
    EXPECT_TRUE(diet.gluten_free);
    EXPECT_FALSE(diet.dairy_free);  // Milk is still there
    // An unknown ingredient anywhere leaves the boxes as they are.
    grid_.AppendLine({"1", "items", "Saffron", ""});
    DietFlags kept{false, true, false};
    grid_.ReplaceLine(2, Choice(kVolume, 1, 100.0f, "Water"), kept, Context());
    EXPECT_FALSE(kept.vegetarian);
    EXPECT_TRUE(kept.gluten_free);
}

TEST_F(IngredientGridTest, ReplaceKeepsThePositionWhenAnEarlierRowMerges) {
    grid_.AppendLine({"1", "Kg", "Rice", ""});
    grid_.AppendLine({"2", "items", "Egg", ""});
    grid_.AppendLine({"100", "ml", "Milk", ""});
    DietFlags diet;
    // Row 3 becomes 500 g of Rice, which merges with row 1: the line lands where row 3 was less
    // the merged row.
    grid_.ReplaceLine(3, Choice(kWeight, 1, 500.0f, "Rice"), diet, Context());
    ASSERT_EQ(grid_.RowCount(), 3);
    EXPECT_EQ(RowText(1), "2|items|Egg|");
    EXPECT_EQ(RowText(2), "1.5|Kg|Rice|");
    // Replacing the last row appends; no selection appends too.
    grid_.ReplaceLine(2, Choice(kWeight, 1, 50.0f, "Flour"), diet, Context());
    EXPECT_EQ(RowText(2), "50|g|Flour|");
    grid_.ReplaceLine(0, Choice(kItems, 0, 3.0f, "Lemon"), diet, Context());
    EXPECT_EQ(RowText(3), "3|items|Lemon|");
}

TEST_F(IngredientGridTest, AddButtonAndContextMenu) {
    EXPECT_EQ(grid_.AddEmptyRow(), 1);
    EXPECT_EQ(grid_.AddEmptyRow(), 1);  // the last row has no name yet
    grid_.SetCellText(1, kNameColumn, "Flour");
    EXPECT_EQ(grid_.AddEmptyRow(), 2);
    GridMenuState one = grid_.MenuState({1}, catalog_);
    EXPECT_TRUE(one.edit && one.remove && one.view_ingredient);
    GridMenuState unknown = grid_.MenuState({2}, catalog_);
    EXPECT_TRUE(unknown.edit && !unknown.view_ingredient);
    GridMenuState two = grid_.MenuState({1, 2}, catalog_);
    EXPECT_TRUE(!two.edit && two.remove && !two.view_ingredient);
    GridMenuState none = grid_.MenuState({0}, catalog_);
    EXPECT_FALSE(none.edit || none.remove);
}

TEST_F(IngredientGridTest, SaveChecksRowsAndConvertsToBaseAmounts) {
    grid_.AppendLine({"1 1/2", "kg", "Flour", ""});
    grid_.AppendLine({"-", "-", "Milk", "warm"});
    grid_.AppendLine({"0", "g", "Rice", ""});
    grid_.AppendLine({"2", "", "", ""});
    grid_.AppendLine({});
    std::vector<LineToSave> lines = grid_.PrepareSave(Context(kMetric, 1));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(lines[0].writable);
    EXPECT_FLOAT_EQ(lines[0].line.quantity, 1500.0f);
    EXPECT_EQ(lines[0].line.opts, 0);
    EXPECT_EQ(lines[0].line.measured, kWeight);
    EXPECT_EQ(RowText(1), "1.5|Kg|Flour|");  // checked on the way
    EXPECT_TRUE(lines[1].writable);          // no amount: stored as choice 4, own kind
    EXPECT_EQ(lines[1].line.opts, kUnspecifiedChoice);
    EXPECT_EQ(lines[1].line.measured, kVolume);
    EXPECT_FLOAT_EQ(lines[1].line.quantity, 0.0f);
    EXPECT_EQ(lines[1].line.preparation, "warm");
    EXPECT_FALSE(lines[2].writable);  // a unit but no amount: the form says 507
    EXPECT_FALSE(lines[2].empty);
    EXPECT_TRUE(lines[3].writable);  // named by the check, counted as items
    EXPECT_EQ(lines[3].name, "Unknown Ingredient [1]");
    EXPECT_EQ(lines[3].line.measured, kItems);
    EXPECT_TRUE(lines[4].empty);
    EXPECT_EQ(sink_.Ids(), std::vector<int>{512});
}

TEST_F(IngredientGridTest, ColumnWidths) {
    GridColumnWidths w = IngredientGridColumnWidths(400, 30);
    EXPECT_EQ(w.quantity, 60);
    EXPECT_EQ(w.units, 60);
    EXPECT_EQ(w.name, 160);
    EXPECT_EQ(w.preparation, 89);  // what the other columns and the row numbers leave
}

}  // namespace
}  // namespace kw

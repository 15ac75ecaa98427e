// The selected-criteria table TMP1: the once-only rule, the numbering of criteria that may be
// selected again, what the dialog shows for each, and the reading of entered values.
#include "app/planning/criteria_selection.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <string>
#include <vector>

namespace kw::planning {
namespace {

std::vector<std::string> Labels(const std::vector<const CriterionDefinition *> &definitions) {
    std::vector<std::string> labels;
    for (const CriterionDefinition *d : definitions)
        labels.push_back(d->label);
    return labels;
}

std::vector<std::string> Keys(const CriteriaSelection &selection) {
    std::vector<std::string> keys;
    for (const SelectedCriterion &row : selection.Rows())
        keys.push_back(row.criteria);
    return keys;
}

TEST(CriteriaSelection, OnceOnlyCriteriaLeaveTheAvailableListUntilDeleted) {
    CriteriaSelection selection;
    EXPECT_EQ(Labels(selection.Available()),
              (std::vector<std::string>{"Vegetarian", "Gluten free", "Dairy produce free",
                                        "Contains...", "Does not contain...", "Preparation time...",
                                        "Total time...", "Calories...", "Cost...", "Difficulty...",
                                        "In Category...", "Not in Category..."}));
    const CriterionDefinition &vegetarian = *FindCriterionByCode('V');
    EXPECT_EQ(selection.Add(vegetarian), 0);
    EXPECT_EQ(selection.Add(vegetarian), -1);
    EXPECT_EQ(selection.Rows().size(), 1u);
    EXPECT_EQ(selection.Available().front()->label, std::string("Gluten free"));

    EXPECT_TRUE(selection.Remove(0));
    EXPECT_FALSE(selection.Remove(0));
    EXPECT_EQ(selection.Available().front()->label, std::string("Vegetarian"));
    EXPECT_EQ(selection.Add(vegetarian), 0);
    EXPECT_EQ(selection.Rows()[0].criteria, "Vegetarian");
}

TEST(CriteriaSelection, RepeatedCriteriaAreNumberedSoEveryKeyStaysUnique) {
    CriteriaSelection selection;
    const CriterionDefinition &contains = *FindCriterionByCode('O');
    const CriterionDefinition &notIn = *FindCriterionByCode('X');
    selection.Add(contains);
    selection.Add(contains);
    selection.Add(notIn);
    selection.Add(contains);
    EXPECT_EQ(Keys(selection), (std::vector<std::string>{"Contains...", "Contains... [2]",
                                                         "Not in Category...", "Contains... [3]"}));
    // Deleting a row does not hand its number out again.
    selection.Remove(1);
    selection.Add(contains);
    EXPECT_EQ(selection.Rows().back().criteria, "Contains... [4]");
    EXPECT_NE(selection.Find("Contains... [3]"), nullptr);
    EXPECT_EQ(selection.Find("Contains... [2]"), nullptr);
    // The repeated criterion stays available.
    EXPECT_EQ(Labels(selection.Available()).size(), 12u);

    selection.Clear();
    selection.Add(contains);
    EXPECT_EQ(selection.Rows()[0].criteria, "Contains...");
}

TEST(CriteriaSelection, NewRowsStartWithTheFirstOptionAndEmptyData) {
    CriteriaSelection selection;
    selection.Add(*FindCriterionByCode('P'));
    selection.Add(*FindCriterionByCode('F'));
    selection.Add(*FindCriterionByCode('O'));
    EXPECT_EQ(selection.Rows()[0].options, '<');
    EXPECT_EQ(selection.Rows()[1].options, 'A');
    EXPECT_EQ(selection.Rows()[2].options, 0);
    EXPECT_EQ(selection.Rows()[2].data, "");
    EXPECT_STREQ(OptionLabel(*FindCriterionByCode('S'), '>'), "Greater than");
    EXPECT_STREQ(OptionLabel(*FindCriterionByCode('F'), 'B'), "Medium");
    EXPECT_EQ(OptionLabel(*FindCriterionByCode('O'), '<'), nullptr);
}

TEST(CriteriaSelection, EachCriterionShowsTheEntryControlsOfItsDataKind) {
    const CriterionControls ingredient = ControlsFor(*FindCriterionByLabel("Contains..."));
    EXPECT_TRUE(ingredient.dataText && ingredient.ingredientPicker);
    EXPECT_FALSE(ingredient.optionsBox || ingredient.categoryBox || ingredient.timeControl);
    EXPECT_STREQ(ingredient.dataLabel, "Ingredient Name");

    const CriterionControls time = ControlsFor(*FindCriterionByLabel("Total time..."));
    EXPECT_TRUE(time.optionsBox && time.timeControl);
    EXPECT_FALSE(time.dataText);
    EXPECT_STREQ(time.dataLabel, "Total Time");

    const CriterionControls category = ControlsFor(*FindCriterionByLabel("Not in Category..."));
    EXPECT_TRUE(category.categoryBox);
    EXPECT_FALSE(category.optionsBox || category.dataText);

    const CriterionControls difficulty = ControlsFor(*FindCriterionByLabel("Difficulty..."));
    EXPECT_TRUE(difficulty.optionsBox);
    EXPECT_FALSE(difficulty.dataText || difficulty.timeControl || difficulty.categoryBox);

    const CriterionControls flag = ControlsFor(*FindCriterionByLabel("Dairy produce free"));
    EXPECT_FALSE(flag.optionsBox || flag.dataText || flag.categoryBox || flag.timeControl);
    EXPECT_EQ(FindCriterionByLabel("Contains"), nullptr);
}

TEST(CriteriaSelection, EnteredValuesAreReadAsTheSearchComparesThem) {
    EXPECT_EQ(ParseSearchMinutes("0:30"), 30);
    EXPECT_EQ(ParseSearchMinutes("1:05"), 65);
    EXPECT_EQ(ParseSearchMinutes("45"), 45);
    EXPECT_EQ(ParseSearchMinutes(""), 0);
    EXPECT_EQ(ParseSearchMinutes("99999999999:00"), INT32_MAX);
    EXPECT_EQ(ParseSearchCalories("500 kcal"), 500);
    EXPECT_EQ(ParseSearchCalories("many"), 0);
    EXPECT_EQ(ParseSearchCost("1.10"), 1.10f);
    EXPECT_EQ(ParseSearchCost("1e60"), FLT_MAX);
}

}  // namespace
}  // namespace kw::planning

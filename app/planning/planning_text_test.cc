// Meals and shopping lists as plain text.
#include "app/planning/planning_text.h"

#include <gtest/gtest.h>

#include "app/recipes/memory_catalog.h"

namespace kw::planning {
namespace {

TEST(PlanningText, AMealListsItsCoursesWithRecipeTitlesOnly) {
    MealPlan meal("Sunday", true);
    meal.AddRecipe(Course::kStarters, "Pea Soup", "Soups");
    meal.AddRecipe(Course::kDesserts, "Trifle", "Puddings");
    meal.AddRecipe(Course::kDesserts, "Fruit", "Puddings");
    EXPECT_EQ(MealPlanText(meal),
              "Meal - Sunday\nStarters\n  Pea Soup\nMain Courses\nDeserts\n  Trifle\n  Fruit\n");
}

TEST(PlanningText, AListPrintsItsLinesInColumnsAndItsCount) {
    MemoryIngredientCatalog catalog;
    RecordingSink sink;
    NumberSettings settings;
    const UnitContext context{settings, catalog, sink};
    ShoppingList list("", true);
    list.AddLine(context, false, kWeight, 0, 1.5, "Flour");
    list.AddItem(context, "Candles");
    list.AddLine(context, false, kVolume, 1, 12345.0, "Water");
    EXPECT_EQ(ShoppingListText(list),
              "List - Untitled\n"
              "-        -        Candles\n"
              "1.5      Kg       Flour\n"
              "12000    ml       Water\n"
              "3 Item(s)\n");
    list.SetName("Weekly");
    EXPECT_EQ(ShoppingListText(list).substr(0, 14), "List - Weekly\n");
}

}  // namespace
}  // namespace kw::planning

// Meal plans against a real recipe database: the course rules, saving and loading back, the
// failures a save reports, deleting, and a new meal that takes a stored meal's title.
#include "app/planning/meal_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/data/query.h"
#include "app/data/record.h"
#include "app/planning/planning_test_support.h"

namespace kw::planning {
namespace {

using namespace kw::schema;
using Lines = std::vector<std::string>;

class MealPlanTest : public testing::PlanningDatabaseTest {
  protected:
    // The stored KWMEALCT records of a meal as "TYPE recipe/category", in index order.
    Lines Stored(const std::string &title) {
        Lines stored;
        ForEachRecord(kTableMealItem, kMealItemByMeal, [&](CKWRecord &items) {
            if (Text(items, kFieldName) != title) return;
            stored.push_back(Text(items, kFieldType) + " " + Text(items, kFieldRecipe) + "/" +
                             Text(items, kFieldCategory));
        });
        return stored;
    }
    bool MealStored(const std::string &title) {
        CKWRecord meal;
        EXPECT_EQ(meal.OpenByName(&db_, kTableMeal), KW_OK);
        CKWQuery byName;
        byName.SetIndex(&meal, kMealByName);
        meal.PutString(kFieldName, title);
        return byName.GetExactFromRecord() == KW_OK;
    }
    KWRESULT StoreItem(const std::string &meal, const std::string &recipe,
                       const std::string &category, const std::string &type) {
        return Insert(kTableMealItem, {{kFieldName, meal},
                                       {kFieldRecipe, recipe},
                                       {kFieldCategory, category},
                                       {kFieldType, type}});
    }

    RecordingSink sink_;
};

TEST(MealLines, LinesCarryTitleAndCategoryAndSplitBack) {
    EXPECT_EQ(MealLine("Pea Soup", "Soups"), "Pea Soup\t[Soups]");
    EXPECT_EQ(SplitMealLine("Pea Soup\t[Soups]").name, "Pea Soup");
    EXPECT_EQ(SplitMealLine("Pea Soup\t[Soups]").category, "Soups");
    EXPECT_EQ(SplitMealLine("Bare").category, "");
    EXPECT_EQ(CourseCode(Course::kDesserts), 'A');
    EXPECT_EQ(CourseOfCode('M'), Course::kMainCourses);
    EXPECT_FALSE(CourseOfCode('D').has_value());
    EXPECT_STREQ(CourseLabel(Course::kDesserts), "Deserts");
    EXPECT_STREQ(AddRecipeCaption(Course::kMainCourses), "Add Recipe [Main Courses]");
}

TEST_F(MealPlanTest, TheSameRecipeInTwoCoursesIsSavedAndLoadedBack) {
    MealPlan meal("Sunday", true);
    meal.AddRecipe(Course::kStarters, "Pea Soup", "Soups");
    meal.AddRecipe(Course::kMainCourses, "Pea Soup", "Soups");
    meal.AddRecipe(Course::kMainCourses, "Roast Lamb", "Mains");
    meal.AddRecipe(Course::kDesserts, "Trifle", "Puddings");
    EXPECT_TRUE(meal.IsModified());
    ASSERT_EQ(meal.Save(db_, sink_), KW_OK);
    EXPECT_FALSE(meal.IsModified());
    EXPECT_FALSE(meal.IsNew());
    EXPECT_TRUE(sink_.Messages().empty());
    EXPECT_EQ(Stored("Sunday"), (Lines{"S Pea Soup/Soups", "M Pea Soup/Soups", "M Roast Lamb/Mains",
                                       "A Trifle/Puddings"}));

    MealPlan again("Sunday", false);
    ASSERT_EQ(again.Load(db_), KW_OK);
    EXPECT_EQ(again.Lines(Course::kStarters), Lines{"Pea Soup\t[Soups]"});
    EXPECT_EQ(again.Lines(Course::kMainCourses),
              (Lines{"Pea Soup\t[Soups]", "Roast Lamb\t[Mains]"}));
    EXPECT_EQ(again.Lines(Course::kDesserts), Lines{"Trifle\t[Puddings]"});
    EXPECT_FALSE(again.IsModified());

    // Saving again replaces the stored records.
    ASSERT_TRUE(again.RemoveLine(Course::kMainCourses, 0));
    EXPECT_FALSE(again.RemoveLine(Course::kMainCourses, 5));
    ASSERT_EQ(again.Save(db_, sink_), KW_OK);
    EXPECT_EQ(Stored("Sunday"),
              (Lines{"S Pea Soup/Soups", "M Roast Lamb/Mains", "A Trifle/Puddings"}));
}

TEST_F(MealPlanTest, DroppingARecipeTheCourseListsAlreadyChangesNothing) {
    MealPlan meal("Picnic", false);
    ASSERT_EQ(Insert(kTableMeal, {{kFieldName, "Picnic"}}), KW_OK);
    ASSERT_EQ(StoreItem("Picnic", "Quiche", "Savoury", "M"), KW_OK);
    ASSERT_EQ(meal.Load(db_), KW_OK);

    EXPECT_FALSE(meal.DropRecipe(Course::kMainCourses, "Quiche", "Savoury"));
    EXPECT_FALSE(meal.IsModified());
    EXPECT_EQ(meal.Lines(Course::kMainCourses).size(), 1u);
    // Another course, or another category, is a different line.
    EXPECT_TRUE(meal.DropRecipe(Course::kStarters, "Quiche", "Savoury"));
    EXPECT_TRUE(meal.IsModified());
    EXPECT_TRUE(meal.DropRecipe(Course::kMainCourses, "Quiche", "Tarts"));
    EXPECT_EQ(meal.Lines(Course::kMainCourses).size(), 2u);
}

TEST_F(MealPlanTest, UnknownCourseCodesAreShownNowhereAndDroppedAtTheNextSave) {
    ASSERT_EQ(Insert(kTableMeal, {{kFieldName, "Supper"}}), KW_OK);
    ASSERT_EQ(StoreItem("Supper", "Cheese Board", "Snacks", "X"), KW_OK);
    ASSERT_EQ(StoreItem("Supper", "Fish Pie", "Mains", "M"), KW_OK);
    ASSERT_EQ(StoreItem("SUPPER", "Jelly", "Puddings", "A"), KW_OK);  // title case ignored
    ASSERT_EQ(StoreItem("Supper", "Toast", "Snacks", ""), KW_OK);
    ASSERT_EQ(StoreItem("Suppers", "Other", "Snacks", "S"), KW_OK);

    MealPlan meal("Supper", false);
    ASSERT_EQ(meal.Load(db_), KW_OK);
    EXPECT_EQ(meal.Lines(Course::kStarters), Lines{});
    EXPECT_EQ(meal.Lines(Course::kMainCourses), Lines{"Fish Pie\t[Mains]"});
    EXPECT_EQ(meal.Lines(Course::kDesserts), Lines{"Jelly\t[Puddings]"});

    ASSERT_EQ(meal.Save(db_, sink_), KW_OK);
    EXPECT_EQ(Stored("Supper"), (Lines{"M Fish Pie/Mains", "A Jelly/Puddings"}));
    EXPECT_EQ(Stored("SUPPER"), Lines{});
    EXPECT_EQ(Stored("Suppers"), Lines{"S Other/Snacks"});
}

TEST_F(MealPlanTest, ARecipeTwiceInOneCourseFailsTheSaveWithTheDuplicateMessage) {
    MealPlan meal("Feast", true);
    meal.AddRecipe(Course::kStarters, "Soup", "Soups");
    meal.AddRecipe(Course::kMainCourses, "Pie", "Mains");
    meal.AddRecipe(Course::kMainCourses, "Pie", "Mains");  // the chooser does not check
    meal.AddRecipe(Course::kDesserts, "Tart", "Puddings");
    EXPECT_EQ(meal.Save(db_, sink_), BTERR_DUPLICATE);
    ASSERT_EQ(sink_.Messages().size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text,
              "Failed to save records. You have duplicate recipes in the meal.");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kExclamation);
    EXPECT_TRUE(meal.IsModified());
    EXPECT_EQ(meal.Lines(Course::kMainCourses).size(), 2u);
    EXPECT_TRUE(MealStored("Feast"));
    EXPECT_EQ(Stored("Feast"), (Lines{"S Soup/Soups", "M Pie/Mains"}));

    // Removing the second line lets the next save through; the meal is stored now.
    EXPECT_FALSE(meal.IsNew());
    meal.RemoveLine(Course::kMainCourses, 1);
    ASSERT_EQ(meal.Save(db_, sink_), KW_OK);
    EXPECT_EQ(Stored("Feast"), (Lines{"S Soup/Soups", "M Pie/Mains", "A Tart/Puddings"}));
}

TEST_F(MealPlanTest, RegressionNewMealWithAStoredTitleLeavesTheStoredContentsUntouched) {
    MealPlan stored("Sunday Dinner", true);
    stored.AddRecipe(Course::kMainCourses, "Roast Beef", "Mains");
    stored.AddRecipe(Course::kDesserts, "Crumble", "Puddings");
    ASSERT_EQ(stored.Save(db_, sink_), KW_OK);

    for (const char *title : {"Sunday Dinner", "SUNDAY dinner"}) {
        MealPlan other(title, true);
        other.AddRecipe(Course::kStarters, "Melon", "Starters");
        EXPECT_EQ(other.Save(db_, sink_), BTERR_DUPLICATE) << title;
        EXPECT_TRUE(other.IsModified());
        EXPECT_TRUE(other.IsNew());
    }
    EXPECT_EQ(sink_.Messages().size(), 2u);
    EXPECT_EQ(sink_.Messages()[1].text, kMealDuplicateText);
    EXPECT_TRUE(MealStored("Sunday Dinner"));
    EXPECT_EQ(Stored("Sunday Dinner"), (Lines{"M Roast Beef/Mains", "A Crumble/Puddings"}));
}

TEST_F(MealPlanTest, DeleteRemovesTheMealAndItsLinesAndAnEmptyMealSavesOnlyItsRecord) {
    MealPlan meal("Brunch", true);
    ASSERT_EQ(meal.Save(db_, sink_), KW_OK);
    EXPECT_TRUE(MealStored("Brunch"));
    EXPECT_EQ(Stored("Brunch"), Lines{});

    meal.AddRecipe(Course::kMainCourses, "Eggs", "Breakfast");
    meal.AddRecipe(Course::kStarters, "Juice", "Drinks");
    ASSERT_EQ(meal.Save(db_, sink_), KW_OK);
    ASSERT_EQ(meal.Delete(db_), KW_OK);
    EXPECT_TRUE(meal.IsNew());
    EXPECT_FALSE(MealStored("Brunch"));
    EXPECT_EQ(Stored("Brunch"), Lines{});

    MealPlan gone("Brunch", false);
    EXPECT_EQ(gone.Load(db_), KW_NOTFOUND);
    MealPlan fresh("Anything", true);
    EXPECT_EQ(fresh.Load(db_), KW_OK);
    EXPECT_TRUE(sink_.Messages().empty());
}

}  // namespace
}  // namespace kw::planning

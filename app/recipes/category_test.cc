// Categories over a real database: Edit Categories (new, rename with its recategorizing, delete
// with its counts), Assign Categories and the category chooser.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/recipes/category_assignment.h"
#include "app/recipes/category_chooser.h"
#include "app/recipes/category_editor.h"
#include "app/recipes/recipe_store_test_support.h"

namespace kw {
namespace {

using namespace schema;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CategoryOperationsTest : public testing::RecipeStoreTest {
  protected:
    void SetUp() override {
        RecipeStoreTest::SetUp();
        for (const char *c : {"Mains", "Soups", "Starters", "Vegetarian"})
            AddCategory(c);
        AddIngredient("Leek", kWeight, 0.3f, 0.002f, 'V');
        AddIngredient("Pea", kWeight, 0.8f, 0.003f, 'V');
        AddIngredient("Ham", kWeight, 1.5f, 0.01f, 'M');
    }

    // Selects the entry with that text; false when the list has none.
    bool SelectEntry(CategoryEditor &editor, const std::string &name) {
        const auto &entries = editor.Entries();
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i] == name) {
                editor.Select(static_cast<int>(i));
                return true;
            }
        }
        return false;
    }
    int32_t RecipesIn(const std::string &category) {
        return recipedb::CountRecipesOfCategory(db_, category);
    }
};

TEST_F(CategoryOperationsTest, EditorIsRefusedWhileObjectWindowsAreOpen) {
    EXPECT_FALSE(CategoryEditor::MayOpen([] { return true; }, sink_));
    EXPECT_THAT(sink_.Ids(), ElementsAre(605));
    sink_.Clear();
    EXPECT_TRUE(CategoryEditor::MayOpen([] { return false; }, sink_));
    EXPECT_TRUE(CategoryEditor::MayOpen(nullptr, sink_));
    EXPECT_THAT(sink_.Ids(), IsEmpty());

    CategoryEditor editor(db_);
    EXPECT_THAT(editor.Entries(), ElementsAre("Mains", "Soups", "Starters", "Vegetarian"));
    EXPECT_FALSE(editor.RenameEnabled());
    EXPECT_FALSE(editor.DeleteEnabled());
    editor.Select(1);
    EXPECT_TRUE(editor.RenameEnabled());
    EXPECT_TRUE(editor.DeleteEnabled());
    editor.Select(7);
    EXPECT_EQ(editor.Selected(), -1);
}

TEST_F(CategoryOperationsTest, NewCategoryFromThePrefilledTextWorksOnceThen609) {
    CategoryEditor editor(db_);
    NameDialogRequest request = editor.NewRequest();
    EXPECT_EQ(request.title, "Create New Category");
    EXPECT_EQ(request.max_length, 32u);
    EXPECT_EQ(request.text, "[New Category]");
    ASSERT_TRUE(editor.New(request.text, sink_));
    EXPECT_THAT(sink_.Ids(), IsEmpty());
    EXPECT_THAT(editor.Entries(),
                ElementsAre("Mains", "Soups", "Starters", "Vegetarian", "[New Category]"));
    EXPECT_FALSE(editor.New("[new category]", sink_));
    EXPECT_THAT(sink_.Ids(), ElementsAre(609));
    EXPECT_EQ(CountOf(kTableCategory), 5);
}

TEST_F(CategoryOperationsTest, RenamingOntoAnExistingCategoryMovesEveryRecipeLineAndLink) {
    SaveRecipe("Pea Soup", "Soups", {{"200", "g", "Pea", ""}, {"100", "g", "Ham", ""}});
    SaveRecipe("Leek Soup", "Soups", {{"300", "g", "Leek", ""}});
    SaveRecipe("Melon", "Starters", {});
    SaveRecipe("Pie", "Mains", {{"100", "g", "Leek", ""}});
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Leek Soup", "Soups"}, "Vegetarian"), KW_OK);
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Pie", "Mains"}, "Soups"), KW_OK);
    // Already filed under both: one link to Starters must remain.
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Pie", "Mains"}, "Starters"), KW_OK);

    CategoryEditor editor(db_);
    ASSERT_TRUE(SelectEntry(editor, "Soups"));
    ASSERT_TRUE(editor.ConfirmRename(sink_));
    NameDialogRequest request = editor.RenameRequest();
    EXPECT_EQ(request.title, "Rename Category");
    EXPECT_EQ(request.text, "[New Category]");
    ASSERT_TRUE(editor.Rename("Starters", sink_));
    EXPECT_THAT(sink_.Ids(), ElementsAre(1001, 1002));

    EXPECT_EQ(RecipesIn("Soups"), 0);
    EXPECT_EQ(RecipesIn("Starters"), 3);
    EXPECT_THAT(IngredientsOf("Pea Soup", "Starters"), ElementsAre("Pea", "Ham"));
    EXPECT_THAT(IngredientsOf("Leek Soup", "Starters"), ElementsAre("Leek"));
    EXPECT_THAT(LinksOf("Leek Soup", "Starters"), ElementsAre("Starters", "Vegetarian"));
    EXPECT_THAT(LinksOf("Pea Soup", "Starters"), ElementsAre("Starters"));
    EXPECT_THAT(LinksOf("Pie", "Mains"), ElementsAre("Mains", "Starters"));
    EXPECT_EQ(recipedb::CountLinksToCategory(db_, "Soups"), 0);
    // The merged category is gone, from the table and the list.
    EXPECT_THAT(recipedb::CategoryNames(db_), ElementsAre("Mains", "Starters", "Vegetarian"));
    EXPECT_THAT(editor.Entries(), ElementsAre("Mains", "Starters", "Vegetarian"));
    EXPECT_EQ(editor.Selected(), -1);
}

TEST_F(CategoryOperationsTest, RenameAnswersNoChangeNothing) {
    SaveRecipe("Pea Soup", "Soups", {{"200", "g", "Pea", ""}});
    CategoryEditor editor(db_);
    ASSERT_TRUE(SelectEntry(editor, "Soups"));
    sink_.Script(Answer::kNo);
    EXPECT_FALSE(editor.ConfirmRename(sink_));
    sink_.Script(Answer::kNo);
    EXPECT_FALSE(editor.Rename("Starters", sink_));
    EXPECT_FALSE(editor.Rename("", sink_));
    EXPECT_THAT(sink_.Ids(), ElementsAre(1001, 1002));
    EXPECT_EQ(RecipesIn("Soups"), 1);
    EXPECT_THAT(editor.Entries(), ElementsAre("Mains", "Soups", "Starters", "Vegetarian"));
}

TEST_F(CategoryOperationsTest, RenameToANewNameRecategorizesAndAppendsIt) {
    SaveRecipe("Pea Soup", "Soups", {{"200", "g", "Pea", ""}});
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Pea Soup", "Soups"}, "Vegetarian"), KW_OK);
    CategoryEditor editor(db_);
    ASSERT_TRUE(SelectEntry(editor, "Soups"));
    ASSERT_TRUE(editor.Rename("Broths", sink_));
    EXPECT_THAT(sink_.Ids(), IsEmpty());
    EXPECT_THAT(editor.Entries(), ElementsAre("Mains", "Starters", "Vegetarian", "Broths"));
    EXPECT_THAT(recipedb::CategoryNames(db_),
                ElementsAre("Broths", "Mains", "Starters", "Vegetarian"));
    EXPECT_THAT(IngredientsOf("Pea Soup", "Broths"), ElementsAre("Pea"));
    EXPECT_THAT(LinksOf("Pea Soup", "Broths"), ElementsAre("Broths", "Vegetarian"));

    // A change of letter case only goes through every record once and ends.
    ASSERT_TRUE(SelectEntry(editor, "Broths"));
    ASSERT_TRUE(editor.Rename("BROTHS", sink_));
    recipedb::RecipeRecord r;
    ASSERT_EQ(recipedb::FindRecipe(db_, {"Pea Soup", "broths"}, &r), KW_OK);
    EXPECT_EQ(r.category, "BROTHS");
    EXPECT_THAT(LinksOf("Pea Soup", "Broths"), ElementsAre("BROTHS", "Vegetarian"));
    EXPECT_THAT(editor.Entries(), ElementsAre("Mains", "Starters", "Vegetarian", "BROTHS"));
}

TEST_F(CategoryOperationsTest, RenameLeavesARecipeWhoseTitleTheOtherCategoryHolds) {
    SaveRecipe("Pea Soup", "Soups", {{"200", "g", "Pea", ""}});
    SaveRecipe("Leek Soup", "Soups", {{"300", "g", "Leek", ""}});
    SaveRecipe("Pea Soup", "Starters", {{"100", "g", "Ham", ""}});
    CategoryEditor editor(db_);
    ASSERT_TRUE(SelectEntry(editor, "Soups"));
    ASSERT_TRUE(editor.Rename("Starters", sink_));
    ASSERT_THAT(sink_.Ids(), ElementsAre(1002, 0));
    EXPECT_NE(sink_.Messages()[1].text.find("Pea Soup"), std::string::npos);
    // Each recipe keeps its own lines; the one that could not move stays filed under Soups.
    EXPECT_THAT(IngredientsOf("Pea Soup", "Soups"), ElementsAre("Pea"));
    EXPECT_THAT(IngredientsOf("Pea Soup", "Starters"), ElementsAre("Ham"));
    EXPECT_THAT(LinksOf("Pea Soup", "Soups"), ElementsAre("Soups"));
    EXPECT_THAT(IngredientsOf("Leek Soup", "Starters"), ElementsAre("Leek"));
    EXPECT_THAT(LinksOf("Leek Soup", "Starters"), ElementsAre("Starters"));
    EXPECT_THAT(recipedb::CategoryNames(db_),
                ElementsAre("Mains", "Soups", "Starters", "Vegetarian"));
    EXPECT_THAT(editor.Entries(), ElementsAre("Mains", "Soups", "Starters", "Vegetarian"));
}

// Recipes that stay behind are stepped over where they lie, not found again from the start of
// the category after every move (a merge of two large categories went quadratic that way); the
// recipes around them must still all move, each with its own lines and links.
TEST_F(CategoryOperationsTest, RecipesLeftBehindBetweenMovingOnesKeepTheirsWhileTheOthersAllMove) {
    for (const char *title : {"A Soup", "B Soup", "C Soup", "D Soup", "E Soup"})
        SaveRecipe(title, "Soups", {{"200", "g", "Pea", ""}, {"100", "g", "Leek", ""}});
    for (const char *title : {"A Soup", "B Soup", "D Soup"})
        ASSERT_EQ(recipedb::InsertRecipeLink(db_, {title, "Soups"}, "Vegetarian"), KW_OK);
    SaveRecipe("B Soup", "Starters", {{"100", "g", "Ham", ""}});
    SaveRecipe("D Soup", "Starters", {{"100", "g", "Ham", ""}});

    const recipedb::RecategorizeResult result =
        recipedb::RecategorizeRecipes(db_, "Soups", "Starters");
    ASSERT_EQ(result.result, KW_OK);
    EXPECT_THAT(result.left_behind, ElementsAre("B Soup", "D Soup"));
    for (const char *title : {"B Soup", "D Soup"}) {
        EXPECT_THAT(IngredientsOf(title, "Soups"), ElementsAre("Pea", "Leek")) << title;
        EXPECT_THAT(LinksOf(title, "Soups"), ElementsAre("Soups", "Vegetarian")) << title;
        EXPECT_THAT(IngredientsOf(title, "Starters"), ElementsAre("Ham")) << title;
        EXPECT_THAT(LinksOf(title, "Starters"), ElementsAre("Starters")) << title;
    }
    for (const char *title : {"A Soup", "C Soup", "E Soup"}) {
        EXPECT_THAT(IngredientsOf(title, "Starters"), ElementsAre("Pea", "Leek")) << title;
        EXPECT_THAT(IngredientsOf(title, "Soups"), IsEmpty()) << title;
        EXPECT_THAT(LinksOf(title, "Soups"), IsEmpty()) << title;
    }
    EXPECT_THAT(LinksOf("A Soup", "Starters"), ElementsAre("Starters", "Vegetarian"));
    EXPECT_THAT(LinksOf("E Soup", "Starters"), ElementsAre("Starters"));
    EXPECT_EQ(RecipesIn("Soups"), 2);
    EXPECT_EQ(RecipesIn("Starters"), 5);
}

TEST_F(CategoryOperationsTest, DeletingACategoryOfThreeRecipesReports3AndRemovesThemEntirely) {
    SaveRecipe("Pea Soup", "Soups", {{"200", "g", "Pea", ""}});
    SaveRecipe("Leek Soup", "Soups", {{"300", "g", "Leek", ""}, {"50", "g", "Ham", ""}});
    SaveRecipe("Ham Soup", "Soups", {{"300", "g", "Ham", ""}});
    SaveRecipe("Pie", "Mains", {{"100", "g", "Leek", ""}});
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Leek Soup", "Soups"}, "Vegetarian"), KW_OK);
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Pie", "Mains"}, "Soups"), KW_OK);

    CategoryEditor editor(db_);
    ASSERT_TRUE(SelectEntry(editor, "Soups"));
    sink_.Script(Answer::kNo);
    EXPECT_FALSE(editor.DeleteSelected(sink_));
    EXPECT_EQ(RecipesIn("Soups"), 3);
    ASSERT_TRUE(editor.DeleteSelected(sink_));
    ASSERT_EQ(sink_.Messages().size(), 2u);
    EXPECT_EQ(sink_.Messages()[1].id, 1000);
    EXPECT_EQ(sink_.Messages()[1].text,
              "There are 3 Recipe(s) with this category.  Are you sure you want to delete the "
              "Recipes and category?");
    EXPECT_EQ(sink_.Messages()[1].buttons, Buttons::kYesNo);

    EXPECT_EQ(CountOf(kTableRecipe), 1);
    EXPECT_THAT(IngredientsOf("Pie", "Mains"), ElementsAre("Leek"));
    EXPECT_EQ(CountOf(kTableRecipeIngredient), 1);
    EXPECT_THAT(LinksOf("Pie", "Mains"), ElementsAre("Mains"));
    EXPECT_EQ(CountOf(kTableRecipeCategory), 1);
    EXPECT_THAT(editor.Entries(), ElementsAre("Mains", "Starters", "Vegetarian"));
    EXPECT_THAT(recipedb::CategoryNames(db_), ElementsAre("Mains", "Starters", "Vegetarian"));
}

TEST_F(CategoryOperationsTest, DeletingASecondaryCategoryAsks1003AndKeepsTheRecipes) {
    SaveRecipe("Pie", "Mains", {{"100", "g", "Leek", ""}});
    SaveRecipe("Tart", "Starters", {{"100", "g", "Leek", ""}});
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Pie", "Mains"}, "Vegetarian"), KW_OK);
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Tart", "Starters"}, "Vegetarian"), KW_OK);
    CategoryEditor editor(db_);
    ASSERT_TRUE(SelectEntry(editor, "Vegetarian"));
    ASSERT_TRUE(editor.DeleteSelected(sink_));
    ASSERT_THAT(sink_.Ids(), ElementsAre(1003));
    EXPECT_NE(sink_.Messages()[0].text.find("There are 2 Recipe(s) with this as a secondary"),
              std::string::npos);
    EXPECT_EQ(CountOf(kTableRecipe), 2);
    EXPECT_THAT(LinksOf("Pie", "Mains"), ElementsAre("Mains"));
    EXPECT_THAT(LinksOf("Tart", "Starters"), ElementsAre("Starters"));
}

TEST_F(CategoryOperationsTest, UnusedCategoryIsDeletedWithoutAsking) {
    CategoryEditor editor(db_);
    ASSERT_TRUE(SelectEntry(editor, "Starters"));
    ASSERT_TRUE(editor.DeleteSelected(sink_));
    EXPECT_THAT(sink_.Ids(), IsEmpty());
    EXPECT_THAT(recipedb::CategoryNames(db_), ElementsAre("Mains", "Soups", "Vegetarian"));
    EXPECT_FALSE(editor.DeleteSelected(sink_));  // nothing selected any more
}

TEST_F(CategoryOperationsTest, AssigningTwoFurtherCategoriesGivesExactlyThreeLinks) {
    ASSERT_EQ(Insert(kTableRecipe,
                     {{kFieldName, std::string("Pie")}, {kFieldCategory, std::string("Mains")}}),
              KW_OK);  // a recipe that has no link yet
    CategoryAssignment assign(db_, {"Pie", "Mains"});
    EXPECT_EQ(assign.Title(), "Assign Categories - Pie");
    ASSERT_EQ(assign.PrimaryIndex(), 0);
    EXPECT_TRUE(assign.IsSelected(0));
    EXPECT_FALSE(assign.OkEnabled());
    assign.SetSelected(0, false);  // the primary category cannot be removed
    EXPECT_TRUE(assign.IsSelected(0));
    EXPECT_FALSE(assign.OkEnabled());
    assign.SetSelected(1, true);
    assign.SetSelected(3, true);
    EXPECT_TRUE(assign.OkEnabled());
    ASSERT_EQ(assign.Accept(), KW_OK);
    EXPECT_THAT(LinksOf("Pie", "Mains"), ElementsAre("Mains", "Soups", "Vegetarian"));
    EXPECT_EQ(CountOf(kTableRecipeCategory), 3);

    // Reopened: the links show; taking one away deletes just that link.
    CategoryAssignment again(db_, {"Pie", "Mains"});
    EXPECT_TRUE(again.IsSelected(1));
    EXPECT_FALSE(again.IsSelected(2));
    EXPECT_TRUE(again.IsSelected(3));
    again.SetSelected(1, false);
    ASSERT_EQ(again.Accept(), KW_OK);
    EXPECT_THAT(LinksOf("Pie", "Mains"), ElementsAre("Mains", "Vegetarian"));
}

TEST_F(CategoryOperationsTest, AssignmentRemovesALinkSpelledInAnotherCase) {
    SaveRecipe("Pie", "Mains", {});
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Pie", "Mains"}, "VEGETARIAN"), KW_OK);
    CategoryAssignment assign(db_, {"Pie", "Mains"});
    ASSERT_TRUE(assign.IsSelected(3));
    assign.SetSelected(3, false);
    ASSERT_EQ(assign.Accept(), KW_OK);
    EXPECT_THAT(LinksOf("Pie", "Mains"), ElementsAre("Mains"));
}

TEST_F(CategoryOperationsTest, ChooserCutsA33CharacterCategoryWith701) {
    CategoryChooser chooser(db_, CategoryChooser::kNewRecipeTitle, "", false);
    EXPECT_EQ(chooser.Title(), "Create New Recipe...");
    EXPECT_TRUE(chooser.NameVisible());
    chooser.SetCategoryText(std::string(33, 'c'), sink_);
    EXPECT_THAT(sink_.Ids(), ElementsAre(701));
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kExclamation);
    EXPECT_EQ(chooser.CategoryText(), std::string(32, 'c'));
    sink_.Clear();
    chooser.SetCategoryText(std::string(32, 'c'), sink_);
    EXPECT_THAT(sink_.Ids(), IsEmpty());
}

TEST_F(CategoryOperationsTest, ChooserOkNeedsACategoryAndANameOf3To48) {
    CategoryChooser chooser(db_, CategoryChooser::kNewRecipeTitle, "Soups", false);
    EXPECT_EQ(chooser.CategoryText(), "Soups");
    EXPECT_FALSE(chooser.OkEnabled());
    chooser.SetNameText("Pe");
    EXPECT_FALSE(chooser.OkEnabled());
    chooser.SetNameText("Pea");
    EXPECT_TRUE(chooser.OkEnabled());
    chooser.SetNameText(std::string(49, 'p'));
    EXPECT_FALSE(chooser.OkEnabled());
    chooser.SetNameText(std::string(48, 'p'));
    EXPECT_TRUE(chooser.OkEnabled());
    chooser.SetCategoryText("", sink_);
    EXPECT_FALSE(chooser.OkEnabled());
    EXPECT_FALSE(chooser.Accept(sink_));

    CategoryChooser change(db_, RecipeForm::kChangeCategoryTitle, "Soups", true);
    EXPECT_FALSE(change.NameVisible());
    EXPECT_TRUE(change.OkEnabled());
    EXPECT_TRUE(change.Accept(sink_));
    EXPECT_THAT(sink_.Ids(), IsEmpty());
}

TEST_F(CategoryOperationsTest, ChooserOffersAnUnlistedCategoryWith700) {
    CategoryChooser chooser(db_, RecipeForm::kChangeCategoryTitle, "Soups", true);
    chooser.SetCategoryText("Puddings", sink_);
    sink_.Script(Answer::kNo);
    EXPECT_FALSE(chooser.Accept(sink_));
    EXPECT_THAT(sink_.Ids(), ElementsAre(700));
    EXPECT_EQ(sink_.Messages()[0].text, "Do you want to add 'Puddings' as a new recipe category");
    EXPECT_EQ(chooser.CategoryText(), "");
    EXPECT_EQ(CountOf(kTableCategory), 4);

    chooser.SetCategoryText("Puddings", sink_);
    EXPECT_TRUE(chooser.Accept(sink_));
    EXPECT_THAT(chooser.Entries(),
                ElementsAre("Mains", "Soups", "Starters", "Vegetarian", "Puddings"));
    EXPECT_THAT(recipedb::CategoryNames(db_),
                ElementsAre("Mains", "Puddings", "Soups", "Starters", "Vegetarian"));

    // A listed category typed in another case is that category, not a new one.
    sink_.Clear();
    chooser.SetCategoryText("soups", sink_);
    EXPECT_TRUE(chooser.Accept(sink_));
    EXPECT_EQ(chooser.CategoryText(), "Soups");
    EXPECT_THAT(sink_.Ids(), IsEmpty());
}

}  // namespace
}  // namespace kw

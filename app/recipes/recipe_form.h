// The recipe form without its window: the members the form binds to the KWRECIPE record, the
// ingredient grid with the recipe's KWRECING lines, and the recipe commands — open, save, delete,
// rename, change of the primary category — with their messages.
//
// The window shows Members() and Grid(), writes every edit back into them and calls
// SetModified(true) for each change of an edit or box; the commands below do the rest. Settings,
// the catalogue and the message sink arrive with each call in a UnitContext and are never kept.
// The form keeps a reference to the open database and must not outlive it; each command opens
// the table instances it needs and closes them before it returns.
//
// Save, in this order (the recipe record is written even when a check fails, with the corrected
// values, and the save then reports the failure):
//   1. the ingredient lines are deleted when the list changed;
//   2. the recipe's own category link (NAME, CATEGORY, CATEGORY) is added (an existing one stays);
//   3. the times are read ("h:mm") and checked in this order: preparation above total: 502,
//      preparation := total; preparation above 999 minutes: 500, preparation := 0; total above
//      9999: 501, total := 0;
//   4. when the list changed, every row is checked and each usable one written (a named row with
//      an amount above 0 or no amount); each other non-empty row: 507;
//   5. the record is inserted (new) or updated; a failure anywhere gives 508 when the engine said
//      303 (a duplicate key: an ingredient twice in the recipe), else 400.
// A new recipe whose name and category are already taken writes nothing: 400, result 303 (its
// lines would otherwise replace the other recipe's).
#pragma once

#include <string>
#include <string_view>

#include "app/recipes/ingredient_grid.h"
#include "app/recipes/name_dialog.h"
#include "app/recipes/recipe_record.h"

namespace kw {

class CKWDatabase;

// What the form's controls show.
struct RecipeMembers {
    DietFlags diet;                   // "&Vegetarian", "&Gluten Free", "&Dairy Free"
    std::string method;               // METHOD, at most 4096 characters
    std::string reference;            // REFERENC, at most 48 characters
    int servings = 2;                 // NOOFSERV ("S&erves:", 1 to 99)
    std::string prep_time = "0:00";   // PREPTIME as "h:mm" (at most 6 characters)
    std::string total_time = "0:00";  // TOTALTIM as "h:mm"
    int calories = 0;                 // CALORIES per serving; -1 while unknown
    bool calories_unknown = false;    // its "Unknown" box: the edit is hidden
    std::string cost_text = "0.00";   // COST per serving as "%0.2f"
    bool cost_unknown = false;        // its "Unknown" box: the edit is hidden
    char difficulty = 'A';            // DIFFICUL (recipedb::DifficultyChoices())
};

class RecipeForm final {
  public:
    static constexpr size_t kMaxMethodLength = 4096;
    static constexpr size_t kMaxReferenceLength = 48;
    static constexpr size_t kMaxTimeTextLength = 6;
    static constexpr size_t kMaxNameLength = 48;
    static constexpr int kMaxPrepMinutes = 999;
    static constexpr int kMaxTotalMinutes = 9999;
    // The category chooser's title for Change Category (category_chooser.h).
    static constexpr const char *kChangeCategoryTitle = "Change Primary Category";

    explicit RecipeForm(CKWDatabase &database) : database_(database) {}

    // A document identifier "NAME^CATEGORY" split at its first "^" (no "^": all name).
    static recipedb::RecipeId SplitIdentifier(std::string_view identifier);

    // Loads the recipe named by the identifier with its lines (each shown through
    // FormatIngredientLine) and one empty row for typing, or, with is_new, starts a new recipe
    // (diet boxes clear, serves 2, times "0:00", calories 0, cost "0.00", "Easy"). An existing
    // recipe takes the spelling of its record. Non-zero when the recipe is not found (the window
    // closes again). The form is not modified afterwards.
    KWRESULT Open(std::string_view identifier, bool is_new, const UnitContext &context);

    const recipedb::RecipeId &Id() const { return id_; }
    const std::string &Name() const { return id_.name; }
    const std::string &Category() const { return id_.category; }
    // The 80-byte key: the category in bytes 0 to 31, the name from byte 32, zero-filled.
    std::string Key() const;
    // NAME "^" CATEGORY: the document identifier, and the open-object key of its window.
    std::string Identifier() const { return id_.name + "^" + id_.category; }
    std::string FrameTitle() const { return "Recipe - " + id_.name; }
    // The drag handle's text: NAME ":[" CATEGORY "]".
    std::string DragText() const { return id_.name + ":[" + id_.category + "]"; }
    bool IsNew() const { return new_; }

    RecipeMembers &Members() { return members_; }
    const RecipeMembers &Members() const { return members_; }
    IngredientGrid &Grid() { return grid_; }
    const IngredientGrid &Grid() const { return grid_; }

    // Changes not saved yet: an edit, a typed cell or a line added, replaced or deleted.
    bool IsModified() const { return modified_ || grid_.Modified() || grid_.IngredientsChanged(); }
    void SetModified(bool modified) { modified_ = modified; }

    // The "Unknown" boxes: checked makes the figure -1; unchecked shows "0" or "0.00". Both mark
    // the form modified.
    void SetCaloriesUnknown(bool unknown);
    void SetCostUnknown(bool unknown);
    // The cost edit lost the focus: its text is rewritten as "%0.2f".
    void CostEditLostFocus();
    // "Ca&l:" and "C&ost:" (nutrition.h): the figure, its box and the modified flag follow.
    void CalculateCalories(const UnitContext &context);
    void CalculateCost(const UnitContext &context);

    // See the header comment. 0 on success (the form is then saved and no longer new); otherwise
    // the combined failure (status OR the record write's result), the form stays modified.
    KWRESULT Save(const UnitContext &context);

    // Deletes the recipe's lines, its record and every category link of it, in that order; the
    // form becomes new and unmodified. A form never saved deletes nothing. 0 or the first failure.
    KWRESULT Delete();

    // The name dialog of Rename: "Rename Recipe", 48 characters, the current name.
    NameDialogRequest RenameRequest() const;
    // Renames the recipe; its lines and category links follow. 506 (and false) when the record
    // cannot take the name (another recipe of the category has it, or it is empty or too long);
    // nothing else changes then. On success the window re-keys itself with Identifier().
    bool Rename(std::string_view new_name, MessageSink &sink);
    // Files the recipe under another primary category; its lines follow, its links to further
    // categories are carried over, its own link moves to the new category, and the category is
    // added to KWCAT when new. 505 (and false) when the record cannot take it.
    bool ChangeCategory(std::string_view new_category, MessageSink &sink);

  private:
    // Moves the record to `to` and its lines and links after it; false when the record refused.
    bool MoveRecipe(const recipedb::RecipeId &to);

    CKWDatabase &database_;
    recipedb::RecipeId id_;
    RecipeMembers members_;
    IngredientGrid grid_;
    bool new_ = true;
    bool modified_ = false;
};

}  // namespace kw

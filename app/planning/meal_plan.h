// A meal plan without its window: the three course lists of a meal as the meal window holds them,
// the rules for adding and removing recipes, and loading, saving and deleting the meal's records
// (KWMEALS: one per meal, NAME = title, SERVES 0; KWMEALCT: one per recipe in a course, NAME =
// meal title, RECIPE, CATEGORY, TYPE = course code).
//
// A course line is the recipe title, a tab, "[", the category and "]" — also the text a line
// drags as. Course codes: "S" starters, "M" main courses, "A" desserts; stored records with any
// other code are shown nowhere, and the next save drops them.
//
// Rules callers may rely on:
//   - AddRecipe (the "Add Recipe [...]" chooser) appends without looking for an identical line;
//     DropRecipe (a recipe dropped on a course) adds nothing when the course lists it already,
//     and then leaves the meal unmodified. The same recipe may be in several courses.
//   - Save replaces every stored record of the meal: the old ones are deleted by title, the
//     KWMEALS record is inserted, then one KWMEALCT record per line, starters, main courses and
//     desserts, each in list order. The first failing insert ends it: 303 (a recipe twice in a
//     course) shows "Failed to save records. You have duplicate recipes in the meal.", anything
//     else message 400, both with the exclamation icon; the lines stay and the meal stays
//     modified, and the stored meal holds its KWMEALS record and the lines before the failing
//     one until the next successful save.
//   - A new meal whose title belongs to a stored meal is not saved: the save answers 303 with the
//     same message before anything is deleted, so the stored meal keeps its contents.
//   - Delete removes the KWMEALS record (when the meal is stored) and every KWMEALCT record whose
//     NAME equals the title, letter case ignored; the meal becomes new and counts as modified.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/messages.h"
#include "app/data/database.h"
#include "app/planning/search_results.h"

namespace kw::planning {

enum class Course { kStarters = 0, kMainCourses = 1, kDesserts = 2 };
inline constexpr Course kCourses[] = {Course::kStarters, Course::kMainCourses, Course::kDesserts};

char CourseCode(Course course);                 // 'S', 'M', 'A'
std::optional<Course> CourseOfCode(char code);  // nullopt for any other code
const char *CourseLabel(Course course);         // "Starters", "Main Courses", "Deserts"
const char *AddRecipeCaption(Course course);    // "Add Recipe [Starters]", ...

// "title\t[category]", and back: the part before the first tab is the title, the rest without
// its "[" and "]" the category (a line without a tab is a title with no category).
std::string MealLine(std::string_view title, std::string_view category);
RecipeName SplitMealLine(std::string_view line);

// The message a save failure shows when the engine answers 303.
inline constexpr char kMealDuplicateText[] =
    "Failed to save records. You have duplicate recipes in the meal.";

class MealPlan final {
  public:
    // A meal opened by title: isNew for "Create New Meal", false for a stored meal (Load it).
    MealPlan(std::string title, bool isNew) : title_(std::move(title)), new_(isNew) {}

    const std::string &Title() const { return title_; }
    bool IsNew() const { return new_; }
    bool IsModified() const { return modified_; }
    const std::vector<std::string> &Lines(Course course) const {
        return lines_[static_cast<int>(course)];
    }

    // The chooser's line: appended, the meal modified.
    void AddRecipe(Course course, std::string_view title, std::string_view category);
    // A dropped recipe: added unless the course has an identical line; true when added.
    bool DropRecipe(Course course, std::string_view title, std::string_view category);
    // Removes the line at position; true (and modified) when there was one.
    bool RemoveLine(Course course, size_t position);

    // Reads the stored meal's lines. A new meal starts empty. 1 when a stored meal's KWMEALS
    // record is missing (its window closes again), else 0 or the engine's failure; the title
    // becomes the stored record's NAME (letter case may differ from the title asked for).
    // Unmodified afterwards.
    KWRESULT Load(CKWDatabase &database);
    // Saves as described above; 0 or the failing result.
    KWRESULT Save(CKWDatabase &database, MessageSink &sink);
    // The meal's records deleted; 0 or the engine's failure. No question is asked.
    KWRESULT Delete(CKWDatabase &database);

    // The category chosen last in this window's recipe chooser; -1 at first.
    int lastCategoryChoice = -1;

  private:
    std::string title_;
    bool new_;
    bool modified_ = false;
    std::vector<std::string> lines_[3];
};

}  // namespace kw::planning

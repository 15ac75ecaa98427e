// Meal plans: course lines and the KWMEALS / KWMEALCT records (see meal_plan.h).
#include "app/planning/meal_plan.h"

#include <algorithm>

#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/recipes/name_compare.h"

namespace kw::planning {
namespace {

using namespace kw::schema;

// 0 when the KWMEALCT record in items belongs to the meal (NAME equal, case ignored), 1 when it
// does not, else the engine's failure.
KWRESULT SameMealName(CKWRecord &items, const std::string &title) {
    std::string name;
    if (KWRESULT r = items.GetString(kFieldName, &name)) return r;
    return EqualsIgnoringCase(name, title) ? KW_OK : KW_NOTFOUND;
}

// Positions items on the first KWMEALCT record of the meal (NAME equal, case ignored): 0 when
// there is one, 1 when there is none, else the engine's failure.
KWRESULT FirstMealItem(CKWRecord &items, CKWQuery &byMeal, const std::string &title) {
    items.ClearRecord();
    if (items.PutString(kFieldName, title) == CKWRecord::kTextTooLong) return KW_NOTFOUND;
    const KWRESULT r = byMeal.GetExactFromRecord();
    if (r == KW_END || r == KW_NOTFOUND) return KW_NOTFOUND;
    if (r) return r;
    return SameMealName(items, title);
}

}  // namespace

char CourseCode(Course course) {
    switch (course) {
        case Course::kStarters:
            return kCourseStarter;
        case Course::kMainCourses:
            return kCourseMain;
        case Course::kDesserts:
            return kCourseDessert;
    }
    return 0;
}

std::optional<Course> CourseOfCode(char code) {
    for (Course course : kCourses)
        if (CourseCode(course) == code) return course;
    return std::nullopt;
}

const char *CourseLabel(Course course) {
    static const char *const kLabels[] = {"Starters", "Main Courses", "Deserts"};
    return kLabels[static_cast<int>(course)];
}

const char *AddRecipeCaption(Course course) {
    static const char *const kCaptions[] = {"Add Recipe [Starters]", "Add Recipe [Main Courses]",
                                            "Add Recipe [Deserts]"};
    return kCaptions[static_cast<int>(course)];
}

std::string MealLine(std::string_view title, std::string_view category) {
    std::string line(title);
    line += "\t[";
    line += category;
    line += "]";
    return line;
}

RecipeName SplitMealLine(std::string_view line) {
    RecipeName recipe = SplitResultLine(line);
    std::string &category = recipe.category;
    if (!category.empty() && category.front() == '[') category.erase(0, 1);
    if (!category.empty() && category.back() == ']') category.pop_back();
    return recipe;
}

void MealPlan::AddRecipe(Course course, std::string_view title, std::string_view category) {
    lines_[static_cast<int>(course)].push_back(MealLine(title, category));
    modified_ = true;
}

bool MealPlan::DropRecipe(Course course, std::string_view title, std::string_view category) {
    const std::string line = MealLine(title, category);
    std::vector<std::string> &lines = lines_[static_cast<int>(course)];
    if (std::find(lines.begin(), lines.end(), line) != lines.end()) return false;
    lines.push_back(line);
    modified_ = true;
    return true;
}

bool MealPlan::RemoveLine(Course course, size_t position) {
    std::vector<std::string> &lines = lines_[static_cast<int>(course)];
    if (position >= lines.size()) return false;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(position));
    modified_ = true;
    return true;
}

KWRESULT MealPlan::Load(CKWDatabase &database) {
    for (auto &lines : lines_)
        lines.clear();
    modified_ = false;
    if (new_) return KW_OK;
    CKWRecord meal;
    if (KWRESULT r = meal.OpenByName(&database, kTableMeal)) return r;
    CKWQuery byName;
    byName.SetIndex(&meal, kMealByName);
    meal.ClearRecord();
    if (meal.PutString(kFieldName, title_) == CKWRecord::kTextTooLong) return KW_NOTFOUND;
    if (KWRESULT r = byName.GetExactFromRecord()) return r;
    if (KWRESULT r = meal.GetString(kFieldName, &title_)) return r;

    CKWRecord items;
    if (KWRESULT r = items.OpenByName(&database, kTableMealItem)) return r;
    CKWQuery byMeal;
    byMeal.SetIndex(&items, kMealItemByMeal);
    KWRESULT r = FirstMealItem(items, byMeal, title_);
    std::string recipe, category, type;
    for (; r == KW_OK; r = byMeal.GetNext()) {
        if (KWRESULT s = SameMealName(items, title_)) {
            r = s;
            break;
        }
        if ((r = items.GetString(kFieldRecipe, &recipe))) break;
        if ((r = items.GetString(kFieldCategory, &category))) break;
        if ((r = items.GetString(kFieldType, &type))) break;
        if (const auto course = CourseOfCode(type.empty() ? '\0' : type[0]);
            course && type.size() == 1)
            lines_[static_cast<int>(*course)].push_back(MealLine(recipe, category));
    }
    modified_ = false;
    return r == KW_NOTFOUND || r == KW_END ? KW_OK : r;
}

KWRESULT MealPlan::Delete(CKWDatabase &database) {
    modified_ = false;
    CKWRecord meal, items;
    if (KWRESULT r = meal.OpenByName(&database, kTableMeal)) return r;
    if (KWRESULT r = items.OpenByName(&database, kTableMealItem)) return r;
    if (!new_) {
        CKWQuery byName;
        byName.SetIndex(&meal, kMealByName);
        meal.ClearRecord();
        // The form reports nothing when its record is gone already.
        if (meal.PutString(kFieldName, title_) == KW_OK && byName.GetExactFromRecord() == KW_OK)
            meal.Delete();
        new_ = true;
    }
    CKWQuery byMeal;
    byMeal.SetIndex(&items, kMealItemByMeal);
    for (;;) {
        KWRESULT r = FirstMealItem(items, byMeal, title_);
        if (r == KW_NOTFOUND) break;
        if (r || (r = items.Delete())) return r;
    }
    modified_ = true;
    return KW_OK;
}

KWRESULT MealPlan::Save(CKWDatabase &database, MessageSink &sink) {
    auto fail = [&](KWRESULT r) {
        modified_ = true;
        if (r == BTERR_DUPLICATE)
            sink.SayText(kMealDuplicateText, Icon::kExclamation);
        else
            sink.Say(400, {}, Icon::kExclamation);
        return r;
    };
    CKWRecord meal;
    if (KWRESULT r = meal.OpenByName(&database, kTableMeal)) return fail(r);
    CKWQuery byName;
    byName.SetIndex(&meal, kMealByName);
    if (new_) {
        // Deleting by title first would take a stored meal's contents with it.
        meal.ClearRecord();
        if (KWRESULT r = meal.PutString(kFieldName, title_)) return fail(r);
        const KWRESULT found = byName.GetExactFromRecord();
        if (found == KW_OK) return fail(BTERR_DUPLICATE);
        if (found != KW_NOTFOUND) return fail(found);
    }
    if (KWRESULT r = Delete(database)) return fail(r);

    meal.ClearRecord();
    if (KWRESULT r = meal.PutString(kFieldName, title_)) return fail(r);
    if (KWRESULT r = meal.PutInt(kFieldServes, 0)) return fail(r);
    if (KWRESULT r = meal.Insert()) return fail(r);
    new_ = false;

    CKWRecord items;
    if (KWRESULT r = items.OpenByName(&database, kTableMealItem)) return fail(r);
    for (Course course : kCourses) {
        const char code[2] = {CourseCode(course), '\0'};
        for (const std::string &line : Lines(course)) {
            const RecipeName recipe = SplitMealLine(line);
            items.ClearRecord();
            KWRESULT r = items.PutString(kFieldName, title_);
            if (!r) r = items.PutString(kFieldRecipe, recipe.name);
            if (!r) r = items.PutString(kFieldCategory, recipe.category);
            if (!r) r = items.PutString(kFieldType, code);
            if (!r) r = items.Insert();
            if (r) return fail(r);
        }
    }
    modified_ = false;
    return KW_OK;
}

}  // namespace kw::planning

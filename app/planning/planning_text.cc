// Meals and shopping lists as plain text (see planning_text.h).
#include "app/planning/planning_text.h"

#include <algorithm>

namespace kw::planning {
namespace {

std::string Column(const std::string &text, size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 1, ' ');
}

}  // namespace

std::string MealPlanText(const MealPlan &meal) {
    std::string text = "Meal - " + meal.Title() + "\n";
    for (Course course : kCourses) {
        text += CourseLabel(course);
        text += "\n";
        for (const std::string &line : meal.Lines(course))
            text += "  " + SplitMealLine(line).name + "\n";
    }
    return text;
}

std::string ShoppingListText(const ShoppingList &list) {
    std::string text = "List - " + (list.Name().empty() ? std::string("Untitled") : list.Name());
    text += "\n";
    for (const std::string &entry : list.Entries()) {
        const size_t first = entry.find('\t');
        const size_t second = first == std::string::npos ? first : entry.find('\t', first + 1);
        if (second == std::string::npos) {
            text += entry + "\n";
            continue;
        }
        text += Column(entry.substr(0, first), 9);
        text += Column(entry.substr(first + 1, second - first - 1), 9);
        text += entry.substr(second + 1) + "\n";
    }
    return text + list.CountText() + "\n";
}

}  // namespace kw::planning

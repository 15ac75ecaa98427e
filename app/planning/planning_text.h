// Meals and shopping lists as plain text, for printing outside the windows (kwtool's "print"):
// the same content as the one-page printouts, laid out in lines.
//
//   Meal - Sunday              the frame title of the meal
//   Starters                   each course label, then its recipe titles (no categories), in
//     Pea Soup                 list order; an empty course keeps its label
//   Main Courses
//     Roast Lamb
//   Deserts
//
//   List - Weekly              the frame title of the list ("Untitled" when it has no name)
//   1.5      Kg       Flour    quantity and unit each padded to 9 characters (a longer text
//   -        -        Candles  keeps one blank after it), then the name
//   2 Item(s)                  the count line (message 802)
#pragma once

#include <string>

#include "app/planning/meal_plan.h"
#include "app/planning/shopping_list.h"

namespace kw::planning {

std::string MealPlanText(const MealPlan &meal);
std::string ShoppingListText(const ShoppingList &list);

}  // namespace kw::planning

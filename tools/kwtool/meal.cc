// kwtool meal: meal plans for scripts, through the meal window's own rules.
//
//   kwtool meal show TITLE       one line per recipe: course label, tab, title, tab, category
//                                (with --json: {"title", "starters", "mainCourses", "desserts"},
//                                each a list of {"name", "category"})
//   kwtool meal create TITLE [--starter R]... [--main R]... [--dessert R]...
//                                a new meal with the recipes R = "TITLE:[CATEGORY]" in the
//                                order given; every recipe must be stored; a title that belongs
//                                to a stored meal is refused and that meal left as it is
//   kwtool meal print TITLE      the meal as plain text
//   kwtool meal delete TITLE     the meal and its lines, without a question
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/planning/meal_plan.h"
#include "app/planning/planning_text.h"
#include "command.h"
#include "command_database.h"
#include "engine_results.h"
#include "json_text.h"
#include "planning_tool.h"
#include "platform/text_encoding.h"
#include "terminal.h"

namespace kwtool {
namespace {

using kw::planning::Course;
using kw::planning::MealPlan;
using kw::platform::Cp1252ToUtf8;

// Loads a stored meal; false (after saying why) when it cannot.
bool LoadMeal(kw::CKWDatabase &database, MealPlan &meal) {
    const KWRESULT r = meal.Load(database);
    if (r == KW_NOTFOUND)
        Fail("there is no meal '" + Cp1252ToUtf8(meal.Title()) + "'");
    else if (r)
        Fail("cannot read the meal: " + EngineResultText(r));
    return r == KW_OK;
}

void PrintJson(const MealPlan &meal) {
    static const char *const kKeys[] = {"starters", "mainCourses", "desserts"};
    std::cout << "{\"title\":" << JsonString(Cp1252ToUtf8(meal.Title()));
    for (Course course : kw::planning::kCourses) {
        std::cout << ",\"" << kKeys[static_cast<int>(course)] << "\":[";
        const auto &lines = meal.Lines(course);
        for (size_t i = 0; i < lines.size(); ++i) {
            const auto recipe = kw::planning::SplitMealLine(lines[i]);
            std::cout << (i ? "," : "") << "{\"name\":" << JsonString(Cp1252ToUtf8(recipe.name))
                      << ",\"category\":" << JsonString(Cp1252ToUtf8(recipe.category)) << "}";
        }
        std::cout << "]";
    }
    std::cout << "}\n";
}

int Show(const Options &options, kw::CKWDatabase &database, MealPlan &meal, bool asText) {
    if (!LoadMeal(database, meal)) return 1;
    if (asText) {
        std::cout << Cp1252ToUtf8(kw::planning::MealPlanText(meal));
    } else if (options.json) {
        PrintJson(meal);
    } else {
        for (Course course : kw::planning::kCourses)
            for (const std::string &line : meal.Lines(course)) {
                const auto recipe = kw::planning::SplitMealLine(line);
                std::cout << kw::planning::CourseLabel(course) << "\t" << Cp1252ToUtf8(recipe.name)
                          << "\t" << Cp1252ToUtf8(recipe.category) << "\n";
            }
    }
    return 0;
}

int Create(const Options &options, kw::CKWDatabase &database, MealPlan &meal) {
    const std::vector<std::string> &args = options.args;
    for (size_t i = 2; i < args.size(); ++i) {
        Course course;
        if (args[i] == "--starter")
            course = Course::kStarters;
        else if (args[i] == "--main")
            course = Course::kMainCourses;
        else if (args[i] == "--dessert")
            course = Course::kDesserts;
        else
            return Usage(options, "meal");
        std::string title, category;
        if (i + 1 >= args.size() || !ParseRecipeArgument(args[i + 1], &title, &category))
            return Fail(args[i] + " takes a recipe as TITLE:[CATEGORY]", 2);
        ++i;
        if (!RecipeIsStored(database, title, category))
            return Fail("there is no recipe '" + Cp1252ToUtf8(title) + "' in category '" +
                        Cp1252ToUtf8(category) + "'");
        meal.AddRecipe(course, title, category);
    }
    TerminalSink sink;
    if (meal.Save(database, sink)) return 1;
    std::cout << "saved meal " << Cp1252ToUtf8(meal.Title()) << "\n";
    return 0;
}

int RunMealAction(const Options &options, kw::CKWDatabase &database) {
    const std::vector<std::string> &args = options.args;
    const std::string &action = args[0];
    const bool reads = action == "show" || action == "print";
    MealPlan meal(kw::platform::Utf8ToCp1252(args[1]), action == "create");
    if (reads) return Show(options, database, meal, action == "print");
    if (action == "create") return Create(options, database, meal);
    if (!LoadMeal(database, meal)) return 1;
    if (const KWRESULT r = meal.Delete(database))
        return Fail("cannot delete the meal: " + EngineResultText(r));
    std::cout << "deleted meal " << args[1] << "\n";
    return 0;
}

int RunMeal(const Options &options) {
    const std::vector<std::string> &args = options.args;
    if (args.size() < 2 || args[1].empty()) return Usage(options, "meal");
    const std::string &action = args[0];
    const bool reads = action == "show" || action == "print";
    if (!reads && action != "create" && action != "delete") return Usage(options, "meal");
    if (reads && args.size() != 2) return Usage(options, "meal");
    if (action == "delete" && args.size() != 2) return Usage(options, "meal");

    CommandDatabase opened;
    if (int status =
            opened.Open(reads ? DatabaseUse::kRead : DatabaseUse::kWrite, ReportOpenFailure))
        return status;
    const int status = RunMealAction(options, opened.Database());
    return std::max(status, opened.Close());
}

}  // namespace

KWTOOL_COMMAND("meal",
               "show|print|delete TITLE | create TITLE [--starter|--main|--dessert "
               "TITLE:[CATEGORY]]...",
               "show, print, create or delete a meal plan", RunMeal);

}  // namespace kwtool

// kwtool list: shopping lists for scripts, through the list window's own rules.
//
//   kwtool list show NAME       one line per item as the window lists it: quantity, tab, unit,
//                               tab, name; the count line ("%1 Item(s)") on standard error
//                               (with --json: {"name", "items": [{"quantity", "unit", "name"}]})
//   kwtool list create NAME [--recipe R]... [--meal TITLE]... [--item TEXT]... [--add LINE]...
//                               a new list filled in the order given: every ingredient line of
//                               recipe R = "TITLE:[CATEGORY]", every recipe of a meal, a
//                               free-text item, or one ingredient LINE = "QTY UNIT NAME" (QTY one
//                               word: "2", "1.5", "3/4"; UNIT as the window's unit column takes
//                               it, "-" for none). Lines of one ingredient and measure kind are
//                               merged. A name that belongs to a stored list is refused.
//   kwtool list print NAME      the list as plain text
//   kwtool list delete NAME [--yes]   asks first (--yes answers for the user)
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/planning/planning_text.h"
#include "app/planning/shopping_list_store.h"
#include "app/planning/table_ingredient_catalog.h"
#include "command.h"
#include "command_database.h"
#include "engine_results.h"
#include "json_text.h"
#include "planning_tool.h"
#include "platform/text_encoding.h"
#include "terminal.h"

namespace kwtool {
namespace {

using kw::planning::ShoppingList;
using kw::platform::Cp1252ToUtf8;
using kw::platform::Utf8ToCp1252;

bool LoadList(kw::CKWDatabase &database, const kw::UnitContext &context, ShoppingList &list) {
    const KWRESULT r = kw::planning::LoadShoppingList(database, context, list);
    if (r == KW_NOTFOUND)
        Fail("there is no list '" + Cp1252ToUtf8(list.Name()) + "'");
    else if (r)
        Fail("cannot read the list: " + EngineResultText(r));
    return r == KW_OK;
}

int Show(const Options &options, const kw::UnitContext &context, ShoppingList &list, bool asText) {
    if (asText) {
        std::cout << Cp1252ToUtf8(kw::planning::ShoppingListText(list));
        return 0;
    }
    if (options.json) {
        std::cout << "{\"name\":" << JsonString(Cp1252ToUtf8(list.Name())) << ",\"items\":[";
        const char *separator = "";
        for (const std::string &text : list.Entries()) {
            const auto entry = kw::planning::ParseListEntry(context, text);
            if (!entry) continue;
            std::cout << separator
                      << "{\"quantity\":" << JsonString(Cp1252ToUtf8(entry->quantityText))
                      << ",\"unit\":" << JsonString(Cp1252ToUtf8(entry->unitText))
                      << ",\"name\":" << JsonString(Cp1252ToUtf8(entry->name)) << "}";
            separator = ",";
        }
        std::cout << "]}\n";
        return 0;
    }
    for (const std::string &entry : list.Entries())
        std::cout << Cp1252ToUtf8(entry) << "\n";
    std::cout.flush();
    std::cerr << Cp1252ToUtf8(list.CountText()) << "\n";
    return 0;
}

// "QTY UNIT NAME" through the Add Ingredient dialog's reading of a quantity and a unit.
bool AddIngredientLine(const kw::UnitContext &context, ShoppingList &list,
                       const std::string &line) {
    const size_t first = line.find(' ');
    const size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    if (second == std::string::npos || second + 1 >= line.size()) return false;
    const std::string quantity = line.substr(0, first);
    const std::string unit = line.substr(first + 1, second - first - 1);
    const std::string name = line.substr(second + 1);
    const kw::UnitParse parsed = kw::ParseUnit(context, name, unit, true);
    list.AddLine(context, false, parsed.kind, parsed.choice, kw::ParseQuantity(quantity), name);
    return true;
}

int Create(const Options &options, kw::CKWDatabase &database, const kw::UnitContext &context,
           ShoppingList &list) {
    const std::vector<std::string> &args = options.args;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string &option = args[i];
        if (option != "--recipe" && option != "--meal" && option != "--item" && option != "--add")
            return Usage(options, "list");
        if (i + 1 >= args.size()) return Fail(option + " needs a value", 2);
        const std::string value = args[++i];
        KWRESULT r = KW_OK;
        if (option == "--recipe") {
            std::string title, category;
            if (!ParseRecipeArgument(value, &title, &category))
                return Fail("--recipe takes TITLE:[CATEGORY]", 2);
            if (!RecipeIsStored(database, title, category))
                return Fail("there is no recipe '" + Cp1252ToUtf8(title) + "' in category '" +
                            Cp1252ToUtf8(category) + "'");
            r = kw::planning::AddRecipeToList(database, context, list, category, title);
        } else if (option == "--meal") {
            kw::planning::MealPlan meal(Utf8ToCp1252(value), false);
            if (meal.Load(database) != KW_OK) return Fail("there is no meal '" + value + "'");
            r = kw::planning::AddMealToList(database, context, list, meal.Title());
        } else if (option == "--item") {
            list.AddItem(context, Utf8ToCp1252(value));
        } else if (!AddIngredientLine(context, list, Utf8ToCp1252(value))) {
            return Fail("--add takes \"QTY UNIT NAME\"", 2);
        }
        if (r) return Fail("cannot read " + value + ": " + EngineResultText(r));
    }
    if (kw::planning::SaveShoppingList(database, context, list)) return 1;
    std::cout << "saved list " << Cp1252ToUtf8(list.Name()) << " ("
              << Cp1252ToUtf8(list.CountText()) << ")\n";
    return 0;
}

int RunListAction(const Options &options, const std::vector<std::string> &args, bool yes,
                  kw::CKWDatabase &database) {
    const std::string &action = args[0];
    const bool reads = action == "show" || action == "print";
    kw::planning::TableIngredientCatalog catalog(database);
    TerminalSink sink(yes ? QuestionPolicy::kAlwaysYes : QuestionPolicy::kAskOnTerminal);
    const kw::UnitContext context{PlanningNumberSettings(), catalog, sink};
    ShoppingList list(Utf8ToCp1252(args[1]), action == "create");
    if (action == "create") {
        Options rest = options;
        rest.args = args;
        return Create(rest, database, context, list);
    }
    if (!LoadList(database, context, list)) return 1;
    if (reads) return Show(options, context, list, action == "print");
    bool deleted = false;
    if (const KWRESULT r = kw::planning::DeleteShoppingList(database, sink, list, &deleted))
        return Fail("cannot delete the list: " + EngineResultText(r));
    if (!deleted) return 1;
    std::cout << "deleted list " << Cp1252ToUtf8(list.Name()) << "\n";
    return 0;
}

int RunList(const Options &options) {
    std::vector<std::string> args = options.args;
    const bool yes = TakeFlag(&args, "--yes");
    if (args.size() < 2 || args[1].empty()) return Usage(options, "list");
    const std::string &action = args[0];
    const bool reads = action == "show" || action == "print";
    if (!reads && action != "create" && action != "delete") return Usage(options, "list");
    if (action != "create" && args.size() != 2) return Usage(options, "list");

    CommandDatabase opened;
    if (int status =
            opened.Open(reads ? DatabaseUse::kRead : DatabaseUse::kWrite, ReportOpenFailure))
        return status;
    const int status = RunListAction(options, args, yes, opened.Database());
    return std::max(status, opened.Close());
}

}  // namespace

KWTOOL_COMMAND("list",
               "show|print|delete NAME [--yes] | create NAME [--recipe TITLE:[CATEGORY]]... "
               "[--meal TITLE]... [--item TEXT]... [--add \"QTY UNIT NAME\"]...",
               "show, print, create or delete a shopping list", RunList);

}  // namespace kwtool

// kwtool show "NAME^CATEGORY": prints one recipe of KWDATA2 with every field, its ingredient lines
// as the recipe window shows them (units and quantities in the user's unit system and number
// style from recipe.INI), and the further categories it is filed under. Text is printed as UTF-8.
// A line naming an ingredient that is not in the catalogue and stored without its own kind is
// reported on standard error (message 604), as the window would.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/recipes/name_compare.h"
#include "app/recipes/recipe_form.h"
#include "app/recipes/record_catalog.h"
#include "command.h"
#include "command_database.h"
#include "platform/text_encoding.h"
#include "program_database.h"
#include "terminal.h"

namespace kwtool {
namespace {

std::string Utf8(const std::string &text) {
    std::string out = kw::platform::Cp1252ToUtf8(text);
    std::string cleaned;
    for (char c : out)
        if (c != '\r') cleaned += c;
    return cleaned;
}

const char *YesNo(bool value) {
    return value ? "yes" : "no";
}

// "500 g Leek, sliced" from a grid row.
std::string LineText(const kw::GridLine &line) {
    std::string text = line.quantity + " " + line.unit + " " + line.name;
    if (!line.preparation.empty()) text += ", " + line.preparation;
    return Utf8(text);
}

void Print(const kw::RecipeForm &form, const std::vector<std::string> &others) {
    const kw::RecipeMembers &m = form.Members();
    std::cout << "Name:        " << Utf8(form.Name()) << "\n"
              << "Category:    " << Utf8(form.Category()) << "\n"
              << "Also under:  ";
    for (size_t i = 0; i < others.size(); ++i)
        std::cout << (i ? ", " : "") << Utf8(others[i]);
    std::cout << "\n"
              << "Serves:      " << m.servings << "\n"
              << "Preparation: " << m.prep_time << "\n"
              << "Total time:  " << m.total_time << "\n"
              << "Calories:    "
              << (m.calories_unknown ? std::string("Unknown") : std::to_string(m.calories))
              << " per serving\n"
              << "Cost:        " << (m.cost_unknown ? std::string("Unknown") : m.cost_text)
              << " per serving\n"
              << "Difficulty:  " << kw::recipedb::DifficultyText(m.difficulty) << "\n"
              << "Dairy free:  " << YesNo(m.diet.dairy_free) << "\n"
              << "Gluten free: " << YesNo(m.diet.gluten_free) << "\n"
              << "Vegetarian:  " << YesNo(m.diet.vegetarian) << "\n"
              << "Reference:   " << Utf8(m.reference) << "\n"
              << "Ingredients:\n";
    const kw::IngredientGrid &grid = form.Grid();
    for (int row = 1; row < grid.RowCount(); ++row)
        if (!grid.Line(row).name.empty()) std::cout << "  " << LineText(grid.Line(row)) << "\n";
    std::cout << "Method:\n" << Utf8(m.method);
    if (!m.method.empty() && m.method.back() != '\n') std::cout << "\n";
}

int RunShow(const Options &options) {
    if (options.args.size() != 1 || options.args[0].find('^') == std::string::npos)
        return Usage(options, "show");
    const std::string identifier = kw::platform::Utf8ToCp1252(options.args[0]);

    CommandDatabase opened;
    if (int status = opened.Open(DatabaseUse::kRead, ReportOpenFailure)) return status;
    kw::CKWDatabase &database = opened.Database();
    TerminalSink sink;
    int status = 0;
    {
        kw::RecordIngredientCatalog catalog(database);
        kw::UnitContext context{ProgramNumberSettings(), catalog, sink};
        kw::RecipeForm form(database);
        if (form.Open(identifier, false, context) != KW_OK) {
            status = Fail("no recipe '" + options.args[0] + "'");
        } else {
            std::vector<std::string> links, others;
            kw::recipedb::ReadRecipeLinks(database, form.Id(), &links);
            for (const std::string &link : links)
                if (!kw::EqualsIgnoringCase(link, form.Category())) others.push_back(link);
            Print(form, others);
        }
    }
    return std::max(status, opened.Close());
}

}  // namespace

KWTOOL_COMMAND("show", "\"NAME^CATEGORY\"",
               "show one recipe with every field, its ingredient lines and its other categories",
               RunShow);

}  // namespace kwtool

// kwtool search: the "Find Recipe..." search for scripts. Each option selects one criterion, in
// the order given (the order of the dialog's "Selected Criteria" list):
//
//   --vegetarian  --gluten-free  --dairy-free                 the recipe's flag is set
//   --contains ING  --not-contains ING                        an ingredient line (repeatable)
//   --prep-less T  --prep-equal T  --prep-more T              preparation time, T = H:MM or
//   --total-less T  --total-equal T  --total-more T           minutes ("0:30", "45")
//   --calories-less N  --calories-equal N  --calories-more N  calories per serving
//   --cost-less X  --cost-equal X  --cost-more X              cost per serving ("2.50")
//   --difficulty easy|medium|hard                             (or A, B, C)
//   --in-category CAT  --not-in-category CAT                  primary or other category
//                                                             (repeatable)
//
// The matches are written into KWTMPRES, as the window program's search does, and printed one
// per line: name, tab, category, in the results window's order. The count line ("%1 Recipe(s)
// match") goes to standard error, with --steps also what each step tested and kept. With --json
// one object: {"criteria": [...], "steps": [{"criteria", "candidates", "matches"}], "matches",
// "recipes": [{"name", "category"}]}. A criterion that may be selected once, given twice, is a
// usage error.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/core/schema.h"
#include "app/planning/criteria_selection.h"
#include "app/planning/recipe_search.h"
#include "app/planning/search_results.h"
#include "command.h"
#include "command_database.h"
#include "engine_results.h"
#include "json_text.h"
#include "planning_tool.h"
#include "platform/text_encoding.h"
#include "terminal.h"

namespace kwtool {
namespace {

using kw::planning::CriteriaSelection;
using kw::platform::Cp1252ToUtf8;

struct SearchOption {
    const char *name;
    char code;    // the criterion
    char option;  // the comparison, 0 for none
    bool value;   // takes a value
};

constexpr SearchOption kSearchOptions[] = {
    {"--vegetarian", 'V', 0, false},      {"--gluten-free", 'G', 0, false},
    {"--dairy-free", 'D', 0, false},      {"--contains", 'O', 0, true},
    {"--not-contains", 'N', 0, true},     {"--prep-less", 'P', '<', true},
    {"--prep-equal", 'P', '=', true},     {"--prep-more", 'P', '>', true},
    {"--total-less", 'T', '<', true},     {"--total-equal", 'T', '=', true},
    {"--total-more", 'T', '>', true},     {"--calories-less", 'C', '<', true},
    {"--calories-equal", 'C', '=', true}, {"--calories-more", 'C', '>', true},
    {"--cost-less", 'S', '<', true},      {"--cost-equal", 'S', '=', true},
    {"--cost-more", 'S', '>', true},      {"--difficulty", 'F', 0, true},
    {"--in-category", 'A', 0, true},      {"--not-in-category", 'X', 0, true},
};

// "easy", "medium", "hard" or the code itself.
char DifficultyCode(const std::string &text) {
    if (text == "easy" || text == "Easy" || text == "A") return 'A';
    if (text == "medium" || text == "Medium" || text == "B") return 'B';
    if (text == "hard" || text == "Hard" || text == "C") return 'C';
    return 0;
}

// Builds the selection from the arguments; 0, or the exit status of a usage error.
int SelectCriteria(const std::vector<std::string> &args, CriteriaSelection *selection,
                   bool *steps) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        bool hasValue = false;
        if (const size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != name.npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasValue = true;
        }
        if (name == "--steps" && !hasValue) {
            *steps = true;
            continue;
        }
        const SearchOption *option = nullptr;
        for (const SearchOption &o : kSearchOptions)
            if (name == o.name) option = &o;
        if (!option) return Fail("unknown search option '" + args[i] + "'", 2);
        if (option->value && !hasValue) {
            if (i + 1 >= args.size()) return Fail(name + " needs a value", 2);
            value = args[++i];
        } else if (!option->value && hasValue) {
            return Fail(name + " takes no value", 2);
        }
        const kw::planning::CriterionDefinition &definition =
            *kw::planning::FindCriterionByCode(option->code);
        const int row = selection->Add(definition);
        if (row < 0)
            return Fail(name + ": \"" + definition.label + "\" may be selected only once", 2);
        kw::planning::SelectedCriterion &selected = *selection->Row(static_cast<size_t>(row));
        if (option->option) selected.options = option->option;
        if (option->code == 'F') {
            selected.options = DifficultyCode(value);
            if (!selected.options) return Fail("--difficulty takes easy, medium or hard", 2);
        } else {
            selected.data = kw::platform::Utf8ToCp1252(value);
        }
    }
    return 0;
}

// Runs the search into KWTMPRES and prints what it found.
int SearchAndPrint(const Options &options, const CriteriaSelection &selection, bool steps,
                   kw::CKWDatabase &database) {
    TerminalProgress progress;
    const kw::planning::SearchOutcome outcome =
        kw::planning::RunRecipeSearch(database, selection.Rows(), progress);
    if (outcome.result != KW_OK)
        return Fail("the search failed: " + EngineResultText(outcome.result));
    kw::CKWTable *results = nullptr;
    if (const KWRESULT r = kw::planning::OpenSearchResultTable(database, &results))
        return Fail("cannot open " + std::string(kw::schema::kTableSearchResult) + ": " +
                    EngineResultText(r));
    const kw::planning::SearchResultListing listing = kw::planning::ListSearchResults(*results);
    if (listing.result != KW_OK)
        return Fail("cannot read the search results: " + EngineResultText(listing.result));

    if (options.json) {
        std::cout << "{\"criteria\":[";
        for (size_t i = 0; i < selection.Rows().size(); ++i)
            std::cout << (i ? "," : "") << JsonString(Cp1252ToUtf8(selection.Rows()[i].criteria));
        std::cout << "],\"steps\":[";
        for (size_t i = 0; i < outcome.stepReports.size(); ++i) {
            const auto &step = outcome.stepReports[i];
            std::cout << (i ? "," : "")
                      << "{\"criteria\":" << JsonString(Cp1252ToUtf8(step.criteria))
                      << ",\"candidates\":" << step.candidates << ",\"matches\":" << step.matches
                      << "}";
        }
        std::cout << "],\"matches\":" << listing.lines.size() << ",\"recipes\":[";
        for (size_t i = 0; i < listing.lines.size(); ++i) {
            const kw::planning::RecipeName recipe = kw::planning::SplitResultLine(listing.lines[i]);
            std::cout << (i ? "," : "") << "{\"name\":" << JsonString(Cp1252ToUtf8(recipe.name))
                      << ",\"category\":" << JsonString(Cp1252ToUtf8(recipe.category)) << "}";
        }
        std::cout << "]}\n";
        return 0;
    }
    for (const std::string &line : listing.lines)
        std::cout << Cp1252ToUtf8(line) << "\n";
    std::cout.flush();
    if (steps)
        for (size_t i = 0; i < outcome.stepReports.size(); ++i) {
            const auto &step = outcome.stepReports[i];
            std::fprintf(stderr, "step %zu: %s: %d tested, %d kept\n", i + 1,
                         Cp1252ToUtf8(step.criteria).c_str(), step.candidates, step.matches);
        }
    std::cerr << Cp1252ToUtf8(listing.countText) << "\n";
    return 0;
}

int RunSearch(const Options &options) {
    CriteriaSelection selection;
    bool steps = false;
    if (int status = SelectCriteria(options.args, &selection, &steps))
        return status == 2 ? Usage(options, "search") : status;

    // The search rewrites KWTMPRES, so the run is marked unclean until the database is closed.
    CommandDatabase opened;
    if (int status = opened.Open(DatabaseUse::kWrite, ReportOpenFailure)) return status;
    const int status = SearchAndPrint(options, selection, steps, opened.Database());
    return std::max(status, opened.Close());
}

}  // namespace

KWTOOL_COMMAND("search",
               "[--vegetarian] [--gluten-free] [--dairy-free] [--contains ING]... "
               "[--not-contains ING]... [--prep-less|--prep-equal|--prep-more H:MM] "
               "[--total-less|--total-equal|--total-more H:MM] "
               "[--calories-less|--calories-equal|--calories-more N] "
               "[--cost-less|--cost-equal|--cost-more X] [--difficulty easy|medium|hard] "
               "[--in-category CAT]... [--not-in-category CAT]... [--steps]",
               "find the recipes that meet every criterion (written to KWTMPRES)", RunSearch);

}  // namespace kwtool

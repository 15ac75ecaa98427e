// The program's relations between tables, as warnings.
#include "check_relations.h"

#include <set>

#include "app/core/schema.h"
#include "platform/text_encoding.h"

namespace kwtool {
namespace {

using namespace kw::schema;

// A name as the indexes compare it: A-Z case ignored.
std::string Folded(const std::string &text) {
    std::string out = text;
    for (char &c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string PairKey(const std::string &category, const std::string &name) {
    return Folded(category) + '\0' + Folded(name);
}

std::string Quoted(const std::string &cp1252) {
    return "\"" + kw::platform::Cp1252ToUtf8(cp1252) + "\"";
}

std::string RecipeText(const std::string &name, const std::string &category) {
    return "recipe " + Quoted(name) + " [" + kw::platform::Cp1252ToUtf8(category) + "]";
}

std::string Count(size_t n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Rows of a table (fields as RelationFields lists them), or null when it was not read.
const std::vector<std::vector<std::string>> *Rows(const std::map<std::string, TableRows> &rows,
                                                  const char *table) {
    auto it = rows.find(table);
    return it == rows.end() ? nullptr : &it->second.rows;
}

std::set<std::string> Names(const std::vector<std::vector<std::string>> &rows, size_t field) {
    std::set<std::string> names;
    for (const auto &row : rows)
        names.insert(Folded(row[field]));
    return names;
}

// Groups rows whose key is missing from present: one warning per missing key, with its count.
template <typename KeyOf, typename Describe>
void WarnMissing(const std::vector<std::vector<std::string>> &rows,
                 const std::set<std::string> &present, KeyOf keyOf, Describe describe,
                 const char *place, Findings &findings) {
    std::map<std::string, std::pair<size_t, const std::vector<std::string> *>> missing;
    for (const auto &row : rows) {
        const std::string key = keyOf(row);
        if (present.count(key)) continue;
        auto &entry = missing[key];
        if (entry.first++ == 0) entry.second = &row;
    }
    for (const auto &[key, entry] : missing)
        findings.Warning(place, describe(*entry.second, entry.first));
}

}  // namespace

const std::map<std::string, std::vector<std::string>> &RelationFields() {
    static const std::map<std::string, std::vector<std::string>> fields = {
        {kTableRecipe, {kFieldName, kFieldCategory}},
        {kTableRecipeIngredient, {kFieldName, kFieldCategory}},
        {kTableCategory, {kFieldName}},
        {kTableRecipeCategory, {kFieldName, kFieldCategory, kFieldOtherCategory}},
        {kTableMeal, {kFieldName}},
        {kTableMealItem, {kFieldName, kFieldRecipe, kFieldCategory}},
        {kTableList, {kFieldName}},
        {kTableListItem, {kFieldName}},
    };
    return fields;
}

void CheckRelations(const std::map<std::string, TableRows> &rows, Findings &findings) {
    const auto *recipes = Rows(rows, kTableRecipe);          // NAME, CATEGORY
    const auto *lines = Rows(rows, kTableRecipeIngredient);  // NAME, CATEGORY
    const auto *categories = Rows(rows, kTableCategory);     // NAME
    const auto *links = Rows(rows, kTableRecipeCategory);    // NAME, CATEGORY, OTHERCAT
    const auto *meals = Rows(rows, kTableMeal);              // NAME
    const auto *mealItems = Rows(rows, kTableMealItem);      // NAME, RECIPE, CATEGORY
    const auto *lists = Rows(rows, kTableList);              // NAME
    const auto *listItems = Rows(rows, kTableListItem);      // NAME

    std::set<std::string> recipeKeys;
    if (recipes)
        for (const auto &row : *recipes)
            recipeKeys.insert(PairKey(row[1], row[0]));

    if (recipes && lines)
        WarnMissing(
            *lines, recipeKeys, [](const auto &row) { return PairKey(row[1], row[0]); },
            [](const auto &row, size_t n) {
                return Count(n, "ingredient line", "ingredient lines") + " of " +
                       RecipeText(row[0], row[1]) + ", which does not exist";
            },
            kTableRecipeIngredient, findings);

    if (recipes && links) {
        std::set<std::string> selfLinks;
        for (const auto &row : *links)
            if (Folded(row[1]) == Folded(row[2])) selfLinks.insert(PairKey(row[1], row[0]));
        WarnMissing(
            *recipes, selfLinks, [](const auto &row) { return PairKey(row[1], row[0]); },
            [](const auto &row, size_t) {
                return RecipeText(row[0], row[1]) + " has no link to its own category";
            },
            kTableRecipeCategory, findings);
        WarnMissing(
            *links, recipeKeys, [](const auto &row) { return PairKey(row[1], row[0]); },
            [](const auto &row, size_t n) {
                return Count(n, "category link", "category links") + " of " +
                       RecipeText(row[0], row[1]) + ", which does not exist";
            },
            kTableRecipeCategory, findings);
    }

    if (categories) {
        const std::set<std::string> known = Names(*categories, 0);
        auto describe = [](const char *user, const char *users) {
            return [user, users](const auto &row, size_t n) {
                return "category " + Quoted(row.back()) + " (used by " + Count(n, user, users) +
                       ") is not in the category list";
            };
        };
        if (recipes) {
            std::vector<std::vector<std::string>> used;
            for (const auto &row : *recipes)
                used.push_back({row[1]});
            WarnMissing(
                used, known, [](const auto &row) { return Folded(row[0]); },
                describe("recipe", "recipes"), kTableCategory, findings);
        }
        if (links) {
            std::vector<std::vector<std::string>> used;
            for (const auto &row : *links)
                used.push_back({row[2]});
            WarnMissing(
                used, known, [](const auto &row) { return Folded(row[0]); },
                describe("category link", "category links"), kTableCategory, findings);
        }
    }

    if (meals && mealItems)
        WarnMissing(
            *mealItems, Names(*meals, 0), [](const auto &row) { return Folded(row[0]); },
            [](const auto &row, size_t n) {
                return Count(n, "entry", "entries") + " of meal " + Quoted(row[0]) +
                       ", which does not exist";
            },
            kTableMealItem, findings);
    if (recipes && mealItems)
        WarnMissing(
            *mealItems, recipeKeys, [](const auto &row) { return PairKey(row[2], row[1]); },
            [](const auto &row, size_t n) {
                return Count(n, "meal entry holds", "meal entries hold") + " " +
                       RecipeText(row[1], row[2]) + ", which does not exist";
            },
            kTableMealItem, findings);
    if (lists && listItems)
        WarnMissing(
            *listItems, Names(*lists, 0), [](const auto &row) { return Folded(row[0]); },
            [](const auto &row, size_t n) {
                return Count(n, "item", "items") + " of shopping list " + Quoted(row[0]) +
                       ", which does not exist";
            },
            kTableListItem, findings);
}

}  // namespace kwtool

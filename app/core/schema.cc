// The static definitions of the recipe database's tables. Each array is constant-initialised
// (no code runs to build it) and lives for the whole run, as the engine requires.
#include "schema.h"

#include <iterator>

namespace kw::schema {
namespace {

constexpr int32_t kUniqueNoCase = KW_KEY_UNIQUE | KW_KEY_CHAR | KW_KEY_NOCASE;  // 0x111
constexpr int32_t kNoCase = KW_KEY_CHAR | KW_KEY_NOCASE;                        // 0x110
constexpr int32_t kCaseSignificant = KW_KEY_CHAR;                               // 0x010
constexpr int32_t kInteger = KW_KEY_INT;                                        // 0x020

constinit KW_FieldDef recipeFields[] = {
    {"NAME", 'C', 48, 0},     {"CATEGORY", 'C', 32, 0}, {"METHOD", 'C', 4096, 0},
    {"TOTALTIM", 'I', 4, 0},  {"PREPTIME", 'I', 4, 0},  {"NOOFSERV", 'I', 4, 0},
    {"CALORIES", 'I', 4, 0},  {"COST", 'F', 4, 2},      {"DAIRYFRE", 'L', 1, 0},
    {"GLUTENFR", 'L', 1, 0},  {"VEGETARI", 'L', 1, 0},  {"DIFFICUL", 'C', 1, 0},
    {"REFERENC", 'C', 48, 0}, {"UNIQUE", 'U', 4, 0},
};
constinit KW_IndexDef recipeIndexes[] = {
    {0, "CATEGORY+NAME", kUniqueNoCase},
    {1, "CATEGORY", kNoCase},
    {2, "NAME", kNoCase},
    {3, "VEGETARI", kCaseSignificant},
};

constinit KW_FieldDef recipeIngredientFields[] = {
    {"NAME", 'C', 48, 0},     {"CATEGORY", 'C', 32, 0}, {"INGREDIE", 'C', 48, 0},
    {"QUANTITY", 'F', 4, 2},  {"OPTS", 'I', 4, 0},      {"MEASURED", 'I', 4, 0},
    {"PREPARAT", 'C', 48, 0}, {"UNIQUE", 'U', 4, 0},
};
constinit KW_IndexDef recipeIngredientIndexes[] = {
    {0, "CATEGORY+NAME", kNoCase},
    {1, "NAME+CATEGORY+INGREDIE", kUniqueNoCase},
    {2, "INGREDIE", kNoCase},
    {3, "CATEGORY", kNoCase},
};

constinit KW_FieldDef categoryFields[] = {{"NAME", 'C', 32, 0}};
constinit KW_IndexDef categoryIndexes[] = {{0, "NAME", kUniqueNoCase}};

constinit KW_FieldDef ingredientFields[] = {
    {"NAME", 'C', 48, 0},    {"UNITS", 'I', 4, 0},     {"OPTS", 'I', 4, 0},
    {"CALORIES", 'F', 4, 0}, {"COST", 'F', 4, 2},      {"TYPE", 'C', 1, 0},
    {"GLUTEN", 'L', 1, 0},   {"INFORMAT", 'C', 64, 0}, {"UNIQUE", 'U', 4, 0},
};
constinit KW_IndexDef ingredientIndexes[] = {
    {0, "NAME", kUniqueNoCase},
    {1, "NAME(0,1)", kNoCase},
    {2, "NAME(0,2)", kNoCase},
    {3, "NAME(0,3)", kNoCase},
};

constinit KW_FieldDef listFields[] = {{"NAME", 'C', 48, 0}};
constinit KW_IndexDef listIndexes[] = {{0, "NAME", kUniqueNoCase}};

constinit KW_FieldDef listItemFields[] = {
    {"NAME", 'C', 48, 0}, {"INGREDIE", 'C', 48, 0}, {"QUANTITY", 'F', 4, 2},
    {"OPTS", 'I', 4, 0},  {"MEASURED", 'I', 4, 0},  {"UNIQUE", 'U', 4, 0},
};
constinit KW_IndexDef listItemIndexes[] = {
    {0, "NAME", kNoCase},
    {2, "NAME+INGREDIE", kNoCase},
    {3, "NAME+INGREDIE+MEASURED", kUniqueNoCase},
};

constinit KW_FieldDef mealFields[] = {{"NAME", 'C', 48, 0}, {"SERVES", 'I', 4, 0}};
constinit KW_IndexDef mealIndexes[] = {{0, "NAME", kUniqueNoCase}};

constinit KW_FieldDef mealItemFields[] = {
    {"NAME", 'C', 48, 0}, {"RECIPE", 'C', 48, 0}, {"CATEGORY", 'C', 32, 0},
    {"TYPE", 'C', 1, 0},  {"UNIQUE", 'U', 4, 0},
};
constinit KW_IndexDef mealItemIndexes[] = {
    {0, "NAME", kNoCase},
    {1, "NAME+RECIPE+CATEGORY+TYPE", kUniqueNoCase},
};

constinit KW_FieldDef preparationFields[] = {{"PREPARAT", 'C', 48, 0}};
constinit KW_IndexDef preparationIndexes[] = {{0, "PREPARAT", kUniqueNoCase}};

constinit KW_FieldDef recipeCategoryFields[] = {
    {"NAME", 'C', 48, 0},
    {"CATEGORY", 'C', 32, 0},
    {"OTHERCAT", 'C', 32, 0},
    {"UNIQUE", 'U', 4, 0},
};
constinit KW_IndexDef recipeCategoryIndexes[] = {
    {0, "CATEGORY+NAME", kNoCase},
    {1, "CATEGORY+NAME+OTHERCAT", kUniqueNoCase},
    {2, "OTHERCAT", kNoCase},
    {3, "CATEGORY", kNoCase},
};

constinit KW_FieldDef searchResultFields[] = {
    {"NAME", 'C', 48, 0},
    {"CATEGORY", 'C', 32, 0},
    {"HITS", 'I', 4, 0},
    {"UNIQUE", 'U', 4, 0},
};
constinit KW_IndexDef searchResultIndexes[] = {
    {0, "NAME+CATEGORY", kUniqueNoCase},
    {1, "HITS", kInteger},
};

// A table definition over its field and index arrays.
template <size_t N, size_t F, size_t I>
constexpr KW_TableDef Table(const char (&name)[N], KW_FieldDef (&fields)[F],
                            KW_IndexDef (&indexes)[I]) {
    static_assert(N <= sizeof(KW_TableDef::name));
    KW_TableDef def{};
    for (size_t i = 0; i < N; ++i)
        def.name[i] = name[i];
    def.fieldCount = static_cast<int32_t>(F);
    def.fields = fields;
    def.indexCount = static_cast<int32_t>(I);
    def.indexes = indexes;
    return def;
}

constinit KW_TableDef recipeTables[kTableCount] = {
    Table(kTableRecipe, recipeFields, recipeIndexes),
    Table(kTableRecipeIngredient, recipeIngredientFields, recipeIngredientIndexes),
    Table(kTableCategory, categoryFields, categoryIndexes),
    Table(kTableIngredient, ingredientFields, ingredientIndexes),
    Table(kTableList, listFields, listIndexes),
    Table(kTableListItem, listItemFields, listItemIndexes),
    Table(kTableMeal, mealFields, mealIndexes),
    Table(kTableMealItem, mealItemFields, mealItemIndexes),
    Table(kTablePreparation, preparationFields, preparationIndexes),
    Table(kTableRecipeCategory, recipeCategoryFields, recipeCategoryIndexes),
};

constinit KW_TableDef searchResultTable =
    Table(kTableSearchResult, searchResultFields, searchResultIndexes);

}  // namespace

KW_TableDef *RecipeTables() {
    return recipeTables;
}

KW_TableDef *SearchResultTable() {
    return &searchResultTable;
}

std::span<const KW_TableDef> RecipeTableList() {
    return {recipeTables, std::size(recipeTables)};
}

const KW_TableDef *FindTableDefinition(std::string_view name) {
    for (const KW_TableDef &def : recipeTables)
        if (name == def.name) return &def;
    if (name == searchResultTable.name) return &searchResultTable;
    return nullptr;
}

}  // namespace kw::schema

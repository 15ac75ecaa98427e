// KWRECIPE and KWRECING for the engine and for SQLite.
#include "bench_schema.h"

#include <iterator>

namespace kw::bench {
namespace {

KW_FieldDef kRecipeFields[] = {
    {"NAME", 'C', 48, 0},     {"CATEGORY", 'C', 32, 0}, {"METHOD", 'C', 4096, 0},
    {"TOTALTIM", 'I', 4, 0},  {"PREPTIME", 'I', 4, 0},  {"NOOFSERV", 'I', 4, 0},
    {"CALORIES", 'I', 4, 0},  {"COST", 'F', 4, 2},      {"DAIRYFRE", 'L', 1, 0},
    {"GLUTENFR", 'L', 1, 0},  {"VEGETARI", 'L', 1, 0},  {"DIFFICUL", 'C', 1, 0},
    {"REFERENC", 'C', 48, 0}, {"UNIQUE", 'U', 4, 0},
};

KW_IndexDef kRecipeIndexes[] = {
    {0, "CATEGORY+NAME", 0x111},
    {1, "CATEGORY", 0x110},
    {2, "NAME", 0x110},
    {3, "VEGETARI", 0x010},
};

KW_TableDef kRecipeDef = {"KWRECIPE", static_cast<int32_t>(std::size(kRecipeFields)), kRecipeFields,
                          static_cast<int32_t>(std::size(kRecipeIndexes)), kRecipeIndexes};

KW_FieldDef kIngredientFields[] = {
    {"NAME", 'C', 48, 0},     {"CATEGORY", 'C', 32, 0}, {"INGREDIE", 'C', 48, 0},
    {"QUANTITY", 'F', 4, 2},  {"OPTS", 'I', 4, 0},      {"MEASURED", 'I', 4, 0},
    {"PREPARAT", 'C', 48, 0}, {"UNIQUE", 'U', 4, 0},
};

KW_IndexDef kIngredientIndexes[] = {
    {0, "CATEGORY+NAME", 0x110},
    {1, "NAME+CATEGORY+INGREDIE", 0x111},
    {2, "INGREDIE", 0x110},
    {3, "CATEGORY", 0x110},
};

KW_TableDef kIngredientDef = {
    "KWRECING", static_cast<int32_t>(std::size(kIngredientFields)), kIngredientFields,
    static_cast<int32_t>(std::size(kIngredientIndexes)), kIngredientIndexes};

}  // namespace

const BenchTable &RecipeTable() {
    static const BenchTable table{
        "KWRECIPE",
        &kRecipeDef,
        "kwrecipe",
        {"name", "category", "method", "totaltim", "preptime", "noofserv", "calories", "cost",
         "dairyfre", "glutenfr", "vegetari", "difficul", "referenc", "uniq"},
        {"CREATE TABLE kwrecipe(name TEXT COLLATE NOCASE, category TEXT COLLATE NOCASE, "
         "method TEXT, totaltim INTEGER, preptime INTEGER, noofserv INTEGER, calories INTEGER, "
         "cost REAL, dairyfre TEXT, glutenfr TEXT, vegetari TEXT, difficul TEXT, "
         "referenc TEXT, uniq INTEGER PRIMARY KEY)",
         "CREATE UNIQUE INDEX kwrecipe_i00 ON kwrecipe(category COLLATE NOCASE, "
         "name COLLATE NOCASE)",
         "CREATE INDEX kwrecipe_i01 ON kwrecipe(category COLLATE NOCASE)",
         "CREATE INDEX kwrecipe_i02 ON kwrecipe(name COLLATE NOCASE)",
         "CREATE INDEX kwrecipe_i03 ON kwrecipe(vegetari)"},
        0,
        {1, 0},
        0,
        {1, 0},
    };
    return table;
}

const BenchTable &IngredientTable() {
    static const BenchTable table{
        "KWRECING",
        &kIngredientDef,
        "kwrecing",
        {"name", "category", "ingredie", "quantity", "opts", "measured", "preparat", "uniq"},
        {"CREATE TABLE kwrecing(name TEXT COLLATE NOCASE, category TEXT COLLATE NOCASE, "
         "ingredie TEXT COLLATE NOCASE, quantity REAL, opts INTEGER, measured INTEGER, "
         "preparat TEXT, uniq INTEGER PRIMARY KEY)",
         "CREATE INDEX kwrecing_i00 ON kwrecing(category COLLATE NOCASE, name COLLATE NOCASE)",
         "CREATE UNIQUE INDEX kwrecing_i01 ON kwrecing(name COLLATE NOCASE, "
         "category COLLATE NOCASE, ingredie COLLATE NOCASE)",
         "CREATE INDEX kwrecing_i02 ON kwrecing(ingredie COLLATE NOCASE)",
         "CREATE INDEX kwrecing_i03 ON kwrecing(category COLLATE NOCASE)"},
        1,
        {0, 1, 2},
        0,
        {1, 0},
    };
    return table;
}

const BenchTable *FindBenchTable(const std::string &name) {
    for (const BenchTable *table : {&RecipeTable(), &IngredientTable()}) {
        if (name == table->name) return table;
    }
    return nullptr;
}

int SerialField(const BenchTable &table) {
    for (int i = 0; i < table.engine->fieldCount; ++i) {
        if (table.engine->fields[i].type == 'U') return i;
    }
    return -1;
}

}  // namespace kw::bench

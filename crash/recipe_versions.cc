// The harness's recipes written, deleted, listed and checked through the data access classes.
#include "recipe_versions.h"

#include <cstdio>
#include <cstdlib>
#include <set>

#include "app/core/schema.h"
#include "app/data/database.h"
#include "app/data/query.h"
#include "app/data/record.h"

namespace kw::crash {
namespace {

// Index 0 of both tables: CATEGORY+NAME (unique for recipes, non-unique for their lines).
constexpr int32_t kByCategoryAndName = 0;
// More lines than a recipe ever has: a bound for walks over a damaged index.
constexpr int kMaxLines = 64;

std::string MethodOf(const RecipeIdentity &id, int32_t version) {
    const size_t length = 40 + static_cast<size_t>(version) * 37 % 2360;
    std::string method = "Method of " + id.name + " (" + id.category + "), version " +
                         std::to_string(version) + ". ";
    for (int step = 1; method.size() < length; ++step)
        method += "Stir step " + std::to_string(step) + " of v" + std::to_string(version) + ". ";
    method.resize(length);
    return method;
}

int LineCountOf(int32_t version) {
    return 1 + version % 6;
}

std::string IngredientOf(int j, int32_t version) {
    return "Ingredient " + std::to_string(j) + " of v" + std::to_string(version);
}

std::string ReferenceOf(int32_t version) {
    return "v" + std::to_string(version);
}

int32_t VersionOf(const std::string &reference) {
    if (reference.size() < 2 || reference[0] != 'v') return -1;
    int32_t version = 0;
    for (size_t i = 1; i < reference.size(); ++i) {
        if (reference[i] < '0' || reference[i] > '9' || version > 100000000) return -1;
        version = version * 10 + (reference[i] - '0');
    }
    return version;
}

// A record and a query on one table's CATEGORY+NAME index.
struct Cursor {
    CKWRecord record;
    CKWQuery query;
    KWRESULT Open(CKWDatabase &database, const char *table) {
        CKWTable *t = database.FindTable(table);
        if (!t) return KWERR_NOTOPEN;
        if (KWRESULT r = record.Open(t); r != KW_OK) return r;
        return query.SetIndex(&record, kByCategoryAndName);
    }
    // Positions on the first record of the recipe (0 or 1 from an exact search), or gives the
    // search's result.
    KWRESULT Seek(const RecipeIdentity &id) {
        if (KWRESULT r = record.ClearRecord(); r != KW_OK) return r;
        if (KWRESULT r = record.PutString(schema::kFieldCategory, id.category); r != KW_OK)
            return r;
        if (KWRESULT r = record.PutString(schema::kFieldName, id.name); r != KW_OK) return r;
        return query.GetExactFromRecord();
    }
    bool Holds(const RecipeIdentity &id) {
        RecipeIdentity here;
        return record.GetString(schema::kFieldCategory, &here.category) == KW_OK &&
               record.GetString(schema::kFieldName, &here.name) == KW_OK && here == id;
    }
};

KWRESULT DeleteLines(CKWDatabase &database, const RecipeIdentity &id) {
    Cursor lines;
    if (KWRESULT r = lines.Open(database, schema::kTableRecipeIngredient); r != KW_OK) return r;
    for (int n = 0; n < kMaxLines; ++n) {
        const KWRESULT r = lines.Seek(id);
        if (r == KW_END) return KW_OK;
        if (r != KW_OK && r != KW_NOTFOUND) return r;
        if (!lines.Holds(id)) return KW_OK;
        if (KWRESULT d = lines.record.Delete(); d != KW_OK) return d;
    }
    return KWERR_CHAIN;  // more lines than any recipe has: the index is not what was written
}

KWRESULT PutRecipeFields(CKWRecord &record, const RecipeIdentity &id, int32_t version) {
    KWRESULT r = record.PutString(schema::kFieldCategory, id.category);
    if (r == KW_OK) r = record.PutString(schema::kFieldName, id.name);
    if (r == KW_OK) r = record.PutString(schema::kFieldMethod, MethodOf(id, version));
    if (r == KW_OK) r = record.PutInt(schema::kFieldTotalTime, version % 500);
    if (r == KW_OK) r = record.PutInt(schema::kFieldPrepTime, version % 60);
    if (r == KW_OK) r = record.PutInt(schema::kFieldServings, 1 + version % 8);
    if (r == KW_OK) r = record.PutString(schema::kFieldReference, ReferenceOf(version));
    return r;
}

}  // namespace

RecipeIdentity PoolIdentity(int n) {
    char name[48];
    std::snprintf(name, sizeof name, "Crash recipe %03d", n % kPoolSize);
    return {"Category " + std::to_string(n % 4), name};
}

KWRESULT WriteRecipe(CKWDatabase &database, const RecipeIdentity &id, int32_t version) {
    if (KWRESULT r = DeleteLines(database, id); r != KW_OK) return r;
    Cursor lines;
    if (KWRESULT r = lines.Open(database, schema::kTableRecipeIngredient); r != KW_OK) return r;
    for (int j = 0; j < LineCountOf(version); ++j) {
        CKWRecord &line = lines.record;
        KWRESULT r = line.ClearRecord();
        if (r == KW_OK) r = line.PutString(schema::kFieldCategory, id.category);
        if (r == KW_OK) r = line.PutString(schema::kFieldName, id.name);
        if (r == KW_OK) r = line.PutString(schema::kFieldIngredient, IngredientOf(j, version));
        if (r == KW_OK) r = line.PutFloat(schema::kFieldQuantity, static_cast<float>(j) + 0.5f);
        if (r == KW_OK) r = line.Insert();
        if (r != KW_OK) return r;
    }
    Cursor recipe;
    if (KWRESULT r = recipe.Open(database, schema::kTableRecipe); r != KW_OK) return r;
    const KWRESULT found = recipe.Seek(id);
    if (found == KW_OK) {
        if (KWRESULT r = PutRecipeFields(recipe.record, id, version); r != KW_OK) return r;
        return recipe.record.Update();
    }
    if (found != KW_NOTFOUND && found != KW_END && found != KW_START) return found;
    if (KWRESULT r = recipe.record.ClearRecord(); r != KW_OK) return r;
    if (KWRESULT r = PutRecipeFields(recipe.record, id, version); r != KW_OK) return r;
    return recipe.record.Insert();
}

KWRESULT DeleteRecipe(CKWDatabase &database, const RecipeIdentity &id) {
    Cursor recipe;
    if (KWRESULT r = recipe.Open(database, schema::kTableRecipe); r != KW_OK) return r;
    const KWRESULT found = recipe.Seek(id);
    if (found == KW_OK) {
        if (KWRESULT r = recipe.record.Delete(); r != KW_OK) return r;
    } else if (found != KW_NOTFOUND && found != KW_END && found != KW_START) {
        return found;
    }
    return DeleteLines(database, id);
}

KWRESULT ListRecipes(CKWDatabase &database, std::map<RecipeIdentity, int32_t> *recipes) {
    recipes->clear();
    Cursor recipe;
    if (KWRESULT r = recipe.Open(database, schema::kTableRecipe); r != KW_OK) return r;
    KWRESULT r = recipe.query.GetFirst();
    for (int n = 0; r == KW_OK; ++n) {
        if (n > 100000) return KWERR_CHAIN;
        RecipeIdentity id;
        std::string reference;
        if ((r = recipe.record.GetString(schema::kFieldCategory, &id.category)) != KW_OK ||
            (r = recipe.record.GetString(schema::kFieldName, &id.name)) != KW_OK ||
            (r = recipe.record.GetString(schema::kFieldReference, &reference)) != KW_OK)
            return r;
        (*recipes)[id] = VersionOf(reference);
        r = recipe.query.GetNext();
    }
    return r == KW_END ? KW_OK : r;
}

std::vector<std::string> CheckRecipe(CKWDatabase &database, const RecipeIdentity &id,
                                     int32_t version, bool anyVersion) {
    std::vector<std::string> faults;
    const std::string who = id.category + "/" + id.name + ": ";
    Cursor recipe;
    if (recipe.Open(database, schema::kTableRecipe) != KW_OK || recipe.Seek(id) != KW_OK) {
        faults.push_back(who + "missing");
        return faults;
    }
    std::string reference, method;
    int32_t total = -1, prep = -1, servings = -1;
    CKWRecord &r = recipe.record;
    if (r.GetString(schema::kFieldReference, &reference) != KW_OK ||
        r.GetString(schema::kFieldMethod, &method) != KW_OK ||
        r.GetInt(schema::kFieldTotalTime, &total) != KW_OK ||
        r.GetInt(schema::kFieldPrepTime, &prep) != KW_OK ||
        r.GetInt(schema::kFieldServings, &servings) != KW_OK) {
        faults.push_back(who + "record unreadable");
        return faults;
    }
    if (anyVersion) version = VersionOf(reference);
    if (version < 0 || reference != ReferenceOf(version)) {
        faults.push_back(who + "reference \"" + reference + "\", expected v" +
                         std::to_string(version));
        return faults;
    }
    if (method != MethodOf(id, version) || total != version % 500 || prep != version % 60 ||
        servings != 1 + version % 8)
        faults.push_back(who + "recipe record of v" + std::to_string(version) + " damaged");
    if (anyVersion) return faults;

    std::set<std::string> expected, found;
    for (int j = 0; j < LineCountOf(version); ++j)
        expected.insert(IngredientOf(j, version));
    Cursor lines;
    KWRESULT at = lines.Open(database, schema::kTableRecipeIngredient);
    if (at == KW_OK) at = lines.Seek(id);
    for (int n = 0; (at == KW_OK || at == KW_NOTFOUND) && lines.Holds(id); ++n) {
        std::string ingredient;
        float quantity = -1;
        if (n > kMaxLines ||
            lines.record.GetString(schema::kFieldIngredient, &ingredient) != KW_OK ||
            lines.record.GetFloat(schema::kFieldQuantity, &quantity) != KW_OK) {
            faults.push_back(who + "ingredient lines unreadable");
            return faults;
        }
        if (!found.insert(ingredient).second) faults.push_back(who + "line twice: " + ingredient);
        const std::string number = ingredient.substr(ingredient.find(' ') + 1);
        if (expected.count(ingredient) &&
            quantity != static_cast<float>(std::atoi(number.c_str())) + 0.5f)
            faults.push_back(who + "quantity of " + ingredient + " damaged");
        at = lines.query.GetNext();
    }
    if (at != KW_OK && at != KW_NOTFOUND && at != KW_END)
        faults.push_back(who + "ingredient lines not walkable: " + std::to_string(at));
    if (found != expected)
        faults.push_back(who + "ingredient lines are not those of v" + std::to_string(version) +
                         " (" + std::to_string(found.size()) + " found)");
    return faults;
}

}  // namespace kw::crash

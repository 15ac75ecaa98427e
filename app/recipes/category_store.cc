// Recipe categories in the database (see category_store.h).
#include "app/recipes/category_store.h"

#include <algorithm>
#include <set>
#include <utility>

#include "app/core/schema.h"
#include "app/recipes/name_compare.h"

namespace kw::recipedb {

using namespace schema;

namespace {

std::string CategoryKey(std::string_view c) {
    return TextKey({{c, kCategoryWidth}});
}

RecordCursor::Match FieldIs(const char *field, std::string_view value) {
    return [field, value](RecordCursor &c) { return EqualsIgnoringCase(c.Text(field), value); };
}

// Records of TABLE whose FIELD holds category C, found through the category-keyed INDEX.
int CountFiledUnder(CKWDatabase &database, const char *table, int32_t index, const char *field,
                    std::string_view c) {
    RecordCursor cursor;
    int count = 0;
    if (cursor.Open(database, table, index) == KW_OK)
        cursor.Count(CategoryKey(c), FieldIs(field, c), &count);
    return count;
}

// The order of the title index: A-Z compare as upper case.
std::string IndexOrder(std::string_view text) {
    std::string key(text);
    for (char &c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return key;
}

}  // namespace

std::vector<std::string> CategoryNames(CKWDatabase &database) {
    std::vector<std::string> names;
    RecordCursor cursor;
    if (cursor.Open(database, kTableCategory, kCategoryByName) != KW_OK) return names;
    for (KWRESULT r = cursor.Query().GetFirst(); r == KW_OK; r = cursor.Query().GetNext())
        names.push_back(cursor.Text(kFieldName));
    return names;
}

KWRESULT InsertCategory(CKWDatabase &database, std::string_view name) {
    CKWRecord record;
    if (KWRESULT r = record.OpenByName(&database, kTableCategory)) return r;
    if (KWRESULT r = record.ClearRecord()) return r;
    if (KWRESULT r = record.PutString(kFieldName, name)) return r;
    return record.Insert();
}

KWRESULT RenameCategoryRecord(CKWDatabase &database, std::string_view from, std::string_view to) {
    RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database, kTableCategory, kCategoryByName)) return r;
    if (KWRESULT r = cursor.Find(CategoryKey(from))) return r;
    if (KWRESULT r = cursor.Record().PutString(kFieldName, to)) return r;
    return cursor.Record().Update();
}

KWRESULT DeleteCategoryRecord(CKWDatabase &database, std::string_view name) {
    RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database, kTableCategory, kCategoryByName)) return r;
    if (KWRESULT r = cursor.Find(CategoryKey(name))) return r;
    return cursor.Record().Delete();
}

int CountRecipesOfCategory(CKWDatabase &database, std::string_view c) {
    return CountFiledUnder(database, kTableRecipe, kRecipeByCategory, kFieldCategory, c);
}

int CountLinksToCategory(CKWDatabase &database, std::string_view c) {
    return CountFiledUnder(database, kTableRecipeCategory, kRecipeCategoryByOther,
                           kFieldOtherCategory, c);
}

std::vector<RecipeId> AllRecipes(CKWDatabase &database) {
    std::vector<RecipeId> recipes;
    RecordCursor cursor;
    if (cursor.Open(database, kTableRecipe, kRecipeByName) != KW_OK) return recipes;
    for (KWRESULT r = cursor.Query().GetFirst(); r == KW_OK; r = cursor.Query().GetNext())
        recipes.push_back({cursor.Text(kFieldName), cursor.Text(kFieldCategory)});
    return recipes;
}

std::vector<RecipeId> RecipesFiledUnder(CKWDatabase &database, std::string_view c) {
    std::vector<RecipeId> recipes;
    const auto visit = [&](RecordCursor &cursor) {
        recipes.push_back({cursor.Text(kFieldName), cursor.Text(kFieldCategory)});
    };
    {
        RecordCursor cursor;
        if (cursor.Open(database, kTableRecipe, kRecipeByCategory) == KW_OK)
            cursor.ForEach(CategoryKey(c), FieldIs(kFieldCategory, c), visit);
    }
    std::vector<RecipeId> linked;
    {
        RecordCursor cursor;
        if (cursor.Open(database, kTableRecipeCategory, kRecipeCategoryByOther) == KW_OK)
            cursor.ForEach(CategoryKey(c), FieldIs(kFieldOtherCategory, c),
                           [&](RecordCursor &link) {
                               linked.push_back({link.Text(kFieldName), link.Text(kFieldCategory)});
                           });
    }
    // Each recipe once: the index spelling of (title, category) tells them apart.
    std::set<std::pair<std::string, std::string>> listed;
    for (const RecipeId &id : recipes)
        listed.emplace(IndexOrder(id.name), IndexOrder(id.category));
    for (RecipeId &id : linked) {
        // A link left behind by a recipe that is gone names nothing to open.
        if (listed.emplace(IndexOrder(id.name), IndexOrder(id.category)).second &&
            RecipeExists(database, id))
            recipes.push_back(std::move(id));
    }
    std::stable_sort(recipes.begin(), recipes.end(), [](const RecipeId &a, const RecipeId &b) {
        const std::string an = IndexOrder(a.name), bn = IndexOrder(b.name);
        return an != bn ? an < bn : IndexOrder(a.category) < IndexOrder(b.category);
    });
    return recipes;
}

RecategorizeResult RecategorizeRecipes(CKWDatabase &database, std::string_view from,
                                       std::string_view to) {
    RecategorizeResult result;
    std::vector<std::string> &left = result.left_behind;
    // The titles left behind in index spelling, for a look-up per record walked.
    std::set<std::string> leftTitles;
    const auto isLeft = [&leftTitles](std::string_view title) {
        return leftTitles.count(IndexOrder(title)) > 0;
    };
    const auto leave = [&](std::string title) {
        leftTitles.insert(IndexOrder(title));
        left.push_back(std::move(title));
    };
    // A change of letter case only moves nothing onto another recipe.
    if (!EqualsIgnoringCase(from, to)) {
        std::vector<std::string> titles;
        {
            RecordCursor cursor;
            if ((result.result = cursor.Open(database, kTableRecipe, kRecipeByCategory)))
                return result;
            cursor.ForEach(CategoryKey(from), FieldIs(kFieldCategory, from),
                           [&](RecordCursor &c) { titles.push_back(c.Text(kFieldName)); });
        }
        for (const std::string &title : titles)
            if (RecipeExists(database, {title, std::string(to)})) leave(title);
    }

    struct Walk {
        const char *table;
        int32_t index;
        const char *field;
        bool recipes;            // KWRECIPE: a refused title leaves the recipe behind
        bool deleteOnDuplicate;  // KWRCPCAT: the recipe already has the link under the new name
    };
    const Walk walks[] = {
        {kTableRecipe, kRecipeByCategory, kFieldCategory, true, false},
        {kTableRecipeIngredient, kRecipeIngredientByCategory, kFieldCategory, false, false},
        {kTableRecipeCategory, kRecipeCategoryByCategory, kFieldCategory, false, true},
        {kTableRecipeCategory, kRecipeCategoryByOther, kFieldOtherCategory, false, true},
    };
    for (const Walk &walk : walks) {
        RecordCursor cursor;
        if ((result.result = cursor.Open(database, walk.table, walk.index))) return result;
        result.result =
            cursor.Rewrite(CategoryKey(from), FieldIs(walk.field, from), [&](RecordCursor &c) {
                const std::string title = c.Text(kFieldName);
                // What belongs to a recipe that stays, stays with it.
                if (isLeft(title) && EqualsIgnoringCase(c.Text(kFieldCategory), from))
                    return RecordCursor::kPassedOver;
                CKWRecord &record = c.Record();
                if (KWRESULT r = record.PutString(walk.field, to.substr(0, kCategoryWidth)))
                    return r;
                KWRESULT r = record.Update();
                if (r != BTERR_DUPLICATE) return r;
                // The engine left the record and its index entries as they were.
                if (walk.deleteOnDuplicate) return record.Delete();
                if (walk.recipes) leave(title);
                return RecordCursor::kLeft;
            });
        if (result.result) return result;
    }
    return result;
}

KWRESULT DeleteCategoryContents(CKWDatabase &database, std::string_view c) {
    struct Walk {
        const char *table;
        int32_t index;
        const char *field;
    };
    const Walk walks[] = {
        {kTableRecipe, kRecipeByCategory, kFieldCategory},
        {kTableRecipeIngredient, kRecipeIngredientByCategory, kFieldCategory},
        {kTableRecipeCategory, kRecipeCategoryByCategory, kFieldCategory},
        {kTableRecipeCategory, kRecipeCategoryByOther, kFieldOtherCategory},
    };
    for (const Walk &walk : walks) {
        RecordCursor cursor;
        if (KWRESULT r = cursor.Open(database, walk.table, walk.index)) return r;
        if (KWRESULT r = cursor.DeleteAll(CategoryKey(c), FieldIs(walk.field, c))) return r;
    }
    return KW_OK;
}

}  // namespace kw::recipedb

// A recipe's record, lines and links in the database (see recipe_record.h).
#include "app/recipes/recipe_record.h"

#include "app/core/schema.h"
#include "app/recipes/name_compare.h"

namespace kw {

using namespace schema;

namespace recipedb {

const std::vector<DifficultyChoice> &DifficultyChoices() {
    static const std::vector<DifficultyChoice> choices = {
        {'A', "Easy"}, {'B', "Medium"}, {'C', "Hard"}};
    return choices;
}

const char *DifficultyText(char code) {
    for (const auto &choice : DifficultyChoices())
        if (choice.code == code) return choice.text;
    return "";
}

namespace {

std::string_view Cut(std::string_view text, int32_t width) {
    return text.substr(0, static_cast<size_t>(width));
}

KWRESULT FirstFailure(std::initializer_list<KWRESULT> results) {
    for (KWRESULT r : results)
        if (r != KW_OK) return r;
    return KW_OK;
}

// The current line or link belongs to the recipe.
RecordCursor::Match OfRecipe(const RecipeId &id) {
    return [&id](RecordCursor &c) {
        return EqualsIgnoringCase(c.Text(kFieldName), id.name) &&
               EqualsIgnoringCase(c.Text(kFieldCategory), id.category);
    };
}

}  // namespace

RecipeRecord ReadRecipe(RecordCursor &cursor) {
    RecipeRecord recipe;
    recipe.name = cursor.Text(kFieldName);
    recipe.category = cursor.Text(kFieldCategory);
    recipe.method = cursor.Text(kFieldMethod);
    recipe.total_time = cursor.Int(kFieldTotalTime);
    recipe.prep_time = cursor.Int(kFieldPrepTime);
    recipe.servings = cursor.Int(kFieldServings);
    recipe.calories = cursor.Int(kFieldCalories, -1);
    recipe.cost = cursor.Float(kFieldCost, -1.0f);
    recipe.dairy_free = cursor.Int(kFieldDairyFree) != 0;
    recipe.gluten_free = cursor.Int(kFieldGlutenFree) != 0;
    recipe.vegetarian = cursor.Int(kFieldVegetarian) != 0;
    std::string difficulty = cursor.Text(kFieldDifficulty);
    recipe.difficulty = difficulty.empty() ? '\0' : difficulty[0];
    recipe.reference = cursor.Text(kFieldReference);
    return recipe;
}

KWRESULT PutRecipe(CKWRecord &record, const RecipeRecord &recipe) {
    const std::string difficulty =
        recipe.difficulty ? std::string(1, recipe.difficulty) : std::string();
    return FirstFailure({
        record.PutString(kFieldName, Cut(recipe.name, kTitleWidth)),
        record.PutString(kFieldCategory, Cut(recipe.category, kCategoryWidth)),
        record.PutString(kFieldMethod, Cut(recipe.method, kMethodWidth)),
        record.PutInt(kFieldTotalTime, recipe.total_time),
        record.PutInt(kFieldPrepTime, recipe.prep_time),
        record.PutInt(kFieldServings, recipe.servings),
        record.PutInt(kFieldCalories, recipe.calories),
        record.PutFloat(kFieldCost, recipe.cost),
        record.PutInt(kFieldDairyFree, recipe.dairy_free),
        record.PutInt(kFieldGlutenFree, recipe.gluten_free),
        record.PutInt(kFieldVegetarian, recipe.vegetarian),
        record.PutString(kFieldDifficulty, difficulty),
        record.PutString(kFieldReference, Cut(recipe.reference, kReferenceWidth)),
    });
}

KWRESULT FindRecipe(CKWDatabase &database, const RecipeId &id, RecipeRecord *recipe) {
    RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database, kTableRecipe, kRecipeByCategoryName)) return r;
    if (KWRESULT r = cursor.Find(RecipeKey(id.category, id.name))) return r;
    if (recipe) *recipe = ReadRecipe(cursor);
    return KW_OK;
}

bool RecipeExists(CKWDatabase &database, const RecipeId &id) {
    return FindRecipe(database, id, nullptr) == KW_OK;
}

KWRESULT ReadRecipeLines(CKWDatabase &database, const RecipeId &id,
                         std::vector<RecipeLine> *lines) {
    lines->clear();
    RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database, kTableRecipeIngredient, kRecipeIngredientByRecipe))
        return r;
    return cursor.ForEach(RecipeKey(id.category, id.name), OfRecipe(id), [&](RecordCursor &c) {
        RecipeLine line;
        line.ingredient = c.Text(kFieldIngredient);
        line.line.quantity = c.Float(kFieldQuantity);
        line.line.opts = c.Int(kFieldOpts, kUnspecifiedChoice);
        // A kind that cannot be read stands for the ingredient's own.
        line.line.measured = c.Int(kFieldMeasured, kOwnMeasureKind);
        line.line.preparation = c.Text(kFieldPreparation);
        lines->push_back(std::move(line));
    });
}

KWRESULT InsertRecipeLine(CKWRecord &lines, const RecipeId &id, const RecipeLine &line) {
    if (KWRESULT r = lines.ClearRecord()) return r;
    if (KWRESULT r = FirstFailure({
            lines.PutString(kFieldName, Cut(id.name, kTitleWidth)),
            lines.PutString(kFieldCategory, Cut(id.category, kCategoryWidth)),
            lines.PutString(kFieldIngredient, Cut(line.ingredient, kTitleWidth)),
            lines.PutFloat(kFieldQuantity, line.line.quantity),
            lines.PutInt(kFieldOpts, line.line.opts),
            lines.PutInt(kFieldMeasured, line.line.measured),
            lines.PutString(kFieldPreparation, Cut(line.line.preparation, kPreparationWidth)),
        }))
        return r;
    return lines.Insert();
}

KWRESULT DeleteRecipeLines(CKWDatabase &database, const RecipeId &id) {
    RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database, kTableRecipeIngredient, kRecipeIngredientByRecipe))
        return r;
    return cursor.DeleteAll(RecipeKey(id.category, id.name), OfRecipe(id));
}

KWRESULT ReadRecipeLinks(CKWDatabase &database, const RecipeId &id,
                         std::vector<std::string> *categories) {
    categories->clear();
    RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database, kTableRecipeCategory, kRecipeCategoryByRecipe)) return r;
    return cursor.ForEach(RecipeKey(id.category, id.name), OfRecipe(id), [&](RecordCursor &c) {
        categories->push_back(c.Text(kFieldOtherCategory));
    });
}

KWRESULT InsertRecipeLink(CKWDatabase &database, const RecipeId &id, std::string_view other) {
    CKWRecord record;
    if (KWRESULT r = record.OpenByName(&database, kTableRecipeCategory)) return r;
    if (KWRESULT r = record.ClearRecord()) return r;
    if (KWRESULT r = FirstFailure({
            record.PutString(kFieldName, Cut(id.name, kTitleWidth)),
            record.PutString(kFieldCategory, Cut(id.category, kCategoryWidth)),
            record.PutString(kFieldOtherCategory, Cut(other, kCategoryWidth)),
        }))
        return r;
    return record.Insert();
}

KWRESULT DeleteRecipeLink(CKWDatabase &database, const RecipeId &id, std::string_view other) {
    RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database, kTableRecipeCategory, kRecipeCategoryByRecipe)) return r;
    const auto ofRecipe = OfRecipe(id);
    return cursor.Rewrite(RecipeKey(id.category, id.name), ofRecipe, [&](RecordCursor &c) {
        return EqualsIgnoringCase(c.Text(kFieldOtherCategory), other) ? c.Record().Delete()
                                                                      : RecordCursor::kLeft;
    });
}

KWRESULT DeleteRecipeLinks(CKWDatabase &database, const RecipeId &id) {
    RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database, kTableRecipeCategory, kRecipeCategoryByRecipe)) return r;
    return cursor.DeleteAll(RecipeKey(id.category, id.name), OfRecipe(id));
}

KWRESULT MoveRecipeLines(CKWDatabase &database, const RecipeId &from, const RecipeId &to) {
    RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database, kTableRecipeIngredient, kRecipeIngredientByRecipe))
        return r;
    return cursor.Rewrite(
        RecipeKey(from.category, from.name), OfRecipe(from), [&](RecordCursor &c) {
            CKWRecord &line = c.Record();
            if (KWRESULT r = FirstFailure({
                    line.PutString(kFieldName, Cut(to.name, kTitleWidth)),
                    line.PutString(kFieldCategory, Cut(to.category, kCategoryWidth)),
                }))
                return r;
            KWRESULT r = line.Update();
            return r == BTERR_DUPLICATE ? RecordCursor::kLeft : r;
        });
}

KWRESULT MoveRecipeLinks(CKWDatabase &database, const RecipeId &from, const RecipeId &to) {
    const bool categoryChanged = !EqualsIgnoringCase(from.category, to.category);
    {
        RecordCursor cursor;
        if (KWRESULT r = cursor.Open(database, kTableRecipeCategory, kRecipeCategoryByRecipe))
            return r;
        KWRESULT r = cursor.Rewrite(
            RecipeKey(from.category, from.name), OfRecipe(from), [&](RecordCursor &c) {
                CKWRecord &link = c.Record();
                const bool selfLink =
                    EqualsIgnoringCase(c.Text(kFieldOtherCategory), from.category);
                if (selfLink && categoryChanged) return link.Delete();
                if (KWRESULT put = FirstFailure({
                        link.PutString(kFieldName, Cut(to.name, kTitleWidth)),
                        link.PutString(kFieldCategory, Cut(to.category, kCategoryWidth)),
                        selfLink
                            ? link.PutString(kFieldOtherCategory, Cut(to.category, kCategoryWidth))
                            : KW_OK,
                    }))
                    return put;
                KWRESULT updated = link.Update();
                // The new pair is already filed there: the old link is one too many.
                return updated == BTERR_DUPLICATE ? link.Delete() : updated;
            });
        if (r != KW_OK) return r;
    }
    if (!categoryChanged) return KW_OK;
    KWRESULT r = InsertRecipeLink(database, to, to.category);
    return r == BTERR_DUPLICATE ? KW_OK : r;
}

}  // namespace recipedb
}  // namespace kw

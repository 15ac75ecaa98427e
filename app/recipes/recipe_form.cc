// The recipe form's model (see recipe_form.h).
#include "app/recipes/recipe_form.h"

#include "app/core/schema.h"
#include "app/data/record.h"
#include "app/recipes/category_store.h"
#include "app/recipes/nutrition.h"
#include "app/recipes/recipe_time.h"

namespace kw {

using namespace schema;

namespace {

constexpr int kSaveCheckFailed = 1;

RecipeMembers MembersOf(const recipedb::RecipeRecord &record) {
    RecipeMembers m;
    m.diet.dairy_free = record.dairy_free;
    m.diet.gluten_free = record.gluten_free;
    m.diet.vegetarian = record.vegetarian;
    m.method = record.method;
    m.reference = record.reference;
    m.servings = record.servings;
    m.prep_time = FormatRecipeTime(record.prep_time);
    m.total_time = FormatRecipeTime(record.total_time);
    m.calories = record.calories;
    m.calories_unknown = record.calories < 0;
    m.cost_unknown = record.cost < 0.0f;
    m.cost_text = FormatCost(m.cost_unknown ? 0.0f : record.cost);
    m.difficulty = record.difficulty;
    return m;
}

}  // namespace

recipedb::RecipeId RecipeForm::SplitIdentifier(std::string_view identifier) {
    const size_t caret = identifier.find('^');
    if (caret == std::string_view::npos) return {std::string(identifier), ""};
    return {std::string(identifier.substr(0, caret)), std::string(identifier.substr(caret + 1))};
}

std::string RecipeForm::Key() const {
    return recipedb::RecipeKey(id_.category, id_.name);
}

KWRESULT RecipeForm::Open(std::string_view identifier, bool is_new, const UnitContext &context) {
    id_ = SplitIdentifier(identifier);
    members_ = RecipeMembers();
    grid_ = IngredientGrid();
    new_ = is_new;
    modified_ = false;
    if (!is_new) {
        recipedb::RecipeRecord record;
        if (KWRESULT r = recipedb::FindRecipe(database_, id_, &record)) return r;
        id_ = {record.name, record.category};
        members_ = MembersOf(record);
    }
    std::vector<recipedb::RecipeLine> lines;
    if (KWRESULT r = recipedb::ReadRecipeLines(database_, id_, &lines)) return r;
    for (const recipedb::RecipeLine &line : lines) {
        IngredientLineText text = FormatIngredientLine(context, line.line, line.ingredient, false);
        grid_.AppendLine({text.quantity, text.unit, line.ingredient, text.preparation});
    }
    grid_.AppendLine({});  // the row for typing the next line
    return KW_OK;
}

void RecipeForm::SetCaloriesUnknown(bool unknown) {
    members_.calories_unknown = unknown;
    members_.calories = unknown ? -1 : 0;
    modified_ = true;
}

void RecipeForm::SetCostUnknown(bool unknown) {
    members_.cost_unknown = unknown;
    members_.cost_text = unknown ? FormatCost(-1.0) : FormatCost(0.0);
    modified_ = true;
}

void RecipeForm::CostEditLostFocus() {
    members_.cost_text = FormatCost(ParseCost(members_.cost_text));
}

void RecipeForm::CalculateCalories(const UnitContext &context) {
    const int before = members_.calories_unknown ? -1 : members_.calories;
    CalorieResult result = kw::CalculateCalories(grid_, members_.servings, before, context);
    members_.calories = result.calories;
    members_.calories_unknown = result.unknown;
    if (result.modified) modified_ = true;
}

void RecipeForm::CalculateCost(const UnitContext &context) {
    const float before = members_.cost_unknown ? -1.0f : ParseCost(members_.cost_text);
    CostResult result = kw::CalculateCost(grid_, members_.servings, before, context);
    members_.cost_unknown = result.unknown;
    members_.cost_text = result.unknown ? FormatCost(-1.0) : result.text;
    if (result.modified) modified_ = true;
}

KWRESULT RecipeForm::Save(const UnitContext &context) {
    MessageSink &sink = context.sink;
    // A new recipe under a taken name and category would delete that recipe's lines below.
    if (new_ && recipedb::RecipeExists(database_, id_)) {
        sink.Say(400, {}, Icon::kExclamation);
        return BTERR_DUPLICATE;
    }
    KWRESULT status = KW_OK;
    const bool linesChanged = grid_.IngredientsChanged() || grid_.Modified();
    if (linesChanged) {
        if (KWRESULT r = recipedb::DeleteRecipeLines(database_, id_)) status = r;
    }
    // The self-link; when it exists already the refused insert changes nothing.
    recipedb::InsertRecipeLink(database_, id_, id_.category);

    int32_t prep = ParseRecipeTime(members_.prep_time);
    int32_t total = ParseRecipeTime(members_.total_time);
    if (prep > total) {
        sink.Say(502, {}, Icon::kExclamation);
        status = kSaveCheckFailed;
        prep = total;
    }
    if (prep > kMaxPrepMinutes) {
        sink.Say(500, {}, Icon::kExclamation);
        status = kSaveCheckFailed;
        prep = 0;
    }
    if (total > kMaxTotalMinutes) {
        sink.Say(501, {}, Icon::kExclamation);
        status = kSaveCheckFailed;
        total = 0;
    }

    if (linesChanged) {
        CKWRecord lines;
        KWRESULT opened = lines.OpenByName(&database_, kTableRecipeIngredient);
        if (opened != KW_OK) status = opened;
        for (const LineToSave &row : grid_.PrepareSave(context)) {
            if (row.empty) continue;
            if (!row.writable) {
                sink.Say(507, {}, Icon::kExclamation);
                status = kSaveCheckFailed;
                continue;
            }
            if (opened != KW_OK) continue;
            if (KWRESULT r = recipedb::InsertRecipeLine(lines, id_, {row.name, row.line}))
                status = r;
        }
        if (status == KW_OK) grid_.SetModified(false);
    }

    members_.prep_time = FormatRecipeTime(prep);
    members_.total_time = FormatRecipeTime(total);

    recipedb::RecipeRecord record;
    record.name = id_.name;
    record.category = id_.category;
    record.method = members_.method;
    record.total_time = total;
    record.prep_time = prep;
    record.servings = members_.servings;
    record.calories = members_.calories_unknown ? -1 : members_.calories;
    record.cost = members_.cost_unknown ? -1.0f : ParseCost(members_.cost_text);
    record.dairy_free = members_.diet.dairy_free;
    record.gluten_free = members_.diet.gluten_free;
    record.vegetarian = members_.diet.vegetarian;
    record.difficulty = members_.difficulty;
    record.reference = members_.reference;

    KWRESULT written = KW_OK;
    {
        recipedb::RecordCursor cursor;
        written = cursor.Open(database_, kTableRecipe, kRecipeByCategoryName);
        if (written == KW_OK && !new_) written = cursor.Find(Key());
        if (written == KW_OK) written = recipedb::PutRecipe(cursor.Record(), record);
        if (written == KW_OK) written = new_ ? cursor.Record().Insert() : cursor.Record().Update();
    }
    if (written == KW_OK) new_ = false;

    const KWRESULT result = status | written;
    if (result == KW_OK) {
        modified_ = false;
        grid_.SetModified(false);
        grid_.SetIngredientsChanged(false);
    } else {
        sink.Say(result == BTERR_DUPLICATE ? 508 : 400, {}, Icon::kExclamation);
    }
    return result;
}

KWRESULT RecipeForm::Delete() {
    KWRESULT result = KW_OK;
    if (!new_) {
        result = recipedb::DeleteRecipeLines(database_, id_);
        recipedb::RecordCursor cursor;
        KWRESULT r = cursor.Open(database_, kTableRecipe, kRecipeByCategoryName);
        if (r == KW_OK) r = cursor.Find(Key());
        if (r == KW_OK) r = cursor.Record().Delete();
        if (r != KW_OK) return result ? result : r;
        r = recipedb::DeleteRecipeLinks(database_, id_);
        if (result == KW_OK) result = r;
    }
    new_ = true;
    modified_ = false;
    return result;
}

NameDialogRequest RecipeForm::RenameRequest() const {
    return {"Rename Recipe", kMaxNameLength, id_.name};
}

bool RecipeForm::MoveRecipe(const recipedb::RecipeId &to) {
    if (to.name.empty() || to.name.size() > kMaxNameLength || to.category.empty() ||
        to.category.size() > static_cast<size_t>(kCategoryWidth))
        return false;
    if (!new_) {
        recipedb::RecordCursor cursor;
        if (cursor.Open(database_, kTableRecipe, kRecipeByCategoryName) != KW_OK) return false;
        if (cursor.Find(Key()) != KW_OK) return false;
        CKWRecord &record = cursor.Record();
        if (record.PutString(kFieldName, to.name) != KW_OK ||
            record.PutString(kFieldCategory, to.category) != KW_OK || record.Update() != KW_OK)
            return false;
        recipedb::MoveRecipeLines(database_, id_, to);
        recipedb::MoveRecipeLinks(database_, id_, to);
    }
    id_ = to;
    return true;
}

bool RecipeForm::Rename(std::string_view new_name, MessageSink &sink) {
    if (!MoveRecipe({std::string(new_name), id_.category})) {
        sink.Say(506, {}, Icon::kExclamation);
        return false;
    }
    return true;
}

bool RecipeForm::ChangeCategory(std::string_view new_category, MessageSink &sink) {
    if (!MoveRecipe({id_.name, std::string(new_category)})) {
        sink.Say(505, {}, Icon::kExclamation);
        return false;
    }
    // A new category name joins the list; an existing one refuses the insert, which is fine.
    recipedb::InsertCategory(database_, id_.category);
    return true;
}

}  // namespace kw

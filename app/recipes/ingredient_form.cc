// The ingredient form's model and the Find Ingredient search (see ingredient_form.h).
#include "app/recipes/ingredient_form.h"

#include "app/core/schema.h"
#include "app/recipes/record_catalog.h"

namespace kw {

using namespace schema;

namespace {

std::string IngredientKey(std::string_view name) {
    return recipedb::TextKey({{name, kTitleWidth}});
}

// The form's range check of a shown figure; the text is the one the window's own number fields
// give for a value out of range.
bool InRange(bool unknown, float value, const char *high, double max, MessageSink &sink) {
    if (unknown || (value >= 0.0f && value <= max)) return true;
    sink.SayText(std::string("Please enter a number between 0 and ") + high + ".",
                 Icon::kExclamation);
    return false;
}

}  // namespace

KWRESULT IngredientForm::Open(std::string_view name, bool is_new, const NumberSettings &settings) {
    name_ = std::string(name.substr(0, kMaxNameLength));
    members_ = IngredientMembers();
    new_ = is_new;
    modified_ = false;
    if (is_new) return KW_OK;  // weight, first unit, both figures unknown, "Other"

    recipedb::RecordCursor cursor;
    if (KWRESULT r = cursor.Open(database_, kTableIngredient, kIngredientByName)) return r;
    if (name.size() > kMaxNameLength) return 1;
    if (KWRESULT r = cursor.Find(IngredientKey(name))) return r;
    IngredientRecord record = recipedb::ReadIngredient(cursor);
    name_ = record.name;
    members_.figures =
        ShowFigures(settings, {record.units, record.opts, record.calories, record.cost});
    members_.type = record.type;
    members_.gluten = record.gluten;
    members_.information = record.information;
    return KW_OK;
}

void IngredientForm::ChangeMeasureKind(int kind) {
    modified_ = true;
    members_.figures = kw::ChangeMeasureKind(members_.figures, kind);
}

void IngredientForm::ChangeUnitChoice(int choice, const NumberSettings &settings) {
    members_.figures = kw::ChangeUnitChoice(settings, members_.figures, choice);
}

void IngredientForm::SetCaloriesUnknown(bool unknown) {
    members_.figures.calories_unknown = unknown;
    modified_ = true;
}

void IngredientForm::SetCostUnknown(bool unknown) {
    members_.figures.cost_unknown = unknown;
    modified_ = true;
}

std::vector<std::string> IngredientForm::UnitRadioTexts(const NumberSettings &settings) const {
    return IngredientUnitRadioTexts(settings, members_.figures.kind);
}

std::string IngredientForm::PerLabel(const NumberSettings &settings) const {
    return kw::PerLabel(settings, members_.figures.kind, members_.figures.choice);
}

bool IngredientForm::Save(const NumberSettings &settings, MessageSink &sink) {
    const ShownFigures &shown = members_.figures;
    if (!InRange(shown.calories_unknown, shown.calories, "100000", kMaxShownCalories, sink) ||
        !InRange(shown.cost_unknown, shown.cost, "99.99", kMaxShownCost, sink))
        return false;
    const IngredientFigures stored = StoreFigures(settings, shown);
    IngredientRecord record;
    record.name = name_;
    record.units = stored.units;
    record.opts = stored.opts;
    record.calories = stored.calories;
    record.cost = stored.cost;
    record.type = members_.type;
    record.gluten = members_.gluten;
    record.information = members_.information.substr(0, kMaxInformationLength);

    recipedb::RecordCursor cursor;
    KWRESULT r = cursor.Open(database_, kTableIngredient, kIngredientByName);
    if (r == KW_OK && !new_) r = cursor.Find(IngredientKey(name_));
    if (r == KW_OK) r = recipedb::PutIngredient(cursor.Record(), record);
    if (r == KW_OK) r = new_ ? cursor.Record().Insert() : cursor.Record().Update();
    if (r != KW_OK) {
        sink.Say(400, {}, Icon::kExclamation);
        return false;
    }
    new_ = false;
    modified_ = false;
    return true;
}

NameDialogRequest IngredientForm::RenameRequest() const {
    return {"Rename Ingredient", kMaxNameLength, name_};
}

bool IngredientForm::Rename(std::string_view new_name, MessageSink &sink) {
    bool renamed = !new_name.empty() && new_name.size() <= kMaxNameLength;
    if (renamed && !new_) {
        recipedb::RecordCursor cursor;
        renamed = cursor.Open(database_, kTableIngredient, kIngredientByName) == KW_OK &&
                  cursor.Find(IngredientKey(name_)) == KW_OK &&
                  cursor.Record().PutString(kFieldName, new_name) == KW_OK &&
                  cursor.Record().Update() == KW_OK;
    }
    if (!renamed) {
        sink.Say(901, {}, Icon::kExclamation);
        return false;
    }
    name_ = std::string(new_name);
    return true;
}

KWRESULT IngredientForm::Delete() {
    KWRESULT r = KW_OK;
    if (!new_) {
        recipedb::RecordCursor cursor;
        r = cursor.Open(database_, kTableIngredient, kIngredientByName);
        if (r == KW_OK) r = cursor.Find(IngredientKey(name_));
        if (r == KW_OK) r = cursor.Record().Delete();
        if (r != KW_OK) return r;
    }
    new_ = true;
    modified_ = false;
    return r;
}

std::vector<std::string> FindIngredientNames(IngredientCatalog &catalog, std::string_view typed) {
    if (typed.empty()) return {};
    return catalog.NamesBeginningWith(typed.substr(0, 3));
}

}  // namespace kw

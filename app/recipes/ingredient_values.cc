// The ingredient form's figures, labels and type codes (see ingredient_values.h).
#include "app/recipes/ingredient_values.h"

#include <cmath>

#include "app/recipes/units.h"

namespace kw {
namespace {

// [system][kind][choice] for weight and volume.
constexpr const char *kRadioTexts[3][2][4] = {
    {{"Kg", "Grams", "", ""}, {"Litres", "ml(cc)", "tbsp", "tsp"}},
    {{"Pounds", "Ounces", "", ""}, {"Pints", "Fl Oz", "tbsp", "tsp"}},
    {{"Pounds", "Ounces", "", ""}, {"Pints", "Cups", "tbsp", "tsp"}},
};

// A figure per base amount as a figure per unit, and back. Units per base amount is the factor,
// so a figure per unit is the figure per base divided by it. Items have no factor.
float PerUnit(const NumberSettings &s, int kind, int choice, float per_base) {
    double factor = UnitFactor(UnitSystemOf(s), kind, choice);
    return factor > 0.0 ? static_cast<float>(per_base / factor) : per_base;
}
float PerBase(const NumberSettings &s, int kind, int choice, float per_unit) {
    double factor = UnitFactor(UnitSystemOf(s), kind, choice);
    return factor > 0.0 ? static_cast<float>(per_unit * factor) : per_unit;
}

bool IsKnown(float figure) {
    return figure >= 0.0f && std::isfinite(figure);
}

}  // namespace

ShownFigures ShowFigures(const NumberSettings &settings, const IngredientFigures &stored) {
    ShownFigures shown;
    shown.kind = stored.units >= kWeight && stored.units <= kItems ? stored.units : kWeight;
    shown.choice = IsUnitOfKind(shown.kind, stored.opts) ? stored.opts : 0;
    shown.calories_unknown = !IsKnown(stored.calories);
    if (!shown.calories_unknown)
        shown.calories = PerUnit(settings, shown.kind, shown.choice, stored.calories);
    shown.cost_unknown = !IsKnown(stored.cost);
    if (!shown.cost_unknown) shown.cost = PerUnit(settings, shown.kind, shown.choice, stored.cost);
    return shown;
}

ShownFigures ChangeMeasureKind(const ShownFigures &shown, int kind) {
    if (kind < kWeight || kind > kItems || kind == shown.kind) return shown;
    ShownFigures changed;
    changed.kind = kind;
    changed.choice = IsUnitOfKind(kind, shown.choice) ? shown.choice : 0;
    return changed;  // both figures 0 and unknown
}

ShownFigures ChangeUnitChoice(const NumberSettings &settings, const ShownFigures &shown,
                              int choice) {
    if (!IsUnitOfKind(shown.kind, choice)) return shown;
    ShownFigures changed = shown;
    changed.calories = static_cast<float>(
        ConvertAmount(settings, shown.kind, choice, shown.choice, shown.calories));
    changed.choice = choice;
    return changed;
}

IngredientFigures StoreFigures(const NumberSettings &settings, const ShownFigures &shown) {
    IngredientFigures stored;
    stored.units = shown.kind;
    stored.opts = shown.choice;
    stored.calories = shown.calories_unknown
                          ? -1.0f
                          : PerBase(settings, shown.kind, shown.choice, shown.calories);
    stored.cost =
        shown.cost_unknown ? -1.0f : PerBase(settings, shown.kind, shown.choice, shown.cost);
    return stored;
}

std::string PerLabel(const NumberSettings &settings, int kind, int choice) {
    if (kind == kItems) return "/Item";
    return "/" + UnitName(settings, kind, choice, false, false);
}

std::vector<std::string> IngredientUnitRadioTexts(const NumberSettings &settings, int kind) {
    std::vector<std::string> texts;
    if (kind != kWeight && kind != kVolume) return texts;
    for (const char *text : kRadioTexts[UnitSystemOf(settings)][kind])
        if (*text) texts.emplace_back(text);
    return texts;
}

const std::vector<IngredientType> &IngredientTypes() {
    static const std::vector<IngredientType> types = {
        {'D', "Dairy Produce"}, {'F', "Fish"},        {'R', "Fruit"}, {'H', "Herb/Spice"},
        {'M', "Meat"},          {'N', "Nuts"},        {'X', "Other"}, {'P', "Pulse"},
        {'V', "Vegetable"},     {'W', "Wine/Spirit"},
    };
    return types;
}

const char *IngredientTypeText(char code) {
    for (const auto &type : IngredientTypes())
        if (type.code == code) return type.text;
    return "";
}

char IngredientTypeCode(std::string_view text) {
    for (const auto &type : IngredientTypes())
        if (text == type.text) return type.code;
    return '\0';
}

}  // namespace kw

// The unit tables and the operations on amounts and unit texts (see units.h).
#include "app/recipes/units.h"

#include "app/recipes/name_compare.h"

namespace kw {
namespace {

// [system][kind][choice]; "" marks a slot without a unit.
constexpr const char *kUnitTable[3][3][4] = {
    {{"Kg", "g", "", ""}, {"ltr", "ml", "tbsp", "tsp"}, {"item(s)", "item(s)", "", ""}},
    {{"lb", "oz", "", ""}, {"pt", "fl-oz", "tbsp", "tsp"}, {"item(s)", "item(s)", "", ""}},
    {{"lb", "oz", "", ""}, {"pt", "cup", "tbsp", "tsp"}, {"item(s)", "item(s)", "", ""}},
};

// [system][kind][choice]: units per gram (weight) or per millilitre (volume). Written as the
// literals and fractions they are defined by, so each is that literal's exact double.
constexpr double kUnitFactors[3][2][4] = {
    {{0.001, 1.0, 0.0, 0.0}, {0.001, 1.0, 1.0 / 15, 0.2}},
    {{0.0022046226, 0.035273962, 0.0, 0.0}, {0.001754386, 0.035087719, 1.0 / 15, 0.2}},
    {{0.0022046226, 0.035273962, 0.0, 0.0}, {1.0 / 473, 1.0 / 236.588, 0.0625, 0.2}},
};

bool InRange(int v, int lo, int hi) {
    return v >= lo && v <= hi;
}

}  // namespace

const char *UnitTableEntry(int system, int kind, int choice) {
    if (!InRange(system, 0, 2) || !InRange(kind, 0, 2) || !InRange(choice, 0, 3)) return "";
    return kUnitTable[system][kind][choice];
}

double UnitFactor(int system, int kind, int choice) {
    if (!InRange(system, 0, 2) || !InRange(kind, kWeight, kVolume) || !InRange(choice, 0, 3))
        return 0.0;
    return kUnitFactors[system][kind][choice];
}

bool IsUnitOfKind(int kind, int choice) {
    switch (kind) {
        case kWeight:
            return InRange(choice, 0, 1);
        case kVolume:
            return InRange(choice, 0, 3);
        case kItems:
            return choice == 0;
        default:
            return false;
    }
}

double ConvertBaseAmount(const NumberSettings &settings, BaseDirection direction, int kind,
                         int choice, double amount) {
    double factor = UnitFactor(UnitSystemOf(settings), kind, choice);
    if (factor <= 0.0) return amount;
    return direction == BaseDirection::kFromBase ? amount * factor : amount / factor;
}

double ConvertAmount(const NumberSettings &settings, int kind, int from_choice, int to_choice,
                     double amount) {
    int system = UnitSystemOf(settings);
    double from = UnitFactor(system, kind, from_choice);
    double to = UnitFactor(system, kind, to_choice);
    if (from <= 0.0 || to <= 0.0) return amount;
    return amount * to / from;
}

MergedAmount MergeAmounts(const NumberSettings &settings, int kind, int choice_a, double amount_a,
                          int choice_b, double amount_b) {
    if (choice_a == kUnspecifiedChoice) amount_a = 0.0;
    if (choice_b == kUnspecifiedChoice) amount_b = 0.0;
    if (choice_a == choice_b) return {choice_a, amount_a + amount_b};
    if (choice_a < choice_b)
        return {choice_a, amount_a + ConvertAmount(settings, kind, choice_b, choice_a, amount_b)};
    return {choice_b, amount_b + ConvertAmount(settings, kind, choice_a, choice_b, amount_a)};
}

std::string UnitName(const NumberSettings &settings, int kind, int choice, bool singular,
                     bool items_spelling) {
    if (!InRange(kind, 0, 2) || !InRange(choice, 0, 3)) return "-";
    if (kind == kItems) return items_spelling ? "item(s)" : singular ? "item" : "items";
    const char *entry = UnitTableEntry(UnitSystemOf(settings), kind, choice);
    return *entry ? entry : "-";
}

UnitParse ParseUnit(const UnitContext &context, std::string_view ingredient_name,
                    std::string_view unit_text, bool warn) {
    int system = UnitSystemOf(context.settings);
    // The unit column's list offers "cups"; where the system has a cup it means that unit.
    std::string_view wanted = EqualsIgnoringCase(unit_text, "cups") ? "cup" : unit_text;
    for (int kind = kWeight; kind <= kItems; ++kind) {
        for (int choice = 0; choice < 4; ++choice) {
            const char *entry = kUnitTable[system][kind][choice];
            if (*entry && EqualsIgnoringCase(entry, wanted)) return {kind, choice, 0};
        }
    }
    if (unit_text == "-")
        return {IngredientMeasureKind(context.catalog, context.sink, ingredient_name, warn),
                kUnspecifiedChoice, 1};
    if (unit_text.substr(0, 4) == "item") return {kItems, 0, 0};
    if (warn) context.sink.Say(1704, {std::string(unit_text)});
    return {kItems, 0, -1};
}

int IngredientMeasureKind(IngredientCatalog &catalog, MessageSink &sink, std::string_view name,
                          bool warn) {
    if (auto record = catalog.FindIngredient(name)) return record->units;
    if (warn) sink.Say(604, {std::string(name)}, Icon::kExclamation);
    return kWeight;
}

IngredientLineText FormatIngredientLine(const UnitContext &context,
                                        const StoredIngredientLine &line,
                                        std::string_view ingredient_name, bool items_spelling) {
    int kind = line.measured;
    if (kind == kOwnMeasureKind)
        kind = IngredientMeasureKind(context.catalog, context.sink, ingredient_name, true);
    double shown = FromBaseAmount(context.settings, kind, line.opts, line.quantity);
    IngredientLineText text;
    text.unit = UnitName(context.settings, kind, line.opts, shown <= 1.0, items_spelling);
    text.quantity = line.opts == kUnspecifiedChoice
                        ? "-"
                        : FormatQuantity(context.settings, shown, 2, kind == kItems);
    text.preparation = line.preparation;
    return text;
}

}  // namespace kw

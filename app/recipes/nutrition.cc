// Calorie and cost calculation over the ingredient grid (see nutrition.h).
#include "app/recipes/nutrition.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kw {
namespace {

enum class Figure { kCalories, kCost };

// Walks the grid's lines, calling add(figure per base amount, base amount) for every line that
// can be counted; returns false when some line could not be accounted for. Every line is looked
// at, whatever came before.
template <typename Add>
bool AddUpLines(const IngredientGrid &grid, Figure figure, const UnitContext &context, Add add) {
    bool complete = true;
    for (int row = 1; row < grid.RowCount(); ++row) {
        ParsedRow line = grid.ParseRow(row, context, false);
        // The form keeps an empty row for typing; it names no ingredient and counts as nothing.
        if (line.empty || line.choice == kUnspecifiedChoice) continue;
        // An ingredient not in the catalogue counts as weight; either way it has no figures.
        auto record = context.catalog.FindIngredient(line.name);
        if (!record || record->units != line.kind) {
            complete = false;
            continue;
        }
        double per_base = figure == Figure::kCalories ? record->calories : record->cost;
        if (!(per_base >= 0.0) || !std::isfinite(per_base)) {  // unknown, or a damaged record
            complete = false;
            continue;
        }
        add(per_base, ToBaseAmount(context.settings, line.kind, line.choice, line.quantity));
    }
    return complete;
}

}  // namespace

CalorieResult CalculateCalories(const IngredientGrid &grid, int servings, int calories_before,
                                const UnitContext &context) {
    constexpr double kLimit = 1e15;  // far beyond any recipe; keeps the sum in range
    long long total = 0;
    bool complete = AddUpLines(grid, Figure::kCalories, context, [&](double per_base, double base) {
        double line = std::trunc(per_base * base + 0.5);
        total += static_cast<long long>(
            std::clamp(std::isfinite(line) ? line : kLimit, -kLimit, kLimit));
    });
    if (servings > 0) total /= servings;
    CalorieResult result;
    if (complete) {
        result.calories = static_cast<int>(std::clamp<long long>(total, INT_MIN, INT_MAX));
        result.unknown = false;
    } else {
        context.sink.Say(504, {}, Icon::kExclamation);
    }
    result.modified = result.calories != calories_before;
    return result;
}

CostResult CalculateCost(const IngredientGrid &grid, int servings, float cost_before,
                         const UnitContext &context) {
    float total = 0.0f;
    bool complete = AddUpLines(grid, Figure::kCost, context, [&](double per_base, double base) {
        total = static_cast<float>(total + per_base * base);
    });
    if (servings > 0) total /= static_cast<float>(servings);
    CostResult result;
    if (complete) {
        // Cut to whole hundredths. The figures are 32-bit floats, so 0.99 per Kg times 1000 g
        // comes out as 0.98999995; a few units of the last place are taken as the figure it
        // stands for before cutting, else such a cost would lose a cent.
        double hundredths = static_cast<double>(total) * 100.0;
        double slack = 1e-6 * std::max(std::fabs(hundredths), 1.0);
        result.cost = static_cast<float>(std::trunc(hundredths + slack) / 100.0);
        result.unknown = false;
        result.text = FormatCost(result.cost);
    } else {
        context.sink.Say(511, {}, Icon::kExclamation);
    }
    result.modified = result.cost != cost_before;
    return result;
}

}  // namespace kw

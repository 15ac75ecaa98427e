// Reading back an export file's ingredient line (see exported_line.h).
#include "app/interchange/exported_line.h"

#include "app/recipes/name_compare.h"

namespace kw {

ExportedIngredientLine SplitExportedIngredientLine(std::string_view line) {
    ExportedIngredientLine parts;
    size_t blank = line.find(' ');
    parts.quantity = line.substr(0, blank);
    if (blank == std::string_view::npos) return parts;
    line.remove_prefix(blank + 1);
    blank = line.find(' ');
    parts.unit = line.substr(0, blank);
    if (blank == std::string_view::npos) return parts;
    line.remove_prefix(blank + 1);
    const size_t commas = line.find(",,");
    parts.ingredient = line.substr(0, commas);
    if (commas != std::string_view::npos) parts.preparation = line.substr(commas + 2);
    return parts;
}

LoadedAmount ResolveExportedAmount(const UnitContext &context, std::string_view ingredient,
                                   std::string_view unit, double quantity) {
    const UnitParse parsed = ParseUnit(context, ingredient, unit, false);
    if (parsed.result != -1)
        return {parsed.kind, parsed.choice,
                ToBaseAmount(context.settings, parsed.kind, parsed.choice, quantity)};
    // A unit of another system: the amount in that system's unit, whose choice names the same
    // place in the current system's table.
    for (int system = kMetric; system <= kUsImperial; ++system) {
        for (int kind = kWeight; kind <= kVolume; ++kind) {
            for (int choice = 0; choice < 4; ++choice) {
                const char *entry = UnitTableEntry(system, kind, choice);
                if (!*entry || !EqualsIgnoringCase(entry, unit)) continue;
                NumberSettings fileSystem = context.settings;
                fileSystem.units = system;
                return {kind, choice, ToBaseAmount(fileSystem, kind, choice, quantity)};
            }
        }
    }
    return {kItems, 0, quantity};
}

}  // namespace kw

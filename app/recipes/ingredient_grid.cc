// The ingredient grid model (see ingredient_grid.h).
#include "app/recipes/ingredient_grid.h"

#include <algorithm>
#include <functional>

#include "app/recipes/name_compare.h"

namespace kw {

const char *const kUnitColumnChoices[15] = {"-", "item", "items", "oz",  "lb", "fl-oz", "pt", "kg",
                                            "g", "cup",  "cups",  "ltr", "ml", "tbsp",  "tsp"};

namespace {

constexpr const char *kHeaders[kGridColumnCount] = {"", "Quantity", "Units", "Name", "Preparation"};

std::string Lowered(std::string text) {
    for (char &c : text)
        c = AsciiLower(c);
    return text;
}

// The unit texts the cell check accepts beside a number (lower case): the unit column's list
// without "-", and the items spelling of the export.
bool IsAcceptedUnit(const std::string &unit) {
    if (unit == "item(s)") return true;
    return unit != "-" && std::any_of(std::begin(kUnitColumnChoices), std::end(kUnitColumnChoices),
                                      [&](const char *choice) { return unit == choice; });
}

// Cuts an overlong name or preparation to the field width, after message 513.
void CutToFieldWidth(std::string &text, MessageSink &sink) {
    if (text.size() <= kMaxIngredientTextLength) return;
    sink.Say(513);
    text.resize(kMaxIngredientTextLength);
}

void RuleOut(const IngredientRecord &record, DietFlags &diet) {
    if (record.type == 'D') diet.dairy_free = false;
    if (record.gluten) diet.gluten_free = false;
    if (record.type == 'M') diet.vegetarian = false;
}

}  // namespace

const char *GridHeaderText(int column) {
    return column >= 0 && column < kGridColumnCount ? kHeaders[column] : "";
}

GridColumnWidths IngredientGridColumnWidths(int client_width, int number_column_width) {
    GridColumnWidths w;
    w.quantity = static_cast<int>(0.15 * client_width);
    w.units = w.quantity;
    w.name = static_cast<int>(0.4 * client_width);
    w.preparation = client_width - number_column_width - w.name - 2 * w.quantity - 1;
    return w;
}

std::string IngredientGrid::CellText(int row, int column) const {
    if (row == 0) return GridHeaderText(column);
    if (!IsDataRow(row)) return "";
    switch (column) {
        case kNumberColumn:
            return std::to_string(row);
        case kQuantityColumn:
            return Line(row).quantity;
        case kUnitsColumn:
            return Line(row).unit;
        case kNameColumn:
            return Line(row).name;
        case kPreparationColumn:
            return Line(row).preparation;
        default:
            return "";
    }
}

std::string &IngredientGrid::Cell(int row, int column) {
    GridLine &line = rows_.at(static_cast<size_t>(row - 1));
    switch (column) {
        case kQuantityColumn:
            return line.quantity;
        case kUnitsColumn:
            return line.unit;
        case kNameColumn:
            return line.name;
        default:
            return line.preparation;
    }
}

void IngredientGrid::SetCellText(int row, int column, std::string text) {
    if (!IsDataRow(row) || column < kQuantityColumn || column > kPreparationColumn) return;
    Cell(row, column) = std::move(text);
}

void IngredientGrid::InsertLine(int row, GridLine line) {
    row = std::clamp(row, 1, RowCount());
    rows_.insert(rows_.begin() + (row - 1), std::move(line));
}

void IngredientGrid::DeleteRow(int row) {
    if (IsDataRow(row)) rows_.erase(rows_.begin() + (row - 1));
}

ParsedRow IngredientGrid::ParseRow(int row, const UnitContext &context, bool warn) const {
    ParsedRow parsed;
    if (!IsDataRow(row)) {
        parsed.empty = true;
        return parsed;
    }
    const GridLine &line = Line(row);
    parsed.quantity = static_cast<float>(ParseQuantity(line.quantity));
    parsed.name = line.name;
    parsed.preparation = line.preparation;
    UnitParse unit = ParseUnit(context, line.name, line.unit, warn);
    parsed.kind = unit.kind;
    parsed.choice = unit.choice;
    parsed.unit_result = unit.result;
    parsed.empty =
        line.quantity.empty() && line.unit.empty() && line.name.empty() && line.preparation.empty();
    return parsed;
}

bool IngredientGrid::EditCell(int row, int column, std::string text, const UnitContext &context) {
    if (!IsDataRow(row) || column < kQuantityColumn || column > kPreparationColumn) return false;
    if (Cell(row, column) == text) return false;
    Cell(row, column) = std::move(text);
    modified_ = true;
    CheckCell(row, column, context);
    return true;
}

void IngredientGrid::CheckCell(int row, int column, const UnitContext &context) {
    if (!IsDataRow(row)) return;
    GridLine &line = rows_[static_cast<size_t>(row - 1)];
    switch (column) {
        case kQuantityColumn: {
            if (line.quantity == "-") return;
            bool bad =
                !std::all_of(line.quantity.begin(), line.quantity.end(), IsQuantityCharacter);
            line.quantity = FormatQuantity(context.settings, ParseQuantity(line.quantity), 3, true);
            if (bad) {
                context.sink.Say(509);
                line.quantity = "-";
                line.unit = "-";
            }
            return;
        }
        case kUnitsColumn: {
            line.unit = Lowered(line.unit);
            bool usable = line.quantity == "-" ? line.unit == "-"
                                               : line.unit.empty() || IsAcceptedUnit(line.unit);
            if (!usable) {
                context.sink.Say(510);
                line.quantity = "-";
                line.unit = "-";
                return;
            }
            if (line.quantity == "-") return;
            UnitParse unit = ParseUnit(context, line.name, line.unit, false);
            line.unit = UnitName(context.settings, unit.kind, unit.choice,
                                 ParseQuantity(line.quantity) <= 1.0, false);
            return;
        }
        case kNameColumn:
            if (line.name.empty()) {
                context.sink.Say(512);
                line.name = "Unknown Ingredient [" + std::to_string(++unnamed_count_) + "]";
            }
            CutToFieldWidth(line.name, context.sink);
            return;
        case kPreparationColumn:
            CutToFieldWidth(line.preparation, context.sink);
            return;
        default:
            return;
    }
}

void IngredientGrid::CheckRow(int row, const UnitContext &context) {
    for (int column = kQuantityColumn; column <= kPreparationColumn; ++column)
        CheckCell(row, column, context);
}

GridLine IngredientGrid::MergedLine(const IngredientChoice &choice, int *position,
                                    const UnitContext &context) {
    int unit = choice.choice;
    double amount = unit == kUnspecifiedChoice ? 0.0 : choice.quantity;
    for (int row = 1; row < RowCount(); ++row) {
        if (Line(row).name != choice.name) continue;
        ParsedRow existing = ParseRow(row, context, false);
        if (existing.kind != choice.kind) continue;
        MergedAmount merged = MergeAmounts(context.settings, choice.kind, existing.choice,
                                           existing.quantity, unit, amount);
        unit = merged.choice;
        amount = merged.amount;
        DeleteRow(row);
        if (row < *position) --*position;
        break;
    }
    GridLine line;
    line.quantity = unit == kUnspecifiedChoice
                        ? "-"
                        : FormatQuantity(context.settings, amount, 2, choice.kind == kItems);
    line.unit =
        UnitName(context.settings, choice.kind, unit, LeadingInteger(line.quantity) == 1, false);
    line.name = choice.name;
    line.preparation = choice.preparation;
    return line;
}

void IngredientGrid::AddLine(const IngredientChoice &choice, DietFlags &diet,
                             const UnitContext &context) {
    ingredients_changed_ = true;
    int position = RowCount();
    AppendLine(MergedLine(choice, &position, context));
    // An add only ever takes a box away: the other lines are unchanged.
    if (auto record = context.catalog.FindIngredient(choice.name)) RuleOut(*record, diet);
}

void IngredientGrid::ReplaceLine(int selected_row, const IngredientChoice &choice, DietFlags &diet,
                                 const UnitContext &context) {
    ingredients_changed_ = true;
    int position = RowCount();
    if (IsDataRow(selected_row)) {
        DeleteRow(selected_row);
        position = selected_row;
    }
    GridLine line = MergedLine(choice, &position, context);
    InsertLine(position, std::move(line));

    // Rows without a name (the empty row kept for typing) name no ingredient and are left out;
    // an unknown ingredient leaves the boxes as the user set them.
    DietFlags recomputed{true, true, true};
    for (int row = 1; row < RowCount(); ++row) {
        if (Line(row).name.empty()) continue;
        auto record = context.catalog.FindIngredient(Line(row).name);
        if (!record) return;
        RuleOut(*record, recomputed);
    }
    diet = recomputed;
}

void IngredientGrid::DeleteRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (!IsDataRow(row)) continue;
        DeleteRow(row);
        ingredients_changed_ = true;
    }
}

int IngredientGrid::AddEmptyRow() {
    if (RowCount() > 1 && rows_.back().name.empty()) return RowCount() - 1;
    rows_.emplace_back();
    return RowCount() - 1;
}

GridMenuState IngredientGrid::MenuState(const std::vector<int> &selected_rows,
                                        IngredientCatalog &catalog) const {
    std::vector<int> data_rows;
    for (int row : selected_rows)
        if (IsDataRow(row) && std::find(data_rows.begin(), data_rows.end(), row) == data_rows.end())
            data_rows.push_back(row);
    GridMenuState state;
    state.remove = !data_rows.empty();
    state.edit = data_rows.size() == 1;
    state.view_ingredient =
        state.edit && catalog.FindIngredient(Line(data_rows.front()).name).has_value();
    return state;
}

std::vector<LineToSave> IngredientGrid::PrepareSave(const UnitContext &context) {
    std::vector<LineToSave> lines;
    for (int row = 1; row < RowCount(); ++row) {
        ParsedRow parsed = ParseRow(row, context, false);
        if (!parsed.empty) {
            CheckRow(row, context);
            parsed = ParseRow(row, context, false);
        }
        double base = ToBaseAmount(context.settings, parsed.kind, parsed.choice, parsed.quantity);
        LineToSave save;
        save.row = row;
        save.empty = parsed.empty;
        save.writable = !parsed.name.empty() &&
                        (parsed.choice == kUnspecifiedChoice || base > 0.0) && parsed.choice >= 0;
        save.name = parsed.name;
        save.line.quantity = static_cast<float>(base);
        save.line.opts = parsed.choice;
        save.line.measured = parsed.kind;
        save.line.preparation = parsed.preparation;
        lines.push_back(std::move(save));
    }
    return lines;
}

}  // namespace kw

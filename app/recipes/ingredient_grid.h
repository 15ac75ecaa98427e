// The recipe form's ingredient grid as a model: rows of quantity, unit, name and preparation
// texts with their row numbers, and the rules that keep them sound — the row parse, the cell
// check, lines added or replaced from the Add/Edit Ingredient dialog (merged with a line of the
// same ingredient), the diet flags that follow the ingredients, and the lines a save writes.
//
// The window shows what this model holds: grid row 0 is the header, column 0 the row number, data
// rows are 1 to RowCount() - 1. The model also keeps the form's ingredients-changed flag, the
// grid's modified state and the unnamed-ingredient counter. It never keeps the settings; every
// operation that needs them takes a UnitContext built at the call.
#pragma once

#include <string>
#include <vector>

#include "app/recipes/units.h"

namespace kw {

enum GridColumn : int {
    kNumberColumn = 0,
    kQuantityColumn = 1,
    kUnitsColumn = 2,
    kNameColumn = 3,
    kPreparationColumn = 4,
};
constexpr int kGridColumnCount = 5;

// INGREDIE and PREPARAT hold at most this many characters.
constexpr size_t kMaxIngredientTextLength = 48;

// The header texts ("", "Quantity", "Units", "Name", "Preparation").
const char *GridHeaderText(int column);

// The unit column's drop-down list, in its order.
extern const char *const kUnitColumnChoices[15];

// One data row as shown.
struct GridLine {
    std::string quantity;
    std::string unit;
    std::string name;
    std::string preparation;
};

// A row read back into values.
struct ParsedRow {
    float quantity = 0.0f;  // ParseQuantity of the quantity cell, in the row's unit
    int kind = kItems;
    int choice = 0;
    int unit_result = 0;  // ParseUnit's result (0, 1 or -1)
    std::string name;
    std::string preparation;
    bool empty = false;  // all four cells empty
};

// The recipe's diet boxes ("&Vegetarian", "&Gluten Free", "&Dairy Free").
struct DietFlags {
    bool vegetarian = false;
    bool gluten_free = false;
    bool dairy_free = false;
};

// What the Add/Edit Ingredient dialog hands back (add_ingredient_dialog.h).
struct IngredientChoice {
    int kind = kWeight;
    int choice = kUnspecifiedChoice;
    float quantity = 0.0f;  // in unit `choice`
    std::string name;
    std::string preparation;
};

// One grid row as the save sees it. A non-empty row that is not writable is an error of the
// ingredient list (the form says message 507 and the save fails); empty rows are skipped.
struct LineToSave {
    int row = 0;
    bool empty = false;
    bool writable = false;      // named, and an amount above 0 or no amount (choice 4)
    std::string name;           // INGREDIE
    StoredIngredientLine line;  // QUANTITY as a base amount, OPTS, MEASURED, PREPARAT
};

// Which items of the grid's context menu are enabled.
struct GridMenuState {
    bool edit = false;             // exactly one data row selected
    bool remove = false;           // at least one data row selected
    bool view_ingredient = false;  // one data row selected and its ingredient is known
};

// Column widths for a grid of the given client width: quantity and units 15 %, name 40 %,
// preparation the rest (less the number column and one pixel).
struct GridColumnWidths {
    int quantity;
    int units;
    int name;
    int preparation;
};
GridColumnWidths IngredientGridColumnWidths(int client_width, int number_column_width);

class IngredientGrid final {
  public:
    int RowCount() const { return static_cast<int>(rows_.size()) + 1; }
    bool IsDataRow(int row) const { return row >= 1 && row < RowCount(); }
    // The text of any cell: the header in row 0, the row number ("%d") in column 0.
    std::string CellText(int row, int column) const;
    // A data row (1 to RowCount() - 1).
    const GridLine &Line(int row) const { return rows_.at(static_cast<size_t>(row - 1)); }

    // Plain cell and row changes, as the form makes them while loading; they mark nothing.
    void SetCellText(int row, int column, std::string text);
    void AppendLine(GridLine line) { rows_.push_back(std::move(line)); }
    void InsertLine(int row, GridLine line);
    void DeleteRow(int row);
    void Clear() { rows_.clear(); }

    // The grid's own modified state (set by typed edits; the save clears it).
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }
    // Lines added, replaced or deleted through the ingredient commands since the last save.
    bool IngredientsChanged() const { return ingredients_changed_; }
    void SetIngredientsChanged(bool changed) { ingredients_changed_ = changed; }
    // Names generated for rows without one so far ("Unknown Ingredient [%d]").
    int UnnamedCount() const { return unnamed_count_; }

    // Reads a row back: quantity, unit (ParseUnit with the given warn flag), name, preparation.
    // A row number outside the data rows reads as an empty row.
    ParsedRow ParseRow(int row, const UnitContext &context, bool warn) const;

    // An in-place edit ended with text. A text equal to the cell's (with case) changes nothing;
    // otherwise it is stored, the grid is modified and the cell checked. Returns whether the cell
    // changed.
    bool EditCell(int row, int column, std::string text, const UnitContext &context);

    // Checks and normalises one cell: the quantity rewritten in the current number style (509 and
    // both cells "-" for a bad text), the unit as the current system's name (510 and both cells
    // "-" for an unusable one), a missing name generated (512), overlong texts cut to 48 (513).
    void CheckCell(int row, int column, const UnitContext &context);
    // The cell check on columns 1 to 4 in order.
    void CheckRow(int row, const UnitContext &context);

    // A line from the Add Ingredient dialog: merged with the first row of the same name (with
    // case) and kind, appended; the diet flags lose what the new ingredient rules out. The caller
    // marks the recipe modified.
    void AddLine(const IngredientChoice &choice, DietFlags &diet, const UnitContext &context);
    // A line from the Edit Ingredient dialog: the selected row (0 for none) is replaced, merged as
    // in AddLine, and the diet flags are recomputed from all named rows when every one of their
    // ingredients is known.
    void ReplaceLine(int selected_row, const IngredientChoice &choice, DietFlags &diet,
                     const UnitContext &context);
    // Deletes the given data rows (any order; others ignored).
    void DeleteRows(std::vector<int> rows);
    // The "&Add" button: appends an empty row unless the last row has no name yet; returns the
    // row to focus (column 1).
    int AddEmptyRow();

    GridMenuState MenuState(const std::vector<int> &selected_rows,
                            IngredientCatalog &catalog) const;

    // The save's pass over the rows: each non-empty row is checked (CheckRow) and parsed again,
    // its amount converted to the base amount. The form writes the writable lines.
    std::vector<LineToSave> PrepareSave(const UnitContext &context);

  private:
    std::string &Cell(int row, int column);
    // The row AddLine and ReplaceLine insert; merging may delete a row, which shifts *position.
    GridLine MergedLine(const IngredientChoice &choice, int *position, const UnitContext &context);

    std::vector<GridLine> rows_;  // data rows; rows_[0] is grid row 1
    bool modified_ = false;
    bool ingredients_changed_ = false;
    int unnamed_count_ = 0;
};

}  // namespace kw

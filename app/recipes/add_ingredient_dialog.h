// The Add Ingredient / Edit Ingredient dialog as a model: the name with its list of matching
// catalogue names, the measure kind and unit choice, the typed quantity (converted when the unit
// changes), "&Unspecified", the preparation term (offered for adding with message 1200), when OK
// may be pressed, and the result handed to IngredientGrid::AddLine / ReplaceLine.
//
// The window mirrors the getters; each user action calls the setter of the same name. Settings
// are passed to the calls that show or convert units and never kept.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/recipes/ingredient_grid.h"

namespace kw {

// The unit radio texts of a kind in the current system with their keyboard mnemonic: "&" after
// the first character ("K&g", "t&bsp"), after the second for the fourth volume unit ("ts&p"), and
// before a one-letter name ("&g"). Weight has two, volume four, items none.
std::vector<std::string> DialogUnitRadioLabels(const NumberSettings &settings, int kind);

class IngredientDialog final {
  public:
    // "Add Ingredient": no name, weight in the second unit (g or oz), no quantity.
    IngredientDialog();
    // A dialog with the given title showing the given line (the shopping list's "Edit Item").
    // quantity_text is what the quantity edit starts with; choice 4 checks "&Unspecified".
    IngredientDialog(std::string title, const IngredientChoice &line, std::string quantity_text,
                     IngredientCatalog &catalog);
    // "Edit Ingredient" for a grid row, read with the unit warning on (messages 1704, 604).
    static IngredientDialog ForGridRow(const IngredientGrid &grid, int row,
                                       const UnitContext &context);

    const std::string &Title() const { return title_; }
    const std::string &NameText() const { return name_text_; }
    const std::vector<std::string> &Names() const { return names_; }
    int Kind() const { return kind_; }
    int Choice() const { return choice_; }
    bool Unspecified() const { return unspecified_; }
    // While "&Unspecified" is checked the quantity edit, unit label and radio groups are hidden.
    bool QuantityVisible() const { return !unspecified_; }
    const std::string &QuantityText() const { return quantity_text_; }
    const std::string &Preparation() const { return preparation_; }
    // The label beside the quantity: "[" unit "]".
    std::string UnitLabel(const NumberSettings &settings) const;

    // The name text changed (cut to 48 characters): the list is refilled with the catalogue names
    // that begin with it, letter case ignored.
    void SetNameText(std::string text, IngredientCatalog &catalog);
    // A list entry was chosen: the name takes it and, when it differs from the previous choice,
    // the kind becomes the ingredient's own.
    void ChooseName(size_t index, IngredientCatalog &catalog);
    // "&Weight", "&Volume", "&Quantity": "&Quantity" also takes unit choice 0; the others keep
    // the choice (a choice the kind does not have keeps OK disabled until a unit is picked).
    void SetKind(int kind);
    // A unit radio: the typed quantity is converted into the new unit.
    void SetUnitChoice(int choice, const NumberSettings &settings);
    // The quantity edit takes digits, ".", blank and "/" only; false (a beep) refuses the text.
    bool SetQuantityText(std::string text);
    // "&Unspecified": checked gives choice 4 and the quantity "0.0"; unchecked restores the kind
    // and choice from before.
    void SetUnspecified(bool unspecified);
    void SetPreparationText(std::string text);

    // The preparation list: every stored term.
    std::vector<std::string> PreparationList(PreparationTerms &terms) const;
    // A preparation text that is not a stored term is offered for adding (message 1200, Yes/No):
    // Yes stores it, No clears the text.
    void ConfirmPreparation(PreparationTerms &terms, MessageSink &sink);

    bool OkEnabled() const;
    // OK: the line to add or replace with, after the preparation check; nullopt while OK is
    // disabled.
    std::optional<IngredientChoice> Accept(PreparationTerms &terms, MessageSink &sink);

  private:
    void RefillNames(IngredientCatalog &catalog);

    std::string title_ = "Add Ingredient";
    std::string name_text_;
    std::string chosen_name_;   // the last name chosen from the list (or the edited row's)
    bool name_chosen_ = false;  // the name text is a chosen list entry
    std::vector<std::string> names_;
    int kind_ = kWeight;
    int choice_ = 1;
    int kind_before_unspecified_ = kWeight;
    int choice_before_unspecified_ = 1;
    bool unspecified_ = false;
    std::string quantity_text_;
    std::string preparation_;
    bool changed_ = false;
};

}  // namespace kw

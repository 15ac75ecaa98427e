// The Add/Edit Ingredient dialog model (see add_ingredient_dialog.h).
#include "app/recipes/add_ingredient_dialog.h"

#include <algorithm>

#include "app/recipes/name_compare.h"

namespace kw {
namespace {

// The unit a kind starts with when there is no earlier one: g or oz, ml or fl-oz or cup, items.
int FirstChoiceOf(int kind) {
    return kind == kItems ? 0 : 1;
}

std::string CutToFieldWidth(std::string text) {
    if (text.size() > kMaxIngredientTextLength) text.resize(kMaxIngredientTextLength);
    return text;
}

}  // namespace

std::vector<std::string> DialogUnitRadioLabels(const NumberSettings &settings, int kind) {
    int count = kind == kWeight ? 2 : kind == kVolume ? 4 : 0;
    std::vector<std::string> labels;
    for (int choice = 0; choice < count; ++choice) {
        std::string label = UnitTableEntry(UnitSystemOf(settings), kind, choice);
        if (label.empty()) continue;
        size_t at = kind == kVolume && choice == 3 ? 2 : 1;
        label.insert(std::min(at, label.size() - 1), "&");
        labels.push_back(std::move(label));
    }
    return labels;
}

IngredientDialog::IngredientDialog() = default;

IngredientDialog::IngredientDialog(std::string title, const IngredientChoice &line,
                                   std::string quantity_text, IngredientCatalog &catalog)
    : title_(std::move(title)),
      name_text_(CutToFieldWidth(line.name)),
      chosen_name_(name_text_),
      kind_(line.kind),
      choice_(line.choice),
      kind_before_unspecified_(line.kind),
      choice_before_unspecified_(FirstChoiceOf(line.kind)),
      unspecified_(line.choice == kUnspecifiedChoice),
      quantity_text_(unspecified_ ? "0.0" : std::move(quantity_text)),
      preparation_(CutToFieldWidth(line.preparation)) {
    RefillNames(catalog);
}

IngredientDialog IngredientDialog::ForGridRow(const IngredientGrid &grid, int row,
                                              const UnitContext &context) {
    ParsedRow parsed = grid.ParseRow(row, context, true);
    IngredientChoice line;
    line.kind = parsed.kind;
    line.choice = parsed.choice;
    line.name = parsed.name;
    line.preparation = parsed.preparation;
    std::string quantity = grid.IsDataRow(row) ? grid.Line(row).quantity : "";
    return IngredientDialog("Edit Ingredient", line, quantity, context.catalog);
}

std::string IngredientDialog::UnitLabel(const NumberSettings &settings) const {
    return "[" + UnitName(settings, kind_, choice_, false, false) + "]";
}

void IngredientDialog::RefillNames(IngredientCatalog &catalog) {
    names_.clear();
    if (name_text_.empty()) return;
    // The catalogue is searched on the first three letters at most; the rest of the typed text
    // narrows the list here.
    std::string_view letters = std::string_view(name_text_).substr(0, 3);
    for (auto &name : catalog.NamesBeginningWith(letters))
        if (StartsWithIgnoringCase(name, name_text_)) names_.push_back(std::move(name));
}

void IngredientDialog::SetNameText(std::string text, IngredientCatalog &catalog) {
    text = CutToFieldWidth(std::move(text));
    if (text == name_text_) return;
    name_text_ = std::move(text);
    name_chosen_ = name_chosen_ && name_text_ == chosen_name_;
    changed_ = true;
    RefillNames(catalog);
}

void IngredientDialog::ChooseName(size_t index, IngredientCatalog &catalog) {
    if (index >= names_.size()) return;
    std::string name = names_[index];
    if (name != chosen_name_) {
        auto record = catalog.FindIngredient(name);
        if (record && record->units >= kWeight && record->units <= kItems) SetKind(record->units);
        chosen_name_ = name;
    }
    SetNameText(name, catalog);
    name_chosen_ = true;
    changed_ = true;
}

void IngredientDialog::SetKind(int kind) {
    if (kind < kWeight || kind > kItems) return;
    if (unspecified_) {
        // The radios are hidden; a chosen ingredient's kind is what unchecking brings back.
        kind_before_unspecified_ = kind;
        if (kind == kItems || !IsUnitOfKind(kind, choice_before_unspecified_))
            choice_before_unspecified_ = FirstChoiceOf(kind);
        kind_ = kind;
        changed_ = true;
        return;
    }
    if (kind == kind_ && !(kind == kItems && choice_ != 0)) return;
    kind_ = kind;
    if (kind == kItems) choice_ = 0;
    changed_ = true;
}

void IngredientDialog::SetUnitChoice(int choice, const NumberSettings &settings) {
    if (unspecified_ || choice == choice_ || !IsUnitOfKind(kind_, choice)) return;
    double amount = ConvertAmount(settings, kind_, choice_, choice, ParseQuantity(quantity_text_));
    quantity_text_ = FormatQuantity(settings, amount, 2, true);
    choice_ = choice;
    changed_ = true;
}

bool IngredientDialog::SetQuantityText(std::string text) {
    if (!std::all_of(text.begin(), text.end(), IsQuantityCharacter)) return false;
    if (text != quantity_text_) {
        quantity_text_ = std::move(text);
        changed_ = true;
    }
    return true;
}

void IngredientDialog::SetUnspecified(bool unspecified) {
    if (unspecified == unspecified_) return;
    unspecified_ = unspecified;
    changed_ = true;
    if (unspecified) {
        kind_before_unspecified_ = kind_;
        choice_before_unspecified_ = choice_;
        choice_ = kUnspecifiedChoice;
        quantity_text_ = "0.0";
    } else {
        kind_ = kind_before_unspecified_;
        choice_ = choice_before_unspecified_;
    }
}

void IngredientDialog::SetPreparationText(std::string text) {
    text = CutToFieldWidth(std::move(text));
    if (text == preparation_) return;
    preparation_ = std::move(text);
    changed_ = true;
}

std::vector<std::string> IngredientDialog::PreparationList(PreparationTerms &terms) const {
    return terms.AllTerms();
}

void IngredientDialog::ConfirmPreparation(PreparationTerms &terms, MessageSink &sink) {
    if (preparation_.empty() || terms.HasTerm(preparation_)) return;
    if (sink.Say(1200, {preparation_}, Icon::kNone, Buttons::kYesNo) == Answer::kYes)
        terms.AddTerm(preparation_);
    else
        preparation_.clear();
}

bool IngredientDialog::OkEnabled() const {
    if (!changed_ || name_text_.empty()) return false;
    if (name_text_.size() <= 2 && !name_chosen_) return false;
    if (unspecified_ || choice_ == kUnspecifiedChoice) return true;
    // A unit the kind does not have (volume's tbsp kept after switching to weight) would lose the
    // typed amount, so OK waits for a unit of the kind.
    return IsUnitOfKind(kind_, choice_) && ParseQuantity(quantity_text_) >= 0.000001;
}

std::optional<IngredientChoice> IngredientDialog::Accept(PreparationTerms &terms,
                                                         MessageSink &sink) {
    if (!OkEnabled()) return std::nullopt;
    ConfirmPreparation(terms, sink);
    IngredientChoice line;
    line.kind = kind_;
    line.choice = unspecified_ ? kUnspecifiedChoice : choice_;
    line.quantity = line.choice == kUnspecifiedChoice
                        ? 0.0f
                        : static_cast<float>(ParseQuantity(quantity_text_));
    line.name = name_text_;
    line.preparation = preparation_;
    return line;
}

}  // namespace kw

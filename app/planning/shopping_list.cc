// Shopping list entries and the adding rules (see shopping_list.h).
#include "app/planning/shopping_list.h"

#include <algorithm>

#include "app/recipes/name_compare.h"

namespace kw::planning {
namespace {

// Whether a sorts before b with A-Z taken as a-z, bytes compared unsigned.
bool SortsBeforeIgnoringCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

std::string QuantityText(const NumberSettings &settings, int kind, int choice, double amount) {
    if (choice < 0 || choice > 3) return "-";
    return FormatQuantity(settings, amount, 2, kind == kItems);
}

}  // namespace

std::optional<ListEntryValues> ParseListEntry(const UnitContext &context, std::string_view entry) {
    const size_t first = entry.find('\t');
    if (first == std::string_view::npos) return std::nullopt;
    const size_t second = entry.find('\t', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    ListEntryValues values;
    values.quantityText = entry.substr(0, first);
    values.unitText = entry.substr(first + 1, second - first - 1);
    values.name = entry.substr(second + 1);
    values.amount = ParseQuantity(values.quantityText);
    const UnitParse unit = ParseUnit(context, values.name, values.unitText, false);
    values.kind = unit.kind;
    values.choice = unit.choice;
    return values;
}

std::string ListEntryText(const NumberSettings &settings, int kind, int choice, double amount,
                          std::string_view name) {
    const std::string quantity = QuantityText(settings, kind, choice, amount);
    std::string entry = quantity;
    entry += '\t';
    entry += UnitName(settings, kind, choice, LeadingInteger(quantity) == 1, false);
    entry += '\t';
    entry += name;
    return entry;
}

void ShoppingList::Select(int position) {
    if (position >= -1 && position < static_cast<int>(entries_.size())) selected_ = position;
}

void ShoppingList::AddLine(const UnitContext &context, bool replace, int kind, int choice,
                           double amount, std::string_view name) {
    modified_ = true;
    if (replace && selected_ >= 0) DeleteSelected();
    size_t position = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const auto entry = ParseListEntry(context, entries_[i]);
        if (!entry) continue;
        if (SortsBeforeIgnoringCase(entry->name, name)) position = i + 1;
        if (entry->name != name || entry->choice < 0 || choice < 0 || entry->kind != kind) continue;
        if (choice == kUnspecifiedChoice) return;
        const MergedAmount merged =
            MergeAmounts(context.settings, kind, entry->choice, entry->amount, choice, amount);
        choice = merged.choice;
        amount = merged.amount;
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
        if (selected_ == static_cast<int>(i))
            selected_ = -1;
        else if (selected_ > static_cast<int>(i))
            --selected_;
        if (position > i) --position;
        break;
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(position),
                    ListEntryText(context.settings, kind, choice, amount, name));
    if (selected_ >= static_cast<int>(position)) ++selected_;
}

void ShoppingList::AddItem(const UnitContext &context, std::string_view text) {
    AddLine(context, false, -1, -1, 0.0, text);
}

bool ShoppingList::DeleteSelected() {
    if (selected_ < 0) return false;
    entries_.erase(entries_.begin() + selected_);
    selected_ = -1;
    modified_ = true;
    return true;
}

bool ShoppingList::Clear(MessageSink &sink) {
    if (sink.Say(803, {}, Icon::kQuestion, Buttons::kYesNo) != Answer::kYes) return false;
    entries_.clear();
    selected_ = -1;
    modified_ = true;
    return true;
}

std::string ShoppingList::CountText() const {
    return FormatMessage(802, {std::to_string(entries_.size())});
}

}  // namespace kw::planning

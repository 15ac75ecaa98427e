// The criteria selected in "Find Recipe...": the dialog's scratch table TMP1, kept in memory for
// as long as the dialog is open. Each row has the text fields CRITERIA (the label as listed, the
// key), OPTIONS (the option code) and DATA (the entered value as text), in list order.
//
// Rules callers may rely on:
//   - A once-only criterion can be selected once; while it is, it is missing from Available().
//   - A criterion that may be used several times stays available. Its first row is listed with
//     the label alone, every later one as "%s [%d]" with a running number per criterion that
//     only grows while the dialog is open ("Contains...", "Contains... [2]", "Contains... [3]"),
//     so CRITERIA stays unique even after rows were deleted.
//   - A new row's OPTIONS is the first code of the criterion's option list ('<' for the
//     comparisons, 'A' for difficulty) and 0 when it has none; DATA starts empty.
//   - Deleting a once-only criterion's row makes it available again.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/planning/search_criteria.h"

namespace kw::planning {

// One TMP1 row.
struct SelectedCriterion {
    std::string criteria;  // CRITERIA: the label, or "%s [%d]"
    char options = 0;      // OPTIONS: the chosen option code, 0 when the criterion has none
    std::string data;      // DATA: the entered value as text (Windows-1252)
    const CriterionDefinition *definition = nullptr;
};

class CriteriaSelection final {
  public:
    static constexpr char kTableName[] = "TMP1";

    // "Available Criteria": every definition in table order, less the once-only ones selected.
    std::vector<const CriterionDefinition *> Available() const;

    // "Add >>": appends a row for the definition and returns its position; -1 (and nothing
    // added) when it is once-only and selected already.
    int Add(const CriterionDefinition &definition);
    // "Delete": removes the row at position; false when there is none.
    bool Remove(size_t position);
    void Clear();

    const std::vector<SelectedCriterion> &Rows() const { return rows_; }
    // The row whose CRITERIA is criteria (exact), null when there is none. The pointer stays
    // valid until the next Add, Remove or Clear.
    SelectedCriterion *Find(std::string_view criteria);
    // The row at position, null when there is none (same validity).
    SelectedCriterion *Row(size_t position);
    bool IsSelected(const CriterionDefinition &definition) const;

  private:
    std::vector<SelectedCriterion> rows_;
    std::array<int, kCriterionCount>
        added_{};  // rows made so far per definition, for the running number
};

}  // namespace kw::planning

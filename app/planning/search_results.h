// The "Search Results" window's contents without the window: the lines it lists after a search
// and the count line under them, and the reading of a selected line back into the recipe it
// opens.
//
//   ListSearchResults   walks KWTMPRES on index 0 (NAME+CATEGORY) from the first record to the
//                       last: one line per record, NAME, a tab, CATEGORY; the count line is
//                       message 1700 "%1 Recipe(s) match" with the number of lines ("%d").
//   SplitResultLine     a line split at its first tab into name and category; a line without
//                       a tab is a name with an empty category.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/data/table.h"

namespace kw::planning {

struct SearchResultListing {
    KWRESULT result = KW_OK;  // 0, or the engine failure that ended the walk early
    std::vector<std::string> lines;
    std::string countText;  // "%d Recipe(s) match"
};

SearchResultListing ListSearchResults(CKWTable &results);

struct RecipeName {
    std::string name;
    std::string category;
};

RecipeName SplitResultLine(std::string_view line);

}  // namespace kw::planning

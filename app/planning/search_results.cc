// The search results listing (see search_results.h).
#include "app/planning/search_results.h"

#include <string>

#include "app/core/messages.h"
#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"

namespace kw::planning {

SearchResultListing ListSearchResults(CKWTable &results) {
    SearchResultListing listing;
    CKWRecord record;
    CKWQuery walk;
    KWRESULT r = record.Open(&results);
    if (r == KW_OK) {
        walk.SetIndex(&record, schema::kSearchResultByRecipe);
        std::string name, category;
        for (r = walk.GetFirst(); r == KW_OK; r = walk.GetNext()) {
            if ((r = record.GetString(schema::kFieldName, &name))) break;
            if ((r = record.GetString(schema::kFieldCategory, &category))) break;
            listing.lines.push_back(name + "\t" + category);
        }
        if (r == KW_END || r == KW_START) r = KW_OK;
    }
    listing.result = r;
    listing.countText = FormatMessage(1700, {std::to_string(listing.lines.size())});
    return listing;
}

RecipeName SplitResultLine(std::string_view line) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return {std::string(line), ""};
    return {std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))};
}

}  // namespace kw::planning

// The fill of KWRCPCAT with every recipe's link to its own category: for each KWRECIPE record, in
// the order of its index 0 (CATEGORY+NAME), a KWRCPCAT record with NAME = the recipe's NAME and
// CATEGORY = OTHERCAT = the recipe's CATEGORY. A link that exists already is refused by KWRCPCAT's
// unique index and so skipped; the result of each add is otherwise ignored too, so one bad
// record does not stop the fill.
//
// The start-up runs it once, when "Install"/"FillRcpRec" asks for it; loading an archive runs it
// every time, since an archive may hold recipes without their links. Either way "FillRcpRec" is
// set to 0 afterwards.
#pragma once

#include "app/data/database.h"
#include "platform/profile.h"

namespace kw {

// Adds the missing self-links. Returns 0, or the failure that kept the recipes from being
// walked (509 when a table is missing).
KWRESULT FillOwnCategoryLinks(CKWDatabase &database);

// The fill, then "Install"/"FillRcpRec" = 0 (the request is served even when a link failed).
KWRESULT RunCategoryFill(CKWDatabase &database, platform::Profile &settings);

}  // namespace kw

// The four exports of libkwimpt.so: the filter table, the dispatch of ImportRecipe to its filter,
// format detection. Every export checks its pointers and catches everything, so nothing crosses
// the C boundary but the documented result codes.
#include <cstring>

#include "detectors.h"
#include "filter_run.h"
#include "import_log.h"
#include "kwimpt.h"
#include "line_reader.h"

namespace {

struct FilterEntry {
    const char *name;
    int32_t (*read)(kw::import::FilterRun &run);
};

constexpr FilterEntry kFilters[] = {
    {"Kettleworth", kw::import::ReadOwnText},
    {"MealMaster", kw::import::ReadMealMaster},
    {"MasterCook", kw::import::ReadMasterCook},
};
constexpr int32_t kFilterCount = sizeof kFilters / sizeof kFilters[0];

}  // namespace

extern "C" {

KWIMPT_API int32_t ImportRecipe(int32_t *position, const char *text, RecipeImportRecord *record,
                                int32_t *warnings, int32_t filter, int32_t log) {
    if (warnings != nullptr) *warnings = 0;
    if (filter < 0 || filter >= kFilterCount) return 1;
    if (position == nullptr || text == nullptr || record == nullptr || *position < 0) return -1;
    try {
        std::memset(record, 0, sizeof *record);
        kw::import::ImportLog importLog(log);
        kw::import::LineReader reader(text, *position, &importLog);
        kw::import::FilterRun run(&reader, &importLog, record);
        const int32_t result = kFilters[filter].read(run);
        *position = reader.position();
        if (warnings != nullptr) *warnings = run.warnings();
        // A recipe that could not be read leaves nothing behind in the record.
        if (result < 0) std::memset(record, 0, sizeof *record);
        return result;
    } catch (...) {
        std::memset(record, 0, sizeof *record);
        return -1;
    }
}

KWIMPT_API int32_t GetSupportedFormats(int32_t index, char *name) {
    if (index < 0 || index >= kFilterCount || name == nullptr) return 0;
    std::strcpy(name, kFilters[index].name);
    return 1;
}

KWIMPT_API int32_t GetBestFilter(const char *text) {
    try {
        return kw::import::BestFilter(text);
    } catch (...) {
        return -1;
    }
}

KWIMPT_API void WEP(int32_t) {}

}  // extern "C"

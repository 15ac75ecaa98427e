// Fuzz target: the three import filters through ImportRecipe, called over one text the way the
// program calls them — from position 0, again and again from where the last call left off, until
// the text is used up, a call reads nothing (-1) or a bound of calls is reached. Every input runs
// through all three filters (index 0, 1, 2), and once through an index outside the table.
//
// Invariants checked after every call:
//   - the result is -1, 0 or 1; the warnings are not negative;
//   - the position never moves back and stays inside the text (up to its terminator);
//   - a call that read a recipe (0 or 1) consumed text: otherwise the program's loop, which goes
//     on while the position lies before the end, would call it forever;
//   - a call that read nothing leaves the record all zero; a recipe read without complaint (0)
//     has its name and primary category;
//   - every text in the record is NUL-terminated inside its slot, the method holds at most 4095
//     characters, the counts lie within 0..32 and 0..256, the slots past the counts are zero,
//     every stored category and ingredient has a name, measure kinds and unit choices are ones
//     the program knows, quantities and the cost are finite numbers;
//   - the first call gives the same record again when repeated (the plug-in keeps no state and
//     reads nothing uninitialised);
//   - the same text with every line break written as CR LF reads to the same recipes with the
//     same results and warnings: the filters see lines, not the form of their breaks.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "kwimpt.h"
#include "line_breaks.h"

namespace {

constexpr int kMaxCalls = 10000;

bool Terminated(const char *slot, size_t size) {
    return std::memchr(slot, '\0', size) != nullptr;
}

bool AllZero(const void *bytes, size_t size) {
    const auto *p = static_cast<const unsigned char *>(bytes);
    for (size_t i = 0; i < size; ++i)
        if (p[i] != 0) return false;
    return true;
}

// Which unit choices a measure kind has: weight 0, 1 (and 4, no amount), volume 0..3, items 0.
bool KnownUnit(int32_t kind, int32_t choice) {
    switch (kind) {
        case KWIMPT_WEIGHT:
            return choice == 0 || choice == 1 || choice == KWIMPT_NO_UNIT;
        case KWIMPT_VOLUME:
            return choice >= 0 && choice <= 3;
        case KWIMPT_ITEMS:
            return choice == 0;
        default:
            return false;
    }
}

void CheckRecord(const RecipeImportRecord &r) {
    FUZZ_CHECK(Terminated(r.name, sizeof r.name), "name terminated");
    FUZZ_CHECK(Terminated(r.category, sizeof r.category), "category terminated");
    FUZZ_CHECK(Terminated(r.method, sizeof r.method), "method terminated");
    FUZZ_CHECK(std::strlen(r.method) <= KWIMPT_METHOD_MAX, "method within 4095 characters");
    FUZZ_CHECK(Terminated(r.reference, sizeof r.reference), "reference terminated");
    const float cost = r.cost;
    FUZZ_CHECK(std::isfinite(cost), "cost finite");
    FUZZ_CHECK(r.difficulty == 'A' || r.difficulty == 'B' || r.difficulty == 'C',
               "difficulty A, B or C");

    const int32_t others = r.otherCategoryCount;
    FUZZ_CHECK(others >= 0 && others <= KWIMPT_MAX_OTHER_CATEGORIES, "other categories 0..32");
    for (int32_t i = 0; i < KWIMPT_MAX_OTHER_CATEGORIES; ++i) {
        const char *slot = r.otherCategories[i];
        if (i < others) {
            FUZZ_CHECK(Terminated(slot, KWIMPT_CATEGORY_SIZE), "other category terminated");
            FUZZ_CHECK(slot[0] != '\0', "other category not empty");
        } else {
            FUZZ_CHECK(AllZero(slot, KWIMPT_CATEGORY_SIZE), "unused category slot zero");
        }
    }

    const int32_t count = r.ingredientCount;
    FUZZ_CHECK(count >= 0 && count <= KWIMPT_MAX_INGREDIENTS, "ingredients 0..256");
    for (int32_t i = 0; i < KWIMPT_MAX_INGREDIENTS; ++i) {
        const ImportedIngredient &e = r.ingredients[i];
        if (i >= count) {
            FUZZ_CHECK(AllZero(&e, sizeof e), "unused ingredient entry zero");
            continue;
        }
        FUZZ_CHECK(Terminated(e.name, sizeof e.name), "ingredient name terminated");
        FUZZ_CHECK(e.name[0] != '\0', "ingredient has a name");
        FUZZ_CHECK(Terminated(e.preparation, sizeof e.preparation), "preparation terminated");
        const float quantity = e.quantity;
        FUZZ_CHECK(std::isfinite(quantity), "quantity finite");
        FUZZ_CHECK(KnownUnit(e.measureKind, e.unitChoice), "known measure kind and unit");
    }
}

// The log goes nowhere, but every entry is still formatted.
int LogDescriptor() {
    static const int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    return fd;
}

// What one walk read: per call its result, warnings and record.
struct Walk {
    std::string calls;
    void Add(int32_t result, int32_t warnings, const RecipeImportRecord &record) {
        calls.append(reinterpret_cast<const char *>(&result), sizeof result);
        calls.append(reinterpret_cast<const char *>(&warnings), sizeof warnings);
        calls.append(reinterpret_cast<const char *>(&record), sizeof record);
    }
};

Walk WalkText(const std::string &text, int32_t filter, RecipeImportRecord *record,
              RecipeImportRecord *again) {
    Walk walk;
    const auto end = static_cast<int32_t>(std::strlen(text.c_str()));
    // The program walks while the position lies before the length of its buffer.
    const auto length = static_cast<int32_t>(text.size());
    int32_t position = 0;
    for (int call = 0; position < length && call < kMaxCalls; ++call) {
        std::memset(record, 0xA5, sizeof *record);  // the plug-in clears the record itself
        const int32_t before = position;
        int32_t warnings = -7;
        const int32_t result =
            ImportRecipe(&position, text.c_str(), record, &warnings, filter, LogDescriptor());
        FUZZ_CHECK(result == -1 || result == 0 || result == 1, "result -1, 0 or 1");
        FUZZ_CHECK(warnings >= 0, "warnings set and not negative");
        FUZZ_CHECK(position >= before, "position never moves back");
        FUZZ_CHECK(position <= end, "position inside the text");
        walk.Add(result, warnings, *record);
        if (result < 0) {
            FUZZ_CHECK(AllZero(record, sizeof *record), "nothing read leaves the record zero");
            return walk;
        }
        FUZZ_CHECK(position > before, "a recipe read consumes text");
        CheckRecord(*record);
        FUZZ_CHECK(result != 0 || (record->name[0] != '\0' && record->category[0] != '\0'),
                   "a recipe read without complaint has a name and a category");
        if (call == 0) {
            int32_t repeated = before;
            int32_t repeatedWarnings = 0;
            std::memset(again, 0x5A, sizeof *again);
            const int32_t second =
                ImportRecipe(&repeated, text.c_str(), again, &repeatedWarnings, filter, -1);
            FUZZ_CHECK(second == result && repeated == position && repeatedWarnings == warnings,
                       "a repeated call gives the same result");
            FUZZ_CHECK(std::memcmp(record, again, sizeof *record) == 0,
                       "a repeated call gives the same record");
        }
    }
    return walk;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > INT32_MAX / 2) return 0;
    static const auto record = std::make_unique<RecipeImportRecord>();
    static const auto again = std::make_unique<RecipeImportRecord>();
    const std::string text(reinterpret_cast<const char *>(data), size);

    const std::string crLf = kw::fuzz::WithCrLf(text);
    for (int32_t filter = 0; filter < 3; ++filter) {
        const Walk walk = WalkText(text, filter, record.get(), again.get());
        if (crLf != text)
            FUZZ_CHECK(WalkText(crLf, filter, record.get(), again.get()).calls == walk.calls,
                       "CR LF breaks read the same as the text's own");
    }

    for (const int32_t unknown : {-1, 3}) {
        int32_t position = 0;
        int32_t warnings = -7;
        const int32_t result =
            ImportRecipe(&position, text.c_str(), record.get(), &warnings, unknown, -1);
        FUZZ_CHECK(result == 1 && position == 0 && warnings == 0,
                   "an unknown filter reads nothing");
    }
    return 0;
}

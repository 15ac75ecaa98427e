// Whole-text walks over ImportRecipe and the text form of a record.
#include "recipe_walk.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace kw::import {

namespace {
std::string_view Slot(const char *slot, size_t size) {
    const void *end = std::memchr(slot, '\0', size);
    return {slot,
            end == nullptr ? size : static_cast<size_t>(static_cast<const char *>(end) - slot)};
}

std::string Printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out;
}

std::string Flag(char c) {
    return c == '\0' ? "(none)" : Printable(std::string_view(&c, 1));
}

// The log entries written since *offset, one "  log: " line each, the line echo kept or not.
std::string TakeLog(std::FILE *log, long *offset, bool echo) {
    std::string out;
    if (log == nullptr) return out;
    std::fflush(log);
    std::fseek(log, *offset, SEEK_SET);
    char line[512];
    while (std::fgets(line, sizeof line, log) != nullptr) {
        std::string entry(line);
        while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r'))
            entry.pop_back();
        if (echo || entry.rfind(">> ", 0) != 0) out += "  log: " + Printable(entry) + "\n";
    }
    *offset = std::ftell(log);
    return out;
}

template <typename... Args>
void AppendFormat(std::string *out, const char *format, Args... args) {
    char line[512];
    std::snprintf(line, sizeof line, format, args...);
    *out += line;
}
}  // namespace

int ReadAllRecipes(const char *text, int32_t filter, int32_t log,
                   const std::function<void(const RecipeCall &)> &visit) {
    auto record = std::make_unique<RecipeImportRecord>();
    const size_t length = std::strlen(text);
    int32_t position = 0;
    int count = 0;
    while (static_cast<size_t>(position) < length) {
        std::memset(record.get(), 0, sizeof *record);
        RecipeCall call;
        call.start = position;
        call.result = ImportRecipe(&position, text, record.get(), &call.warnings, filter, log);
        call.end = position;
        if (call.result < 0) break;
        call.index = ++count;
        call.record = record.get();
        visit(call);
        if (position <= call.start) break;
    }
    return count;
}

WalkReport DescribeAllRecipes(const char *text, int32_t filter, bool withLineEcho) {
    WalkReport report;
    std::FILE *log = std::tmpfile();
    long offset = 0;
    report.recipes = ReadAllRecipes(
        text, filter, log != nullptr ? fileno(log) : -1, [&](const RecipeCall &call) {
            report.text += "\n" + DescribeCall(call) + DescribeRecord(*call.record) +
                           TakeLog(log, &offset, withLineEcho);
            if (call.result != 0) ++report.incomplete;
            report.warnings += call.warnings;
        });
    if (log != nullptr) std::fclose(log);
    return report;
}

std::string MeasureKindName(int32_t kind) {
    switch (kind) {
        case KWIMPT_WEIGHT:
            return "weight";
        case KWIMPT_VOLUME:
            return "volume";
        case KWIMPT_ITEMS:
            return "items";
        default:
            return std::to_string(kind);
    }
}

std::string DescribeCall(const RecipeCall &call) {
    std::string out;
    AppendFormat(&out, "recipe %d: result %d, warnings %d, bytes %d..%d\n", call.index,
                 static_cast<int>(call.result), static_cast<int>(call.warnings),
                 static_cast<int>(call.start), static_cast<int>(call.end));
    return out;
}

std::string DescribeRecord(const RecipeImportRecord &r) {
    std::string out;
    AppendFormat(&out, "  name:        %s\n", Printable(Slot(r.name, sizeof r.name)).c_str());
    AppendFormat(&out, "  category:    %s\n",
                 Printable(Slot(r.category, sizeof r.category)).c_str());
    const int32_t others = r.otherCategoryCount;
    AppendFormat(&out, "  other:       %d\n", static_cast<int>(others));
    for (int32_t i = 0; i < others && i < KWIMPT_MAX_OTHER_CATEGORIES; ++i)
        AppendFormat(&out, "    %s\n",
                     Printable(Slot(r.otherCategories[i], KWIMPT_CATEGORY_SIZE)).c_str());
    AppendFormat(&out, "  servings:    %d\n", static_cast<int>(r.servings));
    AppendFormat(&out, "  prep time:   %d\n", static_cast<int>(r.prepTime));
    AppendFormat(&out, "  total time:  %d\n", static_cast<int>(r.totalTime));
    AppendFormat(&out, "  calories:    %d\n", static_cast<int>(r.calories));
    AppendFormat(&out, "  cost:        %.2f\n", static_cast<double>(r.cost));
    AppendFormat(&out, "  vegetarian:  %s\n", Flag(r.vegetarian).c_str());
    AppendFormat(&out, "  gluten free: %s\n", Flag(r.glutenFree).c_str());
    AppendFormat(&out, "  dairy free:  %s\n", Flag(r.dairyFree).c_str());
    AppendFormat(&out, "  difficulty:  %s\n", Flag(r.difficulty).c_str());
    AppendFormat(&out, "  reference:   %s\n",
                 Printable(Slot(r.reference, sizeof r.reference)).c_str());
    const int32_t ingredients = r.ingredientCount;
    AppendFormat(&out, "  ingredients: %d\n", static_cast<int>(ingredients));
    for (int32_t i = 0; i < ingredients && i < KWIMPT_MAX_INGREDIENTS; ++i) {
        const ImportedIngredient &e = r.ingredients[i];
        AppendFormat(&out, "    %3d %-10g %-6s %d  %s", static_cast<int>(i + 1),
                     static_cast<double>(e.quantity), MeasureKindName(e.measureKind).c_str(),
                     static_cast<int>(e.unitChoice),
                     Printable(Slot(e.name, sizeof e.name)).c_str());
        const std::string note = Printable(Slot(e.preparation, sizeof e.preparation));
        if (!note.empty()) AppendFormat(&out, "  -- %s", note.c_str());
        out += '\n';
    }
    const std::string_view method = Slot(r.method, sizeof r.method);
    AppendFormat(&out, "  method:      %zu characters\n", method.size());
    size_t at = 0;
    while (at < method.size()) {
        size_t end = method.find("\r\n", at);
        const bool broken = end != std::string_view::npos;
        if (!broken) end = method.size();
        out += "    |" + Printable(method.substr(at, end - at)) + "|";
        out += broken ? "\n" : " (no line break)\n";
        at = broken ? end + 2 : end;
    }
    return out;
}

}  // namespace kw::import

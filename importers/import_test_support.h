// Test helpers for the import filters: a record unpacked into plain C++ values (the packed record
// allows no references to its numeric members), whole-text walks through ImportRecipe with the
// log captured, and file reading for golden files and the corpus.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "kwimpt.h"
#include "recipe_walk.h"

namespace kw::import::testing {

struct Ingredient {
    std::string name;
    std::string note;
    float quantity = 0;
    int32_t kind = 0;
    int32_t choice = 0;
};

struct Recipe {
    int32_t result = 0;
    int32_t warnings = 0;
    int32_t start = 0;
    int32_t end = 0;
    std::string name, category, method, reference;
    std::vector<std::string> others;
    int32_t servings = 0, prepTime = 0, totalTime = 0, calories = 0;
    float cost = 0;
    char dairyFree = 0, glutenFree = 0, vegetarian = 0, difficulty = 0;
    std::vector<Ingredient> ingredients;
};

inline std::string SlotString(const char *slot, size_t size) {
    return std::string(slot, strnlen(slot, size));
}

inline Recipe Unpack(const RecipeImportRecord &r) {
    Recipe out;
    out.name = SlotString(r.name, sizeof r.name);
    out.category = SlotString(r.category, sizeof r.category);
    out.method = SlotString(r.method, sizeof r.method);
    out.reference = SlotString(r.reference, sizeof r.reference);
    for (int32_t i = 0; i < r.otherCategoryCount && i < KWIMPT_MAX_OTHER_CATEGORIES; ++i)
        out.others.push_back(SlotString(r.otherCategories[i], KWIMPT_CATEGORY_SIZE));
    out.servings = r.servings;
    out.prepTime = r.prepTime;
    out.totalTime = r.totalTime;
    out.calories = r.calories;
    out.cost = r.cost;
    out.dairyFree = r.dairyFree;
    out.glutenFree = r.glutenFree;
    out.vegetarian = r.vegetarian;
    out.difficulty = r.difficulty;
    for (int32_t i = 0; i < r.ingredientCount && i < KWIMPT_MAX_INGREDIENTS; ++i) {
        const ImportedIngredient &e = r.ingredients[i];
        Ingredient ing;
        ing.name = SlotString(e.name, sizeof e.name);
        ing.note = SlotString(e.preparation, sizeof e.preparation);
        ing.quantity = e.quantity;
        ing.kind = e.measureKind;
        ing.choice = e.unitChoice;
        out.ingredients.push_back(ing);
    }
    return out;
}

// A log file the filters write to; Text() returns everything written so far.
class CapturedLog {
  public:
    CapturedLog() : file_(std::tmpfile()) {}
    ~CapturedLog() {
        if (file_ != nullptr) std::fclose(file_);
    }
    CapturedLog(const CapturedLog &) = delete;
    CapturedLog &operator=(const CapturedLog &) = delete;
    int32_t fd() const { return file_ != nullptr ? fileno(file_) : -1; }
    std::string Text() const {
        std::string out;
        if (file_ == nullptr) return out;
        std::fflush(file_);
        std::rewind(file_);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
            out.append(buffer, n);
        return out;
    }

  private:
    std::FILE *file_;
};

// One ImportRecipe call at position; *position (when given) receives the new position.
inline Recipe ReadOne(const std::string &text, int32_t filter, int32_t start = 0,
                      int32_t log = -1) {
    auto record = std::make_unique<RecipeImportRecord>();
    std::memset(record.get(), 0, sizeof *record);
    int32_t position = start;
    int32_t warnings = -7;
    const int32_t result =
        ImportRecipe(&position, text.c_str(), record.get(), &warnings, filter, log);
    Recipe out = Unpack(*record);
    out.result = result;
    out.warnings = warnings;
    out.start = start;
    out.end = position;
    return out;
}

// Every recipe of text, as the walk reads them.
inline std::vector<Recipe> ReadAll(const std::string &text, int32_t filter, int32_t log = -1) {
    std::vector<Recipe> out;
    ReadAllRecipes(text.c_str(), filter, log, [&](const RecipeCall &call) {
        Recipe recipe = Unpack(*call.record);
        recipe.result = call.result;
        recipe.warnings = call.warnings;
        recipe.start = call.start;
        recipe.end = call.end;
        out.push_back(recipe);
    });
    return out;
}

// The bytes of a file ("" when it cannot be read), with NUL bytes read as blanks.
inline std::string ReadFileBytes(const std::string &path, bool *ok = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (ok != nullptr) *ok = static_cast<bool>(in);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::string text = bytes.str();
    for (char &c : text)
        if (c == '\0') c = ' ';
    return text;
}

// Lines joined with CR LF, each ended by one, as the programs write them.
inline std::string CrLf(std::initializer_list<const char *> lines) {
    std::string out;
    for (const char *line : lines)
        out += std::string(line) + "\r\n";
    return out;
}

}  // namespace kw::import::testing

// Reading a whole text recipe by recipe through the plug-in's ImportRecipe, and a plain-text
// description of each record — what `kwtool parse` prints and what the golden-file tests compare.
// Only the public interface (kwimpt.h) is used; the caller links either libkwimpt.so or the
// internal library that provides ImportRecipe.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "kwimpt.h"

namespace kw::import {

struct RecipeCall {
    int index = 0;         // 1 for the first recipe of the text
    int32_t result = 0;    // ImportRecipe's result
    int32_t warnings = 0;  // warnings of this call
    int32_t start = 0;     // position before the call
    int32_t end = 0;       // position after it
    const RecipeImportRecord *record = nullptr;
};

// Calls ImportRecipe with filter until it returns -1 or the text is used up, reporting every
// call that read a recipe (result 0 or 1) to visit; unlike the program, a result of 1 does not
// stop the walk. A call that consumes nothing also ends it. Returns the number of recipes read.
int ReadAllRecipes(const char *text, int32_t filter, int32_t log,
                   const std::function<void(const RecipeCall &)> &visit);

// A record as text: one "field: value" line per field, the other categories, one line per
// ingredient and the method line by line. Bytes outside printable ASCII show as \xNN.
std::string DescribeRecord(const RecipeImportRecord &record);

// The header line DescribeRecord's block gets in a walk: "recipe N: result R, warnings W".
std::string DescribeCall(const RecipeCall &call);

// Every recipe of a text described, each block followed by the problems the filter logged for it
// ("  log: *** ..." lines; with withLineEcho also the ">> line" echo of every line read): the
// report kwtool parse prints and the golden files of the tests hold.
struct WalkReport {
    std::string text;
    int recipes = 0;
    int incomplete = 0;  // recipes read with result 1 (no name or category)
    int warnings = 0;
};
WalkReport DescribeAllRecipes(const char *text, int32_t filter, bool withLineEcho);

// The name of a measure kind ("weight", "volume", "items") or its number.
std::string MeasureKindName(int32_t kind);

}  // namespace kw::import

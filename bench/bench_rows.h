// The records the engine benchmark writes: N records of KWRECIPE or KWRECING, reproducible from a
// seed, with realistic names and categories (from the recipe word lists) and unique keys.
//
// KWRECIPE records have distinct (category, title) pairs, ignoring case; KWRECING holds the
// ingredient lines of about N / 8 such recipes, each ingredient once per recipe. Record i is
// computed on demand from its index, so even a million records take little memory besides their
// names; version 1 of a record keeps its keys and changes the other fields (an edit).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bench_schema.h"

namespace kw::bench {

// One field's value: text for C and L fields, integer for I, real for F; the U field's is unused.
struct FieldValue {
    std::string_view text;
    int32_t integer = 0;
    float real = 0;
};

// A record: one value per engine field, in field order.
using Row = std::vector<FieldValue>;

class RowSet {
  public:
    RowSet(const BenchTable &table, size_t count, uint64_t seed);

    const BenchTable &table() const { return table_; }
    size_t size() const { return count_; }
    // Record i as first written (version 0) or as edited (version 1).
    void Fill(size_t i, int version, Row *row) const;

  private:
    struct Head {
        std::string name, category;
    };
    struct Line {
        uint32_t recipe;
        const char *ingredient;
    };
    void FillRecipe(size_t i, int version, Row *row) const;
    void FillIngredient(size_t i, int version, Row *row) const;
    uint64_t Hash(size_t i, uint64_t salt) const;

    const BenchTable &table_;
    size_t count_;
    uint64_t seed_;
    std::vector<Head> heads_;
    std::vector<Line> lines_;
    std::vector<std::string> methods_;
    std::vector<std::string> notes_;
};

}  // namespace kw::bench

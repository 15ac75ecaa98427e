// Building the benchmark records.
#include "bench_rows.h"

#include <algorithm>

#include "bench_random.h"
#include "recipe_words.h"

namespace kw::bench {
namespace {

constexpr size_t kMethodPool = 64;
constexpr size_t kNotePool = 32;
constexpr size_t kMethodMax = 4000;
const std::string_view kReferences[] = {"",
                                        "",
                                        "Better Homes and Gardens",
                                        "Family recipe",
                                        "Church cookbook",
                                        "Usenet rec.food.recipes"};

uint64_t Mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string MakeMethod(BenchRandom &random, const RecipeWords &words) {
    const size_t target = random.Chance(0.15) ? static_cast<size_t>(random.Between(1500, 2800))
                                              : static_cast<size_t>(random.Between(200, 1200));
    const std::vector<std::string> names = {"flour", "butter", "sugar", "onion", "chicken"};
    std::string method;
    while (method.size() < target) {
        if (!method.empty()) method += "\r\n";
        for (int n = random.Between(2, 5); n > 0; --n)
            method += words.MakeSentence(random, names) + " ";
    }
    method.resize(std::min(method.size(), kMethodMax));
    return method;
}

}  // namespace

RowSet::RowSet(const BenchTable &table, size_t count, uint64_t seed)
    : table_(table), count_(count), seed_(seed) {
    BenchRandom random(seed);
    const RecipeWords words;
    for (size_t i = 0; i < kMethodPool; ++i)
        methods_.push_back(MakeMethod(random, words));
    for (size_t i = 0; i < kNotePool; ++i)
        notes_.push_back(i % 3 == 0 ? std::string() : std::string(words.PickPreparation(random)));

    const bool lines = &table == &IngredientTable();
    UniqueHeads unique(words);
    unique.Reserve(lines ? count / 3 : count * 2);
    heads_.reserve(lines ? count / 6 : count);
    const auto addHead = [&] {
        const RecipeHead head = unique.Next(random);
        heads_.push_back({head.name, head.categories.front()});
    };
    if (!lines) {
        while (heads_.size() < count)
            addHead();
        return;
    }

    lines_.reserve(count);
    for (uint32_t recipe = 0; lines_.size() < count; ++recipe) {
        addHead();
        const size_t first = lines_.size();
        for (int n = random.Between(4, 12); n > 0 && lines_.size() < count; --n) {
            const char *name = words.PickIngredient(random).name;
            const bool repeated =
                std::any_of(lines_.begin() + static_cast<ptrdiff_t>(first), lines_.end(),
                            [name](const Line &l) { return l.ingredient == name; });
            if (!repeated) lines_.push_back({recipe, name});
        }
    }
}

uint64_t RowSet::Hash(size_t i, uint64_t salt) const {
    return Mix(seed_ * 0x9E3779B97F4A7C15ull + i * 0xD1B54A32D192ED03ull + salt);
}

void RowSet::Fill(size_t i, int version, Row *row) const {
    row->assign(static_cast<size_t>(table_.engine->fieldCount), FieldValue{});
    if (&table_ == &IngredientTable()) {
        FillIngredient(i, version, row);
    } else {
        FillRecipe(i, version, row);
    }
}

void RowSet::FillRecipe(size_t i, int version, Row *row) const {
    static const std::string_view kFlags[] = {"F", "T"};
    static const std::string_view kDifficulty[] = {"A", "B", "C"};
    const uint64_t h = Hash(i, 1);
    const Head &head = heads_[i];
    Row &r = *row;
    r[0].text = head.name;
    r[1].text = head.category;
    r[2].text = methods_[(h + static_cast<uint64_t>(version)) % kMethodPool];
    r[3].integer = static_cast<int32_t>(h % 240) + 10 + version * 5;
    r[4].integer = static_cast<int32_t>((h >> 8) % 60) + 5;
    r[5].integer = static_cast<int32_t>((h >> 16) % 12) + 1 + version;
    r[6].integer = (h >> 24) % 4 == 0 ? -1 : static_cast<int32_t>((h >> 26) % 900) + 50;
    r[7].real = (h >> 36) % 4 == 0 ? -1.0f : static_cast<float>((h >> 38) % 2000) / 100.0f;
    r[8].text = kFlags[(h >> 48) & 1];
    r[9].text = kFlags[(h >> 49) & 1];
    // About one recipe in four is vegetarian; an edit flips the flag, moving its index entry.
    r[10].text = kFlags[(((h >> 50) % 4 == 0) ? 1 : 0) ^ (version & 1)];
    r[11].text = kDifficulty[(h >> 52) % 3];
    r[12].text = kReferences[(h >> 56) % std::size(kReferences)];
}

void RowSet::FillIngredient(size_t i, int version, Row *row) const {
    const uint64_t h = Hash(i, 2);
    const Line &line = lines_[i];
    const Head &head = heads_[line.recipe];
    Row &r = *row;
    r[0].text = head.name;
    r[1].text = head.category;
    r[2].text = line.ingredient;
    r[3].real = static_cast<float>(h % 1000) / 4.0f + static_cast<float>(version);
    r[4].integer = static_cast<int32_t>((h >> 12) % 4);
    r[5].integer = static_cast<int32_t>((h >> 16) % 3);
    r[6].text = notes_[((h >> 20) + static_cast<uint64_t>(version)) % kNotePool];
}

}  // namespace kw::bench

// Generating Meal-Master recipes: the recipe's content first (head, ingredients, method), then
// its layout in the columns the import filter reads.
#include "mealmaster_gen.h"

#include <algorithm>
#include <cstdio>

namespace kw::bench {
namespace {

constexpr size_t kTextWidth = 29;    // ingredient text columns 11-39 and 52-80
constexpr size_t kRightStart = 41;   // first column of the right ingredient
constexpr size_t kMethodWidth = 72;  // method lines are wrapped here
constexpr size_t kEarlierHeads = 1000;

const char *const kFractions[] = {"1/2", "1/4", "3/4", "1/3", "2/3", "1/8"};

// A quantity as the 7 characters of columns 0-6: a whole part ending at column 2 and a fraction
// in 4-6, or a lone number or fraction ending at column 6.
std::string QuantityField(const std::string &whole, const std::string &fraction) {
    char field[16];
    if (!whole.empty() && !fraction.empty()) {
        std::snprintf(field, sizeof field, "%3s %3s", whole.c_str(), fraction.c_str());
    } else {
        std::snprintf(field, sizeof field, "%7s", (whole + fraction).c_str());
    }
    return field;
}

struct Amount {
    std::string whole, fraction, unit;
};

// An amount in Meal-Master units for the ingredient's measure class; mixed numbers only where
// allowed.
Amount MakeAmount(BenchRandom &random, MeasureClass measure, bool mixed) {
    const auto fraction = [&random] { return std::string(kFractions[random.Below(6)]); };
    const auto small = [&random](int high) { return std::to_string(random.Between(1, high)); };
    Amount a;
    switch (measure) {
        case MeasureClass::kVolume: {
            static const char *const units[] = {"c", "c", "c", "tb", "tb", "ts", "pt", "qt"};
            a.unit = units[random.Below(8)];
            const double shape = random.Unit();
            if (shape < 0.4) {
                a.whole = small(3);
            } else if (shape < 0.75 || !mixed) {
                a.fraction = fraction();
            } else {
                a.whole = small(2);
                a.fraction = fraction();
            }
            break;
        }
        case MeasureClass::kWeight: {
            const double shape = random.Unit();
            if (shape < 0.45) {
                a.unit = "lb";
                if (random.Chance(0.6)) {
                    a.whole = small(3);
                } else {
                    a.fraction = random.Chance(0.5) ? "1/2" : "1/4";
                }
            } else if (shape < 0.85) {
                static const char *const ounces[] = {"2", "3", "4", "6", "8", "12", "16"};
                a.unit = "oz";
                a.whole = ounces[random.Below(7)];
            } else {
                static const char *const grams[] = {"100", "125", "200", "250", "500"};
                a.unit = "g";
                a.whole = grams[random.Below(5)];
            }
            break;
        }
        case MeasureClass::kCount: {
            static const char *const units[] = {"", "", "", "sm", "md", "lg"};
            a.unit = units[random.Below(6)];
            if (random.Chance(0.85)) {
                a.whole = small(6);
            } else {
                a.fraction = "1/2";
            }
            break;
        }
        case MeasureClass::kPinch: {
            const double shape = random.Unit();
            if (shape < 0.25) break;  // "to taste": no amount at all
            if (shape < 0.4) {
                a.unit = random.Chance(0.5) ? "pn" : "ds";
                a.whole = "1";
            } else {
                a.unit = random.Chance(0.7) ? "ts" : "tb";
                if (random.Chance(0.5) || !mixed) {
                    a.fraction = fraction();
                } else {
                    a.whole = "1";
                    a.fraction = "1/2";
                }
            }
            break;
        }
        case MeasureClass::kPackage: {
            static const char *const units[] = {"cn", "cn", "pk", "ea", "oz"};
            a.unit = units[random.Below(5)];
            a.whole = a.unit == "oz" ? (random.Chance(0.5) ? "15" : "10") : small(2);
            break;
        }
    }
    return a;
}

// One ingredient as it stands in its column.
struct Placed {
    Amount amount;
    std::string text;          // name with its note when it fits
    std::string continuation;  // text of a "-" continuation line, empty for none
};

// The 40 columns of a left ingredient, or the columns of a right one from 41 on.
std::string ColumnText(const Placed &p) {
    std::string unit = p.amount.unit;
    unit.resize(2, ' ');
    return QuantityField(p.amount.whole, p.amount.fraction) + " " + unit + " " + p.text;
}

std::string TrimRight(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string SectionLine(std::string_view title) {
    const size_t total = 69;
    const size_t dashes = total - 5 - title.size();
    return "MMMMM" + std::string(dashes / 2, '-') + std::string(title) +
           std::string(dashes - dashes / 2, '-');
}

}  // namespace

MealMasterGenerator::MealMasterGenerator(uint64_t seed, GeneratorOptions options)
    : random_(seed), options_(options), heads_(words_) {}

RecipeHead MealMasterGenerator::UniqueHead() {
    if (!earlier_.empty() && random_.Chance(options_.repeatRate))
        return earlier_[random_.Below(earlier_.size())];
    RecipeHead head = heads_.Next(random_);
    if (earlier_.size() < kEarlierHeads) {
        earlier_.push_back(head);
    } else {
        earlier_[random_.Below(kEarlierHeads)] = head;
    }
    return head;
}

GeneratedRecipe MealMasterGenerator::Next() {
    GeneratedRecipe recipe;
    RecipeHead head = UniqueHead();
    recipe.name = head.name;
    recipe.categories = head.categories;

    static const int kServings[] = {4, 6, 8, 4, 2, 6, 12, 1, 10, 3, 24, 16};
    recipe.servings = kServings[random_.Below(12)];
    std::string yield;
    const double shape = random_.Unit();
    if (shape < 0.7) {
        yield = std::to_string(recipe.servings) + " Servings";
    } else if (shape < 0.85) {
        yield = std::to_string(recipe.servings) + " servings";
    } else {
        static const char *const units[] = {" Dozen", " Loaves", " Cups", " Batch", " Pints"};
        yield = std::to_string(recipe.servings) + units[random_.Below(5)];
    }

    std::string categories;
    for (const std::string &c : recipe.categories)
        categories += (categories.empty() ? "" : ", ") + c;

    recipe.text =
        "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n \r\n      Title: " + recipe.name +
        "\r\n Categories: " + categories + "\r\n      Yield: " + yield + "\r\n \r\n";
    recipe.text += IngredientLines(recipe);
    recipe.text += " \r\n";
    MakeMethod(recipe);
    for (const std::string &line : recipe.methodLines)
        recipe.text += "  " + line + "\r\n";
    recipe.text += " \r\nMMMMM\r\n\r\n";
    return recipe;
}

// Chooses the ingredients and lays them out; fills recipe.ingredients in the order the lines
// give them.
std::string MealMasterGenerator::IngredientLines(GeneratedRecipe &recipe) {
    const int count = std::min(random_.Between(3, 10) + random_.Between(0, 8), 18);
    std::vector<const IngredientWord *> chosen;
    for (int tries = 0; static_cast<int>(chosen.size()) < count && tries < 200; ++tries) {
        const IngredientWord *word = &words_.PickIngredient(random_);
        if (std::find(chosen.begin(), chosen.end(), word) == chosen.end()) chosen.push_back(word);
    }

    const bool twoColumns = chosen.size() >= 4 && random_.Chance(0.25);
    // Sections: the indexes where a sub-heading starts a group.
    std::vector<size_t> sectionStarts;
    if (chosen.size() >= 6 && random_.Chance(0.25)) {
        if (random_.Chance(0.3)) sectionStarts.push_back(0);
        const size_t groups = random_.Chance(0.7) ? 2 : 3;
        for (size_t g = 1; g < groups; ++g)
            sectionStarts.push_back(chosen.size() * g / groups);
    }

    std::string out;
    size_t at = 0;
    while (at < chosen.size()) {
        if (std::find(sectionStarts.begin(), sectionStarts.end(), at) != sectionStarts.end()) {
            if (at > 0 && random_.Chance(0.4)) out += " \r\n";
            out += SectionLine(words_.PickSection(random_)) + "\r\n";
        }
        // The ingredients of this line: two in two-column layout, unless a section starts next.
        size_t take = 1;
        if (twoColumns && at + 1 < chosen.size() &&
            std::find(sectionStarts.begin(), sectionStarts.end(), at + 1) == sectionStarts.end()) {
            take = 2;
        }
        std::string line;
        std::string continuation;
        for (size_t k = 0; k < take; ++k) {
            const IngredientWord &word = *chosen[at + k];
            const bool right = k == 1;
            Placed p;
            p.amount = MakeAmount(random_, word.measure, !right);
            GeneratedIngredient expected{word.name, ""};
            std::string note;
            if (random_.Chance(0.45)) note = words_.PickPreparation(random_);
            const char *separator = random_.Chance(0.8) ? "; " : ", ";
            p.text = word.name;
            if (!note.empty()) {
                const std::string whole = p.text + separator + note;
                const size_t blank = note.find(' ');
                if (!twoColumns && blank != std::string::npos && random_.Chance(0.3) &&
                    p.text.size() + 2 + blank <= kTextWidth) {
                    // The note runs over to a continuation line.
                    p.text += separator + note.substr(0, blank);
                    continuation = "-" + note.substr(blank + 1);
                    expected.preparation = note;
                } else if (whole.size() <= kTextWidth) {
                    p.text = whole;
                    expected.preparation = note;
                } else if (!twoColumns) {
                    continuation = "-" + note;
                    expected.preparation = note;
                }
            }
            if (right) {
                line.resize(kRightStart, ' ');
                line += ColumnText(p);
            } else {
                line = ColumnText(p);
            }
            recipe.ingredients.push_back(expected);
        }
        out += TrimRight(line) + "\r\n";
        if (!continuation.empty()) out += std::string(11, ' ') + continuation + "\r\n";
        at += take;
    }
    return out;
}

void MealMasterGenerator::MakeMethod(GeneratedRecipe &recipe) {
    std::vector<std::string> names;
    for (const GeneratedIngredient &i : recipe.ingredients)
        names.push_back(i.name);
    // Most methods are a few hundred characters; some run to several thousand.
    const size_t target = random_.Chance(0.15) ? static_cast<size_t>(random_.Between(1500, 2800))
                                               : static_cast<size_t>(random_.Between(200, 1200));
    size_t length = 0;
    while (length < target) {
        if (!recipe.methodLines.empty()) recipe.methodLines.push_back("");
        std::string line;
        for (int sentences = random_.Between(2, 5); sentences > 0; --sentences) {
            const std::string sentence = words_.MakeSentence(random_, names);
            length += sentence.size() + 2;
            size_t from = 0;
            while (from < sentence.size()) {
                size_t end = sentence.find(' ', from);
                if (end == std::string::npos) end = sentence.size();
                const std::string word = sentence.substr(from, end - from);
                if (!line.empty() && line.size() + 1 + word.size() + 2 > kMethodWidth) {
                    recipe.methodLines.push_back(line);
                    line.clear();
                }
                line += (line.empty() ? "" : " ") + word;
                from = end + 1;
            }
        }
        recipe.methodLines.push_back(TrimRight(line));
    }
}

}  // namespace kw::bench

// gen_mealmaster: writes N generated Meal-Master recipes to standard output.
//
//   gen_mealmaster N [--seed S] [--repeat-rate R] > recipes.mmf
//
// The same N and seed give the same bytes. R (default 0.002) is the share of recipes that repeat
// an earlier recipe's title and category, as reposts do in real archives; 0 makes every pair
// distinct. Exit status 2 on a usage error.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mealmaster_gen.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: gen_mealmaster N [--seed S] [--repeat-rate R]\n");
    return 2;
}

bool ParseCount(const char *text, unsigned long long *value) {
    char *end = nullptr;
    *value = std::strtoull(text, &end, 10);
    return end != text && *end == '\0' && text[0] != '-';
}

}  // namespace

int main(int argc, char **argv) {
    unsigned long long count = 0;
    unsigned long long seed = 1;
    kw::bench::GeneratorOptions options;
    bool haveCount = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc) {
            if (!ParseCount(argv[++i], &seed)) return Usage();
        } else if (arg == "--repeat-rate" && i + 1 < argc) {
            char *end = nullptr;
            options.repeatRate = std::strtod(argv[++i], &end);
            if (*end != '\0' || options.repeatRate < 0 || options.repeatRate > 1) return Usage();
        } else if (!haveCount && ParseCount(argv[i], &count)) {
            haveCount = true;
        } else {
            return Usage();
        }
    }
    if (!haveCount) return Usage();

    kw::bench::MealMasterGenerator generator(seed, options);
    for (unsigned long long n = 0; n < count; ++n) {
        const std::string text = generator.Next().text;
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

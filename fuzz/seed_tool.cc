// The seed generator of the fuzz targets. Two commands:
//
//   fuzz_seed_tool recipes OUTDIR PER_FILE FILE...
//     Cuts recipe text files (Meal-Master, MasterCook, the program's own text) at their recipe
//     heads into pieces of one or two recipes (two, so repeated calls are seeded too), at most
//     PER_FILE pieces per file taken evenly from the whole file, none above 16 KB. A file without
//     a recognised head gives one piece, its start. The bytes stay as they are (the encodings
//     of the originals are seeds for the encoding target too).
//
//   fuzz_seed_tool encodings OUTDIR PER_FILE FILE...
//     The same pieces, each also converted to UTF-8 from the encoding guessed for it, so the
//     encoding target starts from both single-byte and UTF-8 text.
//
//   fuzz_seed_tool overflow OUTDIR
//     One recipe of each format with more ingredient lines than the record holds and a method
//     longer than it holds, so the limits are reached from the start.
//
//   fuzz_seed_tool bodies OUTDIR FILE...
//     The plain (unscrambled) bodies of export files of known versions, as the export loader's
//     target reads its input.
//
//   fuzz_seed_tool tables OUTDIR
//     The table files of KWRECIPE as the engine writes them after a few histories (empty, a
//     few records, many with deletions, stale indexes, cleared), joined as fuzz_table_files
//     reads them.
//
//   fuzz_seed_tool dumps OUTDIR
//     Dumps of KWRECIPE and KWCAT the engine writes: empty, a few and many records, all tables
//     or chosen ones in another order.
//
//   fuzz_seed_tool export OUTDIR
//     Writes export files with the scrambled-file writer: every version, ingredient and recipe
//     sections with all kinds of line, the other-category block, a long text with paragraphs
//     and awkward bytes, and a few damaged forms (header only, cut short, a foreign header).
//
// Seeds are named after their origin, so a second run overwrites rather than adds.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/interchange/scrambled_file.h"
#include "detectors.h"
#include "export_body.h"
#include "memory_file.h"
#include "platform/text_encoding.h"
#include "seed_engine.h"

namespace {

constexpr size_t kMaxPiece = 16 * 1024;

bool ReadFile(const std::string &path, std::string *bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    *bytes = all.str();
    return true;
}

bool WriteFile(const std::string &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool IsRecipeHead(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const bool section = line.starts_with("MMMMM") || line.starts_with("-----");
    return (section && line.find("Meal-Master") != std::string_view::npos) ||
           line.starts_with("===== Recipe By") || kw::import::IsMasterCookBanner(line);
}

// Byte offsets where recipes begin.
std::vector<size_t> RecipeStarts(const std::string &text) {
    std::vector<size_t> starts;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        if (IsRecipeHead(std::string_view(text).substr(at, end - at))) starts.push_back(at);
        at = end + 1;
    }
    return starts;
}

std::string BaseName(const std::string &path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    name = name.substr(0, name.find_last_of('.'));
    return name.size() > 24 ? name.substr(name.size() - 24) : name;
}

int CutRecipes(const std::string &outDir, size_t perFile, const std::vector<std::string> &files,
               bool withUtf8) {
    int written = 0;
    for (const std::string &path : files) {
        std::string text;
        if (!ReadFile(path, &text)) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 1;
        }
        const std::vector<size_t> starts = RecipeStarts(text);
        const std::string base = outDir + "/" + BaseName(path);
        auto write = [&](const std::string &name, const std::string &piece) {
            written += WriteFile(base + "-" + name + ".txt", piece);
            if (!withUtf8) return;
            using kw::platform::Encoding;
            const std::string cp1252 = kw::platform::ConvertToCp1252(piece, Encoding::kAuto);
            written +=
                WriteFile(base + "-" + name + "-utf8.txt", kw::platform::Cp1252ToUtf8(cp1252));
        };
        if (starts.empty()) {
            write("0", text.substr(0, kMaxPiece));
            continue;
        }
        const size_t step = starts.size() > perFile ? starts.size() / perFile : 1;
        for (size_t i = 0, n = 0; i < starts.size() && n < perFile; i += step, ++n) {
            const size_t recipes = 1 + n % 2;
            const size_t end = i + recipes < starts.size() ? starts[i + recipes] : text.size();
            write(std::to_string(i), text.substr(starts[i], std::min(end - starts[i], kMaxPiece)));
        }
    }
    std::printf("%d recipe seeds written to %s\n", written, outDir.c_str());
    return 0;
}

// ---- recipes past the record's limits --------------------------------------------------------

int WriteOverflowSeeds(const std::string &outDir) {
    constexpr int kLines = 270;  // above the 256 entries of the record
    std::string ownIngredients, mmIngredients, mcIngredients, method;
    for (int i = 0; i < kLines; ++i) {
        char line[160];
        std::snprintf(line, sizeof line, "%-10d%-10s%-32s%s\r\n", i % 9 + 1, "g",
                      ("flour " + std::to_string(i)).c_str(), "sifted");
        ownIngredients += line;
        std::snprintf(line, sizeof line, "%3d %-3s %-2s %-29s %2d  %-3s %-2s %s\r\n", i % 9 + 1,
                      "1/2", "c", ("Flour " + std::to_string(i) + "; sifted").c_str(), 2, "", "ts",
                      "Salt");
        mmIngredients += line;
        std::snprintf(line, sizeof line, "%4d %-3s  %-12s  %s\r\n", i % 9 + 1, "1/2", "cups",
                      ("flour " + std::to_string(i) + " -- sifted").c_str());
        mcIngredients += line;
    }
    for (int i = 0; method.size() < 5000; ++i)
        method += "  Stir the batter " + std::to_string(i) + " times and let it rest.\r\n";

    const std::string own =
        "===== Recipe By Kettleworth 2.0 [seed] =====\r\n"
        "===== https://kettleworth.example/\r\n"
        "Name    : Overflowing Cake\r\nCategory: Desserts\r\n"
        "Other   : Baking, Cakes, \r\n-----\r\n" +
        ownIngredients + "-----\r\n" + method +
        "-----\r\nVegetarian: Y  Gluten Free: N\r\nCalories  : Unknown\r\n"
        "Cost      : 3.50\r\nDifficulty: Hard\r\nServes    : 8\r\n"
        "Prep Time : 0:30       Total Time: 1:15\r\n===== End =====\r\n";
    const std::string mealMaster =
        "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n \r\n"
        "      Title: Overflowing Cake\r\n Categories: Desserts, Cakes\r\n"
        "      Yield: 8 servings\r\n \r\n" +
        mmIngredients + " \r\n" + method + " \r\nMMMMM\r\n";
    const std::string masterCook =
        "* Exported from MasterCook *\r\n\r\n                     Overflowing Cake\r\n\r\n"
        "Recipe By     : Seed\r\nServing Size  : 8     Preparation Time :0:30\r\n"
        "Categories    : Desserts                         Cakes\r\n\r\n"
        "  Amount  Measure       Ingredient -- Preparation Method\r\n"
        "--------  ------------  --------------------------------\r\n" +
        mcIngredients + "\r\n" + method +
        "\r\n                   - - - - - - - - - - - - - - - - - - \r\n";
    int written = WriteFile(outDir + "/overflow-own.txt", own);
    written += WriteFile(outDir + "/overflow-mealmaster.txt", mealMaster);
    written += WriteFile(outDir + "/overflow-mastercook.txt", masterCook);
    std::printf("%d overflow seeds written to %s\n", written, outDir.c_str());
    return 0;
}

// ---- export files ---------------------------------------------------------------------------

void WriteIngredient(kw::ScrambledFile &out, const char *name, int units, int opts, double calories,
                     double cost, const char *type, int gluten, const char *information) {
    out.WriteText("*");
    out.WriteText(name);
    out.WriteInteger(units);
    out.WriteInteger(opts);
    out.WriteReal(calories);
    out.WriteReal(cost);
    out.WriteText(type);
    out.WriteInteger(gluten);
    out.WriteText(information);
    out.WriteText("**");
}

void WriteRecipe(kw::ScrambledFile &out, const char *name, const char *category,
                 const std::vector<const char *> &others, const std::vector<const char *> &lines,
                 std::string_view method) {
    out.WriteText("*");
    out.WriteText(name);
    out.WriteText(category);
    if (kw::ScrambledFile::HasOtherCategories(out.Version()) && !others.empty()) {
        out.WriteText("$");
        for (const char *other : others)
            out.WriteText(other);
        out.WriteText("$$");
    }
    out.WriteText("*");
    for (const char *line : lines)
        out.WriteText(line);
    out.WriteText("**");
    out.WriteLongText(method);
    for (int value : {75, 30, 4, 2400, 0, 1, 1})
        out.WriteInteger(value);
    out.WriteText("B");
    out.WriteText("Grandmother's book");
    out.WriteText("**");
}

std::string ExportFile(int version) {
    auto bytes = std::make_shared<std::string>();
    {
        kw::ScrambledFile out(std::make_unique<kw::fuzz::MemoryFile>(bytes),
                              kw::ScrambledFile::Mode::kWrite, version);
        out.WriteText("=== INGREDIENTS");
        WriteIngredient(out, "Flour", 0, 1, 3.64, 0.002, "Baking", 1, "Plain white flour");
        WriteIngredient(out,
                        "Cr\xE8me fra\xEE"
                        "che",
                        1, 1, 3.4, 0.0, "Dairy", 0, "");
        WriteIngredient(out, "Eggs", 2, 0, 78.5, 0.25, "Dairy", 0, "@@ not a long text");
        out.WriteText("=== END");
        out.WriteText("=== RECIPES");
        WriteRecipe(out, "Apple Pie", "Desserts", {"Baking", "Fruit"},
                    {"1 1/2 cup flour,,sifted", "500 g apples,,peeled", "- - salt,,",
                     "3 items eggs,,", "2 handful herbs,,chopped"},
                    "Mix the flour and the butter.\r\n\r\nBake for 40 minutes at 200\xB0"
                    "C.\r\nServe ?+ warm.");
        WriteRecipe(out, "Plain Broth", "Soups", {}, {"1 ltr water,,"}, "");
        WriteRecipe(out, "Odd ?+\r\n bytes", "Misc", {"\xFF\xFE"}, {"0.5 tsp \x01\x02,,"},
                    std::string("nul\0inside\xFF", 11));
        out.WriteText("=== END");
        out.Close();
    }
    return *bytes;
}

int WriteExportSeeds(const std::string &outDir) {
    int written = 0;
    for (int version : {100, 101, 107, 108}) {
        const std::string file = ExportFile(version);
        const std::string base = outDir + "/export-" + std::to_string(version);
        written += WriteFile(base + ".sce", file);
        written += WriteFile(base + "-cut.sce", file.substr(0, file.size() / 2));
    }
    written += WriteFile(outDir + "/export-header-only.sce", "KW E 108\r\n");
    written += WriteFile(outDir + "/export-version-109.sce", "KW E 109\r\nbody");
    written += WriteFile(outDir + "/export-foreign.sce", "MMMMM----- Recipe via Meal-Master\r\n");
    std::printf("%d export seeds written to %s\n", written, outDir.c_str());
    return 0;
}

// The plain bodies of export files of known versions, for the export loader's target.
int WriteExportBodies(const std::string &dir, const std::vector<std::string> &files) {
    for (const std::string &path : files) {
        std::string bytes;
        if (!ReadFile(path, &bytes)) return 1;
        for (int version : {100, 101, 107, 108}) {
            const std::string_view header = kw::ScrambledFile::HeaderLine(version);
            if (!bytes.starts_with(header)) continue;
            const std::string body =
                kw::fuzz::XorExportBody(std::string_view(bytes).substr(header.size()), version);
            const std::string out = dir + "/" + BaseName(path) + ".body";
            if (!WriteFile(out, body)) return 1;
            std::printf("%s: %zu bytes\n", out.c_str(), body.size());
        }
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: fuzz_seed_tool recipes OUTDIR PER_FILE FILE...\n"
                 "       fuzz_seed_tool encodings OUTDIR PER_FILE FILE...\n"
                 "       fuzz_seed_tool overflow OUTDIR\n"
                 "       fuzz_seed_tool export OUTDIR\n"
                 "       fuzz_seed_tool tables OUTDIR\n"
                 "       fuzz_seed_tool dumps OUTDIR\n"
                 "       fuzz_seed_tool bodies OUTDIR FILE...\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 4 && (args[0] == "recipes" || args[0] == "encodings")) {
        const long perFile = std::strtol(args[2].c_str(), nullptr, 10);
        if (perFile <= 0) return Usage();
        return CutRecipes(args[1], static_cast<size_t>(perFile), {args.begin() + 3, args.end()},
                          args[0] == "encodings");
    }
    if (args.size() == 2 && args[0] == "overflow") return WriteOverflowSeeds(args[1]);
    if (args.size() == 2 && args[0] == "export") return WriteExportSeeds(args[1]);
    if (args.size() >= 3 && args[0] == "bodies") {
        return WriteExportBodies(args[1], {args.begin() + 2, args.end()});
    }
    // The engine commands work in a directory of their own, so the output path is made absolute.
    if (args.size() == 2 && args[0] == "tables") {
        return kw::fuzz::WriteTableSeeds(std::filesystem::absolute(args[1]).string());
    }
    if (args.size() == 2 && args[0] == "dumps") {
        return kw::fuzz::WriteDumpSeeds(std::filesystem::absolute(args[1]).string());
    }
    return Usage();
}

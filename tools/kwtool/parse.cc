// kwtool parse FILE [--filter N] [--log]: reads every recipe of a text file with an import
// filter of libkwimpt.so and prints what the filter read — one block per recipe with every field
// of the import record, the ingredient lines and the method — followed by the problems the
// filter logged for it ("*** ..." lines; with --log also the ">> line" echo of every line read).
// Without --filter the plug-in's own detection chooses. The file's bytes are handed over as they
// are, except that NUL bytes (which would end the text early) are read as blanks, with a note;
// unlike an import in the program, a recipe without name or category does not stop the walk.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "command.h"
#include "importers/recipe_walk.h"
#include "kwimpt.h"
#include "platform/file.h"

namespace kwtool {

namespace {

bool ReadWholeFile(const std::string &path, std::string *text, std::string *error) {
    int code = 0;
    auto file = kw::platform::OpenReadOnly(path, &code);
    if (!file) {
        *error = "cannot open " + path + ": " + std::strerror(code);
        return false;
    }
    const int64_t size = file->Size();
    if (size < 0 || size >= INT32_MAX) {
        *error = "cannot read " + path + " (size)";
        return false;
    }
    text->assign(static_cast<size_t>(size), '\0');
    if (size > 0 && file->ReadAt(0, text->data(), static_cast<size_t>(size)) != size) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

// The filters read a C string; NUL bytes inside the file become blanks so the whole file is read.
size_t BlankOutNuls(std::string *text) {
    size_t count = 0;
    for (char &c : *text) {
        if (c == '\0') {
            c = ' ';
            ++count;
        }
    }
    return count;
}

int Parse(const Options &options) {
    std::vector<std::string> args = options.args;
    std::string filterText;
    const bool haveFilter = TakeOption(&args, "--filter", &filterText);
    const bool echo = TakeFlag(&args, "--log");
    if (args.size() != 1) return Usage(options, "parse");

    std::string text;
    std::string error;
    if (!ReadWholeFile(args[0], &text, &error)) return Fail(error);
    if (const size_t nuls = BlankOutNuls(&text))
        std::cout << "note: " << nuls << " NUL byte(s) read as blanks\n";

    int32_t filter = -1;
    if (haveFilter) {
        char *end = nullptr;
        const long value = std::strtol(filterText.c_str(), &end, 10);
        if (filterText.empty() || *end != '\0' || value < 0 || value > 2)
            return Fail("--filter takes 0 (Kettleworth), 1 (MealMaster) or 2 (MasterCook)", 2);
        filter = static_cast<int32_t>(value);
    } else {
        filter = GetBestFilter(text.c_str());
        if (filter < 0) return Fail("no import filter recognises " + args[0]);
    }
    char name[KWIMPT_FILTER_NAME_SIZE] = {};
    GetSupportedFormats(filter, name);
    std::cout << "file " << args[0] << ": filter " << filter << " (" << name << ")\n";

    const kw::import::WalkReport report =
        kw::import::DescribeAllRecipes(text.c_str(), filter, echo);
    std::cout << report.text << "\n"
              << report.recipes << " recipe(s) read, " << report.incomplete
              << " without name or category, " << report.warnings << " warning(s)\n";
    return 0;
}

}  // namespace

KWTOOL_COMMAND("parse", "FILE [--filter N] [--log]",
               "show what an import filter reads from each recipe of a text file", Parse);

}  // namespace kwtool

// kwtool text "NAME^CATEGORY" [FILE]: writes a stored recipe as the program's own recipe text,
// the text the recipe window saves, copies and mails, and the import filter "Kettleworth" reads.
//
//   with FILE     the file gets the text's bytes exactly: Windows-1252, CR LF
//   without FILE  standard output gets it for the terminal: UTF-8, LF line breaks
//
// The recipe is named as the program names its windows: its name, '^' and its category (letter
// case ignored). A name or category holding '^' itself is found too: every '^' is tried as the
// divider until one names a stored recipe. Quantities are shown in the unit system and number
// style of the settings file (recipe.INI), as the recipe window shows them. The database is only
// read, so no instance lock is taken unless the last run ended uncleanly (command_database.h).
#include <cstring>
#include <iostream>
#include <string>

#include "app/core/locale_defaults.h"
#include "app/core/setting_keys.h"
#include "app/core/settings.h"
#include "app/interchange/recipe_text_loader.h"
#include "app/interchange/recipe_text_output.h"
#include "app/interchange/recipe_text_writer.h"
#include "app/recipes/memory_catalog.h"
#include "command.h"
#include "command_database.h"
#include "engine_results.h"
#include "platform/path.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"
#include "terminal.h"

namespace kwtool {
namespace {

kw::NumberSettings NumberSettingsOfWorkingDirectory() {
    const kw::platform::Profile ini(kw::SettingsFilePath(kw::platform::WorkingDirectory()));
    const kw::Settings settings = kw::Settings::Load(ini, kw::UserLocale());
    return {settings.units, settings.decimal, settings.exact};
}

// Finds the recipe named by key ("NAME^CATEGORY", Windows-1252), trying each '^' in turn.
KWRESULT FindRecipe(kw::CKWDatabase &database, const std::string &key,
                    kw::RecipeTextValues *recipe) {
    KWRESULT result = KW_NOTFOUND;
    for (size_t caret = key.find('^'); caret != std::string::npos;
         caret = key.find('^', caret + 1)) {
        result = kw::LoadRecipeTextValues(database, std::string_view(key).substr(0, caret),
                                          std::string_view(key).substr(caret + 1), recipe);
        if (result != KW_NOTFOUND) return result;
    }
    return result;
}

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

int RunText(const Options &options) {
    const auto &args = options.args;
    if (args.empty() || args.size() > 2 || args[0].find('^') == std::string::npos)
        return Usage(options, "text");
    const std::string key = kw::platform::Utf8ToCp1252(args[0]);

    CommandDatabase opened;
    if (int status = opened.Open(DatabaseUse::kRead, [](KWRESULT r) {
            return Fail("cannot open database KWDATA2: " + EngineResultText(r));
        }))
        return status;
    kw::RecipeTextValues recipe;
    const KWRESULT found = FindRecipe(opened.Database(), key, &recipe);
    if (int status = opened.Close()) return status;
    if (found == KW_NOTFOUND) return Fail("no recipe \"" + args[0] + "\" is stored");
    if (found != KW_OK)
        return Fail("cannot read recipe \"" + args[0] + "\": " + EngineResultText(found));

    // Ingredients whose own measure kind is not stored are shown as the recipe window shows
    // them: by weight, with message 604 on the terminal.
    kw::MemoryIngredientCatalog noIngredients;
    TerminalSink sink(QuestionPolicy::kAlwaysNo);
    const kw::UnitContext context{NumberSettingsOfWorkingDirectory(), noIngredients, sink};
    const std::string text = kw::FormatRecipeText(recipe, context);

    if (args.size() == 2) {
        int error = 0;
        if (!kw::WriteRecipeTextFile(args[1], text, &error))
            return Fail("cannot write " + args[1] + ": " + std::strerror(error));
        return 0;
    }
    std::cout << WithoutCarriageReturns(kw::platform::Cp1252ToUtf8(text)) << std::flush;
    return std::cout ? 0 : 1;
}

}  // namespace

KWTOOL_COMMAND("text", "\"NAME^CATEGORY\" [FILE]",
               "write a stored recipe as recipe text (FILE: Windows-1252 CR LF; else UTF-8)",
               RunText);

}  // namespace kwtool

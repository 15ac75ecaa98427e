// kwtool settings: shows or changes the program's settings file, recipe.INI in the working
// directory, which the window program reads too.
//
//   kwtool settings                      every known key (defaults marked) and every other key
//   kwtool settings SECTION KEY          the value the program would read
//   kwtool settings SECTION KEY VALUE    writes the value (checked for the key's type)
//
// Values are Windows-1252 in the file and UTF-8 on the terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "app/core/locale_defaults.h"
#include "app/core/setting_keys.h"
#include "app/core/setting_text.h"
#include "command.h"
#include "instance.h"
#include "platform/path.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"

namespace kwtool {
namespace {

using kw::platform::Cp1252ToUtf8;
using kw::platform::Profile;

const char *kSections[] = {kw::setting::kStatus, kw::setting::kInstall, kw::setting::kSettings,
                           kw::setting::kPrint, kw::setting::kLinks};

bool IsKnownSection(const std::string &name) {
    for (const char *s : kSections)
        if (kw::EqualNoCase(name, s)) return true;
    return false;
}

void PrintLine(const std::string &key, const std::string &value, const char *note) {
    std::printf("%s=%s%s\n", Cp1252ToUtf8(key).c_str(), Cp1252ToUtf8(value).c_str(), note);
}

// The keys of a section present in the file that the key table does not list.
void PrintOtherKeys(const Profile &ini, const std::string &section) {
    for (const auto &key : ini.Keys(section))
        if (!kw::FindSettingKey(section, key)) PrintLine(key, ini.GetString(section, key, ""), "");
}

int ShowAll(const Profile &ini, const std::string &locale, const std::string &workdir) {
    for (const char *section : kSections) {
        std::printf("[%s]\n", section);
        for (const auto &k : kw::KnownSettingKeys()) {
            if (!kw::EqualNoCase(k.section, section)) continue;
            if (ini.HasKey(section, k.key)) {
                PrintLine(k.key, ini.GetString(section, k.key, ""), "");
            } else if (auto def = kw::DefaultSettingValue(section, k.key, locale, workdir)) {
                PrintLine(k.key, *def, "    (default)");
            } else {
                PrintLine(k.key, "", "    (not set)");
            }
        }
        PrintOtherKeys(ini, section);
    }
    for (const auto &section : ini.Sections()) {
        if (IsKnownSection(section)) continue;
        std::printf("[%s]\n", Cp1252ToUtf8(section).c_str());
        PrintOtherKeys(ini, section);
    }
    return 0;
}

int ShowOne(const Profile &ini, const std::string &section, const std::string &key,
            const std::string &locale, const std::string &workdir) {
    if (ini.HasKey(section, key)) {
        std::printf("%s\n", Cp1252ToUtf8(ini.GetString(section, key, "")).c_str());
        return 0;
    }
    if (auto def = kw::DefaultSettingValue(section, key, locale, workdir)) {
        std::printf("%s\n", Cp1252ToUtf8(*def).c_str());
        return 0;
    }
    return Fail(section + "/" + key + " is not set");
}

// Names and values that would change the file's line structure are refused.
bool IsWritableName(const std::string &name) {
    return !name.empty() && name.find_first_of("=[]\r\n") == std::string::npos && name[0] != ';';
}

int SetOne(Profile &ini, std::string section, std::string key, const std::string &valueUtf8) {
    if (!IsWritableName(section) || !IsWritableName(key))
        return Fail("a section or key name may not be empty or hold '=', '[', ']' or a line break",
                    2);
    if (valueUtf8.find_first_of("\r\n") != std::string::npos)
        return Fail("a value may not hold a line break", 2);
    std::string value = kw::platform::Utf8ToCp1252(valueUtf8);
    if (const kw::SettingKey *known = kw::FindSettingKey(section, key)) {
        static const char *kTypeNames[] = {"an integer", "text", "a font (13 values)",
                                           "a window placement (10 numbers)"};
        if (!kw::IsValidSettingValue(known->type, value))
            return Fail(std::string(known->section) + "/" + known->key + " takes " +
                            kTypeNames[static_cast<int>(known->type)],
                        2);
        section = known->section;  // a new key gets the spelling the program uses
        key = known->key;
    }
    auto lock = LockWorkingDirectory();
    if (!lock) return 1;
    if (!ini.WriteString(section, key, value)) return Fail("cannot write " + ini.Path());
    return 0;
}

int RunSettings(const Options &options) {
    const auto &args = options.args;
    std::string workdir = kw::platform::WorkingDirectory();
    Profile ini(kw::SettingsFilePath(workdir));
    std::string locale = kw::UserLocale();
    switch (args.size()) {
        case 0:
            return ShowAll(ini, locale, workdir);
        case 2:
            return ShowOne(ini, kw::platform::Utf8ToCp1252(args[0]),
                           kw::platform::Utf8ToCp1252(args[1]), locale, workdir);
        case 3:
            return SetOne(ini, kw::platform::Utf8ToCp1252(args[0]),
                          kw::platform::Utf8ToCp1252(args[1]), args[2]);
        default:
            return Usage(options, "settings");
    }
}

}  // namespace

KWTOOL_COMMAND("settings", "[SECTION KEY [VALUE]]",
               "show the settings file (recipe.INI), one value, or set one", RunSettings);

}  // namespace kwtool

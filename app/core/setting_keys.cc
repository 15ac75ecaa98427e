// The settings file's key table and defaults.
#include "setting_keys.h"

#include <cstdio>
#include <limits>

#include "font_description.h"
#include "locale_defaults.h"
#include "platform/path.h"
#include "setting_text.h"
#include "window_placement.h"

namespace kw {
namespace {

// Whether key is prefix followed by one or more digits (letter case ignored).
bool IsNumberedKey(const std::string &key, const std::string &prefix) {
    if (key.size() <= prefix.size() || !EqualNoCase(key.substr(0, prefix.size()), prefix))
        return false;
    return key.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

struct FixedDefault {
    const char *section;
    const char *key;
    const char *value;
};

// Defaults that do not depend on the user or the working directory.
constexpr FixedDefault kFixedDefaults[] = {
    {setting::kStatus, setting::kClean, "1"},
    {setting::kInstall, setting::kLastUsed, "0"},
    {setting::kInstall, setting::kReIndex, "0"},
    {setting::kInstall, setting::kVersion, setting::kDefaultVersion},
    {setting::kInstall, setting::kFileCount, "0"},
    {setting::kInstall, setting::kFillRcpRec, "1"},
    {setting::kSettings, setting::kTemperature, "0"},
    {setting::kSettings, setting::kExact, "0"},
    {setting::kSettings, setting::kEmailAttachment, "1"},
    {setting::kPrint, setting::kGrid, "0"},
    {setting::kPrint, setting::kFont1, setting::kDefaultFont1},
    {setting::kPrint, setting::kFont2, setting::kDefaultFont2},
    {setting::kPrint, setting::kFont3, setting::kDefaultFont3},
    {setting::kPrint, setting::kMarginTop, "720"},
    {setting::kPrint, setting::kMarginLeft, "720"},
    {setting::kPrint, setting::kMarginRight, "720"},
    {setting::kPrint, setting::kMarginBottom, "720"},
    {setting::kPrint, setting::kMetricPaper, "0"},
    {setting::kLinks, setting::kCount, "0"},
};

}  // namespace

std::string SettingsFilePath(const std::string &workingDirectory) {
    return platform::JoinPath(workingDirectory, kSettingsFileName);
}

namespace setting {
std::string ArchiveFileKey(int index) {
    char key[32];
    std::snprintf(key, sizeof key, "File%02d", index);
    return key;
}
std::string LinkTitleKey(int index) {
    return "Link" + std::to_string(index);
}
std::string LinkUrlKey(int index) {
    return "URL" + std::to_string(index);
}
}  // namespace setting

const std::vector<SettingKey> &KnownSettingKeys() {
    using T = SettingType;
    static const std::vector<SettingKey> keys = {
        {setting::kStatus, setting::kWVersion, T::kText},
        {setting::kStatus, setting::kClean, T::kInteger},
        {setting::kInstall, setting::kLastUsed, T::kInteger},
        {setting::kInstall, setting::kReIndex, T::kInteger},
        {setting::kInstall, setting::kVersion, T::kText},
        {setting::kInstall, setting::kLocation, T::kText},
        {setting::kInstall, setting::kFileCount, T::kInteger},
        {setting::kInstall, setting::kFillRcpRec, T::kInteger},
        {setting::kSettings, setting::kUnits, T::kInteger},
        {setting::kSettings, setting::kTemperature, T::kInteger},
        {setting::kSettings, setting::kExact, T::kInteger},
        {setting::kSettings, setting::kDecimal, T::kInteger},
        {setting::kSettings, setting::kEmailAttachment, T::kInteger},
        {setting::kSettings, setting::kWindowPos, T::kWindowPlacement},
        {setting::kPrint, setting::kGrid, T::kInteger},
        {setting::kPrint, setting::kFont1, T::kFont},
        {setting::kPrint, setting::kFont2, T::kFont},
        {setting::kPrint, setting::kFont3, T::kFont},
        {setting::kPrint, setting::kMarginTop, T::kInteger},
        {setting::kPrint, setting::kMarginLeft, T::kInteger},
        {setting::kPrint, setting::kMarginRight, T::kInteger},
        {setting::kPrint, setting::kMarginBottom, T::kInteger},
        {setting::kPrint, setting::kMetricPaper, T::kInteger},
        {setting::kLinks, setting::kCount, T::kInteger},
    };
    return keys;
}

const SettingKey *FindSettingKey(const std::string &section, const std::string &key) {
    for (const auto &k : KnownSettingKeys())
        if (EqualNoCase(section, k.section) && EqualNoCase(key, k.key)) return &k;
    return nullptr;
}

std::optional<std::string> DefaultSettingValue(const std::string &section, const std::string &key,
                                               const std::string &locale,
                                               const std::string &workingDirectory) {
    for (const auto &d : kFixedDefaults)
        if (EqualNoCase(section, d.section) && EqualNoCase(key, d.key)) return d.value;
    if (EqualNoCase(section, setting::kSettings)) {
        UnitDefaults u = UnitDefaultsForLocale(locale);
        if (EqualNoCase(key, setting::kUnits)) return std::to_string(u.units);
        if (EqualNoCase(key, setting::kDecimal)) return std::to_string(u.decimal);
    }
    if (EqualNoCase(section, setting::kInstall)) {
        if (EqualNoCase(key, setting::kLocation))
            return platform::JoinPath(workingDirectory, setting::kDatabaseDirectoryName);
        if (IsNumberedKey(key, "File")) return "";
    }
    if (EqualNoCase(section, setting::kLinks) &&
        (IsNumberedKey(key, "Link") || IsNumberedKey(key, "URL")))
        return "";
    return std::nullopt;
}

bool IsValidSettingValue(SettingType type, const std::string &value) {
    switch (type) {
        case SettingType::kInteger:
            return ParseDecimalField(value, std::numeric_limits<int64_t>::min(),
                                     std::numeric_limits<int64_t>::max())
                .has_value();
        case SettingType::kFont:
            return DecodeFont(value).has_value();
        case SettingType::kWindowPlacement:
            return DecodeWindowPlacement(value).has_value();
        case SettingType::kText:
            return true;
    }
    return false;
}

}  // namespace kw

// Loading and saving the user settings.
#include "settings.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "locale_defaults.h"
#include "setting_keys.h"
#include "setting_text.h"

namespace kw {
namespace {

using platform::Profile;

constexpr const char *kFontKeys[3] = {setting::kFont1, setting::kFont2, setting::kFont3};
constexpr const char *kDefaultFonts[3] = {setting::kDefaultFont1, setting::kDefaultFont2,
                                          setting::kDefaultFont3};

// An integer key the way the program has always read one, cut to the 32-bit range.
int ReadInt(const Profile &profile, const char *section, const char *key, int def) {
    if (!profile.HasKey(section, key)) return def;
    int64_t v = LeadingInt64(profile.GetString(section, key, ""));
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The integer members and their keys, in the order the sections list them.
struct IntegerKey {
    const char *section;
    const char *key;
    int Settings::*member;
};
constexpr IntegerKey kIntegerKeys[] = {
    {setting::kSettings, setting::kUnits, &Settings::units},
    {setting::kSettings, setting::kTemperature, &Settings::temperature},
    {setting::kSettings, setting::kExact, &Settings::exact},
    {setting::kSettings, setting::kDecimal, &Settings::decimal},
    {setting::kSettings, setting::kEmailAttachment, &Settings::emailAttachment},
    {setting::kPrint, setting::kGrid, &Settings::grid},
    {setting::kPrint, setting::kMarginTop, &Settings::marginTop},
    {setting::kPrint, setting::kMarginLeft, &Settings::marginLeft},
    {setting::kPrint, setting::kMarginRight, &Settings::marginRight},
    {setting::kPrint, setting::kMarginBottom, &Settings::marginBottom},
    {setting::kPrint, setting::kMetricPaper, &Settings::metricPaper},
};

}  // namespace

Settings Settings::Defaults(const std::string &locale) {
    Settings s;
    UnitDefaults u = UnitDefaultsForLocale(locale);
    s.units = u.units;
    s.decimal = u.decimal;
    for (int i = 0; i < 3; ++i)
        s.printFonts[i] = *DecodeFont(kDefaultFonts[i]);
    return s;
}

Settings Settings::Load(const Profile &profile, const std::string &locale) {
    using namespace setting;
    Settings s = Defaults(locale);
    for (const auto &k : kIntegerKeys)
        s.*k.member = ReadInt(profile, k.section, k.key, s.*k.member);
    s.windowPos = DecodeWindowPlacement(profile.GetString(kSettings, kWindowPos, ""));
    for (int i = 0; i < 3; ++i)
        if (auto font = DecodeFont(profile.GetString(kPrint, kFontKeys[i], kDefaultFonts[i])))
            s.printFonts[i] = *font;

    int count = std::clamp(ReadInt(profile, kLinks, kCount, 0), 0, kMaxWebLinks);
    for (int i = 1; i <= count; ++i)
        s.webLinks.push_back({profile.GetString(kLinks, LinkTitleKey(i), ""),
                              profile.GetString(kLinks, LinkUrlKey(i), "")});
    return s;
}

bool Settings::SaveIntegers(Profile &profile, const char *section) const {
    bool ok = true;
    for (const auto &k : kIntegerKeys)
        if (std::string_view(k.section) == section)
            ok &= profile.WriteInt(k.section, k.key, this->*k.member);
    return ok;
}

bool Settings::SaveGeneral(Profile &profile) const {
    return SaveIntegers(profile, setting::kSettings);
}

bool Settings::SavePrint(Profile &profile) const {
    bool ok = true;
    for (int i = 0; i < 3; ++i)
        ok &= profile.WriteString(setting::kPrint, kFontKeys[i], EncodeFont(printFonts[i]));
    ok &= SaveIntegers(profile, setting::kPrint);
    return ok;
}

bool Settings::SaveWebLinks(Profile &profile) const {
    using namespace setting;
    int count = static_cast<int>(std::min<size_t>(webLinks.size(), kMaxWebLinks));
    int oldCount = std::clamp(ReadInt(profile, kLinks, kCount, 0), 0, kMaxWebLinks);
    bool ok = true;
    for (int i = 1; i <= count; ++i) {
        ok &= profile.WriteString(kLinks, LinkTitleKey(i), webLinks[i - 1].title);
        ok &= profile.WriteString(kLinks, LinkUrlKey(i), webLinks[i - 1].url);
    }
    // Entries beyond the new count would never be read again; drop them so the file stays tidy.
    for (int i = count + 1; i <= oldCount; ++i) {
        ok &= profile.WriteString(kLinks, LinkTitleKey(i), std::nullopt);
        ok &= profile.WriteString(kLinks, LinkUrlKey(i), std::nullopt);
    }
    ok &= profile.WriteInt(kLinks, kCount, count);
    return ok;
}

bool Settings::SaveWindowPos(Profile &profile) const {
    if (!windowPos)
        return profile.WriteString(setting::kSettings, setting::kWindowPos, std::nullopt);
    return profile.WriteString(setting::kSettings, setting::kWindowPos,
                               EncodeWindowPlacement(*windowPos));
}

bool Settings::Save(Profile &profile) const {
    bool ok = SaveGeneral(profile);
    ok &= SavePrint(profile);
    ok &= SaveWebLinks(profile);
    ok &= SaveWindowPos(profile);
    return ok;
}

std::string WebLinkAddress(const std::string &url) {
    if (url.find("://") != std::string::npos) return url;
    return "http://" + url;
}

}  // namespace kw

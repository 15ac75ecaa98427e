// Loading and saving the user settings.
#include "settings.h"

#include <algorithm>
#include <limits>

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
    int64_t v = LeadingNumber(profile.GetString(section, key, ""));
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

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
    s.units = ReadInt(profile, kSettings, kUnits, s.units);
    s.temperature = ReadInt(profile, kSettings, kTemperature, s.temperature);
    s.exact = ReadInt(profile, kSettings, kExact, s.exact);
    s.decimal = ReadInt(profile, kSettings, kDecimal, s.decimal);
    s.emailAttachment = ReadInt(profile, kSettings, kEmailAttachment, s.emailAttachment);
    s.windowPos = DecodeWindowPlacement(profile.GetString(kSettings, kWindowPos, ""));

    s.grid = ReadInt(profile, kPrint, kGrid, s.grid);
    for (int i = 0; i < 3; ++i)
        if (auto font = DecodeFont(profile.GetString(kPrint, kFontKeys[i], kDefaultFonts[i])))
            s.printFonts[i] = *font;
    s.marginTop = ReadInt(profile, kPrint, kMarginTop, s.marginTop);
    s.marginLeft = ReadInt(profile, kPrint, kMarginLeft, s.marginLeft);
    s.marginRight = ReadInt(profile, kPrint, kMarginRight, s.marginRight);
    s.marginBottom = ReadInt(profile, kPrint, kMarginBottom, s.marginBottom);
    s.metricPaper = ReadInt(profile, kPrint, kMetricPaper, s.metricPaper);

    int count = std::clamp(ReadInt(profile, kLinks, kCount, 0), 0, kMaxWebLinks);
    for (int i = 1; i <= count; ++i)
        s.webLinks.push_back({profile.GetString(kLinks, LinkTitleKey(i), ""),
                              profile.GetString(kLinks, LinkUrlKey(i), "")});
    return s;
}

bool Settings::SaveGeneral(Profile &profile) const {
    using namespace setting;
    bool ok = profile.WriteInt(kSettings, kUnits, units);
    ok &= profile.WriteInt(kSettings, kTemperature, temperature);
    ok &= profile.WriteInt(kSettings, kExact, exact);
    ok &= profile.WriteInt(kSettings, kDecimal, decimal);
    ok &= profile.WriteInt(kSettings, kEmailAttachment, emailAttachment);
    return ok;
}

bool Settings::SavePrint(Profile &profile) const {
    using namespace setting;
    bool ok = true;
    for (int i = 0; i < 3; ++i)
        ok &= profile.WriteString(kPrint, kFontKeys[i], EncodeFont(printFonts[i]));
    ok &= profile.WriteInt(kPrint, kGrid, grid);
    ok &= profile.WriteInt(kPrint, kMarginTop, marginTop);
    ok &= profile.WriteInt(kPrint, kMarginLeft, marginLeft);
    ok &= profile.WriteInt(kPrint, kMarginRight, marginRight);
    ok &= profile.WriteInt(kPrint, kMarginBottom, marginBottom);
    ok &= profile.WriteInt(kPrint, kMetricPaper, metricPaper);
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

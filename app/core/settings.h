// The user settings the program holds for a whole run: the "Settings", "Print" and "Links"
// sections of the settings file (setting_keys.h lists every key with its default), read at start
// and saved section by section when a preferences page is applied:
//
//   SaveGeneral   "Settings": Units, Temperature, Exact, Decimal, EmailAttachment
//   SavePrint     "Print": Font1-3, Grid, the four margins, MetricPaper
//   SaveWebLinks  "Links": Count, Link1.., URL1..
//   SaveWindowPos "Settings"/"WindowPos" (the main window, when it closes)
//
// Nothing is written at exit. A value that cannot be read (a font or placement that does not
// decode) leaves the default in place. Save* return false when the file could not be written;
// they still try every key.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "font_description.h"
#include "platform/profile.h"
#include "window_placement.h"

namespace kw {

// Web-link menu entries are the commands 2001 to 3000, so no more than this many are read.
inline constexpr int kMaxWebLinks = 1000;

struct WebLink {
    std::string title;  // the menu text ("Link%d")
    std::string url;    // the address as stored ("URL%d")

    bool operator==(const WebLink &) const = default;
};

struct Settings {
    // "Settings"
    int units = 0;        // 0 metric, 1 UK imperial, 2 US imperial
    int temperature = 0;  // loaded and saved, not offered for editing
    int exact = 0;        // 1: exact conversions
    int decimal = 1;      // 1: quantities as decimals, 0: as fractions
    int emailAttachment = 1;
    std::optional<WindowPlacement> windowPos;  // none when missing or malformed
    // "Print"
    int grid = 0;
    std::array<FontDescription, 3> printFonts;  // Font1 main title, Font2 sub heading, Font3 body
    int marginTop = 720;                        // twips
    int marginLeft = 720;
    int marginRight = 720;
    int marginBottom = 720;
    int metricPaper = 0;  // 1: margins shown in centimetres
    // "Links"
    std::vector<WebLink> webLinks;

    // The settings of a missing file for a user with this locale (see locale_defaults.h).
    static Settings Defaults(const std::string &locale);
    static Settings Load(const platform::Profile &profile, const std::string &locale);

    bool SaveGeneral(platform::Profile &profile) const;
    bool SavePrint(platform::Profile &profile) const;
    bool SaveWebLinks(platform::Profile &profile) const;
    bool SaveWindowPos(platform::Profile &profile) const;  // deletes the key when windowPos is none
    bool Save(platform::Profile &profile) const;           // all four

    bool operator==(const Settings &) const = default;

  private:
    // Writes the integer members of one section ("Settings" or "Print").
    bool SaveIntegers(platform::Profile &profile, const char *section) const;
};

// The address a web link opens: "http://" put in front unless it already names a scheme ("://").
std::string WebLinkAddress(const std::string &url);

}  // namespace kw

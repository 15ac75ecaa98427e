// User settings: language defaults, the font and placement encodings, section saves, web links.
#include "app/core/settings.h"

#include "app/core/locale_defaults.h"
#include "app/core/setting_keys.h"
#include "app/core/test_temp_dir.h"

namespace kw {
namespace {

class SettingsTest : public testing::TempDirTest {
  protected:
    platform::Profile Ini() const { return platform::Profile(SettingsFilePath(dir_)); }
};

TEST_F(SettingsTest, UnitDefaultsFollowTheUsersLanguage) {
    struct Row {
        const char *locale;
        int units, decimal;
    } rows[] = {
        {"en_US", 2, 0},
        {"en_US.UTF-8", 2, 0},
        {"en-us", 2, 0},
        {"en_GB", 1, 1},
        {"en_GB.ISO-8859-1@euro", 1, 1},
        {"de_DE", 0, 1},
        {"en_AU", 0, 1},
        {"en", 0, 1},
        {"C", 0, 1},
        {"", 0, 1},
        {"fr_US", 0, 1},
    };
    for (const auto &r : rows) {
        UnitDefaults d = UnitDefaultsForLocale(r.locale);
        EXPECT_EQ(d.units, r.units) << r.locale;
        EXPECT_EQ(d.decimal, r.decimal) << r.locale;
    }
}

TEST_F(SettingsTest, UsEnglishWithNoSettingsFileStartsInUsUnitsAndFractions) {
    Settings s = Settings::Load(Ini(), "en_US");
    EXPECT_EQ(s.units, 2);
    EXPECT_EQ(s.decimal, 0);
    EXPECT_EQ(s.emailAttachment, 1);
    EXPECT_EQ(s.marginTop, 720);
    EXPECT_EQ(s.printFonts[0].height, -16);
    EXPECT_EQ(s.printFonts[0].underline, 1);
    EXPECT_EQ(s.printFonts[2].weight, 400);
    EXPECT_EQ(s.printFonts[2].faceName, "Arial");
    EXPECT_FALSE(s.windowPos.has_value());
    EXPECT_TRUE(s.webLinks.empty());
    EXPECT_EQ(s, Settings::Defaults("en_US"));
    EXPECT_EQ(Settings::Load(Ini(), "en_GB").units, 1);
    EXPECT_EQ(Settings::Load(Ini(), "de_DE").decimal, 1);
    // Stored values win over the language.
    Ini().WriteString("Settings", "Units", std::string("0"));
    EXPECT_EQ(Settings::Load(Ini(), "en_US").units, 0);
}

TEST_F(SettingsTest, ThreeWordFaceNameSurvivesARoundTrip) {
    Settings s = Settings::Defaults("C");
    s.printFonts[1].faceName = "Times New Roman";
    s.printFonts[1].width = 7;
    s.printFonts[1].height = -20;
    s.printFonts[1].italic = 1;
    auto ini = Ini();
    ASSERT_TRUE(s.SavePrint(ini));
    EXPECT_EQ(ini.GetString("Print", "Font2", ""), "7,-20,0,0,700,1,0,0,3,2,1,34,Times New Roman");
    Settings back = Settings::Load(ini, "C");
    EXPECT_EQ(back.printFonts[1].faceName, "Times New Roman");
    EXPECT_EQ(back.printFonts[1], s.printFonts[1]);
    EXPECT_EQ(back, s);
}

TEST_F(SettingsTest, FontTextEdgeCases) {
    // A face name with a comma is still the whole rest of the text; the character set is not kept.
    auto f = DecodeFont("1,2,3,4,5,0,0,0,0,0,0,0,Odd, Name");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->width, 1);
    EXPECT_EQ(f->height, 2);
    EXPECT_EQ(f->faceName, "Odd, Name");
    f->charSet = 2;
    EXPECT_EQ(DecodeFont(EncodeFont(*f))->charSet, 0);
    // Face names are cut to 31 bytes.
    FontDescription longName;
    longName.faceName = std::string(40, 'x');
    EXPECT_EQ(DecodeFont(EncodeFont(longName))->faceName, std::string(31, 'x'));
    // Damaged values decode to nothing rather than to half a font.
    for (const char *bad :
         {"", "Arial", "0,-13,0,0,400,0,0,0,3,2,1", "0,-13,x,0,400,0,0,0,3,2,1,34,A",
          "0,-13,0,0,400,256,0,0,3,2,1,34,A", "0,99999999999,0,0,400,0,0,0,3,2,1,34,A"})
        EXPECT_FALSE(DecodeFont(bad)) << bad;
    // ...and loading keeps the default for such a key.
    Ini().WriteString("Print", "Font3", std::string("garbage"));
    EXPECT_EQ(Settings::Load(Ini(), "C").printFonts[2], Settings::Defaults("C").printFonts[2]);
}

TEST_F(SettingsTest, WindowPosRoundTripAndMalformedValuesIgnored) {
    Settings s = Settings::Defaults("C");
    s.windowPos = WindowPlacement{kRestoreToMaximized, 3, -1, -1, -8, -8, 10, 20, 810, 620};
    auto ini = Ini();
    ASSERT_TRUE(s.SaveWindowPos(ini));
    EXPECT_EQ(ini.GetString("Settings", "WindowPos", ""), "2,3,-1,-1,-8,-8,10,20,810,620");
    EXPECT_EQ(Settings::Load(ini, "C").windowPos, s.windowPos);
    EXPECT_EQ(DecodeWindowPlacement(" 0, 1,0,0,0,0,1,2,3,4 ")->bottom, 4);
    EXPECT_EQ(DecodeWindowPlacement("4294967295,1,0,0,0,0,1,2,3,4")->flags, 4294967295u);
    for (const char *bad : {"", "1,2,3,4,5,6,7,8,9", "1,2,3,4,5,6,7,8,9,10,11",
                            "1,2,3,4,5,6,7,8,9,x", "1,2,3,4,5,6,7,8,,10", "-1,2,3,4,5,6,7,8,9,10",
                            "1,2,3,4,5,6,7,8,9,2147483648", "1,2,3,4,5,6,7,8,9,10x"}) {
        EXPECT_FALSE(DecodeWindowPlacement(bad)) << bad;
        ini.WriteString("Settings", "WindowPos", std::string(bad));
        EXPECT_FALSE(Settings::Load(ini, "C").windowPos) << bad;
    }
}

TEST_F(SettingsTest, SectionSavesWriteOnlyTheirOwnKeys) {
    Settings s = Settings::Defaults("en_GB");
    s.exact = 1;
    auto ini = Ini();
    ASSERT_TRUE(s.SaveGeneral(ini));
    EXPECT_EQ(ini.Sections(), std::vector<std::string>{"Settings"});
    EXPECT_EQ(ini.Keys("Settings"), (std::vector<std::string>{"Units", "Temperature", "Exact",
                                                              "Decimal", "EmailAttachment"}));
    ASSERT_TRUE(s.SavePrint(ini));
    EXPECT_EQ(ini.Keys("Print").size(), 9u);
    EXPECT_FALSE(ini.HasKey("Settings", "WindowPos"));
    EXPECT_EQ(Settings::Load(ini, "en_US"), s);
}

TEST_F(SettingsTest, WebLinksSaveLoadAndShrink) {
    Settings s = Settings::Defaults("C");
    s.webLinks = {{"Recipes", "example.org/r"}, {"Two", "https://x.test"}, {"Three", "c"}};
    auto ini = Ini();
    ASSERT_TRUE(s.SaveWebLinks(ini));
    EXPECT_EQ(Settings::Load(ini, "C").webLinks, s.webLinks);
    s.webLinks.resize(1);
    ASSERT_TRUE(s.SaveWebLinks(ini));
    EXPECT_EQ(ini.Keys("Links"), (std::vector<std::string>{"Link1", "URL1", "Count"}));
    // A damaged count reads no more links than the menu has commands for, and none when negative.
    ini.WriteString("Links", "Count", std::string("-3"));
    EXPECT_TRUE(Settings::Load(ini, "C").webLinks.empty());
    EXPECT_EQ(WebLinkAddress("example.org"), "http://example.org");
    EXPECT_EQ(WebLinkAddress("ftp://example.org"), "ftp://example.org");
}

TEST_F(SettingsTest, KeyTableDefaultsAndValidation) {
    EXPECT_EQ(SettingsFilePath("/w"), "/w/recipe.INI");
    EXPECT_EQ(DefaultSettingValue("install", "location", "C", "/w"), "/w/DATA2");
    EXPECT_EQ(DefaultSettingValue("Settings", "Units", "en_US", "/w"), "2");
    EXPECT_EQ(DefaultSettingValue("Install", "File07", "C", "/w"), "");
    EXPECT_EQ(DefaultSettingValue("Links", "URL12", "C", "/w"), "");
    EXPECT_FALSE(DefaultSettingValue("Settings", "WindowPos", "C", "/w"));
    EXPECT_FALSE(DefaultSettingValue("Install", "Files", "C", "/w"));
    EXPECT_EQ(setting::ArchiveFileKey(3), "File03");
    EXPECT_EQ(setting::ArchiveFileKey(123), "File123");
    // Every fixed default of a typed key is itself a valid value of that type.
    for (const auto &k : KnownSettingKeys()) {
        auto def = DefaultSettingValue(k.section, k.key, "C", "/w");
        if (def) {
            EXPECT_TRUE(IsValidSettingValue(k.type, *def)) << k.section << "/" << k.key;
        }
    }
    EXPECT_FALSE(IsValidSettingValue(SettingType::kInteger, "1x"));
    EXPECT_TRUE(IsValidSettingValue(SettingType::kInteger, "-12"));
}

}  // namespace
}  // namespace kw

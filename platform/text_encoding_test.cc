// Windows-1252 <-> UTF-8 at the widget and terminal edge, and foreign code pages into Windows-1252.
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <set>

namespace kw::platform {
namespace {

TEST(TextEncodingTest, EveryCp1252ByteRoundTripsThroughUtf8) {
    for (int b = 1; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
    }
}

TEST(TextEncodingTest, SpecialCharactersMapToTheirCodePoints) {
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(Cp1252ToUtf8("caf\xE9"), "caf\u00E9");
    EXPECT_EQ(Cp1252ToUtf8("\x93quoted\x94"), "\u201Cquoted\u201D");
}

TEST(TextEncodingTest, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1252("\u2500\u2500 x \u4E2D"), "?? x ?");
    EXPECT_EQ(Utf8ToCp1252("bad \xC3 byte"), "bad ? byte");
}

TEST(TextEncodingTest, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("caf\u00E9 \uFFFD"));
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
}

TEST(CodePageTest, KnownChartEntries) {
    EXPECT_EQ(Cp437ToCodePoint(0x82), U'\u00E9');  // é
    EXPECT_EQ(Cp437ToCodePoint(0xC4), U'\u2500');  // ─
    EXPECT_EQ(Cp437ToCodePoint(0xF8), U'\u00B0');  // °
    EXPECT_EQ(Cp437ToCodePoint(0xAB), U'\u00BD');  // ½
    EXPECT_EQ(Cp437ToCodePoint(0xE1), U'\u00DF');  // ß
    EXPECT_EQ(Cp437ToCodePoint(0x9E), U'\u20A7');  // ₧
    EXPECT_EQ(Cp437ToCodePoint(0xFF), U'\u00A0');
    EXPECT_EQ(Cp850ToCodePoint(0x82), U'\u00E9');
    EXPECT_EQ(Cp850ToCodePoint(0x9B), U'\u00F8');  // ø where 437 has ¢
    EXPECT_EQ(Cp850ToCodePoint(0xC6), U'\u00E3');  // ã where 437 has ╞
    EXPECT_EQ(Cp850ToCodePoint(0xD5), U'\u0131');  // dotless i
    EXPECT_EQ(Cp850ToCodePoint(0xF2), U'\u2017');
    for (int b = 0; b < 0x80; ++b) {
        EXPECT_EQ(Cp437ToCodePoint(static_cast<unsigned char>(b)), static_cast<char32_t>(b));
        EXPECT_EQ(Cp850ToCodePoint(static_cast<unsigned char>(b)), static_cast<char32_t>(b));
    }
}

TEST(CodePageTest, EveryByteHasItsOwnCharacter) {
    for (auto decode : {Cp437ToCodePoint, Cp850ToCodePoint}) {
        std::set<char32_t> seen;
        for (int b = 0; b < 256; ++b)
            seen.insert(decode(static_cast<unsigned char>(b)));
        EXPECT_EQ(seen.size(), 256u);
    }
}

TEST(ConvertToCp1252Test, DosRulesBecomeDashesAndAccentsSurvive) {
    EXPECT_EQ(ConvertToCp1252("\xC4\xC4\xC4 saut\x82 \xCD\xCD", Encoding::kCp437),
              "--- saut\xE9 --");
    EXPECT_EQ(ConvertToCp1252("350\xF8, 3\xAB cups", Encoding::kCp437), "350\xB0, 3\xBD cups");
    // Greek, maths and block characters are not in Windows-1252.
    EXPECT_EQ(ConvertToCp1252("\xE0\xEC\xDB\xFE", Encoding::kCp437), "????");
    EXPECT_EQ(ConvertToCp1252("p\xC6o \xD5", Encoding::kCp850), "p\xE3o ?");
}

TEST(ConvertToCp1252Test, Utf8TextLosesOnlyWhatTheCodePageLacks) {
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(ConvertToCp1252(bom + "Cr\u00E8me \u2014 \u20AC", Encoding::kUtf8),
              "Cr\xE8me \x97 \x80");
    EXPECT_EQ(ConvertToCp1252("\u2550\u2550\u2500 \u03C0 \u4E2D", Encoding::kUtf8), "--- ? ?");
    EXPECT_EQ(ConvertToCp1252("bad \xE9 byte", Encoding::kUtf8), "bad ? byte");
}

TEST(ConvertToCp1252Test, Cp1252IsKeptByteForByteWithLineBreaks) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    all += "\r\nline\n";
    EXPECT_EQ(ConvertToCp1252(all, Encoding::kCp1252), all);
}

TEST(EncodingNameTest, CommandLineNames) {
    const std::pair<const char *, Encoding> names[] = {
        {"auto", Encoding::kAuto},           {"UTF-8", Encoding::kUtf8},
        {"windows-1252", Encoding::kCp1252}, {"cp437", Encoding::kCp437},
        {"CP850", Encoding::kCp850},         {"latin1", Encoding::kCp1252}};
    for (const auto &[name, expected] : names) {
        Encoding e = Encoding::kAuto;
        EXPECT_TRUE(ParseEncodingName(name, &e)) << name;
        EXPECT_EQ(e, expected) << name;
        Encoding back = Encoding::kAuto;
        EXPECT_TRUE(ParseEncodingName(EncodingName(expected), &back));
        EXPECT_EQ(back, expected);
    }
    Encoding untouched = Encoding::kCp850;
    EXPECT_FALSE(ParseEncodingName("ebcdic", &untouched));
    EXPECT_FALSE(ParseEncodingName("", &untouched));
    EXPECT_EQ(untouched, Encoding::kCp850);
}

}  // namespace
}  // namespace kw::platform

// Windows-1252 <-> UTF-8 at the widget and terminal edge.
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kw::platform

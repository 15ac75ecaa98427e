// Key comparison: the cases where the typed, case-aware order differs from plain bytes, and the
// sound handling of parts that do not fit the rules (read only inside the keys, NaN ordered).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "btree.h"
#include "kwdata.h"

namespace kw::engine {
namespace {

KeyLayout Layout(int32_t flags, std::vector<int32_t> lengths, bool perPart = true) {
    KeyLayout layout;
    layout.flags = flags;
    layout.perPartCompare = perPart;
    for (int32_t length : lengths) {
        layout.parts.push_back({0, length, flags});
        layout.keyLength += length;
    }
    return layout;
}

// Compares from exact-size heap copies, so a read past either key shows under the sanitizers.
int Cmp(const KeyLayout &layout, const std::string &a, const std::string &b) {
    auto x = std::make_unique<uint8_t[]>(std::max<size_t>(a.size(), 1));
    auto y = std::make_unique<uint8_t[]>(std::max<size_t>(b.size(), 1));
    std::memcpy(x.get(), a.data(), a.size());
    std::memcpy(y.get(), b.data(), b.size());
    const int c = CompareKeys(layout, x.get(), int32_t(a.size()), y.get(), int32_t(b.size()));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

template <typename T>
std::string Raw(T value) {
    std::string s(sizeof value, '\0');
    std::memcpy(s.data(), &value, sizeof value);
    return s;
}

TEST(KeyCompareTest, WithoutPerPartComparisonBytesAreUnsignedAndAPrefixSortsFirst) {
    const KeyLayout layout = Layout(KW_KEY_CHAR, {4}, false);
    EXPECT_EQ(Cmp(layout, "abc", "abd"), -1);
    EXPECT_EQ(Cmp(layout, "ab", "abc"), -1);
    EXPECT_EQ(Cmp(layout, "abc", "ab"), 1);
    EXPECT_EQ(Cmp(layout, "\xe9", "z"), 1);  // 0xE9 above 'z': unsigned
    EXPECT_EQ(Cmp(layout, "a", "B"), 1);     // case counts
    EXPECT_EQ(Cmp(layout, "same", "same"), 0);
}

TEST(KeyCompareTest, NoCaseFoldsOnlyAToZ) {
    const KeyLayout layout = Layout(KW_KEY_CHAR | KW_KEY_NOCASE, {4});
    EXPECT_EQ(Cmp(layout, "abcd", "ABCD"), 0);
    EXPECT_EQ(Cmp(layout, "abcd", "ABCE"), -1);
    EXPECT_EQ(Cmp(layout, "a___", "____"), -1);       // 'A' (0x41) before '_' (0x5F)
    EXPECT_EQ(Cmp(layout, "\xe9xxx", "\xc9xxx"), 1);  // accented letters are not folded
    const KeyLayout caseSensitive = Layout(KW_KEY_CHAR, {4});
    EXPECT_EQ(Cmp(caseSensitive, "abcd", "ABCD"), 1);
}

// Folding goes eight bytes at a time: every byte value in every position of a word and of the
// tail after it must fold and order exactly as the one-byte rule says.
TEST(KeyCompareTest, NoCaseWordsFoldAndOrderEveryByteAsSingleBytesDo) {
    const KeyLayout layout = Layout(KW_KEY_CHAR | KW_KEY_NOCASE, {11});
    auto fold = [](int c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
    for (int position : {0, 3, 7, 8, 10}) {
        for (int x = 0; x < 256; ++x) {
            for (int y : {0x00, 0x40, 0x41, 0x5A, 0x5B, 0x60, 0x61, 0x7A, 0x7B, 0x7F, 0x80, 0xC1,
                          0xE1, 0xFA, 0xFF}) {
                std::string a = "KeyPrefixZz", b = "kEYpREFIXzZ";
                a[static_cast<size_t>(position)] = static_cast<char>(x);
                b[static_cast<size_t>(position)] = static_cast<char>(y);
                const int expected = fold(x) < fold(y) ? -1 : (fold(x) > fold(y) ? 1 : 0);
                ASSERT_EQ(Cmp(layout, a, b), expected) << position << " " << x << " " << y;
            }
        }
    }
    // The first unequal folded byte decides, not a later one of the same word.
    EXPECT_EQ(Cmp(layout, "aaaaaaaaaab", "AAAAAAAAABa"), -1);
    EXPECT_EQ(Cmp(layout, "abcdefgZaaa", "ABCDEFGaZZZ"), 1);
}

TEST(KeyCompareTest, IntegersBySizeAndSign) {
    const KeyLayout u16 = Layout(KW_KEY_INT, {2});
    const KeyLayout s16 = Layout(KW_KEY_INT | KW_KEY_SIGNED, {2});
    EXPECT_EQ(Cmp(u16, Raw<int16_t>(-1), Raw<int16_t>(1)), 1);
    EXPECT_EQ(Cmp(s16, Raw<int16_t>(-1), Raw<int16_t>(1)), -1);
    EXPECT_EQ(Cmp(u16, Raw<uint16_t>(0x0100), Raw<uint16_t>(0x00FF)), 1);  // not bytewise
    const KeyLayout u32 = Layout(KW_KEY_INT, {4});
    const KeyLayout s32 = Layout(KW_KEY_INT | KW_KEY_SIGNED, {4});
    EXPECT_EQ(Cmp(u32, Raw<int32_t>(-5), Raw<int32_t>(7)), 1);
    EXPECT_EQ(Cmp(s32, Raw<int32_t>(-5), Raw<int32_t>(7)), -1);
    EXPECT_EQ(Cmp(s32, Raw<int32_t>(256), Raw<int32_t>(255)), 1);
    EXPECT_EQ(Cmp(s32, Raw<int32_t>(42), Raw<int32_t>(42)), 0);
}

TEST(KeyCompareTest, FloatsBySizeWithATotalOrder) {
    const KeyLayout f32 = Layout(KW_KEY_FLOAT, {4});
    const KeyLayout f64 = Layout(KW_KEY_FLOAT, {8});
    EXPECT_EQ(Cmp(f32, Raw(-2.5f), Raw(1.0f)), -1);
    EXPECT_EQ(Cmp(f32, Raw(0.0f), Raw(-0.0f)), 0);
    EXPECT_EQ(Cmp(f64, Raw(1e300), Raw(-1e300)), 1);
    EXPECT_EQ(Cmp(f64, Raw(-0.5), Raw(-0.25)), -1);
    // NaN equals NaN and sorts above every number, so a stored NaN key can be found again.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Cmp(f64, Raw(nan), Raw(nan)), 0);
    EXPECT_EQ(Cmp(f64, Raw(nan), Raw(inf)), 1);
    EXPECT_EQ(Cmp(f64, Raw(inf), Raw(nan)), -1);
    EXPECT_EQ(Cmp(f32, Raw(std::nanf("")), Raw(-1.0f)), 1);
}

TEST(KeyCompareTest, SerialPartIsUnsigned32AndPartsDecideInOrder) {
    KeyLayout layout = Layout(KW_KEY_CHAR | KW_KEY_NOCASE, {3});
    layout.parts.push_back({0, 4, KW_KEY_CHAR | KW_KEY_NOCASE | KW_KEY_SERIAL});
    layout.keyLength = 7;
    EXPECT_EQ(Cmp(layout, "abc" + Raw<uint32_t>(0x80000000u), "ABC" + Raw<uint32_t>(1)), 1);
    EXPECT_EQ(Cmp(layout, "abc" + Raw<uint32_t>(0x100), "ABC" + Raw<uint32_t>(0xFF)), 1);
    EXPECT_EQ(Cmp(layout, "abb" + Raw<uint32_t>(9), "ABC" + Raw<uint32_t>(1)), -1);
    EXPECT_EQ(Cmp(layout, "abc" + Raw<uint32_t>(3), "ABC" + Raw<uint32_t>(3)), 0);
    // Mixed parts: a signed integer, then characters.
    KeyLayout mixed = Layout(KW_KEY_INT | KW_KEY_SIGNED, {4});
    mixed.parts.push_back({0, 2, KW_KEY_INT | KW_KEY_SIGNED});
    EXPECT_EQ(Cmp(mixed, Raw<int32_t>(-1) + Raw<int16_t>(5), Raw<int32_t>(0) + Raw<int16_t>(1)),
              -1);
    EXPECT_EQ(Cmp(mixed, Raw<int32_t>(0) + Raw<int16_t>(-5), Raw<int32_t>(0) + Raw<int16_t>(1)),
              -1);
}

TEST(KeyCompareTest, NumericPartsOfOtherLengthsCompareAsBytesInsteadOfReadingPastThePart) {
    // A 3-byte part under the integer class: a 32-bit read would pass the part (and the key).
    const KeyLayout int3 = Layout(KW_KEY_INT, {3});
    EXPECT_EQ(Cmp(int3, std::string("\x01\x00\x02", 3), std::string("\x01\x00\x03", 3)), -1);
    // A 10-byte part: a 32-bit read would ignore bytes 4 to 9 and call these keys equal.
    const KeyLayout int10 = Layout(KW_KEY_INT, {10});
    EXPECT_EQ(Cmp(int10, "aaaaaaaaa1", "aaaaaaaaa2"), -1);
    const KeyLayout float5 = Layout(KW_KEY_FLOAT, {5});
    EXPECT_EQ(Cmp(float5, "abcde", "abcdf"), -1);
}

TEST(KeyCompareTest, KeysShorterThanTheirPartsAreReadOnlyInside) {
    const KeyLayout layout = Layout(KW_KEY_INT, {4, 4});
    EXPECT_EQ(Cmp(layout, Raw<uint32_t>(1) + "ab", Raw<uint32_t>(1) + "ac"), -1);
    EXPECT_EQ(Cmp(layout, Raw<uint32_t>(1) + "ab", Raw<uint32_t>(1) + "abcd"), -1);
    EXPECT_EQ(Cmp(layout, Raw<uint32_t>(2), Raw<uint32_t>(1) + "abcd"), 1);
    EXPECT_EQ(Cmp(layout, "", Raw<uint32_t>(1)), -1);
}

}  // namespace
}  // namespace kw::engine

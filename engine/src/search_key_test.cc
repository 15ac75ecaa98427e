// A search key folded once must order every stored key exactly as CompareKeys orders the two raw
// keys: same sign and same value, for every byte value, mixed parts and keys whose parts do not
// fit.
#include "search_key.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "btree.h"
#include "kwdata.h"

namespace kw::engine {
namespace {

KeyLayout SearchKeyLayout(std::vector<std::pair<int32_t, int32_t>> parts, bool perPart = true) {
    KeyLayout layout;
    layout.perPartCompare = perPart;
    for (const auto &[length, flags] : parts) {
        layout.parts.push_back({0, length, flags});
        layout.keyLength += length > 0 ? length : 0;
    }
    return layout;
}

// Both comparisons from exact-size heap copies, so a read past either key shows under the
// sanitizers.
void ExpectSameOrder(const KeyLayout &layout, const std::string &a, const std::string &b) {
    auto x = std::make_unique<uint8_t[]>(a.size() + 1);
    auto y = std::make_unique<uint8_t[]>(b.size() + 1);
    std::memcpy(x.get(), a.data(), a.size());
    std::memcpy(y.get(), b.data(), b.size());
    const auto aLength = static_cast<int32_t>(a.size());
    const auto bLength = static_cast<int32_t>(b.size());
    const SearchKey key(layout, x.get(), aLength);
    ASSERT_EQ(key.Compare(y.get(), bLength),
              CompareKeys(layout, x.get(), aLength, y.get(), bLength))
        << "a=" << a << " b=" << b;
}

// Keys of a few letters in both cases and the bytes around the letters, so most pairs share a
// prefix and differ by case or by one byte somewhere.
std::string RandomKey(std::mt19937 &random, size_t length) {
    static const uint8_t kBytes[] = {0x00, 0x40, 'A',  'B',  'Z',  0x5B, 0x60, 'a', 'b',
                                     'z',  0x7B, 0x7F, 0x80, 0xC1, 0xE1, 0xFA, 0xFF};
    std::string key(length, '\0');
    for (char &c : key)
        c = static_cast<char>(kBytes[random() % sizeof kBytes]);
    return key;
}

TEST(SearchKeyTest, OrdersLikeCompareKeysForEveryKindOfPart) {
    const int32_t nocase = KW_KEY_CHAR | KW_KEY_NOCASE;
    const std::vector<KeyLayout> layouts = {
        SearchKeyLayout({{48, nocase}, {32, nocase}, {48, nocase}}),
        SearchKeyLayout({{3, nocase}, {4, nocase | KW_KEY_SERIAL}}),
        SearchKeyLayout({{5, KW_KEY_CHAR}, {11, nocase}, {0, nocase}, {2, KW_KEY_INT}}),
        SearchKeyLayout({{4, KW_KEY_INT | KW_KEY_SIGNED}, {9, nocase}, {8, KW_KEY_FLOAT}}),
        SearchKeyLayout({{13, nocase}}, false),
        // More runs than a search key keeps: compared part by part.
        SearchKeyLayout({{2, nocase}, {1, KW_KEY_CHAR}, {3, nocase}, {1, KW_KEY_CHAR},
                         {2, nocase}, {1, KW_KEY_CHAR}, {2, nocase}, {1, KW_KEY_CHAR},
                         {1, nocase}, {1, KW_KEY_CHAR}, {2, nocase}, {1, KW_KEY_CHAR},
                         {2, nocase}, {1, KW_KEY_CHAR}, {2, nocase}, {1, KW_KEY_CHAR},
                         {3, nocase}, {1, KW_KEY_CHAR}, {2, nocase}, {1, KW_KEY_CHAR}}),
    };
    std::mt19937 random(15);
    for (const KeyLayout &layout : layouts) {
        const auto length = static_cast<size_t>(layout.keyLength);
        for (int round = 0; round < 3000; ++round) {
            const std::string a = RandomKey(random, length);
            std::string b = a;
            // Differ in case only, in one byte, or everywhere.
            const size_t at = random() % length;
            switch (round % 3) {
                case 0:
                    for (char &c : b)
                        c = static_cast<char>(c ^
                                              ((c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? 0x20 : 0));
                    break;
                case 1:
                    b[at] = RandomKey(random, 1)[0];
                    break;
                default:
                    b = RandomKey(random, length);
                    break;
            }
            ExpectSameOrder(layout, a, b);
            ExpectSameOrder(layout, b, a);
        }
    }
}

TEST(SearchKeyTest, KeysWhosePartsDoNotFitCompareTheRestAsBytesLikeCompareKeys) {
    const KeyLayout layout =
        SearchKeyLayout({{8, KW_KEY_CHAR | KW_KEY_NOCASE}, {8, KW_KEY_CHAR | KW_KEY_NOCASE}});
    // The second part fits the search key but not the stored key: its bytes compare as they
    // are, so lower-case search bytes sort above upper-case stored ones.
    ExpectSameOrder(layout, "abcdefghijklmnop", "ABCDEFGHIJKL");
    ExpectSameOrder(layout, "abcdefghIJKL", "ABCDEFGHijklmnop");
    ExpectSameOrder(layout, "abcdefgh", "ABCDEFGH");
    ExpectSameOrder(layout, "abc", "ABCDEFGHIJKLMNOP");
    ExpectSameOrder(layout, "", "A");
    ExpectSameOrder(layout, "abcdefghijklmnopq", "ABCDEFGHIJKLMNOPQ");
    // Longer than any key buffer: compared by CompareKeys itself.
    ExpectSameOrder(layout, std::string(300, 'a'), std::string(300, 'A'));
}

TEST(SearchKeyTest, EveryByteValueFoldsAsTheOneByteRuleSays) {
    const KeyLayout layout = SearchKeyLayout({{11, KW_KEY_CHAR | KW_KEY_NOCASE}});
    for (const size_t position : {size_t{0}, size_t{7}, size_t{8}, size_t{10}}) {
        for (int x = 0; x < 256; ++x) {
            for (int y = 0; y < 256; y += 3) {
                std::string a = "KeyPrefixZz", b = "kEYpREFIXzZ";
                a[position] = static_cast<char>(x);
                b[position] = static_cast<char>(y);
                ExpectSameOrder(layout, a, b);
            }
        }
    }
}

}  // namespace
}  // namespace kw::engine

// Model-based test of the index file: for every key class, long runs of random inserts (half of
// them asked about first with HasKey), deletes, finds and scans are checked against a std::map
// ordered by a comparator written here from the key rules alone, with the file reopened between
// phases and its pages walked from disk after each phase. KW_BTREE_LONG_RUN=<factor> multiplies
// the operation counts for a long run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "btree.h"
#include "btree_test_support.h"
#include "kwdata.h"

namespace kw::engine {
namespace {

using testing::Bytes;
using testing::FileChecker;
using testing::ReadHeader;
using testing::TempDir;

// ---- the model's comparison, straight from the key rules ----

uint32_t ModelU32(const char *p) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v |= uint32_t(uint8_t(p[i])) << (8 * i);
    return v;
}

template <typename T>
int Sign(T a, T b) {
    if (a < b) return -1;
    if (b < a) return 1;
    return 0;
}

template <typename T>
int FloatSign(T a, T b) {
    // NaN equals NaN and sorts above every number; otherwise less -1, equal 0, greater +1.
    if (std::isnan(a) || std::isnan(b)) return int(std::isnan(a)) - int(std::isnan(b));
    return Sign(a, b);
}

uint8_t ModelUpper(char c) {
    return (c >= 'a' && c <= 'z') ? uint8_t(c - 32) : uint8_t(c);
}

int ModelCompare(const KeyLayout &layout, const std::string &a, const std::string &b) {
    if (!layout.perPartCompare) {
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
            if (a[i] != b[i]) return uint8_t(a[i]) < uint8_t(b[i]) ? -1 : 1;
        }
        return Sign(a.size(), b.size());
    }
    size_t at = 0;
    for (const KeyPart &part : layout.parts) {
        const auto len = static_cast<size_t>(part.length);
        const char *x = a.data() + at;
        const char *y = b.data() + at;
        at += len;
        int c = 0;
        const bool isSigned = part.flags & KW_KEY_SIGNED;
        const int32_t cls = part.flags & KW_KEY_CLASS_MASK;
        if (part.flags & KW_KEY_SERIAL) {
            c = Sign(ModelU32(x), ModelU32(y));
        } else if (cls == KW_KEY_CHAR) {
            const bool noCase = part.flags & KW_KEY_NOCASE;
            for (size_t i = 0; i < len && c == 0; ++i) {
                const uint8_t cx = noCase ? ModelUpper(x[i]) : uint8_t(x[i]);
                const uint8_t cy = noCase ? ModelUpper(y[i]) : uint8_t(y[i]);
                c = Sign(cx, cy);
            }
        } else if (cls == KW_KEY_INT && len == 2) {
            const auto ux = uint16_t(uint8_t(x[0]) | uint8_t(x[1]) << 8);
            const auto uy = uint16_t(uint8_t(y[0]) | uint8_t(y[1]) << 8);
            c = isSigned ? Sign(int16_t(ux), int16_t(uy)) : Sign(ux, uy);
        } else if (cls == KW_KEY_INT) {
            c = isSigned ? Sign(int32_t(ModelU32(x)), int32_t(ModelU32(y)))
                         : Sign(ModelU32(x), ModelU32(y));
        } else if (len == 4) {
            float fx, fy;
            std::memcpy(&fx, x, 4);
            std::memcpy(&fy, y, 4);
            c = FloatSign(fx, fy);
        } else {
            double dx, dy;
            std::memcpy(&dx, x, 8);
            std::memcpy(&dy, y, 8);
            c = FloatSign(dx, dy);
        }
        if (c != 0) return c;
    }
    return 0;
}

struct ModelLess {
    const KeyLayout *layout;
    bool operator()(const std::string &a, const std::string &b) const {
        return ModelCompare(*layout, a, b) < 0;
    }
};

// ---- key classes ----

struct KeyClass {
    const char *name;
    int32_t flags;
    std::vector<int32_t> partLengths;  // the serial part, when not unique, is appended
};

void PrintTo(const KeyClass &kc, std::ostream *os) {
    *os << kc.name;
}

KeyLayout MakeLayout(const KeyClass &kc) {
    KeyLayout layout;
    layout.flags = kc.flags;
    for (int32_t length : kc.partLengths) {
        layout.parts.push_back({0, length, kc.flags});
        layout.keyLength += length;
    }
    if (!(kc.flags & KW_KEY_UNIQUE)) {
        layout.parts.push_back({0, 4, kc.flags | KW_KEY_SERIAL});
        layout.keyLength += 4;
    }
    const int32_t cls = kc.flags & KW_KEY_CLASS_MASK;
    layout.perPartCompare = cls != KW_KEY_CHAR || (kc.flags & KW_KEY_NOCASE);
    layout.fieldWidthTotal = layout.keyLength;
    return layout;
}

class KeyMaker {
  public:
    KeyMaker(const KeyLayout &layout, uint32_t seed) : layout_(layout), rng_(seed) {}

    std::string Make() {
        std::string key;
        for (const KeyPart &part : layout_.parts)
            key += MakePart(part);
        return key;
    }
    std::mt19937 &Rng() { return rng_; }

  private:
    std::string MakePart(const KeyPart &part) {
        const auto len = static_cast<size_t>(part.length);
        std::string bytes(len, '\0');
        if (part.flags & KW_KEY_SERIAL) {
            // Serials cross 2^31, where signed and unsigned order part.
            const uint32_t v = serial_++;
            for (size_t i = 0; i < 4; ++i)
                bytes[i] = char(v >> (8 * i));
            return bytes;
        }
        switch (part.flags & KW_KEY_CLASS_MASK) {
            case KW_KEY_CHAR: {
                // Short zero-padded texts over a small alphabet of both cases, so case-only
                // differences and shared prefixes are common.
                static const char kAlphabet[] = "aAbBcCzZ09_\xe9\xc9";
                const size_t used = 1 + rng_() % std::min<size_t>(len, 6);
                for (size_t i = 0; i < used; ++i)
                    bytes[i] = kAlphabet[rng_() % 13];
                if (rng_() % 4 == 0) {  // some keys use the whole width
                    for (size_t i = used; i < len; ++i)
                        bytes[i] = kAlphabet[rng_() % 13];
                }
                return bytes;
            }
            case KW_KEY_INT: {
                uint32_t v = rng_();
                if (rng_() % 8 == 0) v = (rng_() % 64) - 32;  // near zero, both signs
                if (len == 2 && rng_() % 8 == 0) v = uint32_t(rng_() % 2000);
                for (size_t i = 0; i < len; ++i)
                    bytes[i] = char(v >> (8 * i));
                return bytes;
            }
            default: {
                static const double kSpecial[] = {0.0,
                                                  -0.0,
                                                  1.0,
                                                  -1.0,
                                                  std::numeric_limits<double>::infinity(),
                                                  -std::numeric_limits<double>::infinity(),
                                                  std::numeric_limits<double>::quiet_NaN(),
                                                  1e-40,
                                                  3.5};
                double d =
                    (rng_() % 10 == 0) ? kSpecial[rng_() % 9] : (double(int32_t(rng_())) / 1000.0);
                if (len == 4) {
                    const auto f = static_cast<float>(d);
                    std::memcpy(bytes.data(), &f, 4);
                } else {
                    std::memcpy(bytes.data(), &d, 8);
                }
                return bytes;
            }
        }
    }

    const KeyLayout &layout_;
    std::mt19937 rng_;
    uint32_t serial_ = 0x7FFFF000u;
};

int LongRunFactor() {
    const char *value = std::getenv("KW_BTREE_LONG_RUN");
    const int factor = value ? std::atoi(value) : 1;
    return factor > 0 ? factor : 1;
}

// ---- the run ----

using Model = std::map<std::string, int32_t, ModelLess>;

class BTreeModelTest : public ::testing::TestWithParam<KeyClass> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        path_ = dir_.File("MODEL.i00");
        layout_ = MakeLayout(GetParam());
        model_ = std::make_unique<Model>(ModelLess{&layout_});
        maker_ = std::make_unique<KeyMaker>(layout_, 20240611u + GetParam().flags);
    }

    int Compare(const std::string &a, const std::string &b) const {
        return ModelCompare(layout_, a, b);
    }

    void Reopen(int32_t extraBuffers, int32_t writeMode) {
        if (tree_) {
            ASSERT_TRUE(tree_->Close());
        }
        tree_.reset();
        tree_ = BTree::Open(path_, &layout_, extraBuffers, writeMode);
        ASSERT_TRUE(tree_);
    }

    static int32_t Size(const std::string &s) { return static_cast<int32_t>(s.size()); }

    // An existing key of the model, or a new random one.
    std::string PickKey(bool existing) {
        if (existing && !model_->empty()) {
            auto it = model_->lower_bound(maker_->Make());
            if (it == model_->end()) it = model_->begin();
            return it->first;
        }
        return maker_->Make();
    }

    void Insert(const std::string &key) {
        const testing::DiskHeader before = ReadHeader(path_);
        const int32_t ref = nextRef_++;
        const bool present = model_->count(key) > 0;
        // Half the inserts ask first, as the indexed insert does: the answer is the model's, and
        // the insert then starts from the descent the question made.
        if (maker_->Rng()() % 2 == 0) {
            ASSERT_EQ(tree_->HasKey(Bytes(key), Size(key)), present ? 0 : 1);
        }
        const int rc = tree_->Insert(Bytes(key), Size(key), ref);
        if (present) {
            ASSERT_EQ(rc, -1);
            ASSERT_EQ(tree_->LastError(), 303);
            return;
        }
        ASSERT_EQ(rc, 0) << "error " << tree_->LastError();
        (*model_)[key] = ref;
        // The cursor is on the new entry.
        uint8_t out[kMaxKeyBuffer];
        int32_t length, got;
        auto next = model_->upper_bound(key);
        ASSERT_EQ(tree_->Next(out, &length, &got), next == model_->end() ? 2 : 0);
        if (next != model_->end()) {
            ASSERT_EQ(got, next->second);
        }
        // Freed pages are used before the file grows.
        const testing::DiskHeader after = ReadHeader(path_);
        if (after.end > before.end) {
            ASSERT_EQ(after.freeList, -1) << "file grew with free pages";
        }
    }

    void Delete(const std::string &key) {
        auto it = model_->find(key);
        const int rc = tree_->Delete(Bytes(key), Size(key));
        ASSERT_EQ(rc, it == model_->end() ? 1 : 0) << "error " << tree_->LastError();
        auto following = model_->upper_bound(key);
        if (it != model_->end()) model_->erase(it);
        // The cursor is just before the deleted key's place.
        uint8_t out[kMaxKeyBuffer];
        int32_t length, got;
        ASSERT_EQ(tree_->Next(out, &length, &got), following == model_->end() ? 2 : 0);
        if (following != model_->end()) {
            ASSERT_EQ(got, following->second);
        }
    }

    void Find(const std::string &key) {
        int32_t ref = -7;
        const int rc = tree_->Find(Bytes(key), Size(key), &ref);
        auto it = model_->find(key);
        ASSERT_EQ(rc, it == model_->end() ? 1 : 0) << "error " << tree_->LastError();
        if (it != model_->end()) {
            ASSERT_EQ(ref, it->second);
        }
        // Asking whether another key is there leaves the cursor where the find put it.
        const std::string other = PickKey(maker_->Rng()() % 2 == 0);
        ASSERT_EQ(tree_->HasKey(Bytes(other), Size(other)), model_->count(other) > 0 ? 0 : 1);
        // Next after a find gives the first entry after the key; then previous goes back.
        uint8_t out[kMaxKeyBuffer];
        int32_t length, got;
        auto next = model_->upper_bound(key);
        const int nextRc = tree_->Next(out, &length, &got);
        ASSERT_EQ(nextRc, next == model_->end() ? 2 : 0);
        if (nextRc == 0) {
            ASSERT_EQ(std::string(reinterpret_cast<char *>(out), size_t(length)), next->first);
            ASSERT_EQ(got, next->second);
        }
    }

    void ScanBothWays() {
        uint8_t out[kMaxKeyBuffer];
        int32_t length, ref;
        ASSERT_TRUE(tree_->First());
        for (const auto &[key, value] : *model_) {
            ASSERT_EQ(tree_->Next(out, &length, &ref), 0) << "error " << tree_->LastError();
            ASSERT_EQ(std::string(reinterpret_cast<char *>(out), size_t(length)), key);
            ASSERT_EQ(ref, value);
        }
        ASSERT_EQ(tree_->Next(out, &length, &ref), 2);
        EXPECT_EQ(length, 0);
        ASSERT_TRUE(tree_->Last());
        for (auto it = model_->rbegin(); it != model_->rend(); ++it) {
            ASSERT_EQ(tree_->Prev(out, &length, &ref), 0) << "error " << tree_->LastError();
            ASSERT_EQ(std::string(reinterpret_cast<char *>(out), size_t(length)), it->first);
            ASSERT_EQ(ref, it->second);
        }
        ASSERT_EQ(tree_->Prev(out, &length, &ref), 3);
    }

    // Pages on disk: shape, order, links, free list, and the same entries as the model.
    void CheckFile() {
        ASSERT_TRUE(tree_->Flush());
        FileChecker checker(
            path_, [this](const std::string &a, const std::string &b) { return Compare(a, b); });
        const testing::FileReport report = checker.Check();
        ASSERT_EQ(checker.Problems(), 0);
        maxLevels_ = std::max(maxLevels_, report.header.levels);
        ASSERT_EQ(report.entries.size(), model_->size());
        auto it = model_->begin();
        for (const auto &[key, ref] : report.entries) {
            ASSERT_EQ(Compare(key, it->first), 0);
            ASSERT_EQ(ref, it->second);
            ++it;
        }
    }

    void RandomOps(int count, int insertPercent, int deletePercent) {
        std::mt19937 &rng = maker_->Rng();
        for (int i = 0; i < count; ++i) {
            const int roll = int(rng() % 100);
            const bool existing = rng() % 4 == 0;
            if (roll < insertPercent) {
                ASSERT_NO_FATAL_FAILURE(Insert(PickKey(existing)));
            } else if (roll < insertPercent + deletePercent) {
                ASSERT_NO_FATAL_FAILURE(Delete(PickKey(rng() % 4 != 0)));
            } else {
                ASSERT_NO_FATAL_FAILURE(Find(PickKey(rng() % 2 == 0)));
            }
        }
    }

    TempDir dir_;
    std::string path_;
    KeyLayout layout_;
    std::unique_ptr<Model> model_;
    std::unique_ptr<KeyMaker> maker_;
    std::unique_ptr<BTree> tree_;
    int32_t nextRef_ = 1000;
    int32_t maxLevels_ = 0;
};

TEST_P(BTreeModelTest, RandomOperationsMatchTheModel) {
    const int n = 4000 * LongRunFactor();
    // Deferred writes with a roomy pool, then write-through with the smallest pool, then back.
    ASSERT_NO_FATAL_FAILURE(Reopen(20, 2));
    ASSERT_NO_FATAL_FAILURE(RandomOps(n, 80, 5));
    ASSERT_NO_FATAL_FAILURE(CheckFile());
    ASSERT_NO_FATAL_FAILURE(ScanBothWays());

    ASSERT_NO_FATAL_FAILURE(Reopen(0, 1));
    ASSERT_NO_FATAL_FAILURE(RandomOps(n, 20, 60));
    ASSERT_NO_FATAL_FAILURE(CheckFile());
    ASSERT_NO_FATAL_FAILURE(ScanBothWays());

    ASSERT_NO_FATAL_FAILURE(Reopen(5, 0));
    ASSERT_NO_FATAL_FAILURE(RandomOps(n, 45, 45));
    ASSERT_NO_FATAL_FAILURE(CheckFile());

    ASSERT_NO_FATAL_FAILURE(Reopen(0, 2));
    ASSERT_NO_FATAL_FAILURE(RandomOps(n, 60, 30));
    ASSERT_NO_FATAL_FAILURE(CheckFile());
    ASSERT_NO_FATAL_FAILURE(ScanBothWays());

    // Everything deleted, in random order: one empty root leaf, levels 1, every other page free.
    std::vector<std::string> keys;
    for (const auto &[key, value] : *model_)
        keys.push_back(key);
    std::shuffle(keys.begin(), keys.end(), maker_->Rng());
    ASSERT_NO_FATAL_FAILURE(Reopen(20, 2));
    for (const std::string &key : keys)
        ASSERT_NO_FATAL_FAILURE(Delete(key));
    ASSERT_NO_FATAL_FAILURE(CheckFile());
    const testing::DiskHeader empty = ReadHeader(path_);
    EXPECT_EQ(empty.levels, 1);
    ASSERT_NO_FATAL_FAILURE(ScanBothWays());

    // Refilling reuses the freed pages before the file grows (checked on every insert).
    ASSERT_NO_FATAL_FAILURE(RandomOps(n, 90, 5));
    ASSERT_NO_FATAL_FAILURE(Reopen(20, 1));
    ASSERT_NO_FATAL_FAILURE(CheckFile());
    ASSERT_NO_FATAL_FAILURE(ScanBothWays());
    const testing::DiskHeader refilled = ReadHeader(path_);
    EXPECT_TRUE(refilled.end == empty.end || refilled.freeList == -1);
    // Inner pages split too: every run grows the tree past two levels.
    EXPECT_GE(maxLevels_, 3);
}

const KeyClass kKeyClasses[] = {
    {"CharCaseSerial", KW_KEY_CHAR, {40}},
    {"CharNoCaseUnique", KW_KEY_CHAR | KW_KEY_NOCASE | KW_KEY_UNIQUE, {30}},
    {"CharNoCaseTwoPartsSerial", KW_KEY_CHAR | KW_KEY_NOCASE, {10, 6}},
    {"CharLongKeys", KW_KEY_CHAR | KW_KEY_NOCASE | KW_KEY_UNIQUE, {234}},
    {"Int16Unsigned", KW_KEY_INT | KW_KEY_UNIQUE, {2}},
    {"Int16Signed", KW_KEY_INT | KW_KEY_SIGNED | KW_KEY_UNIQUE, {2}},
    {"Int32SignedSerial", KW_KEY_INT | KW_KEY_SIGNED, {4}},
    {"Int32Unsigned", KW_KEY_INT | KW_KEY_UNIQUE, {4}},
    {"Int32UnsignedSerial", KW_KEY_INT, {4}},
    {"FloatSingle", KW_KEY_FLOAT | KW_KEY_UNIQUE, {4}},
    {"FloatDoubleSerial", KW_KEY_FLOAT, {8}},
    {"FloatMixedParts", KW_KEY_FLOAT | KW_KEY_UNIQUE, {4, 8}},
};

INSTANTIATE_TEST_SUITE_P(KeyClasses, BTreeModelTest, ::testing::ValuesIn(kKeyClasses),
                         [](const ::testing::TestParamInfo<KeyClass> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace kw::engine

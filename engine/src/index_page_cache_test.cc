// The index cache over files held in memory: deferred and write-through writes, eviction with
// dirty units, failures that must surface, and units reused for other files or offsets.
#include "index_page_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "index_file_cache.h"

namespace kw::engine {
namespace {

constexpr int64_t kUnit = IndexPageCache::kUnitSize;

// A file in memory that counts its calls and can be told to fail or tear.
class MemoryIndexFile final : public platform::RandomAccessFile {
  public:
    explicit MemoryIndexFile(std::string *bytes) : bytes_(bytes) {}

    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        ++reads;
        if (failReads) return -1;
        if (offset >= static_cast<int64_t>(bytes_->size())) return 0;
        const size_t got = std::min(n, bytes_->size() - static_cast<size_t>(offset));
        std::memcpy(buffer, bytes_->data() + offset, got);
        return static_cast<int64_t>(got);
    }
    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override {
        ++writes;
        if (failWrites) return -1;
        const size_t put = tearWrites ? n / 2 : n;
        if (bytes_->size() < static_cast<size_t>(offset) + put) {
            bytes_->resize(static_cast<size_t>(offset) + put, '\0');
        }
        std::memcpy(bytes_->data() + offset, buffer, put);
        return tearWrites ? -1 : static_cast<int64_t>(n);
    }
    int64_t Size() override { return static_cast<int64_t>(bytes_->size()); }
    bool Sync() override { return true; }
    const std::string &Path() const override { return path_; }

    int reads = 0;
    int writes = 0;
    bool failReads = false;
    bool failWrites = false;
    bool tearWrites = false;

  private:
    std::string *bytes_;
    std::string path_ = "memory";
};

class IndexPageCacheTest : public ::testing::Test {
  protected:
    // Attaches a file holding bytes to a cache of budgetUnits units.
    MemoryIndexFile &AttachFile(std::string &bytes, bool deferWrites, int32_t *number) {
        files_.push_back(std::make_unique<MemoryIndexFile>(&bytes));
        *number =
            cache_->Attach(files_.back().get(), static_cast<int64_t>(bytes.size()), deferWrites);
        return *files_.back();
    }
    void MakeCache(size_t budgetUnits) {
        cache_ = std::make_unique<IndexPageCache>(budgetUnits * static_cast<size_t>(kUnit));
    }
    int64_t WriteText(int32_t file, int64_t offset, const std::string &text) {
        return cache_->Write(file, offset, text.data(), text.size());
    }
    std::string ReadText(int32_t file, int64_t offset, size_t n) {
        std::string out(n, '?');
        const int64_t got = cache_->Read(file, offset, out.data(), n);
        if (got < 0) return "<failed>";
        out.resize(static_cast<size_t>(got));
        return out;
    }

    std::unique_ptr<IndexPageCache> cache_;
    std::vector<std::unique_ptr<MemoryIndexFile>> files_;
};

TEST_F(IndexPageCacheTest, DeferredWritesAreReadBackAndReachTheFileOnlyAtWriteDirty) {
    MakeCache(16);
    std::string bytes(1024, 'o');
    int32_t f;
    MemoryIndexFile &file = AttachFile(bytes, true, &f);
    const std::string text(700, 'n');  // across a unit boundary and past the end
    ASSERT_EQ(WriteText(f, 500, text), 700);
    EXPECT_EQ(ReadText(f, 500, 700), text);
    EXPECT_EQ(cache_->Size(f), 1200);
    EXPECT_EQ(bytes, std::string(1024, 'o'));  // nothing written yet
    EXPECT_EQ(file.writes, 0);

    ASSERT_TRUE(cache_->WriteDirty(f));
    // The same bytes the writes would have left, not a whole last unit.
    EXPECT_EQ(bytes, std::string(500, 'o') + text);
    EXPECT_EQ(cache_->DirtyUnits(f), 0);
    EXPECT_EQ(file.writes, 1);  // three neighbouring units in one write
}

TEST_F(IndexPageCacheTest, ReadsStopAtTheLogicalSizeAndHolesReadAsZeros) {
    MakeCache(16);
    std::string bytes = "header";
    int32_t f;
    AttachFile(bytes, true, &f);
    EXPECT_EQ(ReadText(f, 0, 100), "header");
    EXPECT_EQ(ReadText(f, 6, 10), "");
    ASSERT_EQ(WriteText(f, 3 * kUnit, "far"), 3);
    EXPECT_EQ(ReadText(f, 0, 8), std::string("header\0\0", 8));
    EXPECT_EQ(ReadText(f, 3 * kUnit - 2, 10), std::string("\0\0far", 5));
}

TEST_F(IndexPageCacheTest, WriteThroughReachesTheFileAtOnceAndReadsComeFromMemory) {
    MakeCache(16);
    std::string bytes(2 * kUnit, 'o');
    int32_t f;
    MemoryIndexFile &file = AttachFile(bytes, false, &f);
    EXPECT_EQ(ReadText(f, 0, 4), "oooo");
    ASSERT_EQ(WriteText(f, 2, "new"), 3);
    EXPECT_EQ(bytes.substr(0, 6), "oonewo");
    EXPECT_EQ(cache_->DirtyUnits(f), 0);
    const int readsBefore = file.reads;
    EXPECT_EQ(ReadText(f, 0, 6), "oonewo");
    EXPECT_EQ(file.reads, readsBefore);
}

TEST_F(IndexPageCacheTest, AFailedOrTornWriteThroughLeavesOnlyWhatTheFileHolds) {
    MakeCache(16);
    std::string bytes(kUnit, 'o');
    int32_t f;
    MemoryIndexFile &file = AttachFile(bytes, false, &f);
    EXPECT_EQ(ReadText(f, 0, 4), "oooo");
    file.tearWrites = true;
    EXPECT_EQ(WriteText(f, 0, "abcdefgh"), -1);
    file.tearWrites = false;
    EXPECT_EQ(ReadText(f, 0, 8), "abcdoooo");  // the torn file's bytes, not the cached ones
    file.failWrites = true;
    EXPECT_EQ(WriteText(f, 0, "xyz"), -1);
    EXPECT_EQ(ReadText(f, 0, 4), "abcd");
}

TEST_F(IndexPageCacheTest, EvictionWritesDirtyUnitsWithTheirNeighboursAndRereadsThem) {
    MakeCache(4);
    std::string bytes;
    int32_t f;
    MemoryIndexFile &file = AttachFile(bytes, true, &f);
    for (int i = 0; i < 12; ++i) {
        ASSERT_EQ(WriteText(f, i * kUnit, std::string(kUnit, static_cast<char>('a' + i))), kUnit);
    }
    EXPECT_LE(cache_->UnitsInUse(), 4u);
    EXPECT_LT(file.writes, 8);  // runs, not one write per evicted unit
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(ReadText(f, i * kUnit + 7, 1), std::string(1, static_cast<char>('a' + i)));
    }
    ASSERT_TRUE(cache_->WriteDirty(f));
    ASSERT_EQ(bytes.size(), static_cast<size_t>(12 * kUnit));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(bytes[static_cast<size_t>(i * kUnit)], 'a' + i);
}

TEST_F(IndexPageCacheTest, AWriteBackThatFailsIsKeptAndReportedByItsFilesWriteDirty) {
    MakeCache(4);
    std::string failingBytes, otherBytes(16 * kUnit, 'b');
    int32_t failing, other;
    MemoryIndexFile &failingFile = AttachFile(failingBytes, true, &failing);
    AttachFile(otherBytes, true, &other);
    ASSERT_EQ(WriteText(failing, 0, "kept"), 4);
    failingFile.failWrites = true;
    // The other file's reads need the failing file's unit; evicting it fails, and the other
    // file still gets its bytes.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(ReadText(other, i * kUnit, 2), "bb");
    EXPECT_EQ(cache_->DirtyUnits(failing), 1);
    EXPECT_FALSE(cache_->WriteDirty(failing));
    EXPECT_EQ(ReadText(failing, 0, 4), "kept");

    failingFile.failWrites = false;
    EXPECT_TRUE(cache_->WriteDirty(failing));
    EXPECT_EQ(failingBytes, "kept");
}

TEST_F(IndexPageCacheTest, AFailedReadFailsAndCachesNothing) {
    MakeCache(16);
    std::string bytes(kUnit, 'o');
    int32_t f;
    MemoryIndexFile &file = AttachFile(bytes, true, &f);
    file.failReads = true;
    EXPECT_EQ(ReadText(f, 0, 4), "<failed>");
    EXPECT_EQ(WriteText(f, 10, "x"), -1);  // a partial unit must be read first
    EXPECT_EQ(cache_->UnitsInUse(), 0u);
    file.failReads = false;
    EXPECT_EQ(ReadText(f, 8, 4), "oooo");
}

TEST_F(IndexPageCacheTest, AReadMissBringsItsNeighboursButNeverOverNewerBytes) {
    MakeCache(64);
    std::string bytes(8 * kUnit + 100, 'o');
    int32_t f;
    MemoryIndexFile &file = AttachFile(bytes, true, &f);
    ASSERT_EQ(WriteText(f, 3 * kUnit + 1, "new"), 3);  // unit 3 held, dirty
    const int readsBefore = file.reads;
    EXPECT_EQ(ReadText(f, 0, 2), "oo");
    EXPECT_EQ(file.reads, readsBefore + 1);  // a lone miss: its own unit
    EXPECT_EQ(ReadText(f, kUnit, 2), "oo");
    EXPECT_EQ(file.reads, readsBefore + 2);  // the next unit: the aligned 4 KiB around it
    EXPECT_EQ(ReadText(f, 3 * kUnit, 5), "onewo");
    for (int i = 2; i < 8; ++i)
        EXPECT_EQ(ReadText(f, i * kUnit + 8, 2), "oo");
    EXPECT_EQ(file.reads, readsBefore + 2);
    EXPECT_EQ(ReadText(f, 8 * kUnit + 98, 10), "oo");  // the last, short unit
}

TEST_F(IndexPageCacheTest, ANeighbourWrittenBackWhileAMissIsReadIsNotTakenFromTheOldBytes) {
    MakeCache(3);
    std::string bytes(7 * kUnit, 'o');  // the read's chunk ends with the file
    int32_t f;
    AttachFile(bytes, true, &f);
    ASSERT_EQ(WriteText(f, 5 * kUnit, "n"), 1);
    ASSERT_EQ(WriteText(f, 6 * kUnit, "m"), 1);
    // Making room for the neighbours of unit 1, read in order after unit 0, writes units 5 and 6
    // back and evicts them.
    EXPECT_EQ(ReadText(f, 0, 1), "o");
    EXPECT_EQ(ReadText(f, kUnit, 1), "o");
    EXPECT_EQ(ReadText(f, 5 * kUnit, 2), "no");
    EXPECT_EQ(ReadText(f, 6 * kUnit, 2), "mo");
    ASSERT_TRUE(cache_->WriteDirty(f));
    EXPECT_EQ(bytes.substr(5 * kUnit, 1), "n");
}

TEST_F(IndexPageCacheTest, AReusedUnitNeverShowsItsEarlierBytes) {
    MakeCache(2);
    std::string first, second;
    int32_t a, b;
    AttachFile(first, true, &a);
    AttachFile(second, true, &b);
    // Both units of the cache hold 'A' bytes of file a, then serve other offsets and file b.
    ASSERT_EQ(WriteText(a, 0, std::string(2 * kUnit, 'A')), 2 * kUnit);
    ASSERT_EQ(WriteText(b, 0, "b0"), 2);
    ASSERT_EQ(WriteText(b, 2 * kUnit + 5, "b2"), 2);
    EXPECT_EQ(ReadText(b, 0, 4), std::string("b0\0\0", 4));
    EXPECT_EQ(ReadText(b, 2 * kUnit, 8), std::string("\0\0\0\0\0b2", 7));
    EXPECT_EQ(ReadText(b, kUnit, 4), std::string(4, '\0'));
    EXPECT_EQ(ReadText(a, kUnit, 2), "AA");
    EXPECT_EQ(ReadText(a, 2 * kUnit, 2), "");
}

// A page checked once is trusted at later descents only while its bytes stay as they were.
TEST_F(IndexPageCacheTest, TheCheckedMarkGoesWithEveryChangeOfTheUnitsBytes) {
    MakeCache(2);
    std::string deferred(2 * kUnit, 'd'), through(kUnit, 't');
    int32_t d, t;
    AttachFile(deferred, true, &d);
    AttachFile(through, false, &t);
    auto checked = [&](int32_t file, int64_t offset) {
        bool mark = true;
        if (cache_->Peek(file, offset, static_cast<size_t>(kUnit), &mark) == nullptr) return -1;
        return mark ? 1 : 0;
    };
    ASSERT_EQ(ReadText(d, 0, 1), "d");
    EXPECT_EQ(checked(d, 0), 0);
    cache_->MarkChecked(d, 0);
    EXPECT_EQ(checked(d, 0), 1);
    ASSERT_EQ(WriteText(d, 9, "x"), 1);  // a deferred write of one byte
    EXPECT_EQ(checked(d, 0), 0);

    ASSERT_EQ(ReadText(t, 0, 1), "t");
    cache_->MarkChecked(t, 0);
    ASSERT_EQ(WriteText(t, 3, "y"), 1);  // a write through to the file
    EXPECT_EQ(checked(t, 0), 0);

    // A unit evicted and read again comes back unmarked.
    cache_->MarkChecked(d, 0);
    ASSERT_EQ(ReadText(d, kUnit, 1), "d");
    ASSERT_EQ(ReadText(t, 0, 1), "t");
    ASSERT_EQ(ReadText(d, 0, 10), "ddddddddd" + std::string("x"));
    EXPECT_EQ(checked(d, 0), 0);
}

TEST_F(IndexPageCacheTest, DetachingTheLastFileGivesTheMemoryBack) {
    MakeCache(64);
    std::string bytes;
    int32_t f;
    AttachFile(bytes, true, &f);
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(WriteText(f, i * kUnit, std::string(kUnit, 'x')), kUnit);
    EXPECT_EQ(cache_->UnitsInUse(), 40u);
    cache_->Detach(f);
    EXPECT_EQ(cache_->UnitsInUse(), 0u);
    EXPECT_TRUE(bytes.empty());  // detaching writes nothing: the owner writes first
}

TEST_F(IndexPageCacheTest, TheFileWrapperReportsTheLogicalSizeAndWritesAtSync) {
    auto cache = std::make_shared<IndexPageCache>(16 * kUnit);
    std::string bytes;
    std::unique_ptr<platform::RandomAccessFile> file = std::make_unique<MemoryIndexFile>(&bytes);
    auto wrapped = IndexFileCache::Wrap(file, cache, true);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(file, nullptr);  // taken over
    ASSERT_EQ(wrapped->WriteAt(0, "abc", 3), 3);
    EXPECT_EQ(wrapped->Size(), 3);
    EXPECT_EQ(wrapped->DirtyUnits(), 1);
    EXPECT_TRUE(wrapped->Sync());
    EXPECT_EQ(bytes, "abc");
    wrapped.reset();
    EXPECT_EQ(cache->UnitsInUse(), 0u);
}

}  // namespace
}  // namespace kw::engine

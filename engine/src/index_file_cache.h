// One index file seen through its database's IndexPageCache: a RandomAccessFile the B-tree uses
// in place of the file itself. Reads and writes behave as the file's would (see
// index_page_cache.h for when written bytes reach the file); Size is the logical size, so it
// counts bytes still waiting in memory.
//
// What callers may rely on:
//  - WriteDirty writes every byte still waiting and says whether all of it reached the file; the
//    tree calls it at its flush and close. Sync does the same and then syncs the file.
//  - Destroying the wrapper forgets whatever was not written (the owner wrote it first) and then
//    closes the file; the cache itself lives as long as any of its files.
#pragma once

#include <memory>
#include <string>

#include "index_page_cache.h"
#include "platform/file.h"

namespace kw::engine {

class IndexFileCache final : public platform::RandomAccessFile {
  public:
    // Null when the file's size cannot be read (the caller then uses the file as it is).
    static std::unique_ptr<IndexFileCache> Wrap(std::unique_ptr<platform::RandomAccessFile> &file,
                                                std::shared_ptr<IndexPageCache> cache,
                                                bool deferWrites);
    ~IndexFileCache() override;

    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override;
    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override;
    int64_t Size() override;
    bool Sync() override;
    const std::string &Path() const override { return file_->Path(); }

    bool WriteDirty();
    // The n bytes at offset in place, when the cache holds them in one unit (see
    // IndexPageCache::Peek); good until the next access to the file or another file of the cache.
    const uint8_t *Peek(int64_t offset, size_t n, bool *checked = nullptr) {
        return cache_->Peek(number_, offset, n, checked);
    }
    // Peek, reading the bytes' unit from the file first when the cache does not hold it (see
    // IndexPageCache::Load).
    const uint8_t *Load(int64_t offset, size_t n, bool *checked, bool *failed,
                        bool favoured = false) {
        return cache_->Load(number_, offset, n, checked, failed, favoured);
    }
    void Favour(int64_t unitOffset) { cache_->Favour(number_, unitOffset); }
    void Prefetch(int64_t offset) const { cache_->Prefetch(number_, offset); }
    void MarkChecked(int64_t unitOffset) { cache_->MarkChecked(number_, unitOffset); }
    int32_t DirtyUnits() const { return cache_->DirtyUnits(number_); }

  private:
    IndexFileCache(std::unique_ptr<platform::RandomAccessFile> file,
                   std::shared_ptr<IndexPageCache> cache, int32_t number);

    std::unique_ptr<platform::RandomAccessFile> file_;
    std::shared_ptr<IndexPageCache> cache_;
    int32_t number_;
};

}  // namespace kw::engine

// The in-memory directory of one level of a B-tree (see level_directory.h).
#include "level_directory.h"

#include <algorithm>
#include <cstring>

namespace kw::engine {

void LevelDirectory::Begin(const KeyLayout &layout, size_t maxBytes, size_t maxPages,
                           size_t expectedPages) {
    layout_ = &layout;
    maxBytes_ = maxBytes;
    maxPages_ = maxPages;
    expectedPages_ = expectedPages;
    stride_ = 0;
    prefixed_ = false;
    refused_ = false;
    complete_ = false;
    last_ = -1;
    prefixes_.clear();
    pages_.clear();
    bounds_.clear();
    samples_.clear();
}

bool LevelDirectory::Add(const uint8_t *bound, int32_t length, int32_t page) {
    if (refused_ || complete_ || length <= 0) {
        refused_ = true;
        return false;
    }
    const size_t n = pages_.size();
    if (n == 0) {
        stride_ = length;
        // A prefix is taken only from a key of the layout's own length (KeySortPrefix reads that
        // many bytes); other trees are searched by whole bounds alone.
        prefixed_ = layout_->keyLength > 0 && length == layout_->keyLength;
        // Room for the pages expected, taken once: growing by copies would touch twice the
        // memory.
        const size_t most = std::min({expectedPages_, maxPages_, maxBytes_ / PerPage()});
        prefixes_.reserve(most);
        pages_.reserve(most);
        bounds_.reserve(most * static_cast<size_t>(stride_));
    }
    if (length != stride_ || (n + 1) * PerPage() > maxBytes_ || n + 1 > maxPages_) {
        refused_ = true;
        return false;
    }
    const SortPrefix prefix = prefixed_ ? KeySortPrefix(*layout_, bound) : SortPrefix{0, 0};
    if (n > 0) {
        // Bounds that do not ascend are no tree's: a descent could not be told by them. A greater
        // prefix already orders the two.
        const SortPrefix &before = prefixes_.back();
        if (prefix < before || (!(before < prefix) &&
                                CompareKeys(*layout_, Bound(n - 1), stride_, bound, length) >= 0)) {
            refused_ = true;
            return false;
        }
    }
    prefixes_.push_back(prefix);
    pages_.push_back(page);
    const size_t at = bounds_.size();
    bounds_.resize(at + static_cast<size_t>(length));
    std::memcpy(bounds_.data() + at, bound, static_cast<size_t>(length));
    return true;
}

void LevelDirectory::End(int32_t page) {
    last_ = page;
    complete_ = true;
    samples_.clear();
    for (size_t i = 0; i < prefixes_.size(); i += kSampleStride)
        samples_.push_back(prefixes_[i]);
}

void LevelDirectory::Clear() {
    *this = LevelDirectory();
}

int32_t LevelDirectory::Find(const SearchKey &key) const {
    size_t low = 0;
    size_t high = pages_.size();
    if (prefixed_ && key.Length() == stride_) {
        // Bounds of a smaller prefix lie below the key, of a greater one above it: only those of
        // the key's own prefix need the whole comparison.
        const SortPrefix prefix = KeySortPrefix(*layout_, key.Bytes());
        // The samples (small enough to stay in the processor's cache) narrow the first prefix
        // not below the key's to one run of kSampleStride, so only that run's lines are read.
        const size_t sample = static_cast<size_t>(
            std::lower_bound(samples_.begin(), samples_.end(), prefix) - samples_.begin());
        const auto begin = prefixes_.begin();
        const auto from =
            begin + static_cast<ptrdiff_t>(sample > 0 ? (sample - 1) * kSampleStride : 0);
        const auto to = begin + static_cast<ptrdiff_t>(std::min(sample * kSampleStride, high));
        // The run's lines are asked for together rather than one after another by the search.
        for (auto at = from; at < to; at += 4)
            __builtin_prefetch(&*at);
        low = static_cast<size_t>(std::lower_bound(from, to, prefix) - begin);
        if (low < pages_.size()) {
            // The bound compared first when prefixes tie, while the ties are counted.
            const uint8_t *bound = Bound(low);
            for (int32_t at = 0; at < stride_; at += 64)
                __builtin_prefetch(bound + at);
        }
        // The prefixes equal to the key's follow: few, found by doubling steps.
        size_t equalFrom = low;
        size_t step = 1;
        high = low;
        while (high < prefixes_.size() && !(prefix < prefixes_[high])) {
            equalFrom = high;
            high = std::min(low + step, prefixes_.size());
            step *= 2;
        }
        high = static_cast<size_t>(std::upper_bound(begin + static_cast<ptrdiff_t>(equalFrom),
                                                    begin + static_cast<ptrdiff_t>(high), prefix) -
                                   begin);
    }
    // The first bound not below the key.
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (key.Compare(Bound(middle), stride_) <= 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low < pages_.size() ? pages_[low] : last_;
}

}  // namespace kw::engine

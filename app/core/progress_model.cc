// The progress window's range, position and bar text. See progress_model.h.
#include "app/core/progress_model.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

namespace kw {

void ProgressModel::SetRange(int low, int high) {
    if (low > high) std::swap(low, high);
    if (low == high) {
        if (high == INT_MAX)
            --low;
        else
            ++high;
    }
    low_ = low;
    high_ = high;
    position_ = low;
}

void ProgressModel::SetPosition(int position) {
    position_ = std::clamp(position, low_, high_);
}

int ProgressModel::FilledWidth(int barWidth) const {
    if (barWidth <= 0) return 0;
    int64_t done = static_cast<int64_t>(position_) - low_;
    int64_t span = static_cast<int64_t>(high_) - low_;
    return static_cast<int>(barWidth * done / span);
}

int ProgressModel::Percent() const {
    return FilledWidth(100);
}

std::string ProgressModel::BarText() const {
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", Percent());
    return label_.empty() ? std::string(percent) : label_ + ": " + percent;
}

}  // namespace kw

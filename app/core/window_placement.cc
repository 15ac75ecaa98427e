// The window placement's settings text.
#include "window_placement.h"

#include <limits>

#include "setting_text.h"

namespace kw {

std::string EncodeWindowPlacement(const WindowPlacement &p) {
    std::string out = std::to_string(p.flags) + "," + std::to_string(p.showCommand);
    for (int32_t v : {p.minX, p.minY, p.maxX, p.maxY, p.left, p.top, p.right, p.bottom})
        out += "," + std::to_string(v);
    return out;
}

std::optional<WindowPlacement> DecodeWindowPlacement(const std::string &text) {
    auto fields = SplitAtCommas(text);
    if (fields.size() != 10) return std::nullopt;
    int64_t v[10];
    for (size_t i = 0; i < 10; ++i) {
        bool isUnsigned = i < 2;
        auto n = ParseDecimalField(fields[i], isUnsigned ? 0 : std::numeric_limits<int32_t>::min(),
                                   isUnsigned ? std::numeric_limits<uint32_t>::max()
                                              : std::numeric_limits<int32_t>::max());
        if (!n) return std::nullopt;
        v[i] = *n;
    }
    WindowPlacement p;
    p.flags = static_cast<uint32_t>(v[0]);
    p.showCommand = static_cast<uint32_t>(v[1]);
    p.minX = static_cast<int32_t>(v[2]);
    p.minY = static_cast<int32_t>(v[3]);
    p.maxX = static_cast<int32_t>(v[4]);
    p.maxY = static_cast<int32_t>(v[5]);
    p.left = static_cast<int32_t>(v[6]);
    p.top = static_cast<int32_t>(v[7]);
    p.right = static_cast<int32_t>(v[8]);
    p.bottom = static_cast<int32_t>(v[9]);
    return p;
}

}  // namespace kw

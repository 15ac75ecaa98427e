// Font descriptions and their settings text.
#include "font_description.h"

#include <limits>
#include <vector>

#include "setting_text.h"

namespace kw {
namespace {

constexpr size_t kNumberFields = 12;

}  // namespace

std::string EncodeFont(const FontDescription &f) {
    std::string out;
    for (int64_t v : {int64_t{f.width}, int64_t{f.height}, int64_t{f.escapement},
                      int64_t{f.orientation}, int64_t{f.weight}, int64_t{f.italic},
                      int64_t{f.underline}, int64_t{f.strikeOut}, int64_t{f.outPrecision},
                      int64_t{f.clipPrecision}, int64_t{f.quality}, int64_t{f.pitchAndFamily}}) {
        out += std::to_string(v);
        out += ',';
    }
    out += f.faceName.substr(0, kMaxFaceNameLength);
    return out;
}

std::optional<FontDescription> DecodeFont(const std::string &text) {
    // The first twelve commas end the numbers; whatever follows is the face name.
    std::vector<int64_t> numbers;
    size_t start = 0;
    for (size_t i = 0; i < kNumberFields; ++i) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) return std::nullopt;
        bool isByte = i >= 5;
        auto v = ParseDecimalField(std::string_view(text).substr(start, comma - start),
                                   isByte ? 0 : std::numeric_limits<int32_t>::min(),
                                   isByte ? 255 : std::numeric_limits<int32_t>::max());
        if (!v) return std::nullopt;
        numbers.push_back(*v);
        start = comma + 1;
    }
    size_t face = text.find_first_not_of(" \t", start);
    FontDescription f;
    f.width = static_cast<int32_t>(numbers[0]);
    f.height = static_cast<int32_t>(numbers[1]);
    f.escapement = static_cast<int32_t>(numbers[2]);
    f.orientation = static_cast<int32_t>(numbers[3]);
    f.weight = static_cast<int32_t>(numbers[4]);
    f.italic = static_cast<uint8_t>(numbers[5]);
    f.underline = static_cast<uint8_t>(numbers[6]);
    f.strikeOut = static_cast<uint8_t>(numbers[7]);
    f.outPrecision = static_cast<uint8_t>(numbers[8]);
    f.clipPrecision = static_cast<uint8_t>(numbers[9]);
    f.quality = static_cast<uint8_t>(numbers[10]);
    f.pitchAndFamily = static_cast<uint8_t>(numbers[11]);
    if (face != std::string::npos) f.faceName = text.substr(face, kMaxFaceNameLength);
    return f;
}

FontDescription FormFont() {
    FontDescription f;
    f.height = -8;
    f.faceName = "MS Sans Serif";
    return f;
}

}  // namespace kw

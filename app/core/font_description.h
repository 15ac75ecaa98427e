// Font descriptions as the program keeps them (the platform's logical-font fields) and their
// text form in the settings file: thirteen comma-separated values
//
//   FIELD  MEANING
//   1      width            (comes before the height)
//   2      height           (negative: character height in logical units)
//   3, 4   escapement, orientation
//   5      weight           (400 normal, 700 bold)
//   6-8    italic, underline, strike-out        (0..255)
//   9-12   output precision, clip precision, quality, pitch and family   (0..255)
//   13     face name        (everything after the twelfth comma, at most 31 bytes)
//
// The character set is not stored; it reads back as 0. Because the face name is the whole rest of
// the value, names with blanks ("Times New Roman") and even commas survive a round trip. A value
// that does not decode as a whole gives nullopt, and the caller keeps its default font.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kw {

inline constexpr size_t kMaxFaceNameLength = 31;

struct FontDescription {
    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;  // never stored
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::string faceName;  // Windows-1252, at most kMaxFaceNameLength bytes

    bool operator==(const FontDescription &) const = default;
};

// The settings text of a font; a longer face name is cut to kMaxFaceNameLength bytes.
std::string EncodeFont(const FontDescription &font);

// The font of a settings text, or nullopt when it is not twelve numbers in range and a face name.
// Blanks before the face name are dropped.
std::optional<FontDescription> DecodeFont(const std::string &text);

// The font every form's controls use: "MS Sans Serif", height -8, everything else 0.
FontDescription FormFont();

}  // namespace kw

// Windows-1252, UTF-8 and DOS code page conversion tables and codecs. The guessing of an unknown
// encoding lives in encoding_detection.cc.
#include "text_encoding.h"

#include <array>
#include <cctype>

namespace kw::platform {
namespace {

// Code points of bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// Bytes 0x80..0xFF of DOS code page 437 (IBM PC, US), from the code page chart.
constexpr char32_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80-87
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88-8F
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90-97
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 98-9F
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0-A7
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8-AF
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0-B7
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8-BF
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0-C7
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8-CF
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0-D7
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8-DF
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0-E7
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8-EF
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0-F7
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8-FF
};

// Bytes 0x80..0xFF of DOS code page 850 (Multilingual Latin 1), from the code page chart.
constexpr char32_t kCp850High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80-87
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88-8F
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90-97
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98-9F
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0-A7
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8-AF
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0-B7
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8-BF
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0-C7
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8-CF
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0-D7
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8-DF
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0-E7
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8-EF
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0-F7
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8-FF
};

// All 256 entries of a DOS code page: ASCII below 0x80, the chart above.
constexpr std::array<char32_t, 256> FullTable(const char32_t (&high)[128]) {
    std::array<char32_t, 256> table{};
    for (int b = 0; b < 0x80; ++b)
        table[b] = static_cast<char32_t>(b);
    for (int b = 0; b < 0x80; ++b)
        table[0x80 + b] = high[b];
    return table;
}

constexpr std::array<char32_t, 256> kCp437 = FullTable(kCp437High);
constexpr std::array<char32_t, 256> kCp850 = FullTable(kCp850High);

const std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// One code point into Windows-1252 for imported text.
char ToCp1252ForImport(char32_t cp) {
    if (cp >= 0x2500 && cp <= 0x257F) return '-';  // box drawing: rules stay rules
    int b = CodePointToCp1252(cp);
    return b < 0 ? '?' : static_cast<char>(b);
}

std::string TableToCp1252(std::string_view text, const std::array<char32_t, 256> &table) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(ToCp1252ForImport(table[static_cast<unsigned char>(c)]));
    return out;
}

std::string Utf8ToCp1252ForImport(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size())
        out.push_back(ToCp1252ForImport(DecodeUtf8(text, &pos)));
    return out;
}

// Converts with a known (not kAuto) encoding.
std::string ConvertKnown(std::string_view text, Encoding encoding) {
    switch (encoding) {
        case Encoding::kUtf8:
            return Utf8ToCp1252ForImport(text);
        case Encoding::kCp437:
            return TableToCp1252(text, kCp437);
        case Encoding::kCp850:
            return TableToCp1252(text, kCp850);
        case Encoding::kAuto:
        case Encoding::kCp1252:
            break;
    }
    return std::string(text);
}

bool IsBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

struct EncodingNameEntry {
    const char *name;
    Encoding encoding;
};

// Canonical names first: EncodingName returns the first entry of each encoding.
constexpr EncodingNameEntry kEncodingNames[] = {
    {"auto", Encoding::kAuto},           {"utf-8", Encoding::kUtf8},
    {"windows-1252", Encoding::kCp1252}, {"cp437", Encoding::kCp437},
    {"cp850", Encoding::kCp850},         {"utf8", Encoding::kUtf8},
    {"cp1252", Encoding::kCp1252},       {"latin-1", Encoding::kCp1252},
    {"latin1", Encoding::kCp1252},       {"iso-8859-1", Encoding::kCp1252},
    {"ibm437", Encoding::kCp437},        {"437", Encoding::kCp437},
    {"ibm850", Encoding::kCp850},        {"850", Encoding::kCp850},
};

}  // namespace

char32_t Cp1252ToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
    return byte;
}

int CodePointToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    return -1;
}

void AppendUtf8(std::string *out, char32_t cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t DecodeUtf8(std::string_view text, size_t *pos) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    size_t p = *pos;
    unsigned char b0 = byte(p);
    int len;
    char32_t cp;
    if (b0 < 0x80) {
        *pos = p + 1;
        return b0;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        *pos = p + 1;
        return 0xFFFD;
    }
    if (p + static_cast<size_t>(len) > text.size()) {
        *pos = p + 1;
        return 0xFFFD;
    }
    for (int i = 1; i < len; ++i) {
        unsigned char b = byte(p + static_cast<size_t>(i));
        if ((b & 0xC0) != 0x80) {
            *pos = p + 1;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // Reject overlong forms, surrogates and values past U+10FFFF.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        *pos = p + 1;
        return 0xFFFD;
    }
    *pos = p + static_cast<size_t>(len);
    return cp;
}

bool IsValidUtf8(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t before = pos;
        char32_t cp = DecodeUtf8(text, &pos);
        if (cp == 0xFFFD && !(pos - before == 3 && text.substr(before, 3) == "\xEF\xBF\xBD"))
            return false;
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        AppendUtf8(&out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        int b = CodePointToCp1252(DecodeUtf8(text, &pos));
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

char32_t Cp437ToCodePoint(unsigned char byte) {
    return kCp437[byte];
}

char32_t Cp850ToCodePoint(unsigned char byte) {
    return kCp850[byte];
}

std::string ConvertToCp1252(std::string_view bytes, Encoding encoding) {
    if (encoding != Encoding::kAuto) return ConvertKnown(bytes, encoding);
    Encoding guess = DetectEncoding(bytes);
    if (guess == Encoding::kUtf8) return ConvertKnown(bytes, guess);
    // Paragraph by paragraph: a paragraph runs up to and including the next blank line.
    std::string out;
    out.reserve(bytes.size());
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = start;
        for (;;) {
            size_t lineEnd = bytes.find('\n', end);
            lineEnd = lineEnd == std::string_view::npos ? bytes.size() : lineEnd + 1;
            bool blank = IsBlankLine(bytes.substr(end, lineEnd - end));
            end = lineEnd;
            if (blank || end == bytes.size()) break;
        }
        std::string_view paragraph = bytes.substr(start, end - start);
        out += ConvertKnown(paragraph, DetectParagraphEncoding(paragraph, guess));
        start = end;
    }
    return out;
}

bool ParseEncodingName(std::string_view name, Encoding *encoding) {
    for (const EncodingNameEntry &entry : kEncodingNames) {
        std::string_view candidate = entry.name;
        if (candidate.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(name[i])) == candidate[i];
        if (same) {
            *encoding = entry.encoding;
            return true;
        }
    }
    return false;
}

const char *EncodingName(Encoding encoding) {
    for (const EncodingNameEntry &entry : kEncodingNames)
        if (entry.encoding == encoding) return entry.name;
    return "auto";
}

}  // namespace kw::platform

// Guessing the encoding of a recipe text that arrives without a label.
//
// UTF-8 is recognised by its structure: a text that is valid UTF-8 and holds non-ASCII characters
// is UTF-8 (Latin-1 or DOS text is practically never valid UTF-8 by accident). Among the
// single-byte code pages the bytes themselves say nothing, so each candidate decodes the text and
// is scored by how plausible the result looks in recipe text:
//
//   WHAT THE CANDIDATE MAKES OF A NON-ASCII BYTE                           POINTS
//   a Latin letter beside an ASCII letter, its case fitting the word       2
//     (not fitting, as in "cafÚ": 0, so Latin-1 words do not pull towards
//     CP850 merely because it has more accented capitals than CP437)
//   a box-drawing character in a run of at least 3 (a rule)                1 per character
//   a typographic quote placed like one (’ after a letter, “ before one)   2
//   a dash or ellipsis beside a letter, digit or blank                     1
//   a degree or fraction sign after a digit ("350°", "3½")                 1
//   anything else (symbols, Greek, blocks, undefined bytes)                0
//
// The highest score wins; on a tie the order Windows-1252, CP437, CP850 decides (so text without
// any evidence, including plain ASCII, stays Windows-1252, the system's own code page).
#include "text_encoding.h"

namespace kw::platform {
namespace {

using Decoder = char32_t (*)(unsigned char);

struct Candidate {
    Encoding encoding;
    Decoder decode;
};

// In tie-breaking order.
constexpr Candidate kSingleByteCandidates[] = {
    {Encoding::kCp1252, Cp1252ToCodePoint},
    {Encoding::kCp437, Cp437ToCodePoint},
    {Encoding::kCp850, Cp850ToCodePoint},
};

bool IsAsciiLetter(char32_t cp) {
    return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
}
bool IsAsciiLower(char32_t cp) {
    return cp >= 'a' && cp <= 'z';
}
bool IsDigit(char32_t cp) {
    return cp >= '0' && cp <= '9';
}

// Letters of Latin-1 Supplement and Latin Extended-A (the ones the three code pages can produce).
bool IsLatinLetter(char32_t cp) {
    return (cp >= 0xC0 && cp <= 0xFF && cp != 0xD7 && cp != 0xF7) || (cp >= 0x100 && cp <= 0x17F);
}

bool IsLatinUpper(char32_t cp) {
    if (cp >= 0xC0 && cp <= 0xDE) return cp != 0xD7;
    // Latin Extended-A pairs upper/lower, with the pairing shifting at U+0139 and U+0179.
    if (cp >= 0x100 && cp <= 0x137) return cp % 2 == 0;
    if (cp >= 0x139 && cp <= 0x148) return cp % 2 == 1;
    if (cp >= 0x14A && cp <= 0x177) return cp % 2 == 0;
    if (cp == 0x178) return true;
    if (cp >= 0x179 && cp <= 0x17E) return cp % 2 == 1;
    return false;
}

bool IsLetter(char32_t cp) {
    return IsAsciiLetter(cp) || IsLatinLetter(cp);
}

bool IsBoxDrawing(char32_t cp) {
    return cp >= 0x2500 && cp <= 0x257F;
}

// Points for a Latin letter with neighbours prev and next (0 when neither is an ASCII letter: a
// run of accented letters alone proves nothing, "ÄÄÄÄ" is more likely a rule in another code page).
int LetterPoints(char32_t cp, char32_t prev, char32_t next) {
    if (!IsAsciiLetter(prev) && !IsAsciiLetter(next)) return 0;
    bool fits;
    if (IsLatinUpper(cp))
        fits = !IsAsciiLower(prev);  // a capital starts a word or sits in an upper-case word
    else
        fits = IsAsciiLower(prev) || IsAsciiLower(next);
    return fits ? 2 : 0;
}

int PunctuationPoints(char32_t cp, char32_t prev, char32_t next) {
    switch (cp) {
        case 0x2019:  // ’ as apostrophe or closing quote
            return IsLetter(prev) ? 2 : 0;
        case 0x2018:  // ‘
        case 0x201C:  // “
            return IsLetter(next) && !IsLetter(prev) ? 2 : 0;
        case 0x201D:  // ”
            return (IsLetter(prev) || prev == '.' || prev == ',' || prev == '!' || prev == '?') &&
                           !IsLetter(next)
                       ? 2
                       : 0;
        case 0x2013:  // –
        case 0x2014:  // —
        case 0x2026:  // …
            for (char32_t side : {prev, next})
                if (side == ' ' || IsAsciiLetter(side) || IsDigit(side)) return 1;
            return 0;
        case 0x00B0:  // ° and º (often typed for degrees)
        case 0x00BA:
        case 0x00BC:  // ¼ ½ ¾
        case 0x00BD:
        case 0x00BE:
            return IsDigit(prev) ? 1 : 0;
        default:
            return 0;
    }
}

int Score(std::string_view text, Decoder decode) {
    int score = 0;
    int boxRun = 0;
    auto endRun = [&] {
        if (boxRun >= 3) score += boxRun;
        boxRun = 0;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        char32_t cp = decode(byte);
        if (!IsBoxDrawing(cp)) endRun();
        if (byte < 0x80) continue;
        if (IsBoxDrawing(cp)) {
            ++boxRun;
            continue;
        }
        char32_t prev = i > 0 ? decode(static_cast<unsigned char>(text[i - 1])) : U'\n';
        char32_t next =
            i + 1 < text.size() ? decode(static_cast<unsigned char>(text[i + 1])) : U'\n';
        score +=
            IsLatinLetter(cp) ? LetterPoints(cp, prev, next) : PunctuationPoints(cp, prev, next);
    }
    endRun();
    return score;
}

bool HasNonAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

// The best single-byte candidate; *bestScore and *guessScore (the score of guess) when asked.
Encoding BestSingleByte(std::string_view text, Encoding guess, int *bestScore, int *guessScore) {
    Encoding best = Encoding::kCp1252;
    *bestScore = -1;
    *guessScore = 0;
    for (const Candidate &candidate : kSingleByteCandidates) {
        int score = Score(text, candidate.decode);
        if (score > *bestScore) {
            *bestScore = score;
            best = candidate.encoding;
        }
        if (candidate.encoding == guess) *guessScore = score;
    }
    return best;
}

}  // namespace

Encoding DetectEncoding(std::string_view bytes) {
    if (!HasNonAscii(bytes)) return Encoding::kCp1252;
    if (IsValidUtf8(bytes)) return Encoding::kUtf8;
    int bestScore, unused;
    return BestSingleByte(bytes, Encoding::kCp1252, &bestScore, &unused);
}

Encoding DetectParagraphEncoding(std::string_view paragraph, Encoding textGuess) {
    if (!HasNonAscii(paragraph)) return textGuess;
    if (IsValidUtf8(paragraph)) return Encoding::kUtf8;
    int bestScore, guessScore;
    Encoding best = BestSingleByte(paragraph, textGuess, &bestScore, &guessScore);
    return bestScore > guessScore ? best : textGuess;
}

}  // namespace kw::platform

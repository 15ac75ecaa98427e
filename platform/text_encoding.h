// Text encodings at the edges of the system. Everything stored in the database and written to
// files is single-byte Windows-1252 text; the widgets and the terminal speak Unicode (UTF-8), and
// imported recipe files arrive in several encodings. These functions convert at those edges only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kw::platform {

// The Unicode code point of a Windows-1252 byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as Windows does.
char32_t Cp1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte for a code point, or nullopt-like -1 when the code page lacks it.
int CodePointToCp1252(char32_t cp);

// Windows-1252 bytes to UTF-8.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 to Windows-1252; characters outside the code page (and malformed bytes) become '?'.
std::string Utf8ToCp1252(std::string_view text);

// Decodes one UTF-8 sequence at text[pos]; advances pos. Malformed input gives U+FFFD and
// advances by one byte.
char32_t DecodeUtf8(std::string_view text, size_t *pos);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string *out, char32_t cp);

// Whether text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// ---- Foreign text into Windows-1252 -------------------------------------------------------------
//
// Recipe files come from many programs and eras: DOS code page 437 or 850 (Meal-Master, with
// box-drawing rules and 0x82 for e-acute), Latin-1 / Windows-1252, and UTF-8. Before any import
// filter sees a text it is converted to Windows-1252: characters the code page lacks become "?",
// box-drawing characters (U+2500..U+257F) become "-" so that rules stay rules, and line breaks and
// control bytes pass through unchanged.

enum class Encoding { kAuto, kUtf8, kCp1252, kCp437, kCp850 };

// The Unicode code point of a byte in DOS code page 437 or 850 (all 256 bytes; bytes below 0x80
// read as ASCII, as they do in text files).
char32_t Cp437ToCodePoint(unsigned char byte);
char32_t Cp850ToCodePoint(unsigned char byte);

// The guess for a whole text: kUtf8 when the text is valid UTF-8 and holds non-ASCII characters;
// otherwise the single-byte code page whose decoding fits the text best (see the scoring in
// text_encoding.cc); plain ASCII gives kCp1252. Never returns kAuto.
Encoding DetectEncoding(std::string_view bytes);

// The encoding kAuto applies to one paragraph of a text whose whole-text guess is textGuess: a
// paragraph that is valid UTF-8 with non-ASCII characters is kUtf8; otherwise the single-byte code
// page that fits the paragraph best, but only when it fits strictly better than textGuess.
Encoding DetectParagraphEncoding(std::string_view paragraph, Encoding textGuess);

// Converts text in the given encoding to Windows-1252. kCp1252 returns the bytes unchanged; kUtf8
// drops a leading byte-order mark and turns malformed bytes into "?". kAuto decides per paragraph
// (lines up to a blank line): the whole text's guess applies unless a paragraph's own letters fit
// another encoding strictly better, so a Latin-1 recipe inside a code page 437 collection keeps
// its accents.
std::string ConvertToCp1252(std::string_view bytes, Encoding encoding);

// Reads an encoding name as given on a command line, ignoring case: "auto", "utf-8" ("utf8"),
// "windows-1252" ("cp1252", "latin-1", "latin1", "iso-8859-1"), "cp437" ("ibm437", "437"),
// "cp850" ("ibm850", "850"). False for any other name (encoding untouched).
bool ParseEncodingName(std::string_view name, Encoding *encoding);

// The canonical name of an encoding, as ParseEncodingName reads it ("auto", "utf-8", ...).
const char *EncodingName(Encoding encoding);

}  // namespace kw::platform

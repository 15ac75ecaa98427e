// Text encodings at the edges of the system. Everything stored in the database and written to
// files is single-byte Windows-1252 text; the widgets and the terminal speak Unicode (UTF-8).
// These functions convert at that edge only.
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

}  // namespace kw::platform

// JSON output for kwtool's --json reports: strings are quoted and escaped, Windows-1252 text is
// turned into UTF-8 first so every report is valid JSON.
#pragma once

#include <string>

namespace kwtool {

// text (UTF-8) as a JSON string literal.
std::string JsonString(const std::string &text);

}  // namespace kwtool

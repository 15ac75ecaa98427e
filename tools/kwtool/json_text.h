// JSON output for kwtool's --json reports: strings quoted and escaped. Callers hand in UTF-8
// (stored text is Windows-1252 and is converted first), so every report is valid JSON.
#pragma once

#include <string>

namespace kwtool {

// text (UTF-8) as a JSON string literal.
std::string JsonString(const std::string &text);

}  // namespace kwtool

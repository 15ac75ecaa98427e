// Plain-language texts for the engine's result codes, for kwtool's error output. Every text ends
// with the code in parentheses so a report can be matched to the engine's documentation.
#pragma once

#include <cstdint>
#include <string>

namespace kwtool {

// "the engine already has two users (504)" and the like; unknown codes give "engine result N".
std::string EngineResultText(int32_t code);

}  // namespace kwtool

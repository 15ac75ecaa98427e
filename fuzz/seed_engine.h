// The engine seeds of fuzz_seed_tool: table files and dumps the engine writes (seed_engine.cc).
// Both take an absolute output directory (the fuzz workspace becomes the working directory) and
// return the tool's exit status.
#pragma once

#include <string>

namespace kw::fuzz {

int WriteTableSeeds(const std::string &dir);
int WriteDumpSeeds(const std::string &dir);

}  // namespace kw::fuzz

// The format detectors behind GetBestFilter. Each reads the start of a text through its own line
// reader (no log) and says whether its filter recognises it:
//   0 own text:    a line beginning with "=====" within 25 lines that names "Recipe By Kettleworth"
//   1 Meal-Master: a line beginning with "-----" or "MMMMM" within 25 lines that names Meal-Master
//   2 MasterCook:  the MasterCook banner within the first 25 lines (not the text's last line)
#pragma once

#include <cstdint>
#include <string_view>

namespace kw::import {

bool DetectOwnText(const char *text);
bool DetectMealMaster(const char *text);
bool DetectMasterCook(const char *text);

// The banner MasterCook writes above every recipe: a '*', then (after further blanks and '*')
// "Exported from MasterCook" with any run of blanks or tabs between the words — exports write
// both "*  Exported from  MasterCook  *" and "* Exported from MasterCook *".
bool IsMasterCookBanner(std::string_view line);

// The first filter whose detector accepts text, or -1.
int32_t BestFilter(const char *text);

}  // namespace kw::import

// What the program's one-line name dialog is opened with: a title, the longest text the "&Name:"
// edit takes, and the text it starts with. The cores say what to ask; the window asks and hands
// the typed text (or nothing, on Cancel) back to the operation that asked.
#pragma once

#include <cstddef>
#include <string>

namespace kw {

struct NameDialogRequest {
    std::string title;
    size_t max_length = 0;
    std::string text;
};

}  // namespace kw

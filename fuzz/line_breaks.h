// The text forms the fuzz targets compare a reader's answers across. Only the fuzz targets
// include this header.
#pragma once

#include <string>

namespace kw::fuzz {

// text with every LF that has no CR before it written as CR LF; lone CRs stay. The import line
// reader sees the same lines, and the same runs of breaks, in both forms.
inline std::string WithCrLf(const std::string &text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

}  // namespace kw::fuzz

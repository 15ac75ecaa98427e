// Fuzz target: format detection (GetBestFilter) on arbitrary text, and the filter names
// (GetSupportedFormats) the program lists beside it.
//
// Invariants: the best filter is -1, 0, 1 or 2 and the same when asked again; a text cut right
// after its 25th line break is judged no differently, since the detectors read no further than
// 25 lines, and so is the text with every line break written as CR LF; every filter name fits its
// 12-byte buffer and nothing is written past the terminator.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "kwimpt.h"
#include "line_breaks.h"

namespace {

// The text up to and including its 25th line break (the whole text when it has fewer), with the
// 25th line's break run kept whole: the detectors see the same lines either way, and whether a
// line is the last one depends only on what follows its breaks.
std::string First25LinesAndMore(const std::string &text) {
    size_t at = 0;
    for (int lines = 0; lines < 25; ++lines) {
        const size_t brk = text.find_first_of("\r\n", at);
        if (brk == std::string::npos) return text;
        at = text.find_first_not_of("\r\n", brk);
        if (at == std::string::npos) return text;
    }
    // Keep one byte of the 26th line, so the 25th line is still not the last.
    return text.substr(0, at + 1);
}

void CheckFilterNames() {
    for (int32_t index = -1; index <= 3; ++index) {
        char name[KWIMPT_FILTER_NAME_SIZE + 4];
        std::memset(name, 0x5A, sizeof name);
        const int32_t known = GetSupportedFormats(index, name);
        if (index >= 0 && index <= 2) {
            FUZZ_CHECK(known == 1, "filters 0..2 are known");
            FUZZ_CHECK(std::memchr(name, '\0', KWIMPT_FILTER_NAME_SIZE) != nullptr,
                       "filter name fits its buffer");
            const size_t length = std::strlen(name);
            for (size_t i = length + 1; i < sizeof name; ++i)
                FUZZ_CHECK(name[i] == 0x5A, "nothing written past the name");
        } else {
            FUZZ_CHECK(known == 0 && name[0] == 0x5A, "an unknown index leaves the buffer alone");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const int32_t best = GetBestFilter(text.c_str());
    FUZZ_CHECK(best >= -1 && best <= 2, "best filter -1..2");
    FUZZ_CHECK(GetBestFilter(text.c_str()) == best, "detection is repeatable");
    const std::string start = First25LinesAndMore(text.c_str());
    FUZZ_CHECK(GetBestFilter(start.c_str()) == best, "detection reads at most 25 lines");
    const std::string crLf = kw::fuzz::WithCrLf(text);
    FUZZ_CHECK(GetBestFilter(crLf.c_str()) == best, "CR LF breaks are detected the same");
    if (size == 0) CheckFilterNames();
    return 0;
}

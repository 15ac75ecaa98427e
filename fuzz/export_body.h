// The scrambling of an export file's body, done here independently of ScrambledFile, for the fuzz
// targets and the seed generator: XOR with the key of the file's version (byte k with key byte k
// mod the key's length) scrambles a plain body and unscrambles a scrambled one.
//
//   OFFSET  SIZE  MEANING
//   0       10    header line, e.g. "KW E 108\r\n" (not scrambled)
//   10      ...   body, scrambled from its first byte with key A (versions below 105) or key B
#pragma once

#include <string>
#include <string_view>

#include "app/interchange/scrambled_file.h"

namespace kw::fuzz {

inline std::string XorExportBody(std::string_view body, int version) {
    const bool keyA = version < 105;
    const unsigned char *key = keyA ? kExportKeyA : kExportKeyB;
    const size_t keyLength = keyA ? sizeof kExportKeyA : sizeof kExportKeyB;
    std::string out(body);
    for (size_t k = 0; k < out.size(); ++k)
        out[k] = static_cast<char>(static_cast<unsigned char>(out[k]) ^ key[k % keyLength]);
    return out;
}

// A whole export file of a known version whose plain body is body.
inline std::string ExportFileOf(std::string_view body, int version) {
    return std::string(ScrambledFile::HeaderLine(version)) + XorExportBody(body, version);
}

}  // namespace kw::fuzz

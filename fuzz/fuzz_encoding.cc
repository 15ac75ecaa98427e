// Fuzz target: the encoding guess and the conversion of foreign text into Windows-1252
// (DetectEncoding, DetectParagraphEncoding, ConvertToCp1252 for every encoding), and the UTF-8
// codec the widgets and the terminal use.
//
// Invariants:
//   - the guesses are real encodings, never kAuto;
//   - Windows-1252 comes back unchanged; code pages 437 and 850 convert byte for byte and keep
//     every ASCII byte where it was; UTF-8 and the automatic choice never grow the text;
//   - every conversion keeps the line breaks (the import filters count lines) and the ASCII text
//     apart from the '?' and '-' that stand for characters the code page lacks;
//   - the result is single-byte text that survives the trip to UTF-8 and back unchanged, and its
//     UTF-8 form is well-formed;
//   - an encoding name that reads back names the same encoding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/text_encoding.h"

namespace {

using kw::platform::Encoding;

constexpr Encoding kEncodings[] = {Encoding::kAuto, Encoding::kUtf8, Encoding::kCp1252,
                                   Encoding::kCp437, Encoding::kCp850};

size_t Count(std::string_view text, char c) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), c));
}

// The ASCII bytes of text in order, without the stand-ins '?' and '-'.
std::string PlainAscii(std::string_view text) {
    std::string out;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x80 && c != '?' && c != '-') out += c;
    return out;
}

void CheckConversion(std::string_view bytes, Encoding encoding) {
    const std::string out = kw::platform::ConvertToCp1252(bytes, encoding);
    switch (encoding) {
        case Encoding::kCp1252:
            FUZZ_CHECK(out == bytes, "Windows-1252 comes back unchanged");
            break;
        case Encoding::kCp437:
        case Encoding::kCp850:
            FUZZ_CHECK(out.size() == bytes.size(), "a DOS code page converts byte for byte");
            for (size_t i = 0; i < bytes.size(); ++i)
                if (static_cast<unsigned char>(bytes[i]) < 0x80)
                    FUZZ_CHECK(out[i] == bytes[i], "ASCII stays in place");
            break;
        case Encoding::kUtf8:
        case Encoding::kAuto:
            FUZZ_CHECK(out.size() <= bytes.size(), "the conversion never grows the text");
            break;
    }
    FUZZ_CHECK(Count(out, '\n') == Count(bytes, '\n'), "line feeds kept");
    FUZZ_CHECK(Count(out, '\r') == Count(bytes, '\r'), "carriage returns kept");
    FUZZ_CHECK(PlainAscii(out) == PlainAscii(bytes), "ASCII text kept");

    const std::string utf8 = kw::platform::Cp1252ToUtf8(out);
    FUZZ_CHECK(kw::platform::IsValidUtf8(utf8), "the UTF-8 form is well-formed");
    FUZZ_CHECK(kw::platform::Utf8ToCp1252(utf8) == out, "single-byte text survives UTF-8");
}

void CheckEncodingName(std::string_view bytes) {
    if (bytes.size() > 16) return;
    Encoding encoding = Encoding::kCp437;
    if (!kw::platform::ParseEncodingName(bytes, &encoding)) {
        FUZZ_CHECK(encoding == Encoding::kCp437, "an unknown name changes nothing");
        return;
    }
    Encoding again = Encoding::kCp437;
    FUZZ_CHECK(kw::platform::ParseEncodingName(kw::platform::EncodingName(encoding), &again) &&
                   again == encoding,
               "the canonical name reads back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);

    const Encoding guess = kw::platform::DetectEncoding(bytes);
    FUZZ_CHECK(guess != Encoding::kAuto, "the whole-text guess is an encoding");
    for (Encoding textGuess : {Encoding::kCp1252, Encoding::kCp437, Encoding::kCp850})
        FUZZ_CHECK(kw::platform::DetectParagraphEncoding(bytes, textGuess) != Encoding::kAuto,
                   "the paragraph guess is an encoding");

    for (Encoding encoding : kEncodings)
        CheckConversion(bytes, encoding);

    // Whatever the bytes, read as Windows-1252 they make well-formed UTF-8 that comes back whole.
    const std::string utf8 = kw::platform::Cp1252ToUtf8(bytes);
    FUZZ_CHECK(kw::platform::IsValidUtf8(utf8), "Windows-1252 gives well-formed UTF-8");
    FUZZ_CHECK(kw::platform::Utf8ToCp1252(utf8) == bytes, "Windows-1252 survives UTF-8");

    CheckEncodingName(bytes);
    return 0;
}

// Scrambled file access: the header, the key XOR over the body and the kinds of line. The file
// layout is drawn in scrambled_file.h.
//
// The XOR depends only on a byte's place in the body (key[k mod key length] for body byte k), so
// the file is read and written through buffers much larger than one key block; the block of the
// format is the unit of the key, not of the file I/O.
#include "app/interchange/scrambled_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "app/interchange/text_file.h"

namespace kw {
namespace {

constexpr size_t kIoBufferSize = 64 * 1024;

constexpr std::string_view kHeaderLines[] = {"KW E 100\r\n", "KW E 101\r\n", "KW E 107\r\n",
                                             "KW E 108\r\n"};
constexpr int kHeaderVersions[] = {100, 101, 107, 108};

// Versions below this one use key A.
constexpr int kFirstKeyBVersion = 105;

constexpr std::string_view kLongTextStart = "@@";
constexpr std::string_view kLongTextEnd = "?+\r\n";
// What "?+" CR LF inside a long text is written as: the only four bytes a long text cannot hold.
constexpr std::string_view kLongTextEndInText = "?+ \r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Splits off a leading sign, as the C conversions accept it ("+12", "-1.5").
bool TakeSign(std::string_view *text) {
    bool negative = !text->empty() && text->front() == '-';
    if (!text->empty() && (text->front() == '+' || text->front() == '-')) text->remove_prefix(1);
    return negative;
}

// Parses the integer at the start of text (after blanks) into *value (0 when there is none or it
// does not fit); true when that number is the whole text apart from blanks.
bool ParseInteger(std::string_view text, int *value) {
    *value = 0;
    text = TrimBlanks(text);
    bool negative = TakeSign(&text);
    int64_t magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (ec != std::errc() || magnitude < 0) return false;
    int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
    *value = static_cast<int>(signedValue);
    return end == text.data() + text.size();
}

// The same for a decimal number.
bool ParseReal(std::string_view text, double *value) {
    *value = 0;
    text = TrimBlanks(text);
    bool negative = TakeSign(&text);
    double magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (ec != std::errc() || std::signbit(magnitude)) return false;
    *value = negative ? -magnitude : magnitude;
    return end == text.data() + text.size();
}

}  // namespace

bool ScrambledFile::IsKnownVersion(int version) {
    return !HeaderLine(version).empty();
}

bool ScrambledFile::HasOtherCategories(int version) {
    return version == 101 || version == 108;
}

std::string_view ScrambledFile::HeaderLine(int version) {
    for (size_t i = 0; i < std::size(kHeaderVersions); ++i)
        if (kHeaderVersions[i] == version) return kHeaderLines[i];
    return {};
}

std::unique_ptr<ScrambledFile> ScrambledFile::Create(const std::string &path, int version,
                                                     int *error) {
    if (!IsKnownVersion(version)) {
        if (error) *error = EINVAL;
        return nullptr;
    }
    std::unique_ptr<platform::RandomAccessFile> file = CreateEmptyFile(path, error);
    if (!file) return nullptr;
    auto scrambled = std::make_unique<ScrambledFile>(std::move(file), Mode::kWrite, version);
    if (scrambled->Error() != 0) {
        if (error) *error = scrambled->Error();
        return nullptr;
    }
    return scrambled;
}

std::unique_ptr<ScrambledFile> ScrambledFile::OpenForReading(const std::string &path, int *error) {
    std::unique_ptr<platform::RandomAccessFile> file = platform::OpenReadOnly(path, error);
    if (!file) return nullptr;
    return std::make_unique<ScrambledFile>(std::move(file), Mode::kRead, -1);
}

ScrambledFile::ScrambledFile(std::unique_ptr<platform::RandomAccessFile> file, Mode mode,
                             int version)
    : file_(std::move(file)), mode_(mode), version_(version) {
    if (mode_ != Mode::kWrite) return;
    if (!IsKnownVersion(version_))
        Fail(EINVAL);
    else
        WriteHeaderLine();
}

ScrambledFile::~ScrambledFile() {
    Close();
}

const unsigned char *ScrambledFile::Key() const {
    return version_ < kFirstKeyBVersion ? kExportKeyA : kExportKeyB;
}

size_t ScrambledFile::KeyLength() const {
    return version_ < kFirstKeyBVersion ? sizeof kExportKeyA : sizeof kExportKeyB;
}

bool ScrambledFile::Fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
    return false;
}

// ---- Writing ----

bool ScrambledFile::WriteHeaderLine() {
    std::string_view line = HeaderLine(version_);
    errno = 0;
    if (file_->WriteAt(0, line.data(), line.size()) != static_cast<int64_t>(line.size()))
        return Fail(errno);
    return true;
}

bool ScrambledFile::WriteBytes(std::string_view bytes) {
    if (mode_ != Mode::kWrite || !file_ || error_ != 0) return false;
    const unsigned char *key = Key();
    const size_t keyLength = KeyLength();
    size_t keyPos = static_cast<size_t>(bodyWritten_ % static_cast<int64_t>(keyLength));
    for (char c : bytes) {
        pending_.push_back(static_cast<char>(static_cast<unsigned char>(c) ^ key[keyPos]));
        if (++keyPos == keyLength) keyPos = 0;
        if (pending_.size() >= kIoBufferSize && !Flush()) return false;
    }
    bodyWritten_ += static_cast<int64_t>(bytes.size());
    return true;
}

bool ScrambledFile::WriteText(std::string_view text) {
    if (text.find_first_of("\r\n") != std::string_view::npos || text.starts_with(kLongTextStart))
        return WriteLongText(text);
    return WriteBytes(text) && WriteBytes("\r\n");
}

bool ScrambledFile::WriteInteger(int value) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return WriteBytes(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer))) &&
           WriteBytes("\r\n");
}

bool ScrambledFile::WriteReal(double value) {
    // "%f" would follow the process locale (a ',' under many); the file always has '.'.
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return WriteBytes(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer))) &&
           WriteBytes("\r\n");
}

bool ScrambledFile::WriteLongText(std::string_view text) {
    if (!WriteBytes(kLongTextStart)) return false;
    for (size_t found; (found = text.find(kLongTextEnd)) != std::string_view::npos;) {
        if (!WriteBytes(text.substr(0, found)) || !WriteBytes(kLongTextEndInText)) return false;
        text.remove_prefix(found + kLongTextEnd.size());
    }
    return WriteBytes(text) && WriteBytes(kLongTextEnd);
}

bool ScrambledFile::Flush() {
    if (mode_ != Mode::kWrite || !file_ || error_ != 0) return false;
    if (pending_.empty()) return true;
    errno = 0;
    if (file_->WriteAt(pendingOffset_, pending_.data(), pending_.size()) !=
        static_cast<int64_t>(pending_.size()))
        return Fail(errno);
    pendingOffset_ += static_cast<int64_t>(pending_.size());
    pending_.clear();
    return true;
}

bool ScrambledFile::RewriteHeader(int version) {
    if (mode_ != Mode::kWrite || !IsKnownVersion(version) ||
        (version < kFirstKeyBVersion) != (version_ < kFirstKeyBVersion))
        return false;
    if (!Flush()) return false;
    version_ = version;
    return WriteHeaderLine();
}

bool ScrambledFile::Close() {
    if (!file_) return error_ == 0;
    if (mode_ == Mode::kWrite) Flush();
    file_.reset();
    return error_ == 0;
}

// ---- Reading ----

int ScrambledFile::ReadHeader() {
    if (mode_ != Mode::kRead || !file_) return -1;
    char header[kHeaderSize];
    errno = 0;
    int64_t got = file_->ReadAt(0, header, sizeof header);
    if (got < 0) Fail(errno);
    if (got != kHeaderSize) return -1;
    std::string_view line(header, sizeof header);
    for (size_t i = 0; i < std::size(kHeaderLines); ++i) {
        if (line == kHeaderLines[i]) {
            version_ = kHeaderVersions[i];
            readBuffer_.clear();
            readBufferOffset_ = kHeaderSize;
            readPos_ = 0;
            atEnd_ = false;
            pushedBack_ = kEnd;
            return version_;
        }
    }
    // "KW E nnn\r\n": a header, but of a version not known here.
    if (!line.starts_with("KW E ") || !line.ends_with("\r\n")) return -1;
    int other = 0;
    for (char digit : line.substr(5, 3)) {
        if (digit < '0' || digit > '9') return -1;
        other = other * 10 + (digit - '0');
    }
    return other;
}

bool ScrambledFile::SetVersion(int version) {
    if (mode_ != Mode::kRead) return false;
    version_ = version;
    // Bytes already decoded ahead were decoded with the old key: decode them again.
    readBufferOffset_ += static_cast<int64_t>(readPos_);
    readBuffer_.clear();
    readPos_ = 0;
    atEnd_ = false;
    return true;
}

bool ScrambledFile::FillReadBuffer() {
    if (mode_ != Mode::kRead || !file_ || error_ != 0 || atEnd_) {
        atEnd_ = true;
        return false;
    }
    readBufferOffset_ += static_cast<int64_t>(readBuffer_.size());
    readBuffer_.resize(kIoBufferSize);
    readPos_ = 0;
    errno = 0;
    int64_t got = file_->ReadAt(readBufferOffset_, readBuffer_.data(), readBuffer_.size());
    if (got <= 0) {
        if (got < 0) Fail(errno);
        readBuffer_.clear();
        atEnd_ = true;
        return false;
    }
    readBuffer_.resize(static_cast<size_t>(got));
    const unsigned char *key = Key();
    const size_t keyLength = KeyLength();
    size_t keyPos =
        static_cast<size_t>((readBufferOffset_ - kHeaderSize) % static_cast<int64_t>(keyLength));
    for (char &c : readBuffer_) {
        c = static_cast<char>(static_cast<unsigned char>(c) ^ key[keyPos]);
        if (++keyPos == keyLength) keyPos = 0;
    }
    return true;
}

int ScrambledFile::ReadChar() {
    if (pushedBack_ != kEnd) {
        int c = pushedBack_;
        pushedBack_ = kEnd;
        return c;
    }
    if (readPos_ == readBuffer_.size() && !FillReadBuffer()) return kEnd;
    return static_cast<unsigned char>(readBuffer_[readPos_++]);
}

bool ScrambledFile::PushBack(int c) {
    if (c == kEnd || pushedBack_ != kEnd) return false;
    pushedBack_ = c & 0xFF;
    return true;
}

bool ScrambledFile::ReadLongText(std::string *text) {
    for (int c; (c = ReadChar()) != kEnd;) {
        text->push_back(static_cast<char>(c));
        if (c == '\n' && text->ends_with(kLongTextEnd)) {
            text->resize(text->size() - kLongTextEnd.size());
            return true;
        }
    }
    return false;
}

bool ScrambledFile::ReadLine(std::string *line) {
    line->clear();
    lastLineLong_ = false;
    int first = ReadChar();
    if (first == kEnd) return false;
    if (first == '@') {
        int second = ReadChar();
        if (second == '@') {
            lastLineLong_ = true;
            return ReadLongText(line);
        }
        line->push_back('@');
        PushBack(second);
    } else {
        PushBack(first);
    }
    for (int c; (c = ReadChar()) != kEnd;) {
        if (c == '\n') {
            if (line->ends_with('\r')) line->pop_back();
            return true;
        }
        line->push_back(static_cast<char>(c));
    }
    return false;
}

bool ScrambledFile::ReadInteger(int *value) {
    std::string line;
    bool ended = ReadLine(&line);
    return ParseInteger(line, value) && ended;
}

bool ScrambledFile::ReadReal(double *value) {
    std::string line;
    bool ended = ReadLine(&line);
    return ParseReal(line, value) && ended;
}

int64_t ScrambledFile::Position() const {
    if (mode_ == Mode::kWrite) return pendingOffset_ + static_cast<int64_t>(pending_.size());
    return readBufferOffset_ + static_cast<int64_t>(readPos_) - (pushedBack_ != kEnd ? 1 : 0);
}

int64_t ScrambledFile::Size() {
    return file_ ? file_->Size() : -1;
}

bool DecodeScrambledFile(const std::string &path, int *version, std::vector<std::string> *lines) {
    lines->clear();
    *version = -1;
    std::unique_ptr<ScrambledFile> file = ScrambledFile::OpenForReading(path);
    if (!file) return false;
    *version = file->ReadHeader();
    if (!ScrambledFile::IsKnownVersion(*version)) return false;
    std::string line;
    int64_t lineStart = file->Position();
    while (file->ReadLine(&line)) {
        lines->push_back(line);
        lineStart = file->Position();
    }
    // Bytes after the last whole line are a line that lacks its end, even when they leave it
    // empty (a long text cut right after its "@@").
    if (file->Position() > lineStart) {
        lines->push_back(line);
        return false;
    }
    return file->Error() == 0;
}

}  // namespace kw

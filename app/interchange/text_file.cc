// Whole-file helpers of the interchange code.
#include "app/interchange/text_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/path.h"

namespace kw {
namespace {

void SetError(int *error, int value) {
    if (error) *error = value != 0 ? value : EIO;
}

bool IsAscii(std::string_view bytes) {
    // Eight bytes at a time: a large import file is checked in a fraction of the byte-wise time.
    constexpr uint64_t kHighBits = 0x8080808080808080ULL;
    size_t i = 0;
    for (uint64_t word; i + sizeof word <= bytes.size(); i += sizeof word) {
        std::memcpy(&word, bytes.data() + i, sizeof word);
        if (word & kHighBits) return false;
    }
    for (; i < bytes.size(); ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
    return true;
}

}  // namespace

std::unique_ptr<platform::RandomAccessFile> CreateEmptyFile(const std::string &path, int *error) {
    // The file layer never truncates, so "create" means: remove what is there, then create.
    int removed = platform::RemoveFile(path);
    if (removed != 0 && removed != ENOENT) {
        SetError(error, removed);
        return nullptr;
    }
    std::unique_ptr<platform::RandomAccessFile> file =
        platform::OpenExclusive(path, platform::OpenMode::kCreateIfMissing, error);
    if (!file) return nullptr;
    if (file->Size() != 0) {  // someone put a file there in between
        SetError(error, EEXIST);
        return nullptr;
    }
    return file;
}

std::string WithCrLfLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool WriteCp1252TextFile(const std::string &path, std::string_view text, int *error) {
    std::unique_ptr<platform::RandomAccessFile> file = CreateEmptyFile(path, error);
    if (!file) return false;
    std::string bytes = WithCrLfLineBreaks(text);
    errno = 0;
    if (file->WriteAt(0, bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size())) {
        SetError(error, errno);
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string &path, std::string *bytes, int *error) {
    bytes->clear();
    std::unique_ptr<platform::RandomAccessFile> file = platform::OpenReadOnly(path, error);
    if (!file) return false;
    int64_t size = file->Size();
    if (size < 0) {
        SetError(error, errno);
        return false;
    }
    bytes->resize(static_cast<size_t>(size));
    errno = 0;
    int64_t got = file->ReadAt(0, bytes->data(), bytes->size());
    if (got < 0) {
        SetError(error, errno);
        bytes->clear();
        return false;
    }
    bytes->resize(static_cast<size_t>(got));  // the file may have shrunk meanwhile
    return true;
}

bool ReadTextFileAsCp1252(const std::string &path, platform::Encoding encoding, std::string *text,
                          int *error) {
    std::string bytes;
    if (!ReadWholeFile(path, &bytes, error)) {
        text->clear();
        return false;
    }
    // Text that is already Windows-1252 (or plain ASCII, which every encoding reads as itself)
    // is taken as read: a large import file is then held once, not twice.
    if (encoding == platform::Encoding::kCp1252 || IsAscii(bytes))
        *text = std::move(bytes);
    else
        *text = platform::ConvertToCp1252(bytes, encoding);
    return true;
}

}  // namespace kw

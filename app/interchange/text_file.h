// Whole files for the interchange code: creating an output file afresh, writing a Windows-1252
// text with CR LF line breaks (the recipe text, the import log's copies), and reading a text file
// to import, converted from its encoding to Windows-1252 before any filter sees it.
//
// All I/O goes through platform/file.h. Nothing throws; failures return false with the errno
// value in *error (when error is not null), which callers show as the cause of message 1100.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/file.h"
#include "platform/text_encoding.h"

namespace kw {

// Opens path as a new, empty file for writing (exclusive, like every file the program writes).
// An existing file at path is removed first, so nothing of it survives; a directory or a file
// that cannot be removed is an error.
std::unique_ptr<platform::RandomAccessFile> CreateEmptyFile(const std::string &path,
                                                            int *error = nullptr);

// text with every line break (CR LF, a lone LF, a lone CR) as CR LF.
std::string WithCrLfLineBreaks(std::string_view text);

// Writes Windows-1252 text to a new file at path, line breaks as CR LF.
bool WriteCp1252TextFile(const std::string &path, std::string_view text, int *error = nullptr);

// Reads the whole file at path into *bytes as it is.
bool ReadWholeFile(const std::string &path, std::string *bytes, int *error = nullptr);

// Reads the whole file at path and converts it from encoding (kAuto: guessed) to Windows-1252.
bool ReadTextFileAsCp1252(const std::string &path, platform::Encoding encoding, std::string *text,
                          int *error = nullptr);

}  // namespace kw

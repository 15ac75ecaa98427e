// File-system helpers shared by the engine and the program: joining a directory and a file name
// with "/", the working directory, and the few directory operations the system needs. Paths are
// byte strings; nothing here normalises them (a directory ending in "/" yields "//", which the
// platform accepts).
#pragma once

#include <string>
#include <vector>

namespace kw::platform {

// dir + "/" + name, exactly as given.
std::string JoinPath(const std::string &dir, const std::string &name);

// The process's current working directory ("." if it cannot be read).
std::string WorkingDirectory();

bool FileExists(const std::string &path);     // any kind of entry
bool IsDirectory(const std::string &path);    // an existing directory
bool IsRegularFile(const std::string &path);  // an existing plain file

// Creates one directory level; false when it exists already or cannot be made.
bool MakeDirectory(const std::string &path);
// Removes an empty directory; false on failure.
bool RemoveDirectory(const std::string &path);
// Deletes a file. Returns 0 on success, else the errno value (ENOENT for a missing file).
int RemoveFile(const std::string &path);
// Names (not paths) of the plain files in dir; empty when it cannot be read.
std::vector<std::string> ListFiles(const std::string &dir);

// The directory part of a path ("." when it has none) and the name part.
std::string DirectoryOf(const std::string &path);
std::string FileNameOf(const std::string &path);

// Directory of the running executable (for plug-ins shipped beside it), "" if unknown.
std::string ExecutableDirectory();

}  // namespace kw::platform

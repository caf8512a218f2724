#pragma once
// Temporary files and the few file operations that the program names.
#include <string>
#include <vector>

namespace platform {

// The user's temporary folder, ending in a separator.
std::string GetTempPath();
// Creates a new empty file "<dir><prefix><hex>.tmp" (prefix cut to three
// characters) and returns its path; empty on failure.
std::string GetTempFileName(const std::string& dir, const std::string& prefix);
// Clears the read-only state so the file can be deleted (attributes := archive).
bool SetArchiveAttributes(const std::string& path);
// False for a read-only file, as on the workshop PC: clear it first.
bool DeleteFile(const std::string& path);
bool FileExists(const std::string& path);
// Names (no folder) of the files of dir matching a wildcard such as "_mt*.tmp",
// regardless of letter case.
std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern);
// The platform's folder separator.
char PathSeparator();
// dir joined with name by exactly one separator.
std::string JoinPath(const std::string& dir, const std::string& name);
// Same file, after resolving relative folders and links of both paths.
bool SameFile(const std::string& a, const std::string& b);

} // namespace platform

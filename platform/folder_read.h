// folder_read.h -- the files below a folder, read without ever leaving it:
// no symbolic link (no reparse point on Windows) is followed, whether it
// names a file or a folder, and whether or not what it names exists.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Every regular file below `dir` (which may itself be a link), read whole
// and once, keyed by its path relative to `dir` with '/' between folders.
// Each fault appends one line to *errors: "ERROR : <dir>/<path> : is a
// symbolic link", "... : not a regular file" (a FIFO, a device: never
// opened), the system's reason for a folder or file that cannot be opened
// or read ("Permission denied"), "... : not enough memory to read its <n>
// bytes". False when there was any.
bool ReadFolderTree(const std::string& dir, std::map<std::string, std::vector<uint8_t>>* files,
                    std::vector<std::string>* errors);

// The paths (relative, '/' between folders) of everything below `dir` that
// is not a folder: files, links (not followed) and the rest. Folders that
// cannot be opened are left out.
std::vector<std::string> ListFolderTree(const std::string& dir);

// One file below `dir`, `relative` with '/' between folders, read whole;
// false (*errorLine set) when it cannot be, or when the file or a folder on
// the way is a link.
bool ReadFileBelow(const std::string& dir, const std::string& relative, std::vector<uint8_t>* bytes,
                   std::string* errorLine);

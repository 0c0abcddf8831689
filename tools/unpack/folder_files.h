// folder_files.h -- landscape folders on disk: read whole into memory, and
// written through the safe writer (platform/safe_write.h) as one batch. The
// only part of the folder model that touches the file system.
#pragma once

#include <string>
#include <vector>

#include "tools/unpack/landscape_folder.h"

// The folder as given, without the separators at its end: the name its
// files' lines start with.
std::string FolderName(std::string dir);

// Every file below `dir` (links followed), keyed by its path relative to
// `dir` with '/' between folders. A path that is no regular file (a FIFO, a
// device) is refused without being opened. Each fault appends one line
// "ERROR : <dir>/<file> : <reason>"; false when there was any.
bool ReadFolderFiles(const std::string& dir, FolderFiles* files, std::vector<std::string>* errors);

// True when `dir` names nothing or an empty folder; *errorLine says what it
// names otherwise ("ERROR : <dir> : ...").
bool FolderIsFree(const std::string& dir, std::string* errorLine);

// Creates `dir` and the folders below it that the files need, and writes the
// files. On failure *errorLine names the folder or file; files already
// written stay.
bool WriteFolderFiles(const std::string& dir, const FolderFiles& files, std::string* errorLine);

// The paths (relative, '/' between folders) of the files below `dir` that
// are not in `files`.
std::vector<std::string> OtherFiles(const std::string& dir, const FolderFiles& files);

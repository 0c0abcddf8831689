// folder_files.h -- landscape folders on disk: read whole into memory, and
// written through the safe writer (platform/safe_write.h) as one batch. The
// only part of the folder model that touches the file system.
#pragma once

#include <string>
#include <vector>

#include "tools/folder/landscape_folder.h"

// The folder as given, without the separators at its end: the name its
// files' lines start with.
std::string FolderName(std::string dir);

// Every file below `dir`, keyed by its path relative to `dir` with '/'
// between folders, read once and never through a link (platform/
// folder_read.h): a link, a FIFO or a device below `dir` is refused without
// being followed or opened. Each fault appends one line "ERROR :
// <dir>/<file> : <reason>"; false when there was any.
bool ReadFolderFiles(const std::string& dir, FolderFiles* files, std::vector<std::string>* errors);

// True when `dir` names nothing or an empty folder; *errorLine says what it
// names otherwise ("ERROR : <dir> : ...").
bool FolderIsFree(const std::string& dir, std::string* errorLine);

// Writes `dir` whole with the files, and with `carried` (files of the folder
// there now, relative paths) kept in it: staged beside it and put in its
// place in one step (SafeWriteFolder), so that `dir` is at every moment the
// old folder or the new one. On failure *errorLine names the folder or file
// and `dir` is as it was.
bool WriteFolderFiles(const std::string& dir, const FolderFiles& files, const std::vector<std::string>& carried,
                      std::string* errorLine);

// The paths (relative, '/' between folders) of what lies below `dir` that
// is neither in `files` nor named as unpack names a landscape's files (a
// block or material of a landscape unpacked there before) nor where the
// new folder has a folder: files, and links as links.
std::vector<std::string> OtherFiles(const std::string& dir, const FolderFiles& files);

// True with *edited set to the first picture of the folder (relative path)
// whose bytes differ from the SHA-256 its landscape.json records; false
// when none does, or when the folder has no JSON to tell.
bool FindEditedPicture(const std::string& dir, std::string* edited);

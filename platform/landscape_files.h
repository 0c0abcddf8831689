// landscape_files.h -- the files around the shown landscape: the other
// landscapes of its folder in name order, whether the file changed on disk
// and has settled, and the next free name for a picture of it. No GL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The name `step` places after `current` (before it when negative) among
// `names`, sorted by byte order and wrapping around; `current` itself when
// it is the only one, and the first or last name when it is not among them.
// Empty when there are no names.
std::string NeighbourName(std::vector<std::string> names, const std::string& current, int step);

// The names of the regular files in `folder` that end in ".lnd" (any case).
std::vector<std::string> LandscapeNamesIn(const std::string& folder);

// The landscape `step` places after `path` in its folder, as a path in that
// folder; empty when the folder holds none.
std::string NeighbourLandscape(const std::string& path, int step);

// What a look at a file sees: whether it is there, its size, when it was
// last written, and which file it is (device and inode) and when that last
// changed, so that a file replaced by one of the same size and write time
// (a copy that keeps times, a rename within one clock tick) is seen too.
struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    int64_t modified = 0;  // the file system's own clock ticks
    uint64_t device = 0, inode = 0;
    int64_t changed = 0;   // the inode's change time, in the system's ticks
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// A file looked at regularly (twice a second): it is to be reloaded once it
// differs from what was last seen and then stays the same for one look.
struct FileWatch {
    std::string path;   // empty: nothing watched
    FileStamp seen;
    bool changing = false;
};
// Starts watching `path` as it is now.
void WatchFile(FileWatch* watch, const std::string& path);
// One look with what the file is now; true when it changed and has settled.
bool FileWatchSettled(FileWatch* watch, const FileStamp& now);

// "<folder>/<stem>-<n>.png" with the smallest n from 1 up that names no file yet.
std::string NextPictureName(const std::string& folder, const std::string& stem);

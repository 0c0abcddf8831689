// file_identity.h -- which file a path names, beyond its name: the device
// (volume) and inode (file index) that tell a replaced file from the one
// before even when its size and write time are the same, and when its inode
// last changed (a rename over it, a change of mode or of content).
#pragma once

#include <cstdint>
#include <string>

struct FileIdentity {
    uint64_t device = 0;  // st_dev; the volume serial number on Windows
    uint64_t inode = 0;   // st_ino; the file index on Windows
    int64_t changed = 0;  // st_ctim in nanoseconds; ChangeTime (100 ns ticks) on Windows
};

// The identity of the file `path` names, links followed; false when there
// is none to be had (no such file, no access).
bool IdentifyFile(const std::string& path, FileIdentity* out);

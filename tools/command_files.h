// command_files.h -- what lndtool's commands share to read a landscape and
// write a file: one ERROR line on standard error for whatever goes wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "landscape/landscape_load.h"

// A landscape as stored: the value the viewer loads, its bytes as read.
using StoredLandscape = LandscapeLoad;

// Reads `path` whole and checks it, without the viewer's console lines. A
// file that cannot be read, or that the check refuses, gives false, an
// empty *landscape and the ERROR line `lndtool info` gives in *errorLine.
bool ReadCheckedLandscape(const char* path, StoredLandscape* landscape, std::string* errorLine);

// The same, the ERROR line printed on standard error.
bool ReadUsableLandscape(const char* path, StoredLandscape* landscape);

// Writes `size` bytes to `path` through the safe writer; false with its
// ERROR line printed. *direct (when not null) tells whether it went straight
// into a device, FIFO or socket (a summary line then goes to standard error).
bool WriteCommandFile(const char* path, const void* bytes, size_t size, bool* direct = nullptr);

// The seam warning of a landscape a command wrote (usable), on standard
// error, when it has seam faults.
void PrintSeamWarning(const CheckedLandscape& written, const char* path);

// The end of every command that builds a landscape: with `errors`, prints
// them and gives false (nothing written). Otherwise prints `notes`, writes
// `landscape` to `out` (as WriteCommandFile) and says what the viewer would
// warn about in it, as info does, the seam faults last. *written is the
// check of what was written, pointing into `landscape`.
bool WriteBuiltLandscape(const char* out, const std::vector<uint8_t>& landscape,
                         const std::vector<std::string>& errors, const std::vector<std::string>& notes, bool* direct,
                         CheckedLandscape* written);

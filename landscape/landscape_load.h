// landscape_load.h -- a landscape file read from a path: the one value that
// owns its bytes and the check of them, and the transcript of reading it.
// Everything a later stage draws or writes comes from such a value. No GL.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"

// The longest landscape path, its terminator included: export names are
// formed in 1024 bytes from it.
inline constexpr int kLandscapePathSize = 512;

// A landscape as loaded: `bytes` is the whole file exactly as stored, never
// changed after the read; `checked` is the check of those bytes and points
// into them. The block count every later stage uses is checked.blockCount,
// the stored BlockCountPlusOne less one, beside the bytes, not in them. A
// file that could not be read or failed the check leaves `bytes` null and
// `checked` empty. Move only: the check's pointers follow the bytes.
struct LandscapeLoad {
    std::string path;                  // the landscape path, as given
    std::unique_ptr<uint8_t[]> bytes;  // the Landscape buffer: the file, exactly its length
    CheckedLandscape checked;

    bool Usable() const { return bytes != nullptr; }
};

// What loading said, in the order the viewer prints it.
struct LoadTranscript {
    // Standard output: the loading line (with its blank line), the four
    // count lines, then the ERROR line or one WARNING line per kind of
    // record fault the landscape survives. A file that cannot be opened at
    // all says "ERROR : Unable to Open Specified File <path>" here.
    std::vector<std::string> console;
    // Standard error: why a file could not be opened ("ERROR : <path> : <reason>").
    std::vector<std::string> reasons;
    std::string error;                  // the one ERROR line `lndtool info` gives; empty when loaded
    std::vector<std::string> warnings;  // the WARNING lines of the console
};

// Reads `path` whole and checks it, with the viewer's console lines. A
// path of kLandscapePathSize characters or more, a file that cannot be read
// and a file the check refuses give an empty value and transcript.error.
LandscapeLoad LoadLandscapeFile(const char* path, LoadTranscript* transcript);

// Prints the console lines on `console` and the reasons on `errors`, each
// flushed as it goes; a null stream prints nothing.
void PrintLoadTranscript(const LoadTranscript& transcript, FILE* console, FILE* errors);

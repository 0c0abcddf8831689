// loaded_landscape.h -- the landscape the viewer shows: its path, its one
// buffer, the checked view of that buffer, and the first half of loading,
// which reads, checks and reports the file. No GL.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"

inline constexpr int kLandscapePathSize = 512;  // path buffer, terminator included

extern char LandscapePath[kLandscapePathSize];  // written once by main
extern uint8_t* Landscape;                      // the whole file; null until one has been read and accepted
extern CheckedLandscape LoadedLandscape;        // the check of Landscape; usable once Landscape is set

// Prints the loading line to `console`, reads the file named by
// LandscapePath whole, checks it, decrements the stored block count in
// place, and prints the four count lines and one WARNING line per kind of
// record fault it can survive. A file that cannot be read or fails the
// check gets one "ERROR : " line on `console` and is dropped: Landscape
// stays null and false is returned. When the file cannot be opened at all
// (missing, unreadable, not a regular file) the console line is
// "ERROR : Unable to Open Specified File <path>" and the reason goes to
// `errors` as "ERROR : <path> : <reason>". A null stream prints nothing.
// `said` (when not null) gets the fault and the warnings as one line each,
// for showing them elsewhere than on the console.
struct LoadLines {
    std::string error;                  // empty when the landscape was loaded
    std::vector<std::string> warnings;  // record faults it survives
};
bool ReadLandscapeFile(FILE* console, FILE* errors, LoadLines* said = nullptr);

// The same for programs other than the viewer (lndtool render), without the
// console text: reads and checks `path` (at most 511 characters), replacing
// any landscape loaded before. On success the globals hold the new one and
// *warnings the lines of the record faults it survives; on failure
// *errorLine holds the one ERROR line `lndtool info` prints for that fault
// and no landscape is loaded.
bool LoadLandscapeFile(const char* path, std::string* errorLine, std::vector<std::string>* warnings);

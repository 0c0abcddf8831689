// info_report.h -- what `lndtool info` tells about a landscape, computed from
// the file's bytes alone and then printed as text or as one JSON document.
// Pure: no output, no file access.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "landscape/seams.h"

struct InfoReport {
    std::string path;                    // as given, for the report and the fault lines
    CheckedLandscape landscape;          // points into the caller's bytes
    bool countsKnown = false;            // the header could be read
    bool areasKnown = false;             // the counts are not negative, so the areas could be computed
    std::vector<uint32_t> countriesUsed; // named by the cells of the blocks, ascending
    std::vector<uint32_t> materialsUsed; // named by the entries of those countries that exist, ascending
    SeamFaults seams;                    // of a usable landscape
    std::vector<LandscapeNote> notes;    // every fault, each kind once, the seam faults last
};

// `bytes` must outlive the report.
InfoReport BuildInfoReport(const char* path, const uint8_t* bytes, uint64_t length);

// The text report (several lines, each ending in a newline).
std::string FormatInfoText(const InfoReport& report);
// One JSON document (ending in a newline): file, length, needed_length,
// counts, areas, block_map (32 rows of 32), countries_used, materials_used and
// faults ({kind, severity, message, count}) and seam_faults (every faulty
// sample: field, sample [y, x], places [[row, column], ...] and their values).
std::string FormatInfoJson(const InfoReport& report);

// The exit status the report gives: 0 for a well-formed file, 1 for one the
// viewer shows with warnings, 2 for one it refuses (as every command's 2 for
// a file it cannot use).
inline int InfoExitStatus(const InfoReport& report) {
    if (report.notes.empty()) return 0;
    return report.landscape.Usable() ? 1 : 2;
}

// seams.h -- samples of the map grid whose stored copies disagree, and their
// mending. Pure: reads (and, to mend, writes) the caller's bytes only.
//
// A sample on an edge between placed neighbours is stored twice, at a corner
// up to four times (map_grid.h). When the copies disagree the frame draws a
// crack there. Altitude and country are counted apart; each sample counts
// once per field however many copies disagree; a copy needs a placed
// neighbour to disagree with, so an edge towards an empty place is no seam.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "landscape/lnd_fields.h"
#include "landscape/map_grid.h"

enum class SeamField { Altitude, Country };
inline constexpr int kSeamFields = 2;
const SubfieldSpec& SeamCellField(SeamField field);
const char* SeamFieldName(SeamField field);  // "altitude", "country"

struct SeamFault {
    SeamField field = SeamField::Altitude;
    int y = 0, x = 0;  // the grid sample
    int copyCount = 0;
    SampleCopy copies[kMostSampleCopies];
    uint8_t values[kMostSampleCopies] = {};  // the field's value in each copy
};

struct SeamFaults {
    uint64_t count[kSeamFields] = {};  // altitude, country
    std::vector<SeamFault> faults;     // grid order (row by row), altitude before country at one sample
    uint64_t Total() const { return count[0] + count[1]; }
};

// Every seam fault of a usable landscape.
SeamFaults FindSeamFaults(const CheckedLandscape& landscape);

// Where a fault shows: its first copy's place and which side of that place
// the sample lies on: "(4, 7) right edge", "(4, 7) bottom-left corner".
std::string SeamPlaceText(const SeamFault& fault);

// "WARNING : <path> : N seam faults (A altitude, C country) ..." with the
// first few distinct places, or "" when there are none.
std::string SeamWarningLine(const SeamFaults& seams, const char* path);

// Mending: `edited[field][k]` tells whether block k's picture of that field
// changed. Where the edited copies of a faulty sample agree, their value is
// written into the unedited copies; where they disagree the fault is a
// conflict and nothing of it is written; a fault with no edited copy stays.
struct SeamConflict {
    SeamField field = SeamField::Altitude;
    int y = 0, x = 0;
    int32_t blockA = -1, blockB = -1;  // two edited blocks that disagree
};
struct SeamMending {
    uint64_t mended = 0;  // faults mended
    std::vector<SeamConflict> conflicts;
};
// `file` is landscape.bytes, writable; `edited[f]` holds blockCount flags.
SeamMending MendSeams(const CheckedLandscape& landscape, uint8_t* file,
                      const std::vector<bool> (&edited)[kSeamFields]);

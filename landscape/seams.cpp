// seams.cpp -- the map grid's edge samples compared copy by copy.
#include "landscape/seams.h"

#include <algorithm>
#include <cinttypes>

#include "landscape/formatted_text.h"
#include "landscape/landscape_edit.h"

namespace {

constexpr SeamField kFields[kSeamFields] = {SeamField::Altitude, SeamField::Country};
// Distinct places the warning line names before it stops.
constexpr size_t kPlacesShown = 5;

bool Disagree(const uint8_t* values, int n) {
    return std::any_of(values + 1, values + n, [&](uint8_t v) { return v != values[0]; });
}

}  // namespace

const SubfieldSpec& SeamCellField(SeamField field) {
    return field == SeamField::Altitude ? kAltitudeField : kCountryField;
}

const char* SeamFieldName(SeamField field) { return field == SeamField::Altitude ? "altitude" : "country"; }

SeamFaults FindSeamFaults(const CheckedLandscape& landscape) {
    SeamFaults seams;
    int32_t placed[kBlockMapSide][kBlockMapSide];
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) placed[row][column] = BlockAtPlace(landscape, row, column);
    const auto blockAt = [&](int row, int column) { return placed[row][column]; };
    const SubfieldSpec& altitude = SeamCellField(SeamField::Altitude);
    const SubfieldSpec& country = SeamCellField(SeamField::Country);
    // The common case, every copy agreeing in both fields, reads two bytes
    // per copy and builds nothing.
    const auto agree = [&](int y, int x) {
        const uint8_t* first = nullptr;
        return VisitSampleCopies(y, x, blockAt, [&](int, int, int r, int c, int32_t block) {
            const uint8_t* cell = CellAt(landscape.Block(block), r, c);
            if (!first) first = cell;
            return !((cell[altitude.offset] ^ first[altitude.offset]) & altitude.mask) &&
                   !((cell[country.offset] ^ first[country.offset]) & country.mask);
        });
    };
    // Only samples on a block edge have more than one copy: every row of
    // the grid on a horizontal edge, and the vertical edges' samples of the
    // other rows.
    for (int y = 0; y < kHeightmapSide; ++y) {
        const bool edgeRow = y % kBlockQuads == 0;
        for (int x = 0; x < kHeightmapSide; x += edgeRow ? 1 : kBlockQuads) {
            if (agree(y, x)) continue;
            SeamFault fault;
            fault.y = y;
            fault.x = x;
            fault.copyCount = GridSampleCopies(landscape, y, x, fault.copies);
            for (SeamField field : kFields) {
                const SubfieldSpec& spec = SeamCellField(field);
                for (int i = 0; i < fault.copyCount; ++i) {
                    const SampleCopy& s = fault.copies[i];
                    fault.values[i] = CellFieldValue(landscape.Block(s.block), s.r, s.c, spec);
                }
                if (!Disagree(fault.values, fault.copyCount)) continue;
                fault.field = field;
                ++seams.count[int(field)];
                seams.faults.push_back(fault);
            }
        }
    }
    return seams;
}

std::string SeamPlaceText(const SeamFault& fault) {
    const SampleCopy& s = fault.copies[0];
    const char* vertical = s.r == 0 ? "top" : s.r == kBlockQuads ? "bottom" : "";
    const char* horizontal = s.c == 0 ? "left" : s.c == kBlockQuads ? "right" : "";
    std::string text = "(" + std::to_string(s.row) + ", " + std::to_string(s.column) + ") ";
    if (*vertical && *horizontal) return text + vertical + "-" + horizontal + " corner";
    return text + vertical + horizontal + " edge";
}

std::string SeamWarningLine(const SeamFaults& seams, const char* path) {
    if (seams.faults.empty()) return "";
    std::vector<std::string> places;
    for (const SeamFault& fault : seams.faults) {
        const std::string place = SeamPlaceText(fault);
        if (std::find(places.begin(), places.end(), place) == places.end()) places.push_back(place);
        if (places.size() > kPlacesShown) break;
    }
    std::string list;
    for (size_t i = 0; i < places.size() && i < kPlacesShown; ++i) list += (i ? ", " : "") + places[i];
    if (places.size() > kPlacesShown) list += ", ...";
    std::string line;
    AppendText(&line,
               "WARNING : %s : %" PRIu64 " seam faults (%" PRIu64 " altitude, %" PRIu64
               " country): neighbouring blocks store different values for one map sample, at %s",
               path, seams.Total(), seams.count[0], seams.count[1], list.c_str());
    return line;
}

SeamMending MendSeams(const CheckedLandscape& landscape, uint8_t* file,
                      const std::vector<bool> (&edited)[kSeamFields]) {
    SeamMending mending;
    const SeamFaults seams = FindSeamFaults(landscape);
    for (const SeamFault& fault : seams.faults) {
        const std::vector<bool>& changed = edited[int(fault.field)];
        int first = -1;
        bool agree = true;
        for (int i = 0; i < fault.copyCount; ++i) {
            if (!changed[size_t(fault.copies[i].block)]) continue;
            if (first < 0) first = i;
            else if (fault.values[i] != fault.values[first] && agree) {
                agree = false;
                mending.conflicts.push_back(
                    {fault.field, fault.y, fault.x, fault.copies[first].block, fault.copies[i].block});
            }
        }
        if (first < 0 || !agree) continue;
        for (int i = 0; i < fault.copyCount; ++i) {
            const SampleCopy& s = fault.copies[i];
            if (changed[size_t(s.block)]) continue;
            uint8_t* block = file + (landscape.Block(s.block) - landscape.bytes);
            SetCellField(block, s.r, s.c, SeamCellField(fault.field), fault.values[first]);
        }
        ++mending.mended;
    }
    return mending;
}

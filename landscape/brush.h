// brush.h -- shaping and painting a landscape with a round, soft brush, and
// taking whole strokes back. Pure: works on a LandscapeEdit the caller owns.
//
// The brush works on the whole map grid (map_grid.h): a dab writes every
// stored copy of each grid sample it changes, so the two copies of a shared
// edge (four at a corner) always change together and a stroke never makes
// neighbouring places disagree. A block placed at several places is given a
// copy of its own at each place a dab changes (CopyBlockTo) while the map can
// name one more block; with no room, those places stay as they are, and so do
// the samples they share with their neighbours.
//
// A stroke keeps only the cell bytes it changed, each once with its value
// before the stroke and after it, and the block copies it made; undoing it
// puts back those bytes and takes the copies away again, so undoing every
// stroke gives back the file byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "landscape/landscape_edit.h"

enum class BrushTool { Raise, Lower, Flatten, Smooth, PaintCountry };
inline constexpr int kBrushToolCount = 5;

// The radii the brush steps through, in world units (a quad is
// kCellWorldSize = 10 across); it starts at 40.
inline constexpr float kBrushRadii[] = {10, 20, 30, 40, 50, 60, 80, 100, 120, 160, 200, 250, 300, 400};
inline constexpr int kBrushRadiusSteps = int(sizeof kBrushRadii / sizeof kBrushRadii[0]);
inline constexpr int kStartBrushRadiusStep = 3;
// Strength: altitude units a raise or lower adds at the centre of one dab;
// a tenth of it is how far flatten and smooth go there.
inline constexpr int kWeakestBrush = 1, kStrongestBrush = 10, kStartBrushStrength = 5;

struct BrushSettings {
    BrushTool tool = BrushTool::Raise;
    float radius = kBrushRadii[kStartBrushRadiusStep];  // world units
    int strength = kStartBrushStrength;                 // kWeakestBrush .. kStrongestBrush
    uint8_t country = 0;                                // what PaintCountry paints, 0 .. 15
};

// The share of a dab that reaches a point `distance` world units from its
// centre: 1 at the centre, falling smoothly ((1 - d^2/r^2)^2) to 0 at the
// radius, 0 beyond.
double BrushFalloff(double distance, double radius);

// One byte of one cell that a stroke changed.
struct CellByteChange {
    uint16_t block;   // block record, 0-based
    uint16_t cell;    // 17 r + c
    uint8_t offset;   // the byte within the cell
    uint8_t before, after;
};
// A copy of block `from` that a stroke made for map place `place`
// (kBlockMapSide row + column); the copy is block `copy`, the last one.
struct BlockCopyMade {
    int32_t from, copy;
    int place;
};
struct StrokeRecord {
    std::vector<BlockCopyMade> copies;  // in the order they were made
    std::vector<CellByteChange> cells;      // each cell byte once
    size_t Bytes() const { return copies.capacity() * sizeof(BlockCopyMade) + cells.capacity() * sizeof(CellByteChange); }
};

struct Stroke {
    BrushSettings settings;
    uint8_t flattenTo = 0;  // the altitude a flatten levels to
    StrokeRecord record;
    std::unordered_map<uint32_t, uint32_t> changeAt;  // a cell byte's place in record.cells
};

// Starts a stroke at world point (x, z) of the placed map (grid sample (y, x)
// lies at x = -10 x, z = -10 y): a flatten levels to the altitude of the grid
// sample nearest that point (0 when no block stores it).
void BeginStroke(const CheckedLandscape& landscape, const BrushSettings& settings, double x, double z,
                 Stroke* stroke);

struct DabResult {
    std::vector<int32_t> blocks;  // blocks whose records changed, ascending (new copies among them)
    bool copied = false;          // a block copy was made: the areas after the blocks moved
    int placesWithoutRoom = 0;    // places left as they were: the map names kMostMapBlocks blocks already
};
// One dab of the stroke's brush centred on world point (x, z). Altitudes
// stay within 0 .. 255.
DabResult ApplyDab(LandscapeEdit* edit, Stroke* stroke, double x, double z);

// The stroke's record with the bytes it set back to their values left out;
// empty when the stroke changed nothing.
StrokeRecord FinishStroke(Stroke* stroke);

// A finished stroke taken back, or made again after being taken back; each
// returns the blocks to build again, ascending (gone copies left out). Undo
// and redo go in turn: a stroke is undone only as the last one made or redone.
std::vector<int32_t> UndoStroke(LandscapeEdit* edit, const StrokeRecord& stroke);
std::vector<int32_t> RedoStroke(LandscapeEdit* edit, const StrokeRecord& stroke);

// The strokes made, newest last, and those undone, most recently undone
// last. Past kKeptStrokes the oldest stroke is forgotten. `position` counts
// strokes made less strokes undone since the start; the file on disk is the
// edit at `savedPosition` (kNeverSaved once that state cannot come back).
inline constexpr size_t kKeptStrokes = 256;
inline constexpr int64_t kNeverSaved = INT64_MIN;
struct EditHistory {
    std::deque<StrokeRecord> done;
    std::vector<StrokeRecord> undone;
    int64_t position = 0;
    int64_t savedPosition = 0;

    bool Unsaved() const { return position != savedPosition; }
    size_t Bytes() const;  // what the records hold
};
// Keeps a finished, non-empty stroke; the undone strokes are dropped.
void KeepStroke(EditHistory* history, StrokeRecord stroke);
// Undo or redo one stroke of the history (false: none to take): the blocks
// to build again go to *blocks.
bool UndoLast(EditHistory* history, LandscapeEdit* edit, std::vector<int32_t>* blocks);
bool RedoNext(EditHistory* history, LandscapeEdit* edit, std::vector<int32_t>* blocks);
// The edit as it is now has been written to the file.
inline void NoteSaved(EditHistory* history) { history->savedPosition = history->position; }

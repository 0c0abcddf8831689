// landscape_edit.h -- a landscape changed cell by cell and block by block,
// and written back whole: every byte that no change reached stays as it was
// read. Pure: the caller owns the copy; nothing is printed or written.
//
// The edit starts from a usable checked landscape and holds the file as it
// will be written. Cell fields are set through the cell table of
// lnd_fields.h; a block placed at several map places is edited at one place
// by giving that place a copy of its own (the copies go after the last
// block, and every area after the blocks moves along).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "landscape/lnd_fields.h"

struct LandscapeEdit {
    std::vector<uint8_t> bytes;  // the file as it will be written
    CheckedLandscape checked;    // of `bytes`, done again whenever the layout changes
};

// A copy of `from` (usable) to edit.
void StartEdit(const CheckedLandscape& from, LandscapeEdit* edit);

// Block k's record in the edited file (0 <= k < checked.blockCount).
uint8_t* EditedBlock(LandscapeEdit* edit, int32_t k);

// A cell field's value as its picture gives it (a flag: 0 clear, else set;
// a wider field: its value, which must fit the field) written into the
// field's bits of cell (r, c) of a block record; the cell's other bits stay.
void SetCellField(uint8_t* block, int r, int c, const SubfieldSpec& field, uint8_t value);
// The value SetCellField takes, read back (a flag as 0 or 255).
uint8_t CellFieldValue(const uint8_t* block, int r, int c, const SubfieldSpec& field);

// The map places that name block k, as kBlockMapSide x row + column, in
// map order.
std::vector<int> PlacesOfBlock(const CheckedLandscape& landscape, int32_t k);

// Appends a copy of block k and makes the given map places name it. Returns
// the copy's index, or -1 (nothing changed) when the map could not name it:
// a landscape's map names kMostMapBlocks blocks at most.
int32_t CopyBlockTo(LandscapeEdit* edit, int32_t k, const std::vector<int>& places);

// What a whole-map edit wants of each block: the distinct contents its places
// ask for, and the places (kBlockMapSide x row + column) asking for each. The
// first content keeps the block; every other needs a copy (CopyBlockTo).
template <class Contents>
struct BlockWants {
    std::vector<Contents> contents;
    std::vector<std::vector<int>> places;

    void Add(const Contents& wanted, int place) {
        const size_t group = size_t(std::find(contents.begin(), contents.end(), wanted) - contents.begin());
        if (group == contents.size()) {
            contents.push_back(wanted);
            places.emplace_back();
        }
        places[group].push_back(place);
    }
};

// The refusals of a whole-map edit for blocks that would need copies: without
// `splitShared`, one ERROR line per such block of `path`, naming its places
// and saying why (`differently`, as "the heightmap gives it different
// heights"); with it,
// one line when the copies would not fit in a map. `placesOf[k]` are block
// k's place groups. Returns the number of copies needed.
size_t RefuseSharedBlocks(const std::vector<const std::vector<std::vector<int>>*>& placesOf, int32_t blockCount,
                          bool splitShared, const std::string& path, const char* differently,
                          std::vector<std::string>* errors);

template <class Contents>
size_t RefuseSharedBlocks(const std::vector<BlockWants<Contents>>& wants, int32_t blockCount, bool splitShared,
                          const std::string& path, const char* differently,
                          std::vector<std::string>* errors) {
    std::vector<const std::vector<std::vector<int>>*> placesOf;
    for (const BlockWants<Contents>& w : wants) placesOf.push_back(&w.places);
    return RefuseSharedBlocks(placesOf, blockCount, splitShared, path, differently, errors);
}

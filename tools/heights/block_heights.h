// block_heights.h -- the altitudes of every placed block set from one
// 513 x 513 heightmap, the layout `lndtool heightmap` writes: sample
// (16 row + r, 16 column + c) is cell (r, c) of the block at map place
// (row, column), so neighbouring places share their edge samples. Pure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"

// Altitudes from a PNG (8-bit grey as it is, 16-bit grey divided by 257 and
// rounded) or from raw 16-bit little-endian samples (divided the same way),
// row by row. False with *fault set (a sentence without a file name).
bool HeightsFromPng(const uint8_t* png, size_t size, std::vector<uint8_t>* heights, std::string* fault);
bool HeightsFromR16(const uint8_t* raw, size_t size, std::vector<uint8_t>* heights, std::string* fault);

// The checked landscape's file (usable) with the altitudes of every block a
// map place names taken from `heights` (kHeightmapSide^2 values). Nothing
// else changes, except that a block placed where the heightmap gives it
// different heights is either refused (one line naming the places, row and
// column) or, with splitShared, copied so each set of heights gets a block
// of its own: the copies are appended to the blocks, and their places name
// them. Faults are lines "ERROR : <path> : ..."; *out is then empty.
void SetBlockHeights(const CheckedLandscape& landscape, const uint8_t* heights, bool splitShared, const char* path,
                     std::vector<uint8_t>* out, std::vector<std::string>* errors);

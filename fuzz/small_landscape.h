// small_landscape.h -- a small, well-formed landscape made in memory, the
// starting point of the edit-list fuzz target and of the fuzzers' seeds.
#pragma once

#include <cstdint>
#include <vector>

// A landscape with the given counts whose every field holds a plausible value:
// LoRes records with RecordSize 65664, a 256 x 256 DXT3 DDS header and smooth
// colours (so their PNG, like a real one, is quick to compress); blocks with altitudes 0 to 255, both countries, both split
// diagonals, LoRes index k % loResTextures and origins 0.25 apart; country
// entries naming every material with blend weights 0 to 255; smoothly varying
// material texels with a fine grain, and a varied detail map; map places naming every block. Deterministic. Exactly
// ComputeLandscapeAreas(...).end bytes long; CheckLandscape finds no fault.
std::vector<uint8_t> MakeSmallLandscape(int32_t blocks, int32_t countries, int32_t materials, uint32_t loResTextures);

// map_layers.h -- every layer of a landscape as one whole-map picture, and a
// landscape set from such pictures. Pure: pictures in memory, no files.
//
// The layers lie on the map grid of map_grid.h (sample (16 row + r,
// 16 column + c) is cell (r, c) of the block at place (row, column)):
//   heights    513 x 513 altitudes (the 16-bit picture holds altitude x 257)
//   countries  513 x 513 country indices, kNoCountry where no block is
//   splits     512 x 512, one pixel a quad: 255 where quad (r, c) of the
//              place is split (the flag lives in cell (r, c), the quad's
//              top-left grid point), else 0 (and 0 where no block is)
//   colours    2048 x 2048 RGBA, kColourPixelsPerCell a cell each way:
//              pixel (4 (16 row + r) + i, 4 (16 column + c) + j) shows the
//              LoRes texel the frame maps to the middle of that pixel in
//              quad (r, c) (nearest texel, the texture repeating), decoded
//              as lndtool unpack decodes a LoRes texture; transparent where
//              no block is or the block shows no LoRes texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"

inline constexpr int kSplitsSide = kBlockMapSide * kBlockQuads;  // 512
inline constexpr int kColourPixelsPerCell = 4;
inline constexpr int kColoursSide = kSplitsSide * kColourPixelsPerCell;  // 2048

enum class MapLayer { Heights, Countries, Splits, Colours };
inline constexpr int kMapLayers = 4;
const char* MapLayerFile(MapLayer layer);  // "heights.png", ...

struct MapPictures {
    std::vector<uint8_t> heights;    // 513 x 513 altitudes
    std::vector<uint8_t> countries;  // 513 x 513
    std::vector<uint8_t> splits;     // 512 x 512, 0 or 255
    std::vector<uint8_t> colours;    // 2048 x 2048 x 4
};

// The pictures as `lndtool map` writes them (landscape usable).
MapPictures BuildMapPictures(const CheckedLandscape& landscape);

// The landscape with the layers whose picture is given (not empty) set from
// them; every other byte stays. Only what a picture changes against what
// BuildMapPictures gives is taken: an unchanged picture changes nothing, not
// even a seam it shows one side of. A changed sample, altitude or country,
// is set in every copy of it; a block placed at several places that would
// need different cells is refused (one line naming the places) or, with
// splitShared, copied so each place gets its own. A LoRes texel is set to
// the mean of the changed picture's pixels that show it, only where one of
// those pixels changed, and only the 4 x 4 DXT3 blocks whose texels changed
// are encoded again. Faults are "ERROR : <path> : ..." lines, or "ERROR :
// <dir>/countries.png : ..." for a changed sample of a placed block that
// names no country (then *out is empty); notes (changes where no block
// takes them) "WARNING : <path> : ..." lines.
void SetMapLayers(const CheckedLandscape& landscape, const MapPictures& pictures, bool splitShared, const char* path,
                  const std::string& dir, std::vector<uint8_t>* out, std::vector<std::string>* errors,
                  std::vector<std::string>* notes);

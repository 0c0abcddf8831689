// terrain_pick.h -- what a window pixel shows: the pointer's ray cast
// against the terrain triangles of the placed blocks, with the diagonals
// the frame draws (the overlay's raised wireframe is not hit). Pure.
#pragma once

#include <cstdint>
#include <string>

#include "landscape/lnd_check.h"
#include "geometry/view.h"

struct TerrainPick {
    bool hit = false;        // false: the ray meets no terrain (sky)
    float x = 0, y = 0, z = 0;  // the world point hit
    int row = 0, column = 0;    // the map place
    int32_t block = 0;          // the block record the place shows, 0-based
    int cellRow = 0, cellColumn = 0;  // the block's grid point nearest the point hit
    uint8_t altitude = 0;       // that cell's
    uint8_t country = 0;        // its CountryIndex
    bool countryExists = false; // the country is one of the file's
    uint32_t materialA = 0, materialB = 0, blendWeight = 0;  // its entry at the cell's altitude
};

// The terrain under window pixel (x_px, y_px) (origin at the top left, y
// down) of a width_px x height_px window showing `camera`. Places whose map
// byte names no built block are empty, as in the frame.
TerrainPick PickTerrain(const CheckedLandscape& landscape, const CameraView& camera, int width_px, int height_px,
                        double x_px, double y_px);

// "place 14,13 | block 16 | cell 3,4 | altitude 120 | country 2: materials 3 5, weight 128", or "sky".
std::string PickLine(const TerrainPick& pick);

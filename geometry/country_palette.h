// country_palette.h -- the wireframe colour of each of the 16 countries a
// 4-bit CountryIndex can name. Entries 7 and 15 are both black.
#pragma once

#include "geometry/vector3.h"

extern const Vector3 CountryPalette[16];

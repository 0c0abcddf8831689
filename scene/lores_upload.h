// lores_upload.h -- the LoRes textures of a checked landscape as GL textures.
#pragma once

#include "landscape/lnd_check.h"

// Uploads the records the RecordSize walk found, the i-th under texture name
// i itself (record 0 under name 0): compressed when the driver takes DXT3
// as it is, otherwise decoded here and mipmapped, wrapping, with trilinear
// minification. Needs a current GL context and the entry points fetched.
void UploadLoResTextures(const CheckedLandscape& landscape);

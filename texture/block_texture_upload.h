// block_texture_upload.h -- every block's material texture: synthesized and
// reduced to its mipmap levels on worker threads, uploaded in block order on
// the thread that owns the GL context.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>

#include "landscape/lnd_check.h"

// Makes the textures of blocks 0 .. blocks - 1 under their names, with the
// global weight tables. For each block, in block order, prints its progress
// line and its 16 dots on `console` (nothing when it is null) just before its
// upload, so the console text is the same however the work is shared out.
// `workers` threads compute the textures while this thread uploads; with 0
// this thread does everything. With `storedBytes` the samples go up as the
// bytes the driver keeps of them, where it is found to round as we do;
// without, always as 16-bit samples. `afterUpload` (when set) runs on this
// thread right after block k's upload, while the workers go on: for GL work
// of the same block that needs no texture contents. Leaves the last block's
// texture bound.
using AfterBlockUpload = void (*)(int32_t k, void* context);
void SynthesizeBlockTextures(const CheckedLandscape& landscape, int32_t blocks, const GLuint* textureNames,
                             FILE* console, int workers, bool storedBytes = true,
                             AfterBlockUpload afterUpload = nullptr, void* afterContext = nullptr);

// The number of worker threads loading uses: one per processor but the one
// the uploading thread keeps busy (at least one).
int LoadWorkerCount();

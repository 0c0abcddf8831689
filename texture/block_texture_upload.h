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
// without, always as 16-bit samples. Leaves the last block's texture bound.
void SynthesizeBlockTextures(const CheckedLandscape& landscape, int32_t blocks, const GLuint* textureNames,
                             FILE* console, int workers, bool storedBytes = true);

// The number of worker threads loading uses: one per processor.
int LoadWorkerCount();

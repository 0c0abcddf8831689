// block_texture_pipeline.h -- every block's material texture with its mipmap
// levels, computed on worker threads ahead of the one thread that takes them
// in block order (the thread that owns the GL context uploads them). Pure:
// no GL.
#pragma once

#include <cstdint>
#include <vector>

#include "landscape/lnd_check.h"
#include "texture/material_mipmaps.h"

// One block's texture: its levels as 16-bit samples and, when asked for, as
// the bytes MaterialSampleTo8Bits makes of them.
struct BlockTexture {
    uint16_t levels[kMaterialMipmapTexels];
    uint8_t bytes[kMaterialMipmapTexels];
};

// The number of worker threads loading uses: one per processor but the one
// the taking thread keeps busy (at least one).
int LoadWorkerCount();

struct BlockTexturePipeline;

// Starts computing the textures of blocks 0 .. blocks - 1 of a usable
// landscape with the global weight tables, `workers` threads ahead of the
// taker (0: each block is computed by TakeBlockTexture itself), with their
// bytes when `asBytes`. The landscape must outlive the pipeline.
BlockTexturePipeline* StartBlockTextures(const CheckedLandscape& landscape, int32_t blocks, int workers,
                                         bool asBytes);
// Block k's texture, computing blocks no worker has taken yet while it is
// not ready. Blocks are taken in order, 0 first, each released before the
// next is taken.
const BlockTexture& TakeBlockTexture(BlockTexturePipeline* pipeline, int32_t k);
// Block k's buffer may hold another block's texture from now on.
void ReleaseBlockTexture(BlockTexturePipeline* pipeline, int32_t k);
// Waits for the workers and frees the pipeline (null does nothing).
void StopBlockTextures(BlockTexturePipeline* pipeline);

// The textures of the listed blocks (each below landscape.MapBlockCount()),
// into out[i] for blocks[i], on `workers` threads at once (0: this one):
// the blocks an edit touched, built again.
void ComputeBlockTextures(const CheckedLandscape& landscape, const std::vector<int32_t>& blocks, int workers,
                          bool asBytes, BlockTexture* out);

// block_texture_upload.h -- synthesizes each block's material texture and
// uploads it, mipmapped, under its texture name.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>

#include "texture/material_synthesis.h"

// Prints the block's progress line and its 16 dots on `console` (nothing
// when it is null), computes the texture into the one reused buffer with
// the global weight tables and uploads it. Leaves the texture bound.
void SynthesizeBlockTexture(int32_t blockIndex, int32_t blockCount, const uint8_t* block,
                            const MaterialSources& sources, GLuint textureName, FILE* console);

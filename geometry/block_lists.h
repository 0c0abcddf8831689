// block_lists.h -- the two display lists of every block, compiled once at load.
// Block k has textured list k + 1 and wireframe list k + 257, so a map byte v
// draws list v, and list 256 + v in the overlay. Beyond 256 blocks a
// wireframe id replaces the textured list of a block no map byte can name.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>

inline constexpr GLuint kWireframeListBase = 256;

// blocks: the first Block record; blockCount records follow it. Each prints
// its summary line ("%i cells rendered", "%i Wireframe cells rendered") on
// `console`, also when there are no blocks; a null console prints nothing.
void CompileTexturedBlockLists(int32_t blockCount, const uint8_t* blocks, const GLuint* blockTextureNames,
                               FILE* console);
void CompileWireframeBlockLists(int32_t blockCount, const uint8_t* blocks, FILE* console);

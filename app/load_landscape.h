// load_landscape.h -- loading: the file read and checked, then everything the
// viewer draws built from it, stage by stage, in one place and one order.
#pragma once

#include <GL/gl.h>

#include <cstdio>

#include "geometry/block_lists.h"
#include "landscape/lnd_check.h"
#include "landscape/loaded_landscape.h"

// One generated material texture name per built block; element k belongs to block k.
extern GLuint* BlockTextureNames;

// Builds the GL side of a usable checked landscape: unpack alignment 1, the
// LoRes textures, one material texture name per block, then the material
// synthesis, the textured lists and the wireframe lists of the blocks a map
// can name (the first 255). Stage output goes to `console` (null: quiet).
// Needs a current GL context and InitGraphics done. `primitives` chooses how
// the lists hand their quads to GL (strips only to compare against);
// `workers` how many threads compute the material textures meanwhile (one
// per processor by default; 0: this thread alone).
inline constexpr int kWorkerPerProcessor = -1;
void BuildLandscapeScene(const CheckedLandscape& landscape, FILE* console,
                         ListPrimitives primitives = ListPrimitives::Triangles, int workers = kWorkerPerProcessor);

// The viewer's loading: ReadLandscapeFile, then BuildLandscapeScene of the
// loaded landscape, all output on standard output (reasons a file cannot be
// opened on standard error). A file that cannot be read or fails the check
// builds nothing. `said` gets the fault and warning lines.
void LoadLandscape(LoadLines* said = nullptr);

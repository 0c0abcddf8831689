// load_landscape.h -- loading: the file read and checked, then everything the
// viewer draws built from it, stage by stage, in one place and one order.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdio>

#include "geometry/block_lists.h"
#include "landscape/lnd_check.h"
#include "landscape/loaded_landscape.h"

// The heap to ask large pages for before loading: the textures and lists of
// a large landscape take some 100 MiB.
inline constexpr size_t kLoadHeapBytes = size_t(128) << 20;

// One generated material texture name per built block; element k belongs to block k.
extern GLuint* BlockTextureNames;

// How a scene is built. The defaults are the viewer's; the others are kept
// to measure and compare against (a load as the program first did it: one
// thread, strips, the driver converting every sample, everything before the
// first frame).
inline constexpr int kWorkerPerProcessor = -1;
struct SceneBuild {
    ListPrimitives primitives = ListPrimitives::Triangles;
    int workers = kWorkerPerProcessor;  // threads computing the material textures (LoadWorkerCount); 0: none
    bool driverConverts = false;        // always upload 16-bit samples, even where the stored bytes could go
    bool wireframeLater = false;        // leave the wireframe lists to FinishLandscapeScene
};

// Builds the GL side of a usable checked landscape: unpack alignment 1, the
// LoRes textures, one material texture name per block, then the material
// synthesis, the textured lists and the wireframe lists of the blocks a map
// can name (the first 255). Stage output goes to `console` (null: quiet).
// Needs a current GL context and InitGraphics done.
void BuildLandscapeScene(const CheckedLandscape& landscape, FILE* console, const SceneBuild& how = SceneBuild());

// Compiles the wireframe lists a build left for later, with their console
// line; does nothing when none are waiting.
void FinishLandscapeScene();

// The viewer's loading: ReadLandscapeFile, then BuildLandscapeScene of the
// loaded landscape, all output on standard output (reasons a file cannot be
// opened on standard error), leaving the wireframe lists, which the first
// frame does not need, until it has been shown. A file that cannot be read
// or fails the check builds nothing. `said` gets the fault and warning lines.
void LoadLandscape(LoadLines* said = nullptr);

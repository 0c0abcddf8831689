// landscape_scene.h -- what a loaded landscape becomes in GL: its LoRes
// textures, one material texture per block and each block's two display
// lists, made in one place and order and given back in one place, in the
// reverse order.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "landscape/lnd_check.h"

// The heap to ask large pages for before loading: the textures and lists of
// a large landscape take some 100 MiB.
inline constexpr size_t kLoadHeapBytes = size_t(128) << 20;

// Everything one build made. LoRes record i lives in texture name i itself
// (record 0 in name 0, the default texture); block k in the material
// texture BlockTextureNames[k] and lists k + 1 and k + 257. A block whose
// LoResTextureIndex names no uploaded record binds a name of its own that
// holds no image, never another block's material texture.
struct LandscapeScene {
    uint32_t loResTextures = 0;                // texture names 0 .. loResTextures - 1 hold images
    std::vector<GLuint> blockTextureNames;     // BlockTextureNames: one generated name per built block
    GLuint noLoResTextureName = 0;             // generated, never given an image: what a block without a LoRes texture binds
    int32_t texturedLists = 0;                 // blocks whose textured list is compiled
    int32_t wireframeLists = 0;                // blocks whose wireframe list is compiled
    bool wireframesPending = false;            // their stage is still to run (and report)
    const uint8_t* firstBlock = nullptr;       // block 0's record in the landscape's bytes, which outlive the scene
    bool texturesAsBytes = false;              // the material textures went up as the bytes the driver keeps
    FILE* console = nullptr;                   // where the stages report
};

// How a scene is built. The defaults are the viewer's; the others are kept
// to compare against (one thread; the driver converting every sample).
inline constexpr int kWorkerPerProcessor = -1;
struct SceneBuild {
    int workers = kWorkerPerProcessor;  // threads computing the material textures (LoadWorkerCount); 0: none
    bool driverConverts = false;        // always upload 16-bit samples, even where the stored bytes could go
    bool wireframeLater = false;        // leave the wireframe lists to FinishLandscapeScene
};

// Builds the GL side of a usable checked landscape, in this order: unpack
// alignment 1; the LoRes textures; one material texture name per block a
// map can name (the first 255); each block's material texture, computed on
// the workers and uploaded here in block order with its progress line and
// dots, followed at once by its textured list; the "cells rendered" line;
// then, unless `how` leaves them for later, the wireframe lists and their
// line. Stage output goes to `console` (null: quiet). Needs a current GL
// context and InitGraphics done.
LandscapeScene BuildLandscapeScene(const CheckedLandscape& landscape, FILE* console,
                                   const SceneBuild& how = SceneBuild());

// The texture name block `block`'s unit 0 binds.
GLuint LoResTextureNameOf(const LandscapeScene& scene, const CheckedLandscape& landscape, const uint8_t* block);

// Builds again, quietly, what a build made for the listed blocks of the
// landscape it was built from, now edited (its bytes may have moved, blocks
// may have been added after the last or the last ones taken away): their
// material textures, computed on the workers, and their textured and
// wireframe lists. Added blocks get texture names and lists of their own,
// taken ones give theirs back. The LoRes textures stay as they are.
void RebuildSceneBlocks(LandscapeScene* scene, const CheckedLandscape& landscape, const std::vector<int32_t>& blocks);

// Compiles the wireframe lists a build left for later, with their line;
// does nothing when none are waiting.
void FinishLandscapeScene(LandscapeScene* scene);

// Gives back every list and texture of the scene, wireframe lists first and
// LoRes textures last, and leaves it empty. Texture name 0 cannot be
// deleted: its image is replaced by an empty one.
void DestroyLandscapeScene(LandscapeScene* scene);

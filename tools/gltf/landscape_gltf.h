// landscape_gltf.h -- a checked landscape as a glTF 2.0 scene, and that scene
// as the bytes of a .glb file or of a .gltf file with the files beside it.
// Pure: no output and no file access; the command writes what it returns.
//
// The scene: one node per occupied map place, named place-<row>-<column>
// and translated as the frame places that block, (-160 column, 0,
// -160 row), times the scale; one mesh per block that the map uses, named
// block-<k>, shared by every place that shows it (block_mesh.h). A map byte
// that names no block (above the block count) leaves its place empty, as the
// frame does. With textures, each mesh's material shows its block's baked
// surface (surface_bake.h) unlit (KHR_materials_unlit, as the viewer draws
// without lighting), alpha-blended only when some baked alpha is below 255.
// With the overlay, each mesh has a second primitive: the country wireframe
// as lines with per-vertex colours. Centred, every translation is moved by
// one offset that puts the middle of the scene's bounds at the origin.
#pragma once

#include <tiny_gltf.h>

#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"

struct GltfOptions {
    float scale = 1.0f;        // glTF units per world unit
    bool textures = true;      // bake every used block's surface into a PNG
    bool overlay = false;      // add the country wireframe
    bool center = false;       // move every node alike so that the scene's bounds are centred on the origin
    int workers = 1;           // threads that bake and encode (at least one)
    std::string generator;     // asset.generator
};

struct GltfScene {
    tinygltf::Model model;  // buffer 0 holds the geometry; the images have no bytes yet
    // The PNG bytes of image i: placed in the .glb's binary chunk, or written
    // beside a .gltf.
    std::vector<std::vector<uint8_t>> pngs;
    int32_t places = 0;     // nodes: occupied places whose byte names a block
};

// Builds the scene of a usable landscape (landscape.Usable()), baking and
// encoding on options.workers threads. False with *errorLine set when an
// image could not be encoded.
bool BuildLandscapeGltf(const CheckedLandscape& landscape, const GltfOptions& options, GltfScene* scene_out,
                        std::string* errorLine);

// A file to write: its path and all its bytes.
struct OutputFile {
    std::string path;
    std::string bytes;
};

// The .glb at `path`: JSON chunk, then one binary chunk holding the geometry
// and every PNG. Both give no files at all when the glTF writer fails.
std::vector<OutputFile> GlbFiles(GltfScene&& scene, const std::string& path);
// The .gltf at `path` and, beside it, its buffer as <stem>.bin and image i as
// <stem>-<image name>.png, where <stem> is the .gltf's name without its
// extension made safe as a relative URI (UriSafeName), so that every reader
// finds them; the .gltf comes last in the list, so that it is written once
// the files it names are there.
std::vector<OutputFile> GltfFiles(GltfScene&& scene, const std::string& path);

// A file name that is its own relative URI: every byte but A-Z a-z 0-9
// - . _ ~ becomes "_" (a space, a "%" or a "#" would have to be escaped,
// and not every reader unescapes).
std::string UriSafeName(const std::string& name);

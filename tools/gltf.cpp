// gltf.cpp -- `lndtool gltf`: a landscape as a glTF 2.0 scene for Blender,
// Godot, Unity and the web, in one .glb or as a .gltf with its files.
#include <lnd_version.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "platform/safe_write.h"
#include "texture/workers.h"
#include "tools/command_files.h"
#include "tools/commands.h"
#include "tools/gltf/landscape_gltf.h"

namespace {

std::string LowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& ch : extension) ch = char(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    return extension;
}

}  // namespace

bool ReadExportedLandscape(const char* path, bool textures, LandscapeLoad* stored) {
    if (!ReadUsableLandscape(path, stored)) return false;
    for (const LandscapeNote& note : LandscapeNotes(stored->checked, path)) {
        const std::string kind = note.kind;
        if (note.severity == NoteSeverity::Warning &&
            ((note.changesPicture && kind != "lores_index_beyond") || kind == "map_place_beyond_block_count" ||
             (textures && kind == "lores_index_beyond")))
            std::fprintf(stderr, "%s\n", note.line.c_str());
    }
    return true;
}

int RunGltf(const GltfCommandOptions& options) {
    const std::string extension = LowerExtension(options.out);
    if (extension != ".glb" && extension != ".gltf") {
        std::fprintf(stderr, "ERROR : %s : the output must be a .glb or a .gltf file\n", options.out.c_str());
        return 2;
    }
    const char* path = options.file.c_str();
    StoredLandscape stored;
    if (!ReadExportedLandscape(path, options.textures != "none", &stored)) return 2;
    const CheckedLandscape& landscape = stored.checked;

    GltfOptions how;
    how.scale = options.scale;
    how.textures = options.textures != "none";
    how.overlay = options.overlay;
    how.center = options.center;
    how.workers = ProcessorWorkerCount();
    how.generator = std::string("lndtool ") + LND_VERSION;
    GltfScene scene;
    std::string error;
    const bool built = BuildLandscapeGltf(landscape, how, &scene, &error);
    if (!built) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const int32_t places = scene.places;
    const size_t meshes = scene.model.meshes.size(), images = scene.model.images.size();
    const std::vector<OutputFile> files =
        extension == ".glb" ? GlbFiles(std::move(scene), options.out) : GltfFiles(std::move(scene), options.out);
    if (files.empty()) {
        std::fprintf(stderr, "ERROR : %s : the glTF writer failed to make the scene\n", options.out.c_str());
        return 2;
    }
    // The scene and its files are written whole or not at all.
    uint64_t bytes = 0;
    std::vector<SafeWriteItem> items;
    for (const OutputFile& file : files) {
        items.push_back({file.path, file.bytes.data(), file.bytes.size()});
        bytes += file.bytes.size();
    }
    if (!SafeWriteSet(items, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::printf("wrote %s : %" PRId32 " places, %" PRIu64 " meshes, %" PRIu64 " images, %" PRIu64 " files, %" PRIu64
                " bytes\n",
                options.out.c_str(), places, uint64_t(meshes), uint64_t(images), uint64_t(files.size()), bytes);
    return 0;
}

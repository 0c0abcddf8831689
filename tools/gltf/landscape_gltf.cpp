// landscape_gltf.cpp -- the scene of a landscape: meshes, baked materials,
// placed nodes, and its serialization by the glTF library.
#include "tools/gltf/landscape_gltf.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <utility>

#include "geometry/country_palette.h"
#include "image/png_write.h"
#include "texture/dxt3.h"
#include "texture/material_synthesis.h"
#include "texture/workers.h"
#include "tools/gltf/block_mesh.h"
#include "tools/gltf/surface_bake.h"

namespace {

// What the workers make of one used block.
struct BlockResult {
    BlockMesh mesh;
    std::vector<uint8_t> png;
    bool opaque = true;
    std::string error;  // the encoder's line when the PNG failed
};

// Appends bytes to buffer 0, 4-byte aligned as every accessor needs, under a
// buffer view of their own; returns the view's index.
int AddBufferView(tinygltf::Model& model, const void* bytes, size_t size, int target) {
    std::vector<unsigned char>& data = model.buffers[0].data;
    data.resize((data.size() + 3) & ~size_t(3));
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = data.size();
    view.byteLength = size;
    view.target = target;
    const unsigned char* first = static_cast<const unsigned char*>(bytes);
    data.insert(data.end(), first, first + size);
    model.bufferViews.push_back(view);
    return int(model.bufferViews.size()) - 1;
}

// An accessor over `count` elements of `components` floats (with their
// bounds when asked: POSITION needs them) or of unsigned 16-bit indices.
int AddFloatAccessor(tinygltf::Model& model, const float* values, int count, int components, bool bounds) {
    tinygltf::Accessor accessor;
    accessor.bufferView = AddBufferView(model, values, sizeof(float) * size_t(count) * size_t(components),
                                        TINYGLTF_TARGET_ARRAY_BUFFER);
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    accessor.count = size_t(count);
    accessor.type = components == 2 ? TINYGLTF_TYPE_VEC2 : TINYGLTF_TYPE_VEC3;
    if (bounds) {
        accessor.minValues.assign(values, values + components);
        accessor.maxValues.assign(values, values + components);
        for (int n = 0; n < count; ++n)
            for (int axis = 0; axis < components; ++axis) {
                const double v = values[components * n + axis];
                accessor.minValues[size_t(axis)] = std::min(accessor.minValues[size_t(axis)], v);
                accessor.maxValues[size_t(axis)] = std::max(accessor.maxValues[size_t(axis)], v);
            }
    }
    model.accessors.push_back(accessor);
    return int(model.accessors.size()) - 1;
}

int AddIndexAccessor(tinygltf::Model& model, const uint16_t* indices, int count) {
    tinygltf::Accessor accessor;
    accessor.bufferView = AddBufferView(model, indices, sizeof(uint16_t) * size_t(count),
                                        TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
    accessor.count = size_t(count);
    accessor.type = TINYGLTF_TYPE_SCALAR;
    model.accessors.push_back(accessor);
    return int(model.accessors.size()) - 1;
}

// Unlit, as the viewer draws; neither metallic nor glossy where a reader
// falls back to lighting.
tinygltf::Material UnlitMaterial(const std::string& name) {
    tinygltf::Material material;
    material.name = name;
    material.pbrMetallicRoughness.metallicFactor = 0.0;
    material.pbrMetallicRoughness.roughnessFactor = 1.0;
    material.extensions["KHR_materials_unlit"] = tinygltf::Value(tinygltf::Value::Object());
    return material;
}

// The LoRes images the frame uploads (the records the RecordSize walk
// found), decoded as the driver decodes them.
std::vector<std::vector<uint8_t>> DecodeLoResImages(const CheckedLandscape& landscape, int workers) {
    std::vector<std::vector<uint8_t>> images(landscape.loResRecords.size());
    ForEachOnWorkers(int32_t(images.size()), workers, [&](int32_t i) {
        images[size_t(i)].resize(size_t(kLoResSide) * kLoResSide * 4);
        DecodeDxt3Replicated(landscape.WalkedLoResRecord(uint32_t(i)) + kImageDataOffset, images[size_t(i)].data(),
                             kLoResSide, kLoResSide);
    });
    return images;
}

void ComputeBlock(const CheckedLandscape& landscape, int32_t k, const GltfOptions& options,
                  const std::vector<std::vector<uint8_t>>& loRes, const BlendWeightTable split,
                  const BlendWeightTable unsplit, BlockResult* result) {
    const uint8_t* block = landscape.Block(k);
    BuildBlockMesh(block, options.scale, &result->mesh);
    if (!options.textures) return;
    std::vector<uint16_t> texels(kMaterialTextureTexels);
    SynthesizeBlockMaterial(block, MaterialSourcesOf(landscape), split, unsplit, texels.data());
    const int64_t index = ShownLoResTexture(landscape, block);
    const uint8_t* rgbaOfLoRes = index == kNoLoResTexture ? nullptr : loRes[size_t(index)].data();
    std::vector<uint8_t> rgba(size_t(kBakeSide) * kBakeSide * 4);
    result->opaque = BakeBlockSurface(block, rgbaOfLoRes, texels.data(), rgba.data());
    // Fast: the encoding, not the baking, is what the export waits for.
    if (!EncodePngRgba8(rgba.data(), kBakeSide, kBakeSide, &result->png, &result->error, PngCompression::Fast))
        result->png.clear();
}

// The blocks the map names, in block order: map byte v names block v - 1
// when v is at most the blocks the map can reach.
std::vector<int32_t> UsedBlocks(const CheckedLandscape& landscape) {
    const int32_t named = landscape.MapBlockCount();
    std::vector<bool> used(size_t(std::max(named, 0)), false);
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) {
            const int v = BlockMapAt(landscape.bytes, row, column);
            if (v != 0 && v <= named) used[size_t(v - 1)] = true;
        }
    std::vector<int32_t> blocks;
    for (int32_t k = 0; k < named; ++k)
        if (used[size_t(k)]) blocks.push_back(k);
    return blocks;
}

// Mesh block-<k>: the surface, with its baked material when there is one,
// and the overlay's lines when asked.
void AddBlockMesh(tinygltf::Model& model, int32_t k, BlockResult& result, int texcoords, int overlayMaterial,
                  std::vector<std::vector<uint8_t>>* pngs) {
    const std::string name = "block-" + std::to_string(k);
    const BlockMesh& mesh = result.mesh;
    tinygltf::Primitive surface;
    surface.mode = TINYGLTF_MODE_TRIANGLES;
    surface.attributes["POSITION"] = AddFloatAccessor(model, &mesh.positions[0][0], kMeshVertexCount, 3, true);
    surface.attributes["NORMAL"] = AddFloatAccessor(model, &mesh.normals[0][0], kMeshVertexCount, 3, false);
    surface.attributes["TEXCOORD_0"] = texcoords;
    surface.indices = AddIndexAccessor(model, mesh.triangles, kMeshTriangleIndexCount);
    if (!result.png.empty()) {
        tinygltf::Image image;
        image.name = name;
        image.mimeType = "image/png";
        model.images.push_back(image);
        pngs->push_back(std::move(result.png));
        tinygltf::Texture texture;
        texture.sampler = 0;
        texture.source = int(model.images.size()) - 1;
        model.textures.push_back(texture);
        tinygltf::Material material = UnlitMaterial(name);
        material.pbrMetallicRoughness.baseColorTexture.index = int(model.textures.size()) - 1;
        material.alphaMode = result.opaque ? "OPAQUE" : "BLEND";
        model.materials.push_back(material);
        surface.material = int(model.materials.size()) - 1;
    }
    tinygltf::Mesh gltfMesh;
    gltfMesh.name = name;
    gltfMesh.primitives.push_back(surface);
    if (overlayMaterial >= 0) {
        tinygltf::Primitive lines;
        lines.mode = TINYGLTF_MODE_LINE;
        lines.attributes["POSITION"] = AddFloatAccessor(model, &mesh.linePositions[0][0], kMeshVertexCount, 3, true);
        lines.attributes["COLOR_0"] = AddFloatAccessor(model, &mesh.lineColours[0][0], kMeshVertexCount, 3, false);
        lines.indices = AddIndexAccessor(model, mesh.lines, kMeshLineIndexCount);
        lines.material = overlayMaterial;
        gltfMesh.primitives.push_back(lines);
    }
    model.meshes.push_back(gltfMesh);
}

// Node place-<row>-<column> for every map byte that names a block, row by
// row; returns how many.
int32_t AddPlaceNodes(tinygltf::Model& model, const CheckedLandscape& landscape,
                      const std::vector<int32_t>& usedBlocks, float scale) {
    tinygltf::Scene scene;
    scene.name = "landscape";
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) {
            const int v = BlockMapAt(landscape.bytes, row, column);
            if (v == 0 || v > landscape.MapBlockCount()) continue;
            tinygltf::Node node;
            node.name = "place-" + std::to_string(row) + "-" + std::to_string(column);
            node.mesh = int(std::lower_bound(usedBlocks.begin(), usedBlocks.end(), v - 1) - usedBlocks.begin());
            // Scaled in single precision, as the mesh positions are.
            node.translation = {double(float(-kBlockWorldSize * column) * scale), 0.0,
                                double(float(-kBlockWorldSize * row) * scale)};
            model.nodes.push_back(node);
            scene.nodes.push_back(int(model.nodes.size()) - 1);
        }
    model.scenes.push_back(scene);
    model.defaultScene = 0;
    return int32_t(scene.nodes.size());
}

// Every node moved alike so that the middle of the scene's bounds (the
// nodes' translations plus their meshes' POSITION bounds, lines included)
// is the origin.
void CenterScene(tinygltf::Model& model) {
    double low[3] = {1e300, 1e300, 1e300}, high[3] = {-1e300, -1e300, -1e300};
    for (const tinygltf::Node& node : model.nodes)
        for (const tinygltf::Primitive& primitive : model.meshes[size_t(node.mesh)].primitives) {
            const tinygltf::Accessor& positions = model.accessors[size_t(primitive.attributes.at("POSITION"))];
            for (size_t axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], node.translation[axis] + positions.minValues[axis]);
                high[axis] = std::max(high[axis], node.translation[axis] + positions.maxValues[axis]);
            }
        }
    if (low[0] > high[0]) return;  // no node: nothing to move
    for (tinygltf::Node& node : model.nodes)
        for (size_t axis = 0; axis < 3; ++axis)
            node.translation[axis] = double(float(node.translation[axis] - (low[axis] + high[axis]) / 2));
}

}  // namespace

bool BuildLandscapeGltf(const CheckedLandscape& landscape, const GltfOptions& options, GltfScene* scene,
                        std::string* errorLine) {
    const std::vector<int32_t> usedBlocks = UsedBlocks(landscape);

    // The meshes, the baking and the encoding, a block at a time on the workers.
    BlendWeightTable split, unsplit;
    FillStartBlendWeights(split, unsplit);
    const std::vector<std::vector<uint8_t>> loRes =
        options.textures ? DecodeLoResImages(landscape, options.workers) : std::vector<std::vector<uint8_t>>();
    std::vector<std::unique_ptr<BlockResult>> results(usedBlocks.size());
    ForEachOnWorkers(int32_t(usedBlocks.size()), options.workers, [&](int32_t i) {
        results[size_t(i)] = std::make_unique<BlockResult>();
        ComputeBlock(landscape, usedBlocks[size_t(i)], options, loRes, split, unsplit, results[size_t(i)].get());
    });
    for (const auto& result : results)
        if (options.textures && result->png.empty()) {
            *errorLine = result->error;
            return false;
        }

    tinygltf::Model& model = scene->model;
    model = tinygltf::Model();
    scene->pngs.clear();
    model.asset.version = "2.0";
    model.asset.generator = options.generator;
    scene->places = AddPlaceNodes(model, landscape, usedBlocks, options.scale);
    if (usedBlocks.empty()) return true;  // nothing more: no buffer may be empty

    model.buffers.resize(1);
    // The texture coordinates are the same for every block.
    const int texcoords = AddFloatAccessor(model, &results[0]->mesh.texcoords[0][0], kMeshVertexCount, 2, false);
    if (options.textures) {
        tinygltf::Sampler sampler;
        sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
        // Each texture spans its block once: its edges must not take texels of the opposite edge.
        sampler.wrapS = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
        sampler.wrapT = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
        model.samplers.push_back(sampler);
    }
    int overlayMaterial = -1;
    if (options.overlay) {
        model.materials.push_back(UnlitMaterial("country-lines"));
        overlayMaterial = int(model.materials.size()) - 1;
    }
    for (size_t i = 0; i < usedBlocks.size(); ++i)
        AddBlockMesh(model, usedBlocks[i], *results[i], texcoords, overlayMaterial, &scene->pngs);
    if (!model.materials.empty()) model.extensionsUsed.push_back("KHR_materials_unlit");
    if (options.center) CenterScene(model);
    return true;
}

std::string UriSafeName(const std::string& name) {
    std::string safe = name;
    for (char& ch : safe) {
        const bool unreserved = (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                                ch == '-' || ch == '.' || ch == '_' || ch == '~';
        if (!unreserved) ch = '_';
    }
    return safe;
}

std::vector<OutputFile> GlbFiles(GltfScene&& scene, const std::string& path) {
    tinygltf::Model& model = scene.model;
    for (size_t i = 0; i < scene.pngs.size(); ++i) {
        model.images[i].bufferView = AddBufferView(model, scene.pngs[i].data(), scene.pngs[i].size(), 0);
        scene.pngs[i] = {};
    }
    std::ostringstream glb;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&model, glb, false, true) || !glb) return {};
    return {{path, std::move(glb).str()}};
}

std::vector<OutputFile> GltfFiles(GltfScene&& scene, const std::string& path) {
    const std::filesystem::path target(path);
    const std::string stem = UriSafeName(target.stem().string());
    auto beside = [&](const std::string& name) { return (target.parent_path() / name).string(); };
    std::vector<OutputFile> files;
    tinygltf::Model& model = scene.model;
    std::string binName;
    if (!model.buffers.empty()) {
        binName = stem + ".bin";
        std::vector<unsigned char>& data = model.buffers[0].data;
        files.push_back({beside(binName), std::string(data.begin(), data.end())});
        data = {};
    }
    for (size_t i = 0; i < scene.pngs.size(); ++i) {
        const std::string name = stem + "-" + model.images[i].name + ".png";
        model.images[i].uri = name;
        files.push_back({beside(name), std::string(scene.pngs[i].begin(), scene.pngs[i].end())});
        scene.pngs[i] = {};
    }
    std::ostringstream text;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&model, text, false, false) || !text) return {};
    // The library's stream writer embeds every buffer as a data URI; ours
    // lives in the .bin file beside the document.
    nlohmann::json document = nlohmann::json::parse(std::move(text).str(), nullptr, false);
    if (!document.is_object()) return {};
    if (!binName.empty()) {
        document["buffers"][0]["uri"] = binName;
        document["buffers"][0]["byteLength"] = files.front().bytes.size();
    }
    files.push_back({path, document.dump(2) + "\n"});
    return files;
}

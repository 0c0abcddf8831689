// fuzz_edits.cpp -- fuzz target: an edit list (see edit_list.h) laid over a
// small well-formed landscape, and the edited file driven through every pure
// stage of a load as the viewer and the export run them: the check and its
// lines, the LoRes decoding of the walked records, the material synthesis and
// both vertex streams of every block a map can name, the DDS bytes, and what
// lndtool gltf and heightmap make of it: the placed scene and its .glb bytes,
// the first block's baked surface, the heightmap and its files (one input in
// four), and the textured scene as a .glb and as a .gltf with the files
// beside it (one in eight). For another input in four the first block's
// material texture must also equal the unit tests' reference transcription.
// No other PNG is encoded: the encoder takes no decision from the pixels,
// and fuzz_round_trip runs it on every folder it unpacks.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "edit_list.h"
#include "fuzz_oracle.h"
#include "geometry/block_vertices.h"
#include "guarded_buffer.h"
#include "small_landscape.h"
#include "texture/dxt3.h"
#include "texture/material_synthesis.h"
#include "texture/workers.h"
#include "tools/heights/heightmap.h"
#include "tools/gltf/landscape_gltf.h"
#include "tools/gltf/surface_bake.h"
#include "texture/lores_dds.h"

namespace {

// Two of everything: two blocks, countries, materials and LoRes textures.
struct Base {
    std::vector<uint8_t> landscape = MakeSmallLandscape(2, 2, 2, 2);
    std::vector<EditArea> areas = EditAreasOf(landscape);
};

const Base& TheBase() {
    static const Base base;
    return base;
}

// Per-run buffers, kept between runs so that no run pays for their allocation.
struct Scratch {
    std::vector<uint8_t> rgba = std::vector<uint8_t>(size_t(kLoResSide) * kLoResSide * 4);
    std::vector<uint8_t> rgbaReplicated = std::vector<uint8_t>(size_t(kLoResSide) * kLoResSide * 4);
    std::vector<uint16_t> texels = std::vector<uint16_t>(kMaterialTextureTexels);
    std::vector<TexturedVertex> textured = std::vector<TexturedVertex>(kBlockVertexCount);
    std::vector<WireframeVertex> wireframe = std::vector<WireframeVertex>(kBlockVertexCount);
    std::vector<uint8_t> dds = std::vector<uint8_t>(kDdsFileSize);
    std::vector<uint8_t> bakedLoRes = std::vector<uint8_t>(size_t(kLoResSide) * kLoResSide * 4);
    std::vector<uint8_t> baked = std::vector<uint8_t>(size_t(kBakeSide) * kBakeSide * 4);
    std::vector<uint8_t> edited;
    GuardedBuffer file;
};

// Which eighth of the inputs an input is in, chosen by its bytes (so a
// replay chooses the same). The slow checks run for some eighths each: the
// first block compared with the slow reference transcription for 0 and 1;
// the first block's baked surface, the glTF scene without textures as a .glb,
// and the heightmap with its files for 2 and 3; the textured scene as a .glb
// and as a .gltf with the files beside it for 4. The rest keep most of the speed, and the
// mutations of any input soon include every kind.
uint32_t EighthOf(const uint8_t* data, size_t size) {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (size_t n = 0; n < size; ++n) hash = (hash ^ data[n]) * 16777619u;
    return hash % 8;
}

void RequireVertices(const Scratch& s) {
    for (const TexturedVertex& v : s.textured) {
        FUZZ_REQUIRE(v.position[1] >= 0.0f && v.position[1] <= 255.0f);
        FUZZ_REQUIRE(v.materialCoord[0] >= 0.0f && v.materialCoord[0] <= 1.0f);
    }
    for (const WireframeVertex& v : s.wireframe) {
        FUZZ_REQUIRE(v.position[1] >= 1.0f && v.position[1] <= 256.0f);
        FUZZ_REQUIRE(v.colour[0] >= 0.0f && v.colour[0] <= 1.0f);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Base& base = TheBase();
    static Scratch s;
    ApplyEditList(base.landscape, base.areas, data, size, &s.edited);
    FUZZ_REQUIRE(s.edited.size() <= MaxEditedLength(base.landscape));
    s.file.Assign(s.edited.data(), s.edited.size());

    const CheckedLandscape c = CheckLandscape(s.file.data(), s.file.size());
    RequireCheckPromises(c, s.file.size());
    RequireNotes(c);
    if (!c.Usable()) return 0;

    // The upload: every walked record, 256 x 256 whatever its header says.
    for (uint32_t i = 0; i < c.loResRecords.size(); ++i) {
        DecodeDxt3(c.WalkedLoResRecord(i) + kImageDataOffset, s.rgba.data(), kLoResSide, kLoResSide);
        DecodeDxt3Replicated(c.WalkedLoResRecord(i) + kImageDataOffset, s.rgbaReplicated.data(), kLoResSide,
                             kLoResSide);
    }

    // The viewer's start-up tables, as the export uses them too.
    BlendWeightTable split, unsplit;
    FillStartBlendWeights(split, unsplit);
    const MaterialSources sources = MaterialSourcesOf(c);
    const int32_t blocks = c.MapBlockCount();
    const uint32_t eighth = EighthOf(data, size);
    std::string error;
    for (int32_t k = 0; k < blocks; ++k) {
        SynthesizeBlockMaterial(c.Block(k), sources, split, unsplit, s.texels.data());
        BuildTexturedBlockVertices(c.Block(k), s.textured.data());
        BuildWireframeBlockVertices(c.Block(k), s.wireframe.data());
        RequireVertices(s);
        if (k == 0 && eighth < 2) {
            // The fast synthesis against the plain transcription of its formula,
            // on whatever damage the edits did.
            RequireReferenceMaterial(c.Block(k), sources, split, unsplit, s.texels);
        }
        if (k == 0 && (eighth == 2 || eighth == 3)) {
            // Baked over the record the frame binds, or without one; the alpha is raised by a half.
            const int32_t index = BlockLoResTextureIndex(c.Block(0));
            const bool walked = index >= 0 && uint32_t(index) < c.loResRecords.size();
            if (walked)
                DecodeDxt3Replicated(c.WalkedLoResRecord(uint32_t(index)) + kImageDataOffset, s.bakedLoRes.data(),
                                     kLoResSide, kLoResSide);
            BakeBlockSurface(c.Block(0), walked ? s.bakedLoRes.data() : nullptr, s.texels.data(), s.baked.data());
            for (size_t n = 3; n < s.baked.size(); n += 4) FUZZ_REQUIRE(s.baked[n] >= 128);
        }
    }

    if (eighth == 2 || eighth == 3) {
        // The scene without textures (their stages are the bake above and the
        // PNG encoder), its .glb bytes, and the heightmap: every place that
        // names a block is a node, every other one an empty place.
        GltfOptions how;
        how.overlay = true;
        how.textures = false;
        GltfScene scene;
        FUZZ_REQUIRE(BuildLandscapeGltf(c, how, &scene, &error));
        FUZZ_REQUIRE(scene.model.meshes.size() <= size_t(blocks));
        const int32_t places = scene.places;
        const std::vector<OutputFile> glb = GlbFiles(std::move(scene), "fuzz.glb");
        FUZZ_REQUIRE(glb.size() == 1 && glb[0].bytes.compare(0, 4, "glTF") == 0);
        const Heightmap heightmap = BuildHeightmap(c);
        FUZZ_REQUIRE(int32_t(heightmap.emptyPlaces.size()) + places == kBlockMapSide * kBlockMapSide);
        const size_t samples = size_t(kHeightmapSide) * kHeightmapSide;
        FUZZ_REQUIRE(HeightmapSamples16(heightmap).size() == samples);
        FUZZ_REQUIRE(HeightmapR16Bytes(heightmap).size() == 2 * samples);
        const std::string sidecar = HeightmapSidecarJson(heightmap, eighth == 2 ? HeightmapFormat::Png8 : HeightmapFormat::R16);
        FUZZ_REQUIRE(sidecar.rfind("{\"format\":", 0) == 0 && sidecar.back() == '\n');
    }
    if (eighth == 4) {
        // Every used block baked and encoded, on as many workers as lndtool
        // would use (two at most), as a .glb, and as a .gltf whose name no URI
        // can hold as it is: the buffer (when there is geometry), one picture
        // per mesh, and the document last.
        GltfOptions how;
        how.workers = std::min(2, ProcessorWorkerCount());
        GltfScene scene;
        FUZZ_REQUIRE(BuildLandscapeGltf(c, how, &scene, &error));
        const size_t pictures = scene.pngs.size(), buffers = scene.model.buffers.size();
        FUZZ_REQUIRE(pictures == scene.model.meshes.size() && buffers <= 1);
        GltfScene copy = scene;
        FUZZ_REQUIRE(GlbFiles(std::move(copy), "fuzz.glb").size() == 1);
        const std::vector<OutputFile> files = GltfFiles(std::move(scene), "fuzz dir/fuzz land #1.gltf");
        FUZZ_REQUIRE(files.size() == buffers + pictures + 1 && files.back().path == "fuzz dir/fuzz land #1.gltf");
        for (size_t n = 0; n + 1 < files.size(); ++n) FUZZ_REQUIRE(files[n].path.rfind("fuzz dir/fuzz_land__1", 0) == 0);
    }

    for (uint32_t i = 0; i < c.counts.loResTextureCount; ++i) LoResDdsFileBytes(c.StrideLoResRecord(i), s.dds.data());
    return 0;
}

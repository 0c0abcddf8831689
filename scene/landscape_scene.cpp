// landscape_scene.cpp -- the order of building a landscape's textures and
// lists, and of giving them back.
#include "scene/landscape_scene.h"

#include <algorithm>
#include <memory>

#include "geometry/block_lists.h"
#include "scene/lores_upload.h"
#include "texture/block_texture_pipeline.h"
#include "texture/material_mipmaps.h"

namespace {

// The texture is one luminance component made of unsigned 16-bit red
// samples, and the driver keeps what it likes of them. A driver that keeps
// 8 bits converts every sample on the one thread that owns the context,
// which takes longer than the whole synthesis. When
// it keeps 8 bits and rounds exactly as MaterialSampleTo8Bits does, the
// workers convert instead and the bytes go up as they are stored. Whether
// it does is tried here, once, on every one of the 65536 sample values.
bool DriverKeepsOurBytes() {
    std::unique_ptr<uint16_t[]> every(new uint16_t[65536]);
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[65536]);
    for (uint32_t n = 0; n < 65536; ++n) every[n] = uint16_t(n), bytes[n] = MaterialSampleTo8Bits(uint16_t(n));
    GLuint probes[2];
    glGenTextures(2, probes);
    glBindTexture(GL_TEXTURE_2D, probes[0]);
    glTexImage2D(GL_TEXTURE_2D, 0, 1, 256, 256, 0, GL_RED, GL_UNSIGNED_SHORT, every.get());
    GLint bits = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE, &bits);
    bool same = false;
    if (bits == 8) {
        glBindTexture(GL_TEXTURE_2D, probes[1]);
        glTexImage2D(GL_TEXTURE_2D, 0, 1, 256, 256, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, bytes.get());
        std::unique_ptr<uint16_t[]> stored[2] = {std::unique_ptr<uint16_t[]>(new uint16_t[65536]),
                                                 std::unique_ptr<uint16_t[]>(new uint16_t[65536])};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        for (int p = 0; p < 2; ++p) {
            glBindTexture(GL_TEXTURE_2D, probes[p]);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_SHORT, stored[p].get());
        }
        same = std::equal(stored[0].get(), stored[0].get() + 65536, stored[1].get());
    }
    glDeleteTextures(2, probes);
    return same;
}

// The driver's way with the samples does not change while the program
// runs: asked at the first build, not again at every reload.
bool DriverKeepsOurBytesOnce() {
    static const bool keeps = DriverKeepsOurBytes();
    return keeps;
}

void PrintProgress(FILE* console, int32_t blockIndex, int32_t blockCount) {
    if (!console) return;
    std::fprintf(console, "\nCalculating Materials for Block %i/%i", blockIndex, blockCount);
    // One dot per row of quads; flushed so a terminal shows the progress.
    for (int row = 0; row < 16; ++row) std::fputc('.', console);
    std::fflush(console);
}

// Every level, as one luminance component (internal format 1) of unsigned
// 16-bit red samples, or of the bytes the driver would keep of them; then
// the wrapping and the trilinear minification.
void UploadBlockTexture(GLuint name, const BlockTexture& texture, bool asBytes) {
    glBindTexture(GL_TEXTURE_2D, name);
    for (int level = 0; level < kMaterialLevelCount; ++level) {
        const int side = 256 >> level;
        if (asBytes)
            glTexImage2D(GL_TEXTURE_2D, level, 1, side, side, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE,
                         texture.bytes + MaterialLevelOffset(level));
        else
            glTexImage2D(GL_TEXTURE_2D, level, 1, side, side, 0, GL_RED, GL_UNSIGNED_SHORT,
                         texture.levels + MaterialLevelOffset(level));
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
}

}  // namespace

LandscapeScene BuildLandscapeScene(const CheckedLandscape& landscape, FILE* console, const SceneBuild& how) {
    LandscapeScene scene;
    scene.console = console;
    scene.firstBlock = landscape.bytes + landscape.areas.blockArea;

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    UploadLoResTextures(landscape);
    scene.loResTextures = uint32_t(landscape.loResRecords.size());

    // Blocks past the 255th get neither texture nor list: no map byte can
    // name them, and their list ids would collide with the wireframe lists.
    const int32_t blocks = landscape.MapBlockCount();
    scene.blockTextureNames.assign(size_t(blocks > 0 ? blocks : 0), 0);
    if (blocks > 0) glGenTextures(blocks, scene.blockTextureNames.data());
    glGenTextures(1, &scene.noLoResTextureName);

    // The workers compute the material textures ahead; each is uploaded in
    // block order, and its block's textured list compiled at once, while
    // they go on.
    const bool asBytes = blocks > 0 && !how.driverConverts && DriverKeepsOurBytesOnce();
    scene.texturesAsBytes = asBytes;
    BlockTexturePipeline* textures = StartBlockTextures(
        landscape, blocks, how.workers == kWorkerPerProcessor ? LoadWorkerCount() : how.workers, asBytes);
    for (int32_t k = 0; k < blocks; ++k) {
        const BlockTexture& texture = TakeBlockTexture(textures, k);
        PrintProgress(console, k, landscape.blockCount);
        UploadBlockTexture(scene.blockTextureNames[size_t(k)], texture, asBytes);
        ReleaseBlockTexture(textures, k);
        CompileTexturedBlockList(k, landscape.Block(k), LoResTextureNameOf(scene, landscape, landscape.Block(k)),
                                 scene.blockTextureNames[size_t(k)]);
        scene.texturedLists = k + 1;
    }
    StopBlockTextures(textures);
    // After the material stage's dots, on the same line.
    ReportTexturedBlockLists(blocks, console);

    scene.wireframesPending = true;
    if (!how.wireframeLater) FinishLandscapeScene(&scene);
    return scene;
}

GLuint LoResTextureNameOf(const LandscapeScene& scene, const CheckedLandscape& landscape, const uint8_t* block) {
    const int64_t index = ShownLoResTexture(landscape, block);
    return index == kNoLoResTexture ? scene.noLoResTextureName : GLuint(index);
}

void RebuildSceneBlocks(LandscapeScene* scene, const CheckedLandscape& landscape, const std::vector<int32_t>& blocks) {
    scene->firstBlock = landscape.bytes + landscape.areas.blockArea;
    std::vector<GLuint>& names = scene->blockTextureNames;
    const int32_t had = int32_t(names.size()), now = landscape.MapBlockCount();
    std::vector<int32_t> todo;
    for (int32_t k : blocks)
        if (k >= 0 && k < now) todo.push_back(k);
    if (now < had) {
        // Lists and names go from the end, as a copy taken back leaves it.
        if (scene->wireframeLists > now) glDeleteLists(WireframeListId(now), GLsizei(scene->wireframeLists - now));
        if (scene->texturedLists > now) glDeleteLists(TexturedListId(now), GLsizei(scene->texturedLists - now));
        scene->wireframeLists = std::min(scene->wireframeLists, now);
        scene->texturedLists = std::min(scene->texturedLists, now);
        glDeleteTextures(GLsizei(had - now), names.data() + now);
        names.resize(size_t(now));
    } else if (now > had) {
        names.resize(size_t(now));
        glGenTextures(GLsizei(now - had), names.data() + had);
        for (int32_t k = had; k < now; ++k) todo.push_back(k);
    }
    std::sort(todo.begin(), todo.end());
    todo.erase(std::unique(todo.begin(), todo.end()), todo.end());
    if (todo.empty()) return;

    std::unique_ptr<BlockTexture[]> textures(new BlockTexture[todo.size()]);
    ComputeBlockTextures(landscape, todo, LoadWorkerCount() + 1, scene->texturesAsBytes, textures.get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t i = 0; i < todo.size(); ++i) {
        const int32_t k = todo[i];
        UploadBlockTexture(names[size_t(k)], textures[i], scene->texturesAsBytes);
        CompileTexturedBlockList(k, landscape.Block(k), LoResTextureNameOf(*scene, landscape, landscape.Block(k)),
                                 names[size_t(k)]);
        // Wireframes still to come are compiled from the edited bytes then.
        if (!scene->wireframesPending) CompileWireframeBlockList(k, landscape.Block(k));
    }
    scene->texturedLists = std::max(scene->texturedLists, now);
    if (!scene->wireframesPending) scene->wireframeLists = std::max(scene->wireframeLists, now);
}

void FinishLandscapeScene(LandscapeScene* scene) {
    if (!scene->wireframesPending) return;
    scene->wireframesPending = false;
    for (int32_t k = 0; k < scene->texturedLists; ++k) {
        CompileWireframeBlockList(k, scene->firstBlock + kBlockSize * uint64_t(k));
        scene->wireframeLists = k + 1;
    }
    ReportWireframeBlockLists(scene->texturedLists, scene->console);
}

void DestroyLandscapeScene(LandscapeScene* scene) {
    if (scene->wireframeLists > 0) glDeleteLists(WireframeListId(0), GLsizei(scene->wireframeLists));
    if (scene->texturedLists > 0) glDeleteLists(TexturedListId(0), GLsizei(scene->texturedLists));
    if (!scene->blockTextureNames.empty())
        glDeleteTextures(GLsizei(scene->blockTextureNames.size()), scene->blockTextureNames.data());
    if (scene->noLoResTextureName != 0) glDeleteTextures(1, &scene->noLoResTextureName);
    std::vector<GLuint> loRes;
    for (uint32_t i = 1; i < scene->loResTextures; ++i) loRes.push_back(i);
    if (!loRes.empty()) glDeleteTextures(GLsizei(loRes.size()), loRes.data());
    if (scene->loResTextures > 0) {
        // The default texture object stays; only its images can go.
        glBindTexture(GL_TEXTURE_2D, 0);
        for (int level = 0; level < kMaterialLevelCount; ++level)
            glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA, 0, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }
    *scene = LandscapeScene();
}

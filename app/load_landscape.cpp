// load_landscape.cpp -- the order of loading: read and check the file, upload
// the LoRes textures, reserve the block texture names, synthesize, compile.
#include "app/load_landscape.h"

#include "geometry/block_lists.h"
#include "landscape/loaded_landscape.h"
#include "texture/block_texture_upload.h"
#include "texture/lores_upload.h"

GLuint* BlockTextureNames;

namespace {

int32_t BlockTextureNameCount;  // how many BlockTextureNames holds

// The wireframe lists a build left for later.
struct PendingWireframe {
    bool waiting = false;
    int32_t blocks = 0;
    const uint8_t* firstBlock = nullptr;
    FILE* console = nullptr;
    ListPrimitives primitives = ListPrimitives::Triangles;
} g_Pending;

}  // namespace

void BuildLandscapeScene(const CheckedLandscape& landscape, FILE* console, const SceneBuild& how) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    UploadLoResTextures(landscape);

    // Blocks past the 255th get neither texture nor list: no map byte can
    // name them, and their list ids would collide with the wireframe lists.
    const int32_t blocks = landscape.MapBlockCount();
    // The viewer builds once; a program that builds scene after scene in one
    // context (lndtool render) gives the previous block textures back first.
    if (BlockTextureNames) {
        glDeleteTextures(BlockTextureNameCount, BlockTextureNames);
        delete[] BlockTextureNames;
    }
    BlockTextureNames = new GLuint[size_t(blocks) + 1]();
    BlockTextureNameCount = blocks;
    glGenTextures(blocks, BlockTextureNames);

    // Each block's textured list is compiled right after its texture's
    // upload, while the workers compute the next textures; its summary line
    // follows the material stage's output, as ever.
    struct ListJob {
        const CheckedLandscape& landscape;
        ListPrimitives primitives;
    } job = {landscape, how.primitives};
    auto compileList = [](int32_t k, void* context) {
        const ListJob& j = *static_cast<const ListJob*>(context);
        CompileTexturedBlockList(k, j.landscape.Block(k), BlockTextureNames[k], j.primitives);
    };
    SynthesizeBlockTextures(landscape, blocks, BlockTextureNames, console,
                            how.workers == kWorkerPerProcessor ? LoadWorkerCount() : how.workers,
                            !how.driverConverts, compileList, &job);
    ReportTexturedBlockLists(blocks, console);
    const uint8_t* firstBlock = landscape.bytes + landscape.areas.blockArea;
    g_Pending = {true, blocks, firstBlock, console, how.primitives};
    if (!how.wireframeLater) FinishLandscapeScene();
}

void FinishLandscapeScene() {
    if (!g_Pending.waiting) return;
    g_Pending.waiting = false;
    CompileWireframeBlockLists(g_Pending.blocks, g_Pending.firstBlock, g_Pending.console, g_Pending.primitives);
}

void LoadLandscape(LoadLines* said) {
    SceneBuild how;
    how.wireframeLater = true;
    if (ReadLandscapeFile(stdout, stderr, said)) BuildLandscapeScene(LoadedLandscape, stdout, how);
}

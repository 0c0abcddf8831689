// load_landscape.cpp -- the order of loading: read and check the file, upload
// the LoRes textures, reserve the block texture names, synthesize, compile.
#include "app/load_landscape.h"

#include "geometry/block_lists.h"
#include "landscape/loaded_landscape.h"
#include "texture/block_texture_upload.h"
#include "texture/lores_upload.h"

GLuint* BlockTextureNames;
static int32_t BlockTextureNameCount;  // how many BlockTextureNames holds

void BuildLandscapeScene(const CheckedLandscape& landscape, FILE* console, ListPrimitives primitives,
                         int workers) {
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

    SynthesizeBlockTextures(landscape, blocks, BlockTextureNames, console,
                            workers == kWorkerPerProcessor ? LoadWorkerCount() : workers);
    const uint8_t* firstBlock = landscape.bytes + landscape.areas.blockArea;
    CompileTexturedBlockLists(blocks, firstBlock, BlockTextureNames, console, primitives);
    CompileWireframeBlockLists(blocks, firstBlock, console, primitives);
}

void LoadLandscape(LoadLines* said) {
    if (ReadLandscapeFile(stdout, stderr, said)) BuildLandscapeScene(LoadedLandscape, stdout);
}

// block_texture_upload.cpp -- the GL side of the material synthesis.
#include "texture/block_texture_upload.h"

#include <GL/glu.h>

// One buffer serves every block: each block writes all of it.
static uint16_t BlockTextureBuffer[kMaterialTextureTexels];

void SynthesizeBlockTexture(int32_t blockIndex, int32_t blockCount, const uint8_t* block,
                            const MaterialSources& sources, GLuint textureName, FILE* console) {
    if (console) {
        std::fprintf(console, "\nCalculating Materials for Block %i/%i", blockIndex, blockCount);
        // One dot per row of quads; flushed so a terminal shows the progress.
        for (int row = 0; row < 16; ++row) std::fputc('.', console);
        std::fflush(console);
    }
    SynthesizeBlockMaterial(block, sources, SplitBlendWeights, UnsplitBlendWeights, BlockTextureBuffer);

    glBindTexture(GL_TEXTURE_2D, textureName);
    // Internal format 1: one luminance component.
    gluBuild2DMipmaps(GL_TEXTURE_2D, 1, kMaterialTextureSide, kMaterialTextureSide, GL_RED, GL_UNSIGNED_SHORT,
                      BlockTextureBuffer);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
}

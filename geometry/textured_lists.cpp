// textured_lists.cpp -- each block's terrain: LoRes colour on unit 0, the
// block's material as signed brightness on unit 1.
#include <cstdio>

#include "geometry/block_lists.h"
#include "geometry/block_vertices.h"
#include "landscape/lnd_format.h"
#include "platform/gl_entry_points.h"

namespace {

struct EnvSetting {
    GLenum parameter;
    GLfloat value;  // enumerants are passed as floats through glTexEnvf
};

// Unit 0 outputs the LoRes texel, colour and alpha, and nothing of the primary colour.
const EnvSetting kLoResEnvironment[] = {
    {GL_TEXTURE_ENV_MODE, GLfloat(GL_COMBINE_ARB)},
    {GL_COMBINE_RGB_ARB, GLfloat(GL_REPLACE)},
    {GL_SOURCE0_RGB_ARB, GLfloat(GL_TEXTURE)},
    {GL_OPERAND0_RGB_ARB, GLfloat(GL_SRC_COLOR)},
    {GL_COMBINE_ALPHA_ARB, GLfloat(GL_REPLACE)},
    {GL_SOURCE0_ALPHA_ARB, GLfloat(GL_TEXTURE)},
};

// Unit 1: colour = (1 - M) + P - 0.5, so mid-grey material leaves the LoRes
// colour as it is, lighter darkens and darker lightens; alpha = 1 + P - 0.5.
// Operand 0 alpha is set to GL_SRC_ALPHA explicitly: an alpha operand cannot
// take a colour operand, and leaving it at its initial value gives the same
// alpha without a GL error.
const EnvSetting kMaterialEnvironment[] = {
    {GL_TEXTURE_ENV_MODE, GLfloat(GL_COMBINE_ARB)},
    {GL_COMBINE_RGB_ARB, GLfloat(GL_ADD_SIGNED_ARB)},
    {GL_SOURCE0_RGB_ARB, GLfloat(GL_TEXTURE)},
    {GL_OPERAND0_RGB_ARB, GLfloat(GL_ONE_MINUS_SRC_COLOR)},
    {GL_SOURCE1_RGB_ARB, GLfloat(GL_PREVIOUS_ARB)},
    {GL_COMBINE_ALPHA_ARB, GLfloat(GL_ADD_SIGNED_ARB)},
    {GL_SOURCE0_ALPHA_ARB, GLfloat(GL_TEXTURE)},
    {GL_OPERAND0_ALPHA_ARB, GLfloat(GL_SRC_ALPHA)},
    {GL_SOURCE1_ALPHA_ARB, GLfloat(GL_PREVIOUS_ARB)},
    {GL_RGB_SCALE_ARB, 1.0f},
    {GL_ALPHA_SCALE, 1.0f},
};

template <size_t N>
void SetEnvironment(const EnvSetting (&settings)[N]) {
    for (const EnvSetting& s : settings) glTexEnvf(GL_TEXTURE_ENV, s.parameter, s.value);
}

void BindUnit(GLenum unit, GLuint texture, GLint minFilter) {
    glext::glActiveTextureARB(unit);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

}  // namespace

void SetTexturedBlockState(GLuint loResTextureName, GLuint blockTextureName) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // The LoRes texture is a single level when uploaded compressed: no mipmapping on unit 0.
    BindUnit(GL_TEXTURE0_ARB, loResTextureName, GL_LINEAR);
    SetEnvironment(kLoResEnvironment);
    BindUnit(GL_TEXTURE1_ARB, blockTextureName, GL_LINEAR_MIPMAP_LINEAR);
    SetEnvironment(kMaterialEnvironment);
}

void CompileTexturedBlockList(int32_t k, const uint8_t* block, GLuint loResTextureName, GLuint blockTextureName) {
    static TexturedVertex vertices[kBlockVertexCount];
    BuildTexturedBlockVertices(block, vertices);
    glNewList(TexturedListId(k), GL_COMPILE);
    SetTexturedBlockState(loResTextureName, blockTextureName);
    EmitBlockTriangles(vertices, [](const TexturedVertex& v) {
        glext::glMultiTexCoord2fvARB(GL_TEXTURE0_ARB, v.loResCoord);
        glext::glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, v.materialCoord);
        glVertex3fv(v.position);
    });
    glEndList();
}

void ReportTexturedBlockLists(int32_t blockCount, FILE* console) {
    if (!console) return;
    // 256 cells for every list compiled.
    std::fprintf(console, "%i cells rendered\n", blockCount > 0 ? 256 * blockCount : 0);
    std::fflush(console);
}

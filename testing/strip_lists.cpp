// strip_lists.cpp -- the blocks' lists as strips of four vertices a quad.
#include "testing/strip_lists.h"

#include "geometry/block_lists.h"
#include "geometry/block_vertices.h"
#include "platform/gl_entry_points.h"

namespace {

template <typename Vertex, typename Emit>
void EmitStrips(const Vertex* strips, StripLists kind, Emit emit) {
    for (int q = 0; q < kBlockVertexCount; q += 4) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = q; i < q + 4; ++i) emit(strips[i]);
        glEnd();
        if (kind == StripLists::Separate) glLineWidth(1.0f);  // the width lines have already
    }
}

}  // namespace

void CompileStripLists(const LandscapeScene& scene, const CheckedLandscape& landscape, StripLists kind) {
    static TexturedVertex textured[kBlockVertexCount];
    static WireframeVertex wireframe[kBlockVertexCount];
    for (int32_t k = 0; k < scene.texturedLists; ++k) {
        BuildTexturedBlockVertices(landscape.Block(k), textured);
        glNewList(TexturedListId(k), GL_COMPILE);
        SetTexturedBlockState(LoResTextureNameOf(scene, landscape, landscape.Block(k)), scene.blockTextureNames[size_t(k)]);
        EmitStrips(textured, kind, [](const TexturedVertex& v) {
            glext::glMultiTexCoord2fvARB(GL_TEXTURE0_ARB, v.loResCoord);
            glext::glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, v.materialCoord);
            glVertex3fv(v.position);
        });
        glEndList();
    }
    for (int32_t k = 0; k < scene.wireframeLists; ++k) {
        BuildWireframeBlockVertices(landscape.Block(k), wireframe);
        glNewList(WireframeListId(k), GL_COMPILE);
        SetWireframeBlockState();
        EmitStrips(wireframe, kind, [](const WireframeVertex& v) {
            glColor3fv(v.colour);
            glVertex3fv(v.position);
        });
        glEndList();
    }
}

// frame.cpp -- the frame: camera transform, axis gizmo, terrain pass and the
// optional wireframe pass, drawn into whatever buffer is current.
#include "scene/frame.h"

#include <GL/gl.h>

#include <cstring>
#include <vector>

#include "geometry/block_lists.h"
#include "platform/gl_entry_points.h"

// Calls list base + v at every nonzero map byte v, columns outer and rows
// inner: that is the order in which blocks blend over one another.
static void DrawMapPass(const uint8_t* header, GLuint base) {
    for (int a = 0; a < kBlockMapSide; ++a) {
        for (int b = 0; b < kBlockMapSide; ++b) {
            glPushMatrix();
            glTranslatef(float(-kBlockWorldSize * a), 0.0f, float(-kBlockWorldSize * b));
            const uint8_t v = BlockMapAt(header, b, a);
            if (v != 0) glCallList(base + v);
            glPopMatrix();
        }
    }
}

void DrawScene(const CheckedLandscape* landscape, const CameraView& camera, bool overlay) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, camera.zoom);
    glRotatef(camera.rotation.x, 1.0f, 0.0f, 0.0f);
    glRotatef(camera.rotation.y, 0.0f, 1.0f, 0.0f);
    glRotatef(camera.rotation.z, 0.0f, 0.0f, 1.0f);

    // The lists leave blending and texturing on; undo that for the gizmo.
    glDisable(GL_BLEND);
    for (int unit = (TextureUnitCount < 3 ? TextureUnitCount : 3) - 1; unit >= 0; --unit) {
        glext::glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glDisable(GL_TEXTURE_2D);
    }

    // Axis gizmo at the pivot the camera turns about.
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(1.0f, 0.0f, 0.0f);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 1.0f, 0.0f);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glEnd();

    glTranslatef(camera.position.x, camera.position.y, camera.position.z);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    // Upper sides are front faces: filled from above, lines from below.
    glPolygonMode(GL_FRONT, GL_FILL);
    glPolygonMode(GL_BACK, GL_LINE);

    // With no landscape loaded the gizmo stands alone over the clear colour.
    if (!landscape) return;
    DrawMapPass(landscape->bytes, 0);
    if (overlay) {
        glPolygonMode(GL_FRONT, GL_LINE);
        glPolygonMode(GL_BACK, GL_POINT);
        DrawMapPass(landscape->bytes, kWireframeListBase);
    }
}

void ApplyProjection(int width_px, int height_px, double farPlane) {
    const Frustum f = ViewerFrustum(width_px, height_px, farPlane);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(f.left, f.right, f.bottom, f.top, f.nearPlane, f.farPlane);
    glMatrixMode(GL_MODELVIEW);
}

void ReadFramePicture(int width_px, int height_px, uint8_t* rgb_out) {
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const size_t row = size_t(width_px) * 3;
    std::vector<uint8_t> bottomUp(row * size_t(height_px));
    glReadPixels(0, 0, width_px, height_px, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    // GL's rows run from the bottom up.
    for (int y = 0; y < height_px; ++y)
        std::memcpy(rgb_out + row * size_t(y), bottomUp.data() + row * size_t(height_px - 1 - y), row);
}

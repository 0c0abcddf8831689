// graphics.cpp -- functions that set up GL state once, before loading.
#include "scene/graphics.h"

#include <GL/gl.h>

#include "scene/frame.h"
#include "geometry/view.h"

// Lighting is never enabled, so these lights do not change the picture; they
// are set up all the same so the GL state matches what the lists were built for.
static const GLfloat kLight0Ambient[4] = {0.1f, 0.1f, 0.3f, 1.0f};
static const GLfloat kLight0Diffuse[4] = {0.6f, 0.6f, 1.0f, 1.0f};
static const GLfloat kLight0Position[4] = {0.5f, 0.5f, 1.0f, 0.0f};  // w = 0: directional
static const GLfloat kLight1Ambient[4] = {0.1f, 0.1f, 0.3f, 1.0f};
static const GLfloat kLight1Diffuse[4] = {0.9f, 0.6f, 0.0f, 1.0f};
static const GLfloat kLight1Position[4] = {-1.0f, -1.0f, 1.0f, 0.0f};

// The window the viewer opens; its projection is the square frustum.
static constexpr int kStartWidth = 800, kStartHeight = 600;

bool InitGraphics(GlProcLookup lookup, std::string* errorLine) {
    if (!FetchExtensionEntryPoints(lookup, errorLine)) return false;

    glEnable(GL_DEPTH_TEST);
    glClearColor(0.0f, 0.5f, 1.0f, 1.0f);

    // A square frustum (about 43.6 degrees both ways) over the 4:3 window.
    ApplyProjection(kStartWidth, kStartHeight, kFarPlane);
    glLoadIdentity();

    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, kLight0Ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kLight0Diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, kLight0Position);
    glEnable(GL_LIGHT1);
    glLightfv(GL_LIGHT1, GL_AMBIENT, kLight1Ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, kLight1Diffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, kLight1Position);
    return true;
}

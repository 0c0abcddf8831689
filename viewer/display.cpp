// display.cpp -- the GLUT display callback: one frame, then the swap.
#include "viewer/display.h"

#include <GL/freeglut.h>

#include "viewer/input.h"
#include "viewer/scene.h"

void DisplayCallback() {
    DrawScene(WireframeOverlay != 0);
    glFinish();
    glutSwapBuffers();
}

// display.cpp -- the GLUT display callback: one frame, the panels over it,
// then the swap.
#include "viewer/display.h"

#include <GL/freeglut.h>

#include "platform/clock.h"
#include "scene/frame.h"
#include "geometry/camera.h"
#include "viewer/edit_mode.h"
#include "viewer/input.h"
#include "viewer/panel_drawing.h"
#include "viewer/panels.h"
#include "viewer/shown_landscape.h"
#include "viewer/workbench.h"

void DisplayCallback() {
    const uint32_t start = MillisecondClock();
    const int width = glutGet(GLUT_WINDOW_WIDTH), height = glutGet(GLUT_WINDOW_HEIGHT);
    DrawScene(ShownChecked(), CurrentCamera(), WireframeOverlay != 0);
    SaveRequestedPicture(width, height);
    DrawBrushRing();
    DrawPanels(width, height, start);
    glFinish();
    NoteFrameTime(MillisecondsBetween(start, MillisecondClock()));
    glutSwapBuffers();
    ShowEditTitle();
    // Before any input is handled, so the console keeps its order.
    if (FinishShownScene() && WireframeOverlay) glutPostRedisplay();
    RunRequestedLoad();
}

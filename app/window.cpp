// window.cpp -- window creation and callback registration.
#include "app/window.h"

#include <GL/freeglut.h>

#include "viewer/display.h"
#include "viewer/input.h"

void OpenWindow(const char* programName) {
    int argc = 1;
    char* argv[2] = {const_cast<char*>(programName), nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(kWindowX, kWindowY);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    // Closing the window calls exit, so the standard library flushes and
    // runs its exit processing.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_EXIT);
    glutCreateWindow(kWindowTitle);
}

void RegisterCallbacks() {
    glutDisplayFunc(DisplayCallback);
    glutIdleFunc(IdleCallback);
    glutMotionFunc(MotionCallback);
    glutMouseFunc(MouseCallback);
    // Key events first feed the key-state table, then reach KeyboardCallback.
    glutIgnoreKeyRepeat(1);
    glutKeyboardFunc(KeyDownEvent);
    glutKeyboardUpFunc(KeyUpEvent);
}

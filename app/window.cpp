// window.cpp -- window creation and callback registration.
#include "app/window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/XKBlib.h>

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
    // A held key then repeats as presses alone, without the fake releases
    // that would make it look released between two idle steps.
    if (Display* display = glXGetCurrentDisplay()) XkbSetDetectableAutoRepeat(display, True, nullptr);
}

void RegisterCallbacks() {
    glutDisplayFunc(DisplayCallback);
    glutIdleFunc(IdleCallback);
    glutMotionFunc(MotionCallback);
    glutMouseFunc(MouseCallback);
    // Key events first feed the key-state table, then reach KeyboardCallback.
    // Repeats of a held key are dropped there, not by GLUT's own filter,
    // which asks the server whether the key is down at the time it reads a
    // release and so loses a press that follows the release quickly.
    glutKeyboardFunc(KeyDownEvent);
    glutKeyboardUpFunc(KeyUpEvent);
}

void* WindowGlProcAddress(const char* name) { return reinterpret_cast<void*>(glutGetProcAddress(name)); }

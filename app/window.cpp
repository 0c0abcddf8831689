// window.cpp -- window creation and callback registration.
#include "app/window.h"

#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/native_window.h"

#include "viewer/display.h"
#include "viewer/input.h"

namespace {

// GLUT's own failures (a display that goes away before the window opens)
// end the program as the viewer's other failures do: one line, status 2.
void GlutFailed(const char* format, va_list args) {
    std::fflush(stdout);
    std::fputs("ERROR : lndview : ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputs(" (for pictures without a display, use lndtool render)\n", stderr);
    std::exit(2);
}

}  // namespace

void OpenWindow(const char* programName) {
    glutInitErrorFunc(GlutFailed);
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
    // Held keys repeat as presses alone; desktops know the window as lndview's.
    ConfigureViewerWindow("lndview", "Lndview");
}

void RegisterCallbacks() {
    glutDisplayFunc(DisplayCallback);
    // No idle step yet: it runs only while a movement key is down, so an
    // untouched window waits for events instead of redrawing all the time.
    glutMotionFunc(MotionCallback);
    glutPassiveMotionFunc(PassiveMotionCallback);
    glutEntryFunc(EntryCallback);
    glutMouseFunc(MouseCallback);
    glutMouseWheelFunc(MouseWheelCallback);
    glutReshapeFunc(ReshapeCallback);
    glutSpecialFunc(SpecialKeyCallback);
    // Key events first feed the key-state table, then reach KeyboardCallback.
    // Repeats of a held key are dropped there, not by GLUT's own filter,
    // which asks the server whether the key is down at the time it reads a
    // release and so loses a press that follows the release quickly.
    glutKeyboardFunc(KeyDownEvent);
    glutKeyboardUpFunc(KeyUpEvent);
}

void* WindowGlProcAddress(const char* name) { return reinterpret_cast<void*>(glutGetProcAddress(name)); }

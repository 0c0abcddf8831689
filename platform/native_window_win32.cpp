// native_window_win32.cpp -- the viewer's window on Windows: GLUT's own
// window is all it needs.
#include "platform/native_window.h"

// A Windows session always has a desktop to open windows on.
bool GraphicalDisplayAvailable(std::string*) { return true; }

// Windows reports a held key as repeated key-down messages without releases
// in between, and groups windows by their program: nothing to set up.
void ConfigureViewerWindow(const char*, const char*) {}

// window.h -- the one GLUT window and the registration of every callback.
#pragma once

#include "viewer/window_title.h"

inline constexpr int kWindowX = 50, kWindowY = 50, kWindowWidth = 800, kWindowHeight = 600;

// Initialises GLUT with the program name alone (the command line stays the
// program's own), opens the RGB, double-buffered, depth-buffered window and
// makes its context current. Closing the window ends the process through exit.
void OpenWindow(const char* programName);

// Registers the display, motion, mouse and keyboard callbacks, the mouse
// wheel, reshape and special keys, and the key-up feed of the key-state
// table. The idle step is installed while a movement key is down.
void RegisterCallbacks();

// Looks up a GL function of the window's context by name (for InitGraphics).
void* WindowGlProcAddress(const char* name);

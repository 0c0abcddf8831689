// input.h -- the GLUT input callbacks: fly, turn, zoom, overlay and export keys.
#pragma once

#include <cstdint>

#include "geometry/terrain_pick.h"

// Written by the callbacks below; DragMode holds a DragModeValue (camera.h).
extern int32_t DragMode;
extern int32_t LastMouseX, LastMouseY;  // window pixels, origin top left
extern int32_t PointerX, PointerY;      // window pixels: where the pointer was last seen
extern bool PointerInside;              // the pointer is over the window
extern int32_t WireframeOverlay;        // 0 or 1; the frame draws the country wireframe when 1
extern bool HelpShown;                  // F1 or h: the help panel
extern bool StatusShown;                // Tab: the status line

void IdleCallback();
void MouseCallback(int button, int state, int x, int y);
void MotionCallback(int x, int y);
void KeyboardCallback(unsigned char key, int x, int y);

// What GLUT calls for key presses and releases: they feed the key-state
// table; a press of Escape quits, Tab, h and f act on the panels and the
// view, any other goes on to KeyboardCallback. A movement key starts the
// idle step, which runs only while a movement key is held.
void KeyDownEvent(unsigned char key, int x, int y);
void KeyUpEvent(unsigned char key, int x, int y);

// F1 toggles the help, Home returns to the start camera, F5 reloads, F12
// saves a picture, Page Down / Page Up step through the folder.
void SpecialKeyCallback(int key, int x, int y);
// Each notch zooms within the drag zoom's clamps.
void MouseWheelCallback(int wheel, int direction, int x, int y);
// The viewport covers the window, the projection follows its shape.
void ReshapeCallback(int width, int height);

// The pointer without a button: the status panel's readout follows it.
void PassiveMotionCallback(int x, int y);
void EntryCallback(int state);
// What the pointer is over, in the shown landscape.
TerrainPick PointerPick();

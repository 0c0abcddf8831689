// input.h -- the GLUT input callbacks: fly, turn, zoom, overlay and export keys.
#pragma once

#include <cstdint>

// Written by the callbacks below; DragMode holds a DragModeValue (camera.h).
extern int32_t DragMode;
extern int32_t LastMouseX, LastMouseY;  // window pixels, origin top left
extern int32_t WireframeOverlay;        // 0 or 1; the frame draws the country wireframe when 1

void IdleCallback();
void MouseCallback(int button, int state, int x, int y);
void MotionCallback(int x, int y);
void KeyboardCallback(unsigned char key, int x, int y);

// What GLUT calls for key presses and releases: they feed the key-state
// table; a press then goes on to KeyboardCallback.
void KeyDownEvent(unsigned char key, int x, int y);
void KeyUpEvent(unsigned char key, int x, int y);

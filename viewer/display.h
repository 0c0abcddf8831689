// display.h -- one frame: camera, axis gizmo, the textured terrain and the
// optional country wireframe, all from the compiled display lists.
#pragma once

// Draws the whole scene into the back buffer (no swap). Reads no map when no
// landscape is loaded: the gizmo alone over the clear colour.
void DrawScene();

// The GLUT display callback: DrawScene, glFinish, swap.
void DisplayCallback();

// display.h -- the GLUT display callback.
#pragma once

// Draws the scene and the panels shown into the back buffer, waits for it,
// and swaps; then compiles the wireframe lists a load left for after its
// first frame.
void DisplayCallback();

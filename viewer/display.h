// display.h -- the GLUT display callback.
#pragma once

// Draws the scene and the panels shown into the back buffer, waits for it,
// and swaps.
void DisplayCallback();

// display.h -- the GLUT display callback.
#pragma once

// Draws the scene and the panels shown into the back buffer, waits for it,
// and swaps.
void DisplayCallback();

// Called once, right after the first frame has been shown: loading's last
// stage, which that frame does not need (set by main; may stay null).
extern void (*AfterFirstFrame)();

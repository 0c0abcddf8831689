// panel_drawing.h -- the panels drawn over a finished frame: translucent dark
// boxes in the window's corners with GLUT's fixed 9 x 15 bitmap font. Every
// GL state the drawing touches is saved first and restored after, so the
// frame under the panels and the next frame are as without them.
#pragma once

#include <cstdint>

// Draws what is shown now (help, status, message, load fault) over the frame
// in a window of width_px x height_px; draws nothing when nothing is shown.
void DrawPanels(int width_px, int height_px, uint32_t nowMs);

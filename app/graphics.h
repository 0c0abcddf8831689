// graphics.h -- the one-time OpenGL setup, run once the window's context is current.
#pragma once

// Fetches the extension entry points, sets the fixed GL state, the
// projection, the camera's start values and two lights. Leaves the matrix
// mode at GL_MODELVIEW.
void InitGraphics();

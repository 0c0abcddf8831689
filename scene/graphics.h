// graphics.h -- the one-time OpenGL setup, run once a context is current:
// the viewer's window, or lndtool's offscreen picture.
#pragma once

#include <string>

#include "platform/gl_entry_points.h"

// Fetches the extension entry points through `lookup`, sets the fixed GL
// state, the projection of the 800 x 600 window and two lights (the camera
// is its owner's: the viewer starts it at kStartCamera right after). Leaves
// the matrix mode at GL_MODELVIEW. False, with one "ERROR : " line in
// *errorLine, when the driver cannot draw the terrain (no multitexturing);
// nothing else is set up then.
bool InitGraphics(GlProcLookup lookup, std::string* errorLine);


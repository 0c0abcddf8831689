// scene.h -- one frame: camera, axis gizmo, the textured terrain and the
// optional country wireframe, all from the compiled display lists. No
// window: the viewer draws it into its back buffer, lndtool into an
// offscreen picture.
#pragma once

// Draws the whole scene into the current draw buffer (no swap), the country
// wireframe over the terrain when `overlay` is set. Reads no map when no
// landscape is loaded: the gizmo alone over the clear colour.
void DrawScene(bool overlay);

// scene.h -- one frame: camera, axis gizmo, the textured terrain and the
// optional country wireframe, all from the compiled display lists. No
// window: the viewer draws it into its back buffer, lndtool into an
// offscreen picture.
#pragma once

// Draws the whole scene into the current draw buffer (no swap), the country
// wireframe over the terrain when `overlay` is set. Reads no map when no
// landscape is loaded: the gizmo alone over the clear colour.
void DrawScene(bool overlay);

// The projection of a picture width_px x height_px (ViewerFrustum); at
// 800 x 600 exactly the window's first one. Leaves the matrix mode at
// GL_MODELVIEW.
void ApplyProjection(int width_px, int height_px, double farPlane);

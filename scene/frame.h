// frame.h -- one frame: camera, axis gizmo, the textured terrain and the
// optional country wireframe, all from the compiled display lists. No
// window: the viewer draws it into its back buffer, lndtool into an
// offscreen picture.
#pragma once

#include <cstdint>

#include "landscape/lnd_check.h"
#include "geometry/view.h"

// Draws the whole scene seen by `camera` into the current draw buffer (no
// swap): every nonzero map byte v of `landscape` calls list v at its place,
// and list 256 + v over it when `overlay` is set. With no landscape (null)
// the gizmo stands alone over the clear colour.
void DrawScene(const CheckedLandscape* landscape, const CameraView& camera, bool overlay);

// The projection of a picture width_px x height_px (ViewerFrustum); at
// 800 x 600 exactly the window's first one. Leaves the matrix mode at
// GL_MODELVIEW.
void ApplyProjection(int width_px, int height_px, double farPlane);

// The picture drawn so far in the read buffer (the window's back buffer, or
// the offscreen picture), after the driver has finished it, as 8-bit RGB
// rows, top row first: width_px x height_px x 3 bytes.
void ReadFramePicture(int width_px, int height_px, uint8_t* rgb_out);

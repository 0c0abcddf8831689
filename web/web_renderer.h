// web_renderer.h -- the browser viewer's frame in WebGL2: the same terrain,
// overlay and gizmo as the native frame, from the same vertex streams,
// material textures and LoRes images, drawn with shaders (terrain_shaders.h)
// instead of the fixed-function combine and display lists.
#pragma once

#include <cstdint>
#include <string>

#include "landscape/lnd_check.h"
#include "geometry/view.h"

// Compiles the shaders once the WebGL2 context is current; false with the
// reason when they do not compile.
bool InitWebRenderer(std::string* errorLine);

// Makes the GPU side of a usable checked landscape (which must outlive it):
// the LoRes images decoded by the project's DXT3 decoder, each block's
// material texture with its mipmap levels, and the vertex streams of the
// first 255 blocks. Gives back what an earlier build made first.
void BuildWebScene(const CheckedLandscape& landscape);
// Gives back every texture of the scene; nothing is drawn after it but sky.
void DestroyWebScene();

// One frame of width_px x height_px seen by `camera`, the landscape's map
// placing the blocks (null: the gizmo over the sky), the overlay when asked.
void DrawWebFrame(const CheckedLandscape* landscape, const CameraView& camera, bool overlay, int width_px,
                  int height_px);

// offscreen_gl.h -- an OpenGL context that draws into a buffer of its own,
// never on screen, for pictures made without the viewer's window. On Linux
// EGL on Mesa's surfaceless platform needs no display server at all (over
// SSH, in CI); on Windows WGL draws into a pbuffer behind a hidden window.
// Desktop OpenGL with the compatibility profile, so fixed-function drawing
// and display lists work as in the viewer's window.
#pragma once

#include <cstdint>
#include <string>

// Opens the context and makes it current. False, with one "ERROR : " line
// naming what is missing, when no such context can be had here.
bool OpenOffscreenContext(std::string* errorLine);

// (Re)creates the picture the context draws into: width_px x height_px, 8-bit
// RGBA colour and a 24-bit depth buffer, bound as the draw and read buffer,
// with the viewport covering it. False, with *errorLine set, when the driver
// refuses that size.
bool SetOffscreenPictureSize(int width_px, int height_px, std::string* errorLine);

// The context's GL functions by name (for InitGraphics).
void* OffscreenGlProcAddress(const char* name);

void CloseOffscreenContext();

// offscreen_gl.cpp -- reading the offscreen picture back, the same on every
// system once the context is current.
#include "platform/offscreen_gl.h"

#include <GL/gl.h>

#include <cstring>
#include <vector>

void ReadOffscreenPicture(int width_px, int height_px, uint8_t* rgb_out) {
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const size_t row = size_t(width_px) * 3;
    std::vector<uint8_t> bottomUp(row * size_t(height_px));
    glReadPixels(0, 0, width_px, height_px, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    // GL's rows run from the bottom up.
    for (int y = 0; y < height_px; ++y)
        std::memcpy(rgb_out + row * size_t(y), bottomUp.data() + row * size_t(height_px - 1 - y), row);
}

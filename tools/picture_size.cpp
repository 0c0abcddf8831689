// picture_size.cpp -- the picture sizes lndtool's drawing commands take.
#include <cstdio>

#include "tools/commands.h"

bool ParsePictureSize(const std::string& text, int* width_px, int* height_px) {
    int w = 0, h = 0, end = -1;
    if (std::sscanf(text.c_str(), "%5dx%5d%n", &w, &h, &end) != 2 || size_t(end) != text.size()) return false;
    if (w < 1 || h < 1 || w > kLargestPictureSide || h > kLargestPictureSide) return false;
    *width_px = w;
    *height_px = h;
    return true;
}


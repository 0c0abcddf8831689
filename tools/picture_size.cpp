// picture_size.cpp -- the picture sizes lndtool's drawing commands take.
#include <cstdio>

#include "tools/commands.h"

namespace {

// Digits only, no sign or space; leading zeros are fine. -1 when not such a
// number or past the largest side.
int Side(const std::string& digits) {
    if (digits.empty()) return -1;
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value > kLargestPictureSide) return -1;
    }
    return int(value);
}

}  // namespace

bool ParsePictureSize(const std::string& text, int* width_px, int* height_px) {
    const size_t x = text.find('x');
    if (x == std::string::npos) return false;
    const int w = Side(text.substr(0, x)), h = Side(text.substr(x + 1));
    if (w < 1 || h < 1) return false;
    *width_px = w;
    *height_px = h;
    return true;
}


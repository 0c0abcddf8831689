// vector3.h -- three floats, the one small value type: a palette colour
// (red, green, blue) or a camera position / rotation.
#pragma once

struct Vector3 {
    float x, y, z;
    // constexpr, so the palette and camera globals are built before any code runs.
    constexpr Vector3(float first, float second, float third) : x(first), y(second), z(third) {}
    constexpr Vector3(const Vector3&) = default;
    constexpr Vector3& operator=(const Vector3&) = default;
};
static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 is handed to GL as three floats");

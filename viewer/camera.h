// camera.h -- the camera state and the pure rules that change it: flying by
// the movement keys, the drag modes of the two mouse buttons, rotation and
// zoom by dragging, with their clamps. The GLUT callbacks (input.cpp) only
// feed events through these.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/vector3.h"
#include "landscape/lnd_check.h"

extern Vector3 CameraPosition;   // world units; the eye circles the point -CameraPosition
extern Vector3 CameraRotation;   // degrees: pitch (about x), yaw (about y), roll (about z)
extern float CameraZoom;         // world units, eye-space z offset, -4096 .. -8 once set

// What dragging does, by the buttons held (the value of DragMode, input.h).
enum DragModeValue : int32_t {
    kDragNone = 0,        // no camera change on motion
    kDragRotate = 1,      // left button: turn
    kDragRightAlone = 2,  // right button alone: motion changes nothing
    kDragZoom = 3,        // both buttons, the second pressed while the first one's mode holds
};

inline float& CameraPitch() { return CameraRotation.x; }
inline float& CameraYaw() { return CameraRotation.y; }
inline float& CameraRoll() { return CameraRotation.z; }

inline constexpr float kFlySpeed = 200.0f;             // world units per second
inline constexpr float kDegreesToRadians = 0.017453292f;
inline constexpr float kZoomPerPixel = 5.0f;
inline constexpr float kPitchMin = 0.0f, kPitchMax = 90.0f;
inline constexpr float kZoomClosest = -8.0f, kZoomFarthest = -4096.0f;

// The six movement keys in the order they are polled: W S A D Q E.
enum MoveKey { kMoveForward, kMoveBackward, kMoveLeft, kMoveRight, kMoveUp, kMoveDown, kMoveKeyCount };
inline constexpr int kMoveKeyCodes[kMoveKeyCount] = {'W', 'S', 'A', 'D', 'Q', 'E'};

// Moves `position` by one held key for a step of `step` world units at the
// given yaw (degrees). Movement is horizontal (W S A D) or vertical (Q E)
// whatever the pitch.
void ApplyMoveKey(MoveKey key, float yawDegrees, float step, Vector3* position);

// Seconds between two clock readings, as the idle step measures them.
float IdleStepSeconds(uint32_t previousMs, uint32_t nowMs);

// What a press or release of a mouse button does to the drag mode, and
// whether the pointer position is stored. Middle and other buttons: no change.
struct DragTransition {
    int32_t mode;
    bool storePointer;
};
DragTransition NextDragMode(int32_t mode, int button, int state);

// Pointer motion of (dx, dy) pixels in drag mode `mode`: rotates or zooms,
// then clamps pitch to 0..90 and zoom to -4096..-8 in every mode but kDragNone.
void ApplyDrag(int32_t mode, int dx, int dy, float* pitch, float* yaw, float* zoom);

// ---------------------------------------------------------------------------
// Whole views: the start view, the camera line, the overview
// ---------------------------------------------------------------------------

// One camera: what the globals above hold.
struct CameraView {
    Vector3 position;  // CameraPosition
    Vector3 rotation;  // CameraRotation: pitch, yaw, roll
    float zoom;        // CameraZoom
};

// Where the camera starts: 500 units from the pivot (-2720, 30, -2560),
// looking down at 45 degrees.
inline constexpr CameraView kStartCamera = {{2720.0f, -30.0f, 2560.0f}, {45.0f, 0.0f, 0.0f}, -500.0f};

CameraView CurrentCamera();
void SetCamera(const CameraView& view);

// The line a middle press prints: "pos : x y z | rot: pitch yaw roll | zoom : z".
std::string CameraLine(const CameraView& view);
// Reads such a line back (any floats, any amount of space between the
// parts); false when it is not one.
bool ParseCameraLine(const std::string& line, CameraView* view);

// The frustum of a picture width_px x height_px. The viewer's 800 x 600
// window shows a square frustum (0.04 at the near plane 0.1 both ways, about
// 43.6 degrees) stretched over 4:3; every other size keeps that look: the
// same vertical field, the width scaled with the picture's aspect, so a
// block has the same proportions at any size. At 800 x 600 the numbers are
// exactly the window's.
struct Frustum {
    double left, right, bottom, top, nearPlane, farPlane;
};
inline constexpr double kNearPlane = 0.1, kFarPlane = 4096.0;
Frustum ViewerFrustum(int width_px, int height_px, double farPlane = kFarPlane);

// Looking straight down on the centre of the placed blocks (nonzero map
// bytes that name a built block; the whole map when there are none), from
// high enough that all of them, up to their highest cell and its overlay,
// fit a picture of width_px x height_px with a 5% margin. `farPlane_out`
// (when not null) gets the far plane that keeps the lowest ground in view;
// it is above 4096 only when the view is farther out than the viewer's zoom
// allows. Needs a usable landscape.
CameraView OverviewCamera(const CheckedLandscape& landscape, int width_px, int height_px,
                          double* farPlane_out = nullptr);

// Button and state numbers as GLUT gives them.
inline constexpr int kLeftButton = 0, kMiddleButton = 1, kRightButton = 2;
inline constexpr int kButtonDown = 0, kButtonUp = 1;

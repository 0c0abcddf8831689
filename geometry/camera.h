// camera.h -- the viewer's camera and the rules that change it: flying by
// the movement keys, the drag modes of the two mouse buttons, turning and
// zooming by dragging and by the wheel, with their clamps, and the views the
// keys jump to. The rules are pure functions; the globals are written only
// by the functions of camera.cpp that apply them, which the GLUT callbacks
// (input.cpp) call.
#pragma once

#include <cstdint>

#include "geometry/vector3.h"
#include "landscape/lnd_check.h"
#include "geometry/view.h"

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

inline float CameraPitch() { return CameraRotation.x; }
inline float CameraYaw() { return CameraRotation.y; }
inline float CameraRoll() { return CameraRotation.z; }

inline constexpr float kFlySpeed = 200.0f;             // world units per second
inline constexpr float kDegreesToRadians = 0.017453292f;
inline constexpr float kZoomPerPixel = 5.0f;
inline constexpr float kPitchMin = 0.0f, kPitchMax = 90.0f;
inline constexpr float kZoomClosest = -8.0f, kZoomFarthest = -4096.0f;

// The six movement keys in the order they are polled: W S A D Q E.
enum MoveKey { kMoveForward, kMoveBackward, kMoveLeft, kMoveRight, kMoveUp, kMoveDown, kMoveKeyCount };
inline constexpr int kMoveKeyCodes[kMoveKeyCount] = {'W', 'S', 'A', 'D', 'Q', 'E'};

// ---------------------------------------------------------------------------
// The rules, on plain values
// ---------------------------------------------------------------------------

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

// The zoom after `steps` notches of the mouse wheel (positive: towards the
// pivot), each 15% closer or farther, within the drag zoom's clamps.
float WheelZoom(float zoom, int steps);

// A view of every placed block, whole, in a window of width_px x height_px
// with the viewer's projection: as steep as it can be (straight down when
// that fits) and no farther out than the zoom clamp allows, with the lowest
// ground inside the far plane. `fits` is false for a map too large for any
// such view: the camera then shows its centre from straight above.
struct Framing {
    CameraView view;
    bool fits;
};
Framing FramingCamera(const CheckedLandscape& landscape, int width_px, int height_px);

// ---------------------------------------------------------------------------
// The camera globals
// ---------------------------------------------------------------------------

CameraView CurrentCamera();
void SetCamera(const CameraView& view);
// The rules above applied to the globals.
void MoveCamera(MoveKey key, float step);
void DragCamera(int32_t mode, int dx, int dy);
void WheelCamera(int steps);

// Button and state numbers as GLUT gives them.
inline constexpr int kLeftButton = 0, kMiddleButton = 1, kRightButton = 2;
inline constexpr int kButtonDown = 0, kButtonUp = 1;

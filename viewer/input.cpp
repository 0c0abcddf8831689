// input.cpp -- GLUT input callbacks; the rules they apply live in camera.cpp.
#include "viewer/input.h"

#include <GL/freeglut.h>

#include <cstdio>

#include "platform/clock.h"
#include "platform/key_state.h"
#include "viewer/camera.h"
#include "viewer/dds_export.h"

int32_t DragMode = kDragNone;
int32_t LastMouseX, LastMouseY;
int32_t WireframeOverlay;

namespace {
uint32_t PreviousIdleTime;       // milliseconds, MillisecondClock reading of the last idle step
bool PreviousIdleTimeSet = false;
}  // namespace

void IdleCallback() {
    if (!PreviousIdleTimeSet) {
        PreviousIdleTime = MillisecondClock();
        PreviousIdleTimeSet = true;
    }
    const uint32_t now = MillisecondClock();
    const float seconds = IdleStepSeconds(PreviousIdleTime, now);
    PreviousIdleTime = now;
    const float step = seconds * kFlySpeed;

    // Each key is polled once, in order, and applied before the next is polled.
    for (int k = 0; k < kMoveKeyCount; ++k)
        if (QueryAsyncKeyState(kMoveKeyCodes[k])) ApplyMoveKey(MoveKey(k), CameraYaw(), step, &CameraPosition);

    glutPostRedisplay();
}

void MouseCallback(int button, int state, int x, int y) {
    if (button == kMiddleButton) {
        if (state == kButtonDown) {
            std::printf("%s\n", CameraLine(CurrentCamera()).c_str());
            std::fflush(stdout);
        }
        return;
    }
    const DragTransition t = NextDragMode(DragMode, button, state);
    DragMode = t.mode;
    if (t.storePointer) {
        LastMouseX = x;
        LastMouseY = y;
    }
}

void MotionCallback(int x, int y) {
    const int dx = x - LastMouseX, dy = y - LastMouseY;
    LastMouseX = x;
    LastMouseY = y;
    ApplyDrag(DragMode, dx, dy, &CameraPitch(), &CameraYaw(), &CameraZoom);
    glutPostRedisplay();
}

void KeyboardCallback(unsigned char key, int, int) {
    // Lower case only: K and L do nothing.
    if (key == 'k') WireframeOverlay = !WireframeOverlay;
    else if (key == 'l') ExportLoResTextures();
}

void KeyDownEvent(unsigned char key, int x, int y) {
    const int virtualKey = VirtualKeyFromChar(key);
    if (KeyStateHeld(virtualKey)) return;  // auto-repeat of a held key
    KeyStateDown(virtualKey);
    KeyboardCallback(key, x, y);
}

void KeyUpEvent(unsigned char key, int, int) { KeyStateUp(VirtualKeyFromChar(key)); }

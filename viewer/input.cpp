// input.cpp -- GLUT input callbacks; the rules they apply live in camera.cpp
// and panels.cpp.
#include "viewer/input.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/key_state.h"
#include "scene/frame.h"
#include "texture/lores_dds.h"
#include "geometry/camera.h"
#include "viewer/edit_mode.h"
#include "viewer/panels.h"
#include "viewer/shown_landscape.h"
#include "viewer/workbench.h"

int32_t DragMode = kDragNone;
int32_t LastMouseX, LastMouseY;
int32_t PointerX, PointerY;
bool PointerInside;
int32_t WireframeOverlay;
bool HelpShown;
bool StatusShown;

namespace {
uint32_t PreviousIdleTime;       // milliseconds, MillisecondClock reading of the last idle step
bool PreviousIdleTimeSet = false;
bool Flying = false;             // the idle step is installed: a movement key is down

bool AnyMoveKeyHeld() {
    for (int k = 0; k < kMoveKeyCount; ++k)
        if (KeyStateHeld(kMoveKeyCodes[k])) return true;
    return false;
}

// The window redraws only while something moves: the idle step runs from a
// movement key's press until no movement key is held. Its clock starts with
// the press, so the first step does not jump by the time spent waiting.
void StartFlying() {
    if (Flying) return;
    Flying = true;
    PreviousIdleTime = MillisecondClock();
    PreviousIdleTimeSet = true;
    glutIdleFunc(IdleCallback);
}

bool IsMoveKey(int virtualKey) {
    for (int code : kMoveKeyCodes)
        if (code == virtualKey) return true;
    return false;
}

constexpr unsigned char kTabKey = 9, kEscapeKey = 27;
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
        if (QueryAsyncKeyState(kMoveKeyCodes[k])) MoveCamera(MoveKey(k), step);

    glutPostRedisplay();
    if (!AnyMoveKeyHeld()) {
        // Nothing moves any more: wait for events instead of spinning.
        Flying = false;
        glutIdleFunc(nullptr);
    }
}

void MouseCallback(int button, int state, int x, int y) {
    if (button == kMiddleButton) {
        if (state == kButtonDown) {
            std::printf("%s\n", CameraLine(CurrentCamera()).c_str());
            std::fflush(stdout);
        }
        return;
    }
    if (EditModeOn && button == kLeftButton) {
        if (state == kButtonDown) BeginBrushStroke(x, y);
        else EndBrushStroke();
        return;
    }
    // In the edit mode the right button turns, as the left one does outside it.
    if (EditModeOn && button == kRightButton) button = kLeftButton;
    const DragTransition t = NextDragMode(DragMode, button, state);
    DragMode = t.mode;
    if (t.storePointer) {
        LastMouseX = x;
        LastMouseY = y;
    }
}

void MotionCallback(int x, int y) {
    PointerX = x, PointerY = y, PointerInside = true;
    if (BrushStroking()) {
        ContinueBrushStroke(x, y);
        glutPostRedisplay();
        return;
    }
    const int dx = x - LastMouseX, dy = y - LastMouseY;
    LastMouseX = x;
    LastMouseY = y;
    DragCamera(DragMode, dx, dy);
    glutPostRedisplay();
}

void KeyboardCallback(unsigned char key, int, int) {
    // Lower case only: K, L and O do nothing.
    if (key == 'k') WireframeOverlay = !WireframeOverlay;
    else if (key == 'l') Say({ExportMessage(ExportLoResTexturesNextTo(Landscape, stdout), Landscape.path.c_str())});
    else if (key == 'o') {
        if (MayDropEdits('o', "o", "open another landscape")) OpenAnotherLandscape();
    } else if (key == 'b') ToggleEditMode();
    else EditModeKey(key);
}

void PassiveMotionCallback(int x, int y) {
    PointerX = x, PointerY = y, PointerInside = true;
    // The readout and the brush's ring follow the pointer; nothing else changes with it.
    if (StatusShown || EditModeOn) glutPostRedisplay();
}

void EntryCallback(int state) {
    PointerInside = state == GLUT_ENTERED;
    if (StatusShown) glutPostRedisplay();
}

TerrainPick PointerPick() {
    const CheckedLandscape* shown = ShownChecked();
    if (!PointerInside || !shown) return TerrainPick();
    return PickTerrain(*shown, CurrentCamera(), glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT),
                       PointerX, PointerY);
}

void KeyDownEvent(unsigned char key, int x, int y) {
    // Control characters (Ctrl+S, Ctrl+Z, ...) are the edits' keys: no
    // movement key among them, and their release may come as the plain letter.
    const bool control = key < 32 && key != kTabKey && key != kEscapeKey && key != '\b' && key != '\r';
    const int virtualKey = VirtualKeyFromChar(key);
    if (!control) {
        if (KeyStateHeld(virtualKey)) return;  // auto-repeat of a held key
        KeyStateDown(virtualKey);
    }
    if (KeyCancelsQuestion(key) || (control && EditControlKey(key, glutGetModifiers()))) {
        glutPostRedisplay();
        return;
    }
    switch (key) {
    case kEscapeKey:
        if (!MayDropEdits(kEscapeKey, "Escape", "quit")) break;
        std::fflush(stdout);
        std::exit(0);
    case kTabKey:
        StatusShown = !StatusShown;
        break;
    case 'h':
        HelpShown = !HelpShown;
        break;
    case 'f':
        if (ShownChecked()) {
            const Framing framing =
                FramingCamera(*ShownChecked(), glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
            SetCamera(framing.view);
            if (!framing.fits) Say({"The landscape is too large to show whole: this is its centre"});
        }
        break;
    default:
        KeyboardCallback(key, x, y);
    }
    if (IsMoveKey(virtualKey)) StartFlying();
    glutPostRedisplay();
}

void SpecialKeyCallback(int key, int, int) {
    if (KeyCancelsQuestion(kSpecialKeyCode + key)) {
        glutPostRedisplay();
        return;
    }
    const int code = kSpecialKeyCode + key;
    switch (key) {
    case GLUT_KEY_F1: HelpShown = !HelpShown; break;
    case GLUT_KEY_HOME: SetCamera(kStartCamera); break;
    case GLUT_KEY_F5:
        if (MayDropEdits(code, "F5", "reload")) ReloadLandscape();
        break;
    case GLUT_KEY_F12: RequestPicture(); break;
    case GLUT_KEY_PAGE_DOWN:
        if (MayDropEdits(code, "Page Down", "open the next landscape")) StepThroughFolder(+1);
        break;
    case GLUT_KEY_PAGE_UP:
        if (MayDropEdits(code, "Page Up", "open the previous landscape")) StepThroughFolder(-1);
        break;
    default: return;
    }
    glutPostRedisplay();
}

void MouseWheelCallback(int, int direction, int, int) {
    WheelCamera(direction);
    glutPostRedisplay();
}

void ReshapeCallback(int width, int height) {
    if (width < 1 || height < 1) return;
    glViewport(0, 0, width, height);
    ApplyProjection(width, height, kFarPlane);
    glutPostRedisplay();
}

void KeyUpEvent(unsigned char key, int, int) { KeyStateUp(VirtualKeyFromChar(key)); }

// The key-state latch, the drag-mode state machine with its clamps, and
// flying by the movement keys.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/key_state.h"
#include "geometry/camera.h"

TEST(KeyState, HeldOrPressedSinceLastQuery) {
    const int w = VirtualKeyFromChar('w');
    EXPECT_EQ(w, 'W');
    EXPECT_EQ(VirtualKeyFromChar('W'), 'W');
    EXPECT_EQ(VirtualKeyFromChar('3'), '3');
    for (int k = 0; k < 256; ++k) QueryAsyncKeyState(k);

    EXPECT_FALSE(QueryAsyncKeyState(w));
    KeyStateDown(w);
    EXPECT_TRUE(KeyStateHeld(w));
    EXPECT_TRUE(QueryAsyncKeyState(w));
    EXPECT_TRUE(QueryAsyncKeyState(w));  // still held
    KeyStateUp(w);
    EXPECT_FALSE(KeyStateHeld(w));
    EXPECT_FALSE(QueryAsyncKeyState(w));

    // A tap between two queries still counts once.
    KeyStateDown(w);
    KeyStateUp(w);
    EXPECT_TRUE(QueryAsyncKeyState(w));
    EXPECT_FALSE(QueryAsyncKeyState(w));

    // Keys are independent; out-of-range codes are ignored.
    KeyStateDown('S');
    EXPECT_FALSE(QueryAsyncKeyState(w));
    EXPECT_TRUE(QueryAsyncKeyState('S'));
    KeyStateUp('S');
    KeyStateDown(300);
    EXPECT_FALSE(QueryAsyncKeyState(300));
    EXPECT_FALSE(QueryAsyncKeyState(-1));
}

TEST(DragMode, TransitionTable) {
    struct Row {
        int32_t before;
        int button, state;
        int32_t after;
        bool store;
    };
    const int L = kLeftButton, R = kRightButton, D = kButtonDown, U = kButtonUp;
    const Row table[] = {
        {0, L, D, 1, true}, {0, L, U, 0, true}, {0, R, D, 2, true}, {0, R, U, 0, true},
        {1, L, D, 1, true}, {1, L, U, 0, true}, {1, R, D, 3, true}, {1, R, U, 1, false},
        {2, L, D, 3, true}, {2, L, U, 2, false}, {2, R, D, 2, true}, {2, R, U, 0, true},
        {3, L, D, 1, true}, {3, L, U, 0, true}, {3, R, D, 2, true}, {3, R, U, 0, true},
    };
    for (const Row& row : table) {
        const DragTransition t = NextDragMode(row.before, row.button, row.state);
        EXPECT_EQ(t.mode, row.after) << row.before << " button " << row.button << " state " << row.state;
        EXPECT_EQ(t.storePointer, row.store) << row.before << " button " << row.button << " state " << row.state;
    }
    for (int32_t mode = 0; mode < 4; ++mode) {
        for (int button : {kMiddleButton, 3, 4}) {
            const DragTransition t = NextDragMode(mode, button, kButtonDown);
            EXPECT_EQ(t.mode, mode);
            EXPECT_FALSE(t.storePointer);
        }
    }
}

TEST(DragMode, RotateZoomAndClamps) {
    float pitch = 45, yaw = 0, zoom = -500;
    ApplyDrag(1, 100, 100, &pitch, &yaw, &zoom);
    EXPECT_EQ(yaw, 100.0f);
    EXPECT_EQ(pitch, 90.0f);  // 145 clamped
    ApplyDrag(1, 0, -200, &pitch, &yaw, &zoom);
    EXPECT_EQ(pitch, 0.0f);

    // Yaw is neither bounded nor wrapped.
    for (int turn = 0; turn < 4; ++turn) ApplyDrag(1, 360, 0, &pitch, &yaw, &zoom);
    EXPECT_EQ(yaw, 1540.0f);

    // Right button alone: no change.
    pitch = 45, yaw = 0, zoom = -500;
    ApplyDrag(2, 50, 50, &pitch, &yaw, &zoom);
    EXPECT_EQ(pitch, 45.0f);
    EXPECT_EQ(yaw, 0.0f);
    EXPECT_EQ(zoom, -500.0f);

    // Zoom: 10 pixels down moves the eye 50 units away; clamped at both ends.
    ApplyDrag(3, 7, 10, &pitch, &yaw, &zoom);
    EXPECT_EQ(zoom, -550.0f);
    EXPECT_EQ(yaw, 0.0f);
    ApplyDrag(3, 0, -1000, &pitch, &yaw, &zoom);
    EXPECT_EQ(zoom, -8.0f);
    ApplyDrag(3, 0, 10000, &pitch, &yaw, &zoom);
    EXPECT_EQ(zoom, -4096.0f);

    // Mode 0 does not even clamp; other modes clamp values set elsewhere.
    pitch = 120, zoom = 0;
    ApplyDrag(0, 5, 5, &pitch, &yaw, &zoom);
    EXPECT_EQ(pitch, 120.0f);
    EXPECT_EQ(zoom, 0.0f);
    ApplyDrag(2, 0, 0, &pitch, &yaw, &zoom);
    EXPECT_EQ(pitch, 90.0f);
    EXPECT_EQ(zoom, -8.0f);

    // The bounds themselves pass unchanged.
    pitch = 0, zoom = -4096;
    ApplyDrag(2, 0, 0, &pitch, &yaw, &zoom);
    EXPECT_EQ(pitch, 0.0f);
    EXPECT_EQ(zoom, -4096.0f);
}

TEST(Flying, OneSecondOfEachKeyAtYaw0And90) {
    const float step = 1.0f * kFlySpeed;
    auto fly = [&](MoveKey key, float yaw) {
        Vector3 p(2720.0f, -30.0f, 2560.0f);
        ApplyMoveKey(key, yaw, step, &p);
        return p;
    };
    Vector3 p = fly(kMoveForward, 0);
    EXPECT_FLOAT_EQ(p.x, 2720.0f);
    EXPECT_FLOAT_EQ(p.z, 2760.0f);
    p = fly(kMoveForward, 90);
    EXPECT_NEAR(p.x, 2520.0f, 1e-3);
    EXPECT_NEAR(p.z, 2560.0f, 1e-3);
    p = fly(kMoveBackward, 0);
    EXPECT_FLOAT_EQ(p.z, 2360.0f);
    p = fly(kMoveLeft, 0);
    EXPECT_NEAR(p.x, 2920.0f, 1e-3);
    EXPECT_NEAR(p.z, 2560.0f, 1e-3);
    p = fly(kMoveRight, 0);
    EXPECT_NEAR(p.x, 2520.0f, 1e-3);
    p = fly(kMoveUp, 0);
    EXPECT_FLOAT_EQ(p.y, -230.0f);
    p = fly(kMoveDown, 37);
    EXPECT_FLOAT_EQ(p.y, 170.0f);
    EXPECT_FLOAT_EQ(p.x, 2720.0f);

    // Opposite keys cancel within float precision.
    Vector3 q(100.0f, 5.0f, -40.0f);
    for (MoveKey k : {kMoveForward, kMoveBackward, kMoveLeft, kMoveRight, kMoveUp, kMoveDown})
        ApplyMoveKey(k, 33.0f, 17.0f, &q);
    EXPECT_NEAR(q.x, 100.0f, 1e-3);
    EXPECT_NEAR(q.y, 5.0f, 1e-3);
    EXPECT_NEAR(q.z, -40.0f, 1e-3);
}

TEST(Flying, IdleStepSecondsAcrossTheClockWrap) {
    EXPECT_FLOAT_EQ(IdleStepSeconds(1000, 1250), 0.25f);
    EXPECT_FLOAT_EQ(IdleStepSeconds(0xFFFFFF00u, 0x00000064u), 0.356f);
    EXPECT_EQ(IdleStepSeconds(5, 5), 0.0f);
    EXPECT_EQ(MillisecondsBetween(0xFFFFFFFFu, 1u), 2u);
    const uint32_t a = MillisecondClock(), b = MillisecondClock();
    EXPECT_LT(MillisecondsBetween(a, b), 1000u);
}

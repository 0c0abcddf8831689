"""Camera and input of the real lndview: mouse drags turn and zoom the
camera, the movement keys fly it, `k` switches the wireframe overlay; the
camera line printed on a middle-button press shows the camera state."""

import os
import time
import unittest

from lndfile import LandscapeFile
from lndwin import WindowTestCase, differing_pixels, parse_camera_line, same_picture

START_LINE = "pos : 2720.000000 -30.000000 2560.000000 | rot: 45.000000 0.000000 0.000000 | zoom : -500.000000"
START = parse_camera_line(START_LINE)
X, Y, Z, PITCH, YAW, ROLL, ZOOM = range(7)

LEFT, MIDDLE, RIGHT = 1, 2, 3

# Flying speed in world units per second. A key held for about a second
# must move the camera by roughly this much; the bounds are wide because
# key press and release reach the viewer with some delay.
FLY_SPEED = 200.0
HOLD_SECONDS = 1.0
LOW, HIGH = FLY_SPEED * HOLD_SECONDS / 2, FLY_SPEED * HOLD_SECONDS * 2
OPPOSITE_SKEW = 40.0


def with_changes(camera, **changes):
    """camera with some of its seven values replaced (x, y, z, pitch, yaw, roll, zoom)."""
    names = ("x", "y", "z", "pitch", "yaw", "roll", "zoom")
    return tuple(changes.get(n, v) for n, v in zip(names, camera))


class InputTestCase(WindowTestCase):
    def setUp(self):
        super().setUp()
        self.landscape = self.write_landscape("view.lnd", LandscapeFile.small())
        self.viewer = self.start(self.landscape)
        self.viewer.wait_loaded()
        self.viewer.window()
        self.viewer.move(400, 300)  # the keyboard follows the pointer

    def drag_to(self, x, y):
        self.viewer.move(x, y)

    def assertCamera(self, expected, msg=None):
        self.assertEqual(self.viewer.camera(), expected, msg)


class MouseTest(InputTestCase):
    def test_camera_line_right_after_start(self):
        self.assertEqual(self.viewer.camera_line(), START_LINE)
        # Moving the pointer without a button changes nothing.
        self.viewer.move(100, 500)
        self.assertEqual(self.viewer.camera_line(), START_LINE)

    def test_left_drag_turns_and_clamps_pitch(self):
        v = self.viewer
        v.move(300, 200)
        v.press(LEFT)
        self.drag_to(400, 300)  # 100 right, 100 down
        v.release(LEFT)
        self.assertCamera(with_changes(START, yaw=100.0, pitch=90.0))

        v.press(LEFT)
        self.drag_to(400, 100)  # 200 up: past the horizontal
        self.assertCamera(with_changes(START, yaw=100.0, pitch=0.0))
        self.drag_to(380, 110)  # the clamp holds no debt: 10 down is 10 degrees
        self.assertCamera(with_changes(START, yaw=80.0, pitch=10.0))
        v.release(LEFT)

    def test_yaw_grows_without_wrapping(self):
        v = self.viewer
        for stroke in (700, 700, 40):  # four full turns
            v.move(50, 300)
            v.press(LEFT)
            self.drag_to(50 + stroke, 300)
            v.release(LEFT)
        self.assertCamera(with_changes(START, yaw=1440.0))

    def test_middle_press_during_a_drag_prints_and_the_drag_goes_on(self):
        v = self.viewer
        v.move(200, 300)
        v.press(LEFT)
        self.drag_to(220, 300)
        self.assertCamera(with_changes(START, yaw=20.0))
        self.drag_to(250, 290)
        v.release(LEFT)
        self.assertCamera(with_changes(START, yaw=50.0, pitch=35.0))

    def test_right_button_alone_changes_nothing(self):
        v = self.viewer
        v.move(300, 200)
        v.press(RIGHT)
        self.drag_to(450, 350)
        self.drag_to(100, 50)
        v.release(RIGHT)
        self.assertEqual(v.camera_line(), START_LINE)

    def test_both_buttons_zoom(self):
        v = self.viewer
        v.move(400, 200)
        v.press(LEFT)
        v.press(RIGHT)
        self.drag_to(400, 210)  # 10 down: 50 units further away
        self.assertCamera(with_changes(START, zoom=-550.0))
        v.release(RIGHT)
        v.release(LEFT)

        # Right first, then left: the same zoom.
        v.press(RIGHT)
        v.press(LEFT)
        self.drag_to(430, 190)  # 20 up: 100 units closer; sideways changes nothing
        self.assertCamera(with_changes(START, zoom=-450.0))
        v.release(LEFT)
        v.release(RIGHT)

    def test_zoom_clamps_at_both_ends(self):
        v = self.viewer
        v.move(400, 500)
        v.press(LEFT)
        v.press(RIGHT)
        self.drag_to(400, 100)  # 400 up: 2000 closer than -500
        self.assertCamera(with_changes(START, zoom=-8.0))
        self.drag_to(400, 102)
        self.assertCamera(with_changes(START, zoom=-18.0))
        v.release(RIGHT)
        v.release(LEFT)

        for top in (10, 10):  # two strokes of 580 pixels down: 5800 further away
            v.move(400, top)
            v.press(LEFT)
            v.press(RIGHT)
            self.drag_to(400, top + 580)
            v.release(RIGHT)
            v.release(LEFT)
        self.assertCamera(with_changes(START, zoom=-4096.0))

        v.press(LEFT)
        v.press(RIGHT)
        self.drag_to(400, 588)  # 2 up from the far end
        self.assertCamera(with_changes(START, zoom=-4086.0))
        v.release(RIGHT)
        v.release(LEFT)

    def test_releasing_left_while_zooming_ends_dragging(self):
        v = self.viewer
        v.move(400, 200)
        v.press(LEFT)
        v.press(RIGHT)
        self.drag_to(400, 210)
        v.release(LEFT)  # right still held
        self.drag_to(450, 260)
        self.assertCamera(with_changes(START, zoom=-550.0))
        v.press(LEFT)  # left again: it turns, it does not zoom
        self.drag_to(460, 260)
        self.assertCamera(with_changes(START, zoom=-550.0, yaw=10.0))
        v.release(LEFT)
        v.release(RIGHT)

    def test_releasing_right_while_zooming_ends_dragging(self):
        v = self.viewer
        v.move(400, 200)
        v.press(LEFT)
        v.press(RIGHT)
        self.drag_to(400, 190)
        v.release(RIGHT)  # left still held
        self.drag_to(450, 240)
        self.assertCamera(with_changes(START, zoom=-450.0))
        v.press(RIGHT)  # right again: its own mode, which changes nothing
        self.drag_to(470, 280)
        self.assertCamera(with_changes(START, zoom=-450.0))
        v.release(RIGHT)
        v.release(LEFT)


class KeyboardTest(InputTestCase):
    def hold(self, *keys):
        """Holds keys (xdotool names, "+" joins) down for about a second.
        One xdotool call presses them all and one releases them all, in the
        same order, so that no key is held much longer than another."""
        self.xvfb.xdotool("keydown", "--delay", 0, *keys)
        time.sleep(HOLD_SECONDS)
        self.xvfb.xdotool("keyup", "--delay", 0, *keys)

    def assertMoved(self, before, after, axis, sign):
        moved = (after[axis] - before[axis]) * sign
        self.assertTrue(LOW <= moved <= HIGH, "moved %.3f along axis %d: %s -> %s" % (moved, axis, before, after))

    def test_w_flies_forward_and_shift_makes_no_difference(self):
        for key in ("w", "shift+w"):
            with self.subTest(key=key):
                before = self.viewer.camera()
                self.hold(key)
                after = self.viewer.camera()
                self.assertMoved(before, after, Z, +1)
                self.assertEqual(after[X], before[X])
                self.assertEqual(after[Y], before[Y])
                self.assertEqual(after[PITCH:], before[PITCH:])

    def test_w_follows_the_yaw(self):
        v = self.viewer
        v.move(300, 300)
        v.press(LEFT)
        self.drag_to(390, 300)  # yaw 90
        v.release(LEFT)
        before = v.camera()
        self.assertEqual(before, with_changes(START, yaw=90.0))
        self.hold("w")
        after = v.camera()
        self.assertMoved(before, after, X, -1)
        self.assertAlmostEqual(after[Z], before[Z], delta=1.0)
        self.assertEqual(after[Y], before[Y])

    def test_sideways_and_vertical_keys(self):
        before = self.viewer.camera()
        self.hold("a", "q")
        after = self.viewer.camera()
        self.assertMoved(before, after, X, +1)  # a: to the left, x grows
        self.assertMoved(before, after, Y, -1)  # q: up, y falls
        self.assertAlmostEqual(after[Z], before[Z], delta=1.0)

        before = after
        self.hold("d", "e")
        after = self.viewer.camera()
        self.assertMoved(before, after, X, -1)
        self.assertMoved(before, after, Y, +1)
        self.assertAlmostEqual(after[Z], before[Z], delta=1.0)

    def test_opposite_keys_cancel(self):
        before = self.viewer.camera()
        self.hold("w", "s")
        self.hold("a", "d")
        self.hold("q", "e")
        after = self.viewer.camera()
        # Two keys of one xdotool call still reach the viewer a little apart
        # on a busy machine, and a late auto-repeat of a key can count as
        # one more press of it (one idle step); OPPOSITE_SKEW allows for
        # that, far below the FLY_SPEED that one key alone moves the camera.
        for axis in (X, Y, Z):
            self.assertAlmostEqual(after[axis], before[axis], delta=OPPOSITE_SKEW)
        self.assertEqual(after[PITCH:], before[PITCH:])


class OverlayTest(InputTestCase):
    def key(self, name):
        """Types one key and waits until the viewer has handled it (the
        camera line of a middle click that follows it shows up). Keys
        typed back to back could otherwise reach the viewer with one time
        stamp, and a release and press of one key with one time stamp
        count as a key repeat, which the viewer ignores."""
        self.xvfb.xdotool("key", name)
        self.assertEqual(self.viewer.camera_line(), START_LINE)

    def test_k_toggles_the_overlay_and_K_and_L_do_nothing(self):
        v = self.viewer
        printed = v.text()
        plain = v.stable_shot()

        self.key("k")
        v.wait_for_picture(lambda shot: not same_picture(shot, plain), what="the overlay to appear")
        overlay = v.stable_shot()
        self.assertGreater(differing_pixels(plain, overlay), 1000)

        self.key("k")
        v.wait_for_picture(lambda shot: same_picture(shot, plain), what="the overlay to go")

        # Were K a toggle too, K then k would leave the overlay off.
        self.key("K")
        self.key("k")
        v.wait_for_picture(lambda shot: same_picture(shot, overlay), what="the overlay after K and k")
        self.key("L")
        self.key("k")
        v.wait_for_picture(lambda shot: same_picture(shot, plain), what="no overlay after L and k")

        # None of these keys prints anything or writes a file.
        self.assertEqual(v.text(), printed + (START_LINE + "\n") * 6)
        self.assertEqual(sorted(f for f in os.listdir(self.tmp) if not f.startswith(("transcript-", "stderr-"))),
                         ["view.lnd"])
        self.assertTrue(v.running())


if __name__ == "__main__":
    unittest.main()

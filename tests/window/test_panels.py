"""The window talks to its user: help and status panels that change pixels
only where they stand and leave the frame exactly as it was when they go,
messages that come and go, the reason a landscape cannot be shown, Escape,
Home, f, the mouse wheel, resizing, the window's class, and a window that
uses no processor time while nothing changes."""

import os

import time
import unittest

from lndfile import Block, Country, LandscapeFile, LoRes, Material
from lndwin import EVENT_TIMEOUT, WindowTestCase, same_picture, wait_until

START_LINE = "pos : 2720.000000 -30.000000 2560.000000 | rot: 45.000000 0.000000 0.000000 | zoom : -500.000000"
ZOOM = 6
GLYPH_WIDTH, LINE_HEIGHT, MARGIN, PADDING = 9, 17, 8, 6


def changed_box(a, b):
    """(left, top, right, bottom) of the pixels that differ, or None."""
    from PIL import ImageChops
    return ImageChops.difference(a, b).getbbox()


def wrap(text, columns):
    """The viewer's wrapping: at spaces, words longer than a line cut."""
    lines, line = [], ""
    for word in text.split(" "):
        if not word:
            continue
        while len(word) > columns:
            if line:
                lines.append(line)
                line = ""
            lines.append(word[:columns])
            word = word[columns:]
        if not word:
            continue
        if not line:
            line = word
        elif len(line) + 1 + len(word) <= columns:
            line += " " + word
        else:
            lines.append(line)
            line = word
    if line or not lines:
        lines.append(line)
    return lines


class PanelTestCase(WindowTestCase):
    def open(self, land=None, name="view.lnd"):
        path = self.write_landscape(name, land or LandscapeFile.small())
        viewer = self.start(path)
        viewer.wait_loaded()
        viewer.window()
        viewer.move(400, 300)  # the keyboard follows the pointer
        return viewer

    def key(self, viewer, name):
        """Types a key and waits until the viewer has handled it."""
        before = len(viewer.camera_lines())
        self.xvfb.xdotool("key", name)
        # A middle click after it prints once the key is handled.
        viewer.xvfb.xdotool("click", 2)
        viewer.wait_for_count(lambda line: line.startswith("pos : "), before + 1, what="the key to be handled")


class ToggleTest(PanelTestCase):
    def check_toggle(self, key, corner):
        viewer = self.open()
        plain = viewer.stable_shot()
        self.key(viewer, key)
        shown = viewer.wait_for_picture(lambda s: not same_picture(s, plain), what="the panel of " + key)
        shown = viewer.stable_shot()
        left, top, right, bottom = changed_box(plain, shown)
        # Only inside a box in its corner.
        if corner == "top left":
            self.assertEqual((left, top), (MARGIN, MARGIN))
        else:
            self.assertEqual(left, MARGIN)
            self.assertEqual(bottom, 600 - MARGIN)
        self.assertLess((right - left) * (bottom - top), 800 * 600 / 2)
        # The box is dark: every changed pixel outside the text is darkened.
        self.key(viewer, key)
        viewer.wait_for_picture(lambda s: same_picture(s, plain), what="the frame as before " + key)
        return viewer, plain, shown

    def test_f1_and_h_show_the_help_in_the_top_left_corner(self):
        for key in ("F1", "h"):
            with self.subTest(key=key):
                viewer, _, shown = self.check_toggle(key, "top left")
                # Nineteen control lines.
                _, top, _, bottom = changed_box(viewer.stable_shot(), shown)
                self.assertEqual(bottom - top, 19 * LINE_HEIGHT + 2 * PADDING)
                viewer.stop()

    def test_tab_shows_the_status_lines_at_the_bottom(self):
        # What the pointer is over, the file and its counts, the camera.
        viewer, _, shown = self.check_toggle("Tab", "bottom left")
        _, top, _, bottom = changed_box(viewer.stable_shot(), shown)
        self.assertEqual(bottom - top, 3 * LINE_HEIGHT + 2 * PADDING)

    def test_the_legend_joins_the_help_while_the_overlay_is_on(self):
        land = LandscapeFile.small(blocks=3, countries=3, materials=4, lores=1)
        viewer = self.open(land)
        self.key(viewer, "k")
        with_overlay = viewer.stable_shot()
        self.key(viewer, "h")
        shown = viewer.wait_for_picture(lambda s: not same_picture(s, with_overlay), what="the help")
        shown = viewer.stable_shot()
        left, top, right, bottom = changed_box(with_overlay, shown)
        # The controls, an empty line, the columns' heading and one line per country.
        self.assertEqual(bottom - top, (19 + 2 + 3) * LINE_HEIGHT + 2 * PADDING)
        # Each country's swatch in its palette colour: red, green, blue.
        for row, colour in enumerate([(255, 0, 0), (0, 255, 0), (0, 0, 255)]):
            y = MARGIN + PADDING + (21 + row) * LINE_HEIGHT + 7
            self.assertEqual(shown.getpixel((MARGIN + PADDING + 5, y)), colour)


class MessageTest(PanelTestCase):
    def test_the_export_says_what_it_wrote_for_a_few_seconds(self):
        land = LandscapeFile.small(lores=3)
        viewer = self.open(land)
        plain = viewer.stable_shot()
        self.key(viewer, "l")
        shown = viewer.wait_for_picture(lambda s: not same_picture(s, plain), what="the export message")
        left, top, right, _ = changed_box(plain, shown)
        message = "3 DDS files written next to view.lnd"
        self.assertEqual(right, 800 - MARGIN)
        self.assertEqual(top, MARGIN)
        self.assertEqual(right - left, len(message) * GLYPH_WIDTH + 2 * PADDING)
        # It goes by itself, and the frame is as it was.
        viewer.wait_for_picture(lambda s: same_picture(s, plain), timeout=EVENT_TIMEOUT,
                                what="the message to go")
        self.assertIn("Exporting LoResTextures....\n", viewer.text())

    def test_warnings_show_after_loading_and_go(self):
        land = LandscapeFile.small(lores=2)
        land.lores[1].width = 128
        viewer = self.open(land, "warned.lnd")
        warning = [line for line in viewer.lines() if line.startswith("WARNING : ")]
        self.assertEqual(len(warning), 1)
        # The warning is up for 5 s after loading; then the frame is bare.
        first = viewer.stable_shot()
        columns = (800 // 2 - 2 * MARGIN - 2 * PADDING) // GLYPH_WIDTH
        lines = wrap(warning[0], columns)
        final = viewer.wait_for_picture(lambda s: changed_box(first, s) is not None, timeout=EVENT_TIMEOUT,
                                        what="the warning to go")
        left, top, right, bottom = changed_box(first, final)
        self.assertEqual((top, right), (MARGIN, 800 - MARGIN))
        self.assertEqual(bottom - top, len(lines) * LINE_HEIGHT + 2 * PADDING)


class FailedLoadTest(PanelTestCase):
    def check_fault(self, path, line):
        viewer = self.start(path)
        viewer.window()
        viewer.wait_for_line(lambda l: l.startswith("ERROR : "))
        shot = viewer.stable_shot()
        lines = wrap(line, (800 - 2 * MARGIN - 2 * PADDING) // GLYPH_WIDTH) + ["", "Press Escape to quit"]
        # A dark box in the top left corner, as high as the wrapped text.
        dark = [(x, y) for x in range(MARGIN, 400) for y in range(MARGIN, MARGIN + 4)]
        self.assertTrue(all(max(shot.getpixel(p)) < 120 for p in dark))
        height = len(lines) * LINE_HEIGHT + 2 * PADDING
        self.assertLess(max(shot.getpixel((MARGIN + 2, MARGIN + height - 2))), 120)
        self.assertGreater(max(shot.getpixel((MARGIN + 2, MARGIN + height + 2))), 200)  # the sky below it
        # White text in it, on every line that has any.
        for row, text in enumerate(lines):
            band = [shot.getpixel((x, y)) for x in range(MARGIN + PADDING, MARGIN + PADDING + 9 * max(len(text), 1))
                    for y in range(MARGIN + PADDING + row * LINE_HEIGHT, MARGIN + PADDING + (row + 1) * LINE_HEIGHT)]
            white = sum(1 for p in band if min(p) > 200)
            if text:
                self.assertGreater(white, 3 * len(text.replace(" ", "")), "line %d: %r" % (row, text))
            else:
                self.assertEqual(white, 0)
        self.xvfb.xdotool("key", "Escape")
        self.assertEqual(viewer.wait_exit(), 0)

    def test_a_missing_file(self):
        path = self.path("missing.lnd")
        self.check_fault(path, "ERROR : Unable to Open Specified File %s : No such file or directory" % path)

    def test_a_damaged_file(self):
        path = self.write_landscape("short.lnd", LandscapeFile.small(), truncate_to=70000)
        need = len(LandscapeFile.small().to_bytes())
        self.check_fault(path, "ERROR : %s : file too short: the counts need %d bytes, found 70000" % (path, need))


class ControlTest(PanelTestCase):
    def test_escape_quits_with_status_0_and_the_console_complete(self):
        viewer = self.open()
        self.xvfb.xdotool("click", 2)
        viewer.wait_for_line(lambda l: l.startswith("pos : "))
        self.xvfb.xdotool("key", "Escape")
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertTrue(viewer.text().endswith("Wireframe cells rendered\n" + START_LINE + "\n"))

    def test_home_returns_to_the_start_camera(self):
        viewer = self.open()
        viewer.press(1)
        viewer.move(470, 340)
        viewer.release(1)
        self.assertNotEqual(viewer.camera_line(), START_LINE)
        self.key(viewer, "Home")
        self.assertEqual(viewer.camera_line(), START_LINE)

    def test_the_wheel_zooms_within_the_clamps(self):
        viewer = self.open()
        self.xvfb.xdotool("click", 4)  # towards the pivot
        nearer = viewer.camera()[ZOOM]
        self.assertGreater(nearer, -500)
        self.xvfb.xdotool("click", "--repeat", 40, "--delay", 5, 4)
        self.assertEqual(viewer.camera()[ZOOM], -8.0)
        self.xvfb.xdotool("click", "--repeat", 80, "--delay", 5, 5)
        self.assertEqual(viewer.camera()[ZOOM], -4096.0)

    def test_f_frames_the_whole_landscape_from_above(self):
        viewer = self.open()
        self.key(viewer, "f")
        x, y, z, pitch, yaw, roll, zoom = viewer.camera()
        # Row 0 at the top of the picture, as lndtool info prints the map.
        self.assertEqual((pitch, yaw, roll), (90.0, 180.0, 0.0))
        # LandscapeFile.small places two blocks at row 16, columns 16 and 17.
        self.assertEqual((x, z), (2720.0, 2640.0))
        self.assertTrue(-4096 <= zoom <= -8)

    def test_resizing_keeps_a_blocks_proportions(self):
        land = LandscapeFile(blocks=[Block(altitude=30)], countries=[Country()], materials=[Material(33289)],
                             lores=[LoRes((248, 0, 0))])
        land.place(1, 16, 17)
        viewer = self.open(land)
        red = lambda shot: [(x, y) for x in range(0, shot.size[0], 2) for y in range(0, shot.size[1], 2)
                            if shot.getpixel((x, y))[0] > 200 and shot.getpixel((x, y))[2] < 80]

        def box(shot):
            points = red(shot)
            xs, ys = [p[0] for p in points], [p[1] for p in points]
            return max(xs) - min(xs), max(ys) - min(ys)

        width, height = box(viewer.stable_shot())
        self.xvfb.xdotool("windowsize", "--sync", viewer.window(), 1200, 600)
        wait_until(lambda: viewer.geometry()[2:] == (1200, 600), EVENT_TIMEOUT, "the window to be 1200 x 600")
        wide = viewer.wait_for_picture(lambda s: s.size == (1200, 600) and red(s), what="the wider frame")
        wide = viewer.stable_shot()
        # The same vertical field: the block keeps its size and shape.
        wide_width, wide_height = box(wide)
        self.assertAlmostEqual(wide_width, width, delta=4)
        self.assertAlmostEqual(wide_height, height, delta=4)

    def test_the_window_class_names_the_program(self):
        viewer = self.open()
        out = self.xvfb.run("xprop", "-id", str(viewer.window()), "WM_CLASS")
        self.assertEqual(out.strip(), 'WM_CLASS(STRING) = "lndview", "Lndview"')


class IdleTest(PanelTestCase):
    def cpu_seconds(self, pid):
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = int(fields[11]) + int(fields[12])  # utime and stime
        return ticks / os.sysconf("SC_CLK_TCK")

    def test_an_untouched_window_uses_no_processor_time(self):
        # Also in the edit mode, with the brush's ring drawn under the pointer.
        for keys in ((), ("b",)):
            with self.subTest(keys=keys):
                viewer = self.open()
                viewer.stable_shot()
                for key in keys:
                    self.key(viewer, key)
                viewer.stable_shot()
                before = self.cpu_seconds(viewer.proc.pid)
                time.sleep(10)
                used = self.cpu_seconds(viewer.proc.pid) - before
                print("\nidle %s: %.3f s of processor time in 10 s" % (" ".join(keys) or "view", used))
                self.assertLess(used, 0.1, "more than 1%% of a core while idle: %.3f s in 10 s" % used)
                viewer.stop()

    def test_flying_still_moves_and_stops_when_the_key_goes_up(self):
        viewer = self.open()
        self.xvfb.xdotool("keydown", "w")
        time.sleep(1.0)
        self.xvfb.xdotool("keyup", "w")
        moved = viewer.camera()
        self.assertGreater(moved[2] - 2560, 100)
        # A pause does not make the next flight jump.
        time.sleep(2.0)
        self.xvfb.xdotool("key", "--delay", 0, "w")
        after_tap = viewer.camera()
        self.assertLess(after_tap[2] - moved[2], 40)
        before = self.cpu_seconds(viewer.proc.pid)
        time.sleep(3)
        self.assertLess(self.cpu_seconds(viewer.proc.pid) - before, 0.05)


if __name__ == "__main__":
    unittest.main()

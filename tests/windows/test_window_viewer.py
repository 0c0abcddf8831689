"""lndview.exe under Wine: the transcript of the default sample against the
Linux build's, the window's title and size, `k`, the camera line of a middle
click, a held W read through GetAsyncKeyState, the `l` export twice, Escape,
and landscape paths around Windows' 259-character limit."""

import os
import unittest

from lndfile import dds_of_record
from lndwin import WINDOW_SIZE, WINDOW_TITLE, Viewer, Xvfb, differing_pixels, parse_camera_line, same_picture
from test_startup import load_transcript, path_of_length
from winelnd import WineWindowTestCase, linux_program, run_tool

START_LINE = "pos : 2720.000000 -30.000000 2560.000000 | rot: 45.000000 0.000000 0.000000 | zoom : -500.000000"
EXPORT_LINE = "Exporting LoResTextures...."
SAMPLE_COUNTS = (254, 5, 8, 16)


class SampleTest(WineWindowTestCase):
    """One viewer on the default sample for several checks."""

    def make_sample(self):
        folder = self.path("lands")
        os.makedirs(folder)
        path = os.path.join(folder, "sample.lnd")
        result = run_tool("make-sample", path)
        self.assertEqual(result.returncode, 0, result.stderr)
        return path

    def test_transcript_equals_the_linux_build_and_line_ends_are_crlf(self):
        path = self.make_sample()
        viewer = self.start(path)
        viewer.wait_loaded(timeout=120)
        expected = load_transcript(path, *SAMPLE_COUNTS)
        self.assertEqual(viewer.text(), expected)
        # The program prints "\n"; the console stream makes every one "\r\n".
        raw = viewer.raw_text()
        self.assertEqual(raw.count(b"\n"), raw.count(b"\r\n"))
        self.assertEqual(raw.count(b"\r\n"), expected.count("\n"))
        self.assertEqual(viewer.escape(), 0)

        # The Linux build on the same file prints the same text.
        linux = linux_program("LNDVIEW_LINUX", "lndview")
        with Xvfb() as screen:
            native = Viewer(screen, [path], self.tmp, program=linux)
            try:
                native.wait_loaded(timeout=120)
                self.assertEqual(native.text(), viewer.text())
            finally:
                native.stop()

    def test_window_title_size_k_camera_line_flying_export_and_escape(self):
        path = self.make_sample()
        folder = os.path.dirname(path)
        viewer = self.start(path)
        viewer.wait_loaded(timeout=120)
        viewer.window()
        self.assertEqual(viewer.name(), WINDOW_TITLE)
        left, top, width, height = viewer.geometry()
        self.assertEqual((width, height), WINDOW_SIZE)
        # Windows places the frame at (50, 50); the picture starts inside
        # its left border and under its title bar.
        self.assertTrue(50 <= left <= 60 and 50 <= top <= 90, (left, top))

        # The window shows what lndtool.exe renders, pixel for pixel.
        from PIL import Image

        render = self.path("render.png")
        result = run_tool("render", path, "--out", render)
        self.assertEqual(result.returncode, 0, result.stderr)
        with Image.open(render) as picture:
            self.assertEqual(differing_pixels(viewer.stable_shot(), picture.convert("RGB")), 0)

        viewer.move(400, 300)
        viewer.focus()
        self.assertEqual(viewer.camera_line(), START_LINE)

        # k lays the wireframe over the terrain, and k again takes it away.
        plain = viewer.stable_shot()
        viewer.xvfb.xdotool("key", "k")
        overlay = viewer.wait_for_picture(lambda shot: not same_picture(shot, plain), what="the wireframe")
        self.assertGreater(differing_pixels(plain, overlay), 1000)
        viewer.xvfb.xdotool("key", "k")
        viewer.wait_for_picture(lambda shot: same_picture(shot, plain), what="the picture without wireframe")

        # A held W flies forward: the idle step asks GetAsyncKeyState.
        viewer.xvfb.xdotool("keydown", "w")
        viewer.xvfb.run("sleep", "1")
        viewer.xvfb.xdotool("keyup", "w")
        moved = parse_camera_line(viewer.camera_line())
        start = parse_camera_line(START_LINE)
        self.assertEqual(moved[0], start[0])
        self.assertGreater(moved[2] - start[2], 50.0, moved)
        self.assertLess(moved[2] - start[2], 600.0, moved)

        # l twice: the second export replaces the first.
        with open(path, "rb") as f:
            data = f.read()
        names = ["%s-%d.dds" % (path, i) for i in range(SAMPLE_COUNTS[3])]
        for press in range(2):
            before = len(viewer.lines())
            viewer.xvfb.xdotool("key", "l")
            viewer.camera_line()  # handled after the key, so the export is complete
            self.assertEqual(viewer.lines()[before:-1], [EXPORT_LINE], "press %d" % (press + 1))
            self.assertEqual(sorted(os.listdir(folder)),
                             sorted(["sample.lnd"] + [os.path.basename(n) for n in names]))
            for i, name in enumerate(names):
                with open(name, "rb") as f:
                    self.assertTrue(f.read() == dds_of_record(data, i), "%s, press %d" % (name, press + 1))
            if press == 0:
                with open(names[0], "wb") as f:
                    f.write(b"stale")
                with open(names[5], "r+b") as f:
                    f.write(b"XXXX")
        self.assertTrue(viewer.running())
        self.assertEqual(viewer.escape(), 0)


class CloseTest(WineWindowTestCase):
    def test_closing_the_window_ends_the_program_with_status_0(self):
        from lndfile import LandscapeFile

        path = LandscapeFile.small().write(self.path("small.lnd"))
        viewer = self.start(path)
        viewer.wait_loaded()
        viewer.window()
        # The window manager's close, which Wine hands to the window as WM_CLOSE.
        viewer.close_window()
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertEqual(viewer.text(), load_transcript(path, 2, 2, 3, 1))


class LongPathTest(WineWindowTestCase):
    """Windows opens paths of up to 259 characters; a longer one is refused
    by name, before any window, rather than reported as a missing file."""

    def test_259_characters_load_and_260_are_refused(self):
        from lndfile import LandscapeFile

        land = LandscapeFile.small()
        fits = path_of_length(self.tmp, 259)
        land.write(fits)
        viewer = self.start(fits)
        viewer.wait_loaded()
        self.assertTrue(viewer.text().startswith("Loading Landscape %s ...\n\nNumber of Blocks" % fits),
                        viewer.text()[:400])
        self.assertEqual(viewer.escape(), 0)

        too_long = path_of_length(self.tmp, 260)
        land.write(too_long)
        viewer = self.start(too_long)
        self.assertEqual(viewer.wait_exit(), 2)
        self.assertEqual(viewer.text(), "ERROR : landscape path is longer than 259 characters, the longest path "
                                        "this system opens: %s...\n" % too_long[:60])
        self.assertEqual(self.xvfb.find_windows(), [])


if __name__ == "__main__":
    unittest.main()

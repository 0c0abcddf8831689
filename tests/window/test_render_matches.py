"""lndtool render draws what the viewer's window shows: the window after
loading a landscape, and the render of the same file at 800 x 600, compared
pixel for pixel. Both run on Mesa's llvmpipe, the window through GLX on
Xvfb, the render through EGL without any display, each into a buffer of 8
bits a colour with a 32-bit depth buffer, so the pictures are the same."""

import os
import subprocess
import unittest

from lndfile import LandscapeFile, program_path
from lndwin import WindowTestCase, differing_pixels

# The two contexts are different drawables of one rasteriser; should a
# driver round an edge pixel differently, a handful may differ.
MOST_DIFFERING_PIXELS = 4


class RenderMatchesWindowTest(WindowTestCase):
    def render(self, landscape, name, *extra):
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        out = self.path(name + ".png")
        completed = subprocess.run([program_path("LNDTOOL", "lndtool"), "render", landscape, "--out", out]
                                   + list(extra), env=env, capture_output=True, timeout=120)
        self.assertEqual(completed.returncode, 0, completed.stderr)
        from PIL import Image
        with Image.open(out) as im:
            return im.convert("RGB")

    def assertSamePicture(self, shot, picture, what):
        differing = differing_pixels(shot, picture)
        self.assertLessEqual(differing, MOST_DIFFERING_PIXELS, "%s: %d pixels differ" % (what, differing))

    def check(self, landscape, name):
        viewer = self.start(landscape)
        viewer.wait_loaded()
        viewer.window()
        shot = viewer.stable_shot()
        self.assertEqual(shot.size, (800, 600))
        self.assertSamePicture(shot, self.render(landscape, name), "start view")

        # Turned and zoomed by dragging, the overlay on: the camera line the
        # viewer prints gives the render the same view.
        viewer.move(400, 300)
        viewer.press(1)
        viewer.move(460, 330)
        viewer.release(1)
        line = viewer.camera_line()
        viewer.xvfb.xdotool("key", "k")
        shot = viewer.wait_for_picture(lambda s: differing_pixels(s, shot) > 1000, what="the turned view with overlay")
        shot = viewer.stable_shot()
        self.assertSamePicture(shot, self.render(landscape, name + "-turned", "--camera", line, "--overlay"),
                               "turned view with overlay")
        viewer.stop()

    def test_small_landscape(self):
        path = self.write_landscape("small.lnd", LandscapeFile.small(blocks=3, countries=3, materials=3, lores=2))
        self.check(path, "small")

    def test_generated_island(self):
        path = self.path("island.lnd")
        subprocess.run([program_path("LNDTOOL", "lndtool"), "make-sample", path, "--blocks", "120", "--seed", "5"],
                       check=True, capture_output=True, timeout=120)
        self.check(path, "island")


if __name__ == "__main__":
    unittest.main()

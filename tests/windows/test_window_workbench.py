"""lndview.exe's workbench keys under Wine: o opens a file through Windows'
Open dialog, and F12 saves the view into the user's Pictures folder (the
shell's, which the run's Wine prefix keeps in the build), the same picture
as lndtool.exe renders."""

import os
import subprocess
import time

from lndfile import LandscapeFile
from lndwin import differing_pixels, wait_until
from winelnd import WineWindowTestCase, run_tool, screen_env, windows_path


def unix_path(windows):
    """Where a Windows path of the run's prefix is on this machine."""
    return subprocess.run(["wine", "winepath", "-u", windows], env=screen_env(), stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=120, check=True).stdout.strip()


class WorkbenchTest(WineWindowTestCase):
    def test_o_opens_through_the_dialog_and_f12_saves_into_pictures(self):
        from PIL import Image

        first = LandscapeFile.small(blocks=2).write(self.path("first.lnd"))
        second = LandscapeFile.small(blocks=3).write(self.path("second.lnd"))
        viewer = self.start(first)
        viewer.wait_loaded(timeout=120)
        viewer.move(400, 300)
        viewer.focus()
        self.xvfb.xdotool("key", "o")
        dialog = wait_until(lambda: self.xvfb.find_windows("Load .lnd"), 60, "the Open dialog")
        time.sleep(1.0)  # the dialog fills its controls after it is mapped
        self.xvfb.xdotool("windowfocus", "--sync", dialog[0])
        time.sleep(0.3)
        self.xvfb.xdotool("type", "--delay", "20", windows_path(second))
        self.xvfb.xdotool("key", "Return")
        viewer.wait_for_line("Loading Landscape %s ..." % windows_path(second), timeout=120)
        viewer.wait_for_count(lambda line: line.endswith(" Wireframe cells rendered"), 2, timeout=120)

        viewer.focus()
        self.xvfb.xdotool("key", "F12")
        line = viewer.wait_for_line(lambda line: line.startswith("Saved picture "), timeout=60)
        saved = line[len("Saved picture "):]
        self.assertRegex(saved, r"\\Pictures\\lndview\\second-\d+\.png$")
        picture = unix_path(saved)
        self.addCleanup(os.remove, picture)
        rendered = self.path("render.png")
        result = run_tool("render", second, "--out", rendered)
        self.assertEqual(result.returncode, 0, result.stderr)
        with Image.open(picture) as shot, Image.open(rendered) as drawn:
            self.assertEqual(differing_pixels(shot.convert("RGB"), drawn.convert("RGB")), 0)
        self.assertEqual(viewer.escape(), 0)


if __name__ == "__main__":
    import unittest

    unittest.main()

"""lndview.exe started without a landscape: the "Load .lnd" dialog of
Windows (GetOpenFileNameA) asks for it. A typed Windows path and Return
load that file; Escape ends the program quietly with status 0."""

import os
import time
import unittest

from lndfile import LandscapeFile, dds_of_record
from lndwin import WINDOW_TITLE, wait_until
from test_startup import load_transcript
from winelnd import WineWindowTestCase, windows_path

DIALOG_TITLE = "Load .lnd"


class DialogTest(WineWindowTestCase):
    def open_dialog(self):
        viewer = self.start()
        dialog = wait_until(lambda: self.xvfb.find_windows(DIALOG_TITLE) or not viewer.running(), 60,
                            "the %r dialog" % DIALOG_TITLE)
        self.assertTrue(viewer.running(), "lndview.exe ended (status %s) without a dialog: %s"
                        % (viewer.proc.returncode, viewer.stderr_text()))
        # No viewer window yet: the dialog comes first.
        self.assertEqual(self.xvfb.find_windows(), [])
        # The dialog fills its controls after it is mapped; keys typed at
        # once are lost.
        time.sleep(1.0)
        self.xvfb.xdotool("windowfocus", "--sync", dialog[0])
        time.sleep(0.3)
        return viewer

    def test_typed_windows_path_and_return_load_the_file(self):
        land = LandscapeFile.small(blocks=2, countries=2, materials=3, lores=1)
        path = land.write(self.path("chosen.lnd"))
        viewer = self.open_dialog()
        chosen = windows_path(path)
        self.xvfb.xdotool("type", "--delay", "20", chosen)
        self.xvfb.xdotool("key", "Return")
        viewer.wait_loaded()
        # The dialog hands over the full Windows path, which loading prints.
        self.assertEqual(viewer.text(), load_transcript(chosen, 2, 2, 3, 1))
        viewer.window()
        self.assertEqual(viewer.name(), WINDOW_TITLE)
        # The export names its files after that path, backslashes and all.
        viewer.move(400, 300)
        viewer.focus()
        viewer.xvfb.xdotool("key", "l")
        viewer.camera_line()
        self.assertIn("Exporting LoResTextures....", viewer.lines())
        self.assertEqual(sorted(os.listdir(self.tmp)), sorted(["chosen.lnd", "chosen.lnd-0.dds"] +
                                                              [n for n in os.listdir(self.tmp) if n.endswith(".txt")]))
        with open(path, "rb") as f, open(path + "-0.dds", "rb") as dds:
            self.assertTrue(dds.read() == dds_of_record(f.read(), 0))
        self.assertEqual(viewer.escape(), 0)

    def test_escape_cancels_quietly_with_status_0(self):
        viewer = self.open_dialog()
        self.xvfb.xdotool("key", "Escape")
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertEqual(viewer.text(), "")
        # Nothing of the program's own on standard error either (Wine may
        # add lines of its own, which start "wine" or name a device).
        own = [line for line in viewer.stderr_text().splitlines() if line.startswith(("ERROR", "WARNING"))]
        self.assertEqual(own, [])
        self.assertEqual(self.xvfb.find_windows(), [])


if __name__ == "__main__":
    unittest.main()

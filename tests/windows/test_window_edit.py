"""lndview.exe's edit mode under Wine: one raise stroke saved with Ctrl+S
changes the file, with the title's "*" while unsaved; Ctrl+Z and a second
save give the file back byte for byte."""

import shutil
import struct

from winelnd import WineWindowTestCase, run_tool


class EditTest(WineWindowTestCase):
    def test_one_stroke_saved_then_undone_and_saved_again(self):
        land = self.path("land.lnd")
        self.assertEqual(run_tool("make-sample", land, "--blocks", "16").returncode, 0)
        original = self.path("original.lnd")
        shutil.copyfile(land, original)
        viewer = self.start(land)
        viewer.wait_loaded(timeout=120)
        viewer.move(400, 300)
        viewer.focus()
        for key in ("f", "b", "1"):
            self.xvfb.xdotool("key", key)
        viewer.camera_line()
        title = viewer.name()
        viewer.move(330, 300)
        viewer.press(1)
        for x in range(330, 471, 7):
            viewer.move(x, 300)
        viewer.release(1)
        viewer.camera_line()
        viewer.wait_name("*" + title)

        saved = "Saved " + land
        self.xvfb.xdotool("key", "ctrl+s")
        viewer.wait_for_count(lambda line: line == saved, 1, timeout=60)
        viewer.wait_name(title)
        with open(land, "rb") as f, open(original, "rb") as g:
            edited, before = f.read(), g.read()
        self.assertEqual(len(edited), len(before))
        self.assertNotEqual(edited, before)
        # Only cells of blocks changed: the header and the LoRes textures are as they were.
        blocks = 1052 + 65680 * struct.unpack_from("<I", before, 1048)[0]
        self.assertEqual(edited[:blocks], before[:blocks])

        self.xvfb.xdotool("key", "ctrl+z")
        viewer.camera_line()
        viewer.wait_name("*" + title)
        self.xvfb.xdotool("key", "ctrl+s")
        viewer.wait_for_count(lambda line: line == saved, 2, timeout=60)
        with open(land, "rb") as f:
            self.assertEqual(f.read(), before)
        self.assertEqual(viewer.escape(), 0)


if __name__ == "__main__":
    import unittest

    unittest.main()

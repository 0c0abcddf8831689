"""The `l` key of the real lndview: every LoRes texture written as a DDS file
next to the landscape, read back byte for byte and with ImageMagick and
Pillow; a landscape without textures, a name that cannot be created, no
landscape at all, and the upper-case key."""

import os
import subprocess
import unittest

from lndfile import DDS_FILE_SIZE, LandscapeFile, LoRes, PatternLoRes, dds_of_record
from lndwin import CAMERA_LINE_PREFIX, EVENT_TIMEOUT, WindowTestCase

EXPORT_LINE = "Exporting LoResTextures...."
CONVERT = "/usr/bin/convert"


class ExportKeyTest(WindowTestCase):
    def open_landscape(self, land, name="land.lnd"):
        """Writes land into a folder of its own, starts the viewer on it and
        waits until it is loaded and has the keyboard."""
        folder = self.path("lands")
        os.makedirs(folder, exist_ok=True)
        path = land.write(os.path.join(folder, name))
        viewer = self.start(path)
        viewer.wait_loaded()
        self.ready(viewer)
        return viewer, path

    def ready(self, viewer):
        viewer.window()
        viewer.move(400, 300)  # the keyboard follows the pointer

    def type_and_settle(self, viewer, key):
        """Types one key, then middle-clicks: the camera line comes after the
        key has been handled, so whatever the key writes is complete by then.
        Returns the transcript lines the key printed."""
        before = len(viewer.lines())
        viewer.xvfb.xdotool("key", key)
        viewer.camera_line()
        new = viewer.lines()[before:]
        self.assertTrue(new[-1].startswith(CAMERA_LINE_PREFIX), new)
        return new[:-1]

    def export(self, viewer):
        return self.type_and_settle(viewer, "l")

    def assertDdsFiles(self, landscape, indices):
        with open(landscape, "rb") as f:
            data = f.read()
        for i in indices:
            name = "%s-%d.dds" % (landscape, i)
            with open(name, "rb") as f:
                written = f.read()
            self.assertEqual(len(written), DDS_FILE_SIZE, name)
            self.assertTrue(written == dds_of_record(data, i), "%s is not \"DDS \" + bytes 20.. of record %d"
                            % (name, i))

    def assertOpensAs256Square(self, name):
        from PIL import Image

        size = subprocess.run([CONVERT, name, "-format", "%w %h", "info:"], capture_output=True,
                              timeout=EVENT_TIMEOUT, check=True).stdout.decode()
        self.assertEqual(size, "256 256", name)
        with Image.open(name) as im:
            im.load()
            self.assertEqual((im.format, im.size), ("DDS", (256, 256)), name)

    def test_l_writes_every_texture_and_again_on_a_second_press(self):
        # Record 1's RecordSize is not 65664: the export still goes by the
        # fixed stride, so its files are unchanged by it.
        land = LandscapeFile.small(blocks=3, lores=3)
        land.lores = [PatternLoRes(1), PatternLoRes(2, record_size=65000), PatternLoRes(3)]
        viewer, path = self.open_landscape(land)
        folder = os.path.dirname(path)

        printed = self.export(viewer)
        self.assertEqual(printed, [EXPORT_LINE])
        names = ["%s-%d.dds" % (path, i) for i in range(3)]
        self.assertEqual(sorted(os.listdir(folder)), sorted(["land.lnd"] + [os.path.basename(n) for n in names]))
        self.assertDdsFiles(path, range(3))
        with open(names[0], "rb") as f:
            first = f.read()
        self.assertIn(b"\r\n", first)  # line ends reach the file unchanged
        self.assertIn(b"\n\r", first)
        for name in names:
            self.assertOpensAs256Square(name)

        # The second press replaces whatever the names hold now.
        with open(names[0], "wb") as f:
            f.write(b"stale")
        with open(names[2], "r+b") as f:
            f.write(b"XXXX")
        os.remove(names[1])
        self.assertEqual(self.export(viewer), [EXPORT_LINE])
        self.assertDdsFiles(path, range(3))
        with open(names[0], "rb") as f:
            self.assertTrue(f.read() == first)
        self.assertEqual(len(os.listdir(folder)), 4)
        self.assertTrue(viewer.running())

    def test_no_textures_prints_the_line_only(self):
        viewer, path = self.open_landscape(LandscapeFile.small(blocks=2, lores=0))
        self.assertEqual(self.export(viewer), [EXPORT_LINE])
        self.assertEqual(os.listdir(os.path.dirname(path)), ["land.lnd"])

    def test_a_name_that_cannot_be_created(self):
        land = LandscapeFile.small(blocks=3, lores=3)
        land.lores = [PatternLoRes(4), LoRes((10, 200, 30)), PatternLoRes(5)]
        folder = self.path("lands")
        os.makedirs(os.path.join(folder, "land.lnd-0.dds"))  # a folder where file 0 should go
        viewer, path = self.open_landscape(land)

        printed = self.export(viewer)
        self.assertEqual(printed[0], EXPORT_LINE)
        errors = [line for line in printed[1:] if line.startswith("ERROR : ")]
        self.assertEqual(len(errors), 1, printed)
        self.assertEqual(len(printed), 2, printed)
        self.assertIn(path + "-0.dds", errors[0])
        self.assertDdsFiles(path, (1, 2))
        self.assertEqual(sorted(os.listdir(folder)), ["land.lnd", "land.lnd-0.dds", "land.lnd-1.dds",
                                                      "land.lnd-2.dds"])  # no temporaries left
        self.assertEqual(os.listdir(path + "-0.dds"), [])
        self.assertTrue(viewer.running())

    def test_nothing_loaded(self):
        dropped = LandscapeFile.small(blocks=2, lores=2)
        cases = [("missing.lnd", None), ("short.lnd", dropped)]
        for name, land in cases:
            with self.subTest(name):
                folder = self.path(name + "-dir")
                os.makedirs(folder)
                path = os.path.join(folder, name)
                if land is not None:
                    land.write(path, truncate_to=70000)
                viewer = self.start(path)
                viewer.wait_for_line(lambda line: line.startswith("ERROR : "))
                self.ready(viewer)
                before = sorted(os.listdir(folder))

                printed = self.type_and_settle(viewer, "l")
                self.assertEqual(len(printed), 1, printed)
                self.assertIn("nothing to export", printed[0])
                self.assertNotIn(EXPORT_LINE, viewer.lines())
                self.assertEqual(sorted(os.listdir(folder)), before)
                self.assertTrue(viewer.running())
                viewer.stop()

    def test_upper_case_l_does_nothing(self):
        viewer, path = self.open_landscape(LandscapeFile.small(blocks=2, lores=2))
        self.assertEqual(self.type_and_settle(viewer, "L"), [])
        self.assertEqual(os.listdir(os.path.dirname(path)), ["land.lnd"])
        # The same keyboard path with the lower-case key does export.
        self.assertEqual(self.export(viewer), [EXPORT_LINE])
        self.assertDdsFiles(path, range(2))


if __name__ == "__main__":
    unittest.main()

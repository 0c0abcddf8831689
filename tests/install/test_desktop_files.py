"""The desktop entry, the MIME definition, the thumbnailer entry and the icon,
as the tools of a desktop read them: desktop-file-validate, xmllint,
update-mime-database, rsvg-convert and Pillow.
"""

import configparser
import os
import shutil
import unittest
import xml.etree.ElementTree as ET

from installtest import MIME_TYPE, isolated_env, require_tools, run, source_dir, temp_dir

MIME_NS = "{http://www.freedesktop.org/standards/shared-mime-info}"


def desktop_path(name):
    return os.path.join(source_dir(), "desktop", name)


def key_file(path, group):
    """One group of a freedesktop key file, keys as written."""
    parser = configparser.ConfigParser(interpolation=None, delimiters=("=",))
    parser.optionxform = str
    with open(path, encoding="utf-8") as f:
        parser.read_file(f)
    return parser[group]


class DesktopEntry(unittest.TestCase):
    def test_desktop_file_validate_has_nothing_to_say(self):
        require_tools("desktop-file-validate")
        result = run(["desktop-file-validate", desktop_path("lndview.desktop")], check=False)
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))

    def test_entry_opens_landscapes_with_lndview(self):
        entry = key_file(desktop_path("lndview.desktop"), "Desktop Entry")
        self.assertEqual(entry["Type"], "Application")
        self.assertEqual(entry["Name"], "lndview")
        self.assertTrue(entry["Comment"])
        self.assertEqual(entry["Exec"], "lndview %f")
        self.assertEqual(entry["Icon"], "lndview")
        self.assertEqual(entry["MimeType"], MIME_TYPE + ";")
        self.assertIn("Graphics", entry["Categories"].split(";"))

    def test_thumbnailer_calls_lndtool_thumbnail(self):
        entry = key_file(desktop_path("lndview.thumbnailer"), "Thumbnailer Entry")
        self.assertEqual(dict(entry), {
            "TryExec": "lndtool",
            "Exec": "lndtool thumbnail --size %s %i %o",
            "MimeType": MIME_TYPE + ";",
        })


class MimeDefinition(unittest.TestCase):
    def test_xmllint_accepts_it(self):
        require_tools("xmllint")
        result = run(["xmllint", "--noout", desktop_path("lndview.xml")], check=False)
        self.assertEqual((result.returncode, result.stderr), (0, ""))

    def test_type_comment_and_glob(self):
        root = ET.parse(desktop_path("lndview.xml")).getroot()
        self.assertEqual(root.tag, MIME_NS + "mime-info")
        types = root.findall(MIME_NS + "mime-type")
        self.assertEqual([t.get("type") for t in types], [MIME_TYPE])
        self.assertEqual([c.text for c in types[0].findall(MIME_NS + "comment")], ["Thornveil landscape"])
        self.assertEqual([g.get("pattern") for g in types[0].findall(MIME_NS + "glob")], ["*.lnd"])

    def test_update_mime_database_loads_it_alone(self):
        require_tools("update-mime-database", "xdg-mime", "mimetype")
        root = temp_dir(self)
        packages = os.path.join(root, "mime", "packages")
        os.makedirs(packages)
        shutil.copy(desktop_path("lndview.xml"), packages)
        env = isolated_env(root, root)
        # Silent when the folder is on the search path: no warning about the definition.
        result = run(["update-mime-database", os.path.join(root, "mime")], env=env)
        self.assertEqual(result.stdout + result.stderr, "")
        landscape = os.path.join(root, "land.lnd")
        with open(landscape, "wb") as f:
            f.write(bytes(1052))
        self.assertEqual(run(["xdg-mime", "query", "filetype", landscape], env=env).stdout.strip(), MIME_TYPE)


class Icon(unittest.TestCase):
    def image_module(self):
        try:
            from PIL import Image
        except ImportError:
            raise unittest.SkipTest("not installed: python3-pil (Pillow)")
        return Image

    def test_png_is_256_px_with_a_transparent_surround(self):
        Image = self.image_module()
        with Image.open(desktop_path("lndview.png")) as image:
            self.assertEqual((image.format, image.size, image.mode), ("PNG", (256, 256), "RGBA"))
            alpha = image.getchannel("A")
            for corner in ((0, 0), (255, 0), (0, 255), (255, 255)):
                self.assertEqual(alpha.getpixel(corner), 0, corner)
            # The picture itself: a good part of the square, and in colour.
            opaque = sum(1 for a in alpha.getdata() if a == 255)
            self.assertGreater(opaque, 256 * 256 // 4)
            colours = image.convert("RGB").getcolors(256 * 256)
            self.assertGreater(len(colours), 20)

    def test_png_is_the_svg_rendered(self):
        """A PNG left behind after the SVG changed differs from a fresh rendering."""
        Image = self.image_module()
        require_tools("rsvg-convert")
        root = temp_dir(self)
        rendered = os.path.join(root, "icon.png")
        run(["rsvg-convert", "-w", "256", "-h", "256", "-o", rendered, desktop_path("lndview.svg")])
        with Image.open(rendered) as fresh, Image.open(desktop_path("lndview.png")) as committed:
            fresh = fresh.convert("RGBA")
            committed = committed.convert("RGBA")
            worst = max(abs(a - b) for p, q in zip(fresh.getdata(), committed.getdata()) for a, b in zip(p, q))
        self.assertLessEqual(worst, 8)

    def test_svg_is_well_formed_and_square(self):
        root = ET.parse(desktop_path("lndview.svg")).getroot()
        self.assertEqual(root.tag, "{http://www.w3.org/2000/svg}svg")
        self.assertEqual(root.get("viewBox"), "0 0 256 256")

    def test_svg_still_reads_at_48_px(self):
        """At 48 px the island and the sea still cover much of the square."""
        Image = self.image_module()
        require_tools("rsvg-convert")
        root = temp_dir(self)
        small = os.path.join(root, "icon48.png")
        run(["rsvg-convert", "-w", "48", "-h", "48", "-o", small, desktop_path("lndview.svg")])
        with Image.open(small) as image:
            image = image.convert("RGBA")
            pixels = [p for p in image.getdata() if p[3] > 200]
        self.assertGreater(len(pixels), 48 * 48 // 5)
        blue = sum(1 for r, g, b, a in pixels if b > r + 40 and b > g)
        green = sum(1 for r, g, b, a in pixels if g > r + 20 and g > b + 20)
        self.assertGreater(blue, len(pixels) // 5, "sea")
        self.assertGreater(green, len(pixels) // 20, "land")


if __name__ == "__main__":
    unittest.main()

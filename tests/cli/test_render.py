"""lndtool render and thumbnail with no display server at all: the pictures
they write (read back with Pillow), the views they take, and how they treat
damaged files and bad options."""

import os
import subprocess
import unittest

from lndfile import Block, Country, LandscapeFile, LoRes, Material, require_pillow
from test_lndtool import TOOL_TIMEOUT, Result, ToolTestCase

CLEAR = {(0, 127, 255), (0, 128, 255)}  # the sky, (0, 0.5, 1) in 8 bits, rounded either way
START_LINE = "pos : 2720.000000 -30.000000 2560.000000 | rot: 45.000000 0.000000 0.000000 | zoom : -500.000000"


def no_display_env():
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY"):
        env.pop(name, None)
    return env


def coloured_landscape():
    """Three blocks in a row, each on a LoRes texture of its own colour, at
    the place the start camera looks at."""
    land = LandscapeFile(blocks=[Block(altitude=20, lores_index=k) for k in range(3)],
                         countries=[Country(0, 0, 255)], materials=[Material(33289)],
                         lores=[LoRes((248, 0, 0)), LoRes((0, 252, 0)), LoRes((0, 0, 248))])
    for k in range(3):
        land.place(k + 1, 16, 16 + k)
    return land


class RenderTestCase(ToolTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        require_pillow()

    def run_tool(self, *args):
        completed = subprocess.run([self.tool] + [str(a) for a in args], cwd=self.tmp, stdin=subprocess.DEVNULL,
                                   capture_output=True, timeout=TOOL_TIMEOUT, env=no_display_env())
        return Result(completed)

    def picture(self, path):
        from PIL import Image
        with Image.open(path) as im:
            im.load()
            return im.mode, im.size, im.copy()


class RenderTest(RenderTestCase):
    def test_the_start_view_as_an_rgb_png(self):
        land = self.path("land.lnd")
        coloured_landscape().write(land)
        result = self.run_tool("render", land, "--out", self.path("shot.png"))
        self.assertStatus(result, 0)
        self.assertEqual((result.out, result.err), ("wrote %s\n" % self.path("shot.png"), ""))
        mode, size, im = self.picture(self.path("shot.png"))
        self.assertEqual((mode, size), ("RGB", (800, 600)))
        self.assertIn(im.getpixel((2, 2)), CLEAR)
        colours = set(im.getdata())
        # The three LoRes colours show (red, green and blue blocks side by side).
        self.assertTrue(any(r > 200 and g < 40 and b < 40 for r, g, b in colours))
        self.assertTrue(any(g > 200 and r < 40 and b < 40 for r, g, b in colours))
        self.assertTrue(any(b > 200 and r < 40 and g < 60 for r, g, b in colours))
        # The same camera given as the viewer's line: the same picture.
        result = self.run_tool("render", land, "--out", self.path("again.png"), "--camera", START_LINE)
        self.assertStatus(result, 0)
        with open(self.path("shot.png"), "rb") as a, open(self.path("again.png"), "rb") as b:
            self.assertTrue(a.read() == b.read())

    def test_sizes_cameras_overlay_and_overview(self):
        land = self.path("land.lnd")
        coloured_landscape().write(land)
        result = self.run_tool("render", land, "--out", self.path("wide.png"), "--size", "1200x300")
        self.assertStatus(result, 0)
        self.assertEqual(self.picture(self.path("wide.png"))[1], (1200, 300))

        # Far off the map: the sky and the gizmo only.
        away = START_LINE.replace("pos : 2720.000000 -30.000000 2560.000000", "pos : -50000 -30 -50000")
        self.assertStatus(self.run_tool("render", land, "--out", self.path("away.png"), "--camera", away), 0)
        _, _, im = self.picture(self.path("away.png"))
        self.assertGreater(sum(1 for p in im.getdata() if p in CLEAR), 800 * 600 - 200)

        self.assertStatus(self.run_tool("render", land, "--out", self.path("plain.png"), "--overview"), 0)
        self.assertStatus(self.run_tool("render", land, "--out", self.path("over.png"), "--overview", "--overlay"), 0)
        _, _, plain = self.picture(self.path("plain.png"))
        _, _, over = self.picture(self.path("over.png"))
        # Country 0's wireframe is pure red (as is the gizmo's x axis, a few
        # pixels); the LoRes red is (248, 0, 0) shaded.
        pure_red = lambda im: sum(1 for p in im.getdata() if p == (255, 0, 0))
        self.assertLess(pure_red(plain), 10)
        self.assertGreater(pure_red(over), 1000)
        # From straight above all three blocks are in the picture, the sky all round them.
        for x, y in ((2, 2), (797, 2), (2, 597), (797, 597)):
            self.assertIn(plain.getpixel((x, y)), CLEAR)

    def test_several_files_to_a_folder_past_a_damaged_one(self):
        good = self.path("good.lnd")
        coloured_landscape().write(good)
        bad = self.path("bad.lnd")
        coloured_landscape().write(bad, truncate_to=5000)
        warned = self.path("warned.lnd")
        land = coloured_landscape()
        land.lores[0].width = 128
        land.write(warned)
        out = self.path("pictures")
        result = self.run_tool("render", good, bad, warned, self.path("missing.lnd"), "--out-dir", out,
                               "--size", "320x240")
        self.assertStatus(result, 1)
        self.assertEqual(sorted(os.listdir(out)), ["good.png", "warned.png"])
        info = self.run_tool("info", bad)
        fault = [line.strip() for line in info.out_lines if line.strip().startswith("ERROR : ")]
        self.assertEqual(result.err_lines, [
            fault[0],
            "WARNING : %s : 1 LoRes textures have a DdsHeader size other than 256 x 256; read as 256 x 256" % warned,
            "ERROR : Unable to Open Specified File %s : No such file or directory" % self.path("missing.lnd")])

    def test_two_files_of_one_name_never_share_a_picture(self):
        first = self.path("first/land.lnd")
        second = self.path("second/land.lnd")
        for path in (first, second):
            os.makedirs(os.path.dirname(path))
        coloured_landscape().write(first)
        other = coloured_landscape()
        other.lores = [LoRes((0, 0, 248)), LoRes((248, 0, 0)), LoRes((0, 252, 0))]
        other.write(second)
        self.assertStatus(self.run_tool("render", first, "--out", self.path("first.png"), "--size", "64x48"), 0)
        out = self.path("pictures")
        result = self.run_tool("render", first, second, "--out-dir", out, "--size", "64x48")
        self.assertStatus(result, 1)
        picture = os.path.join(out, "land.png")
        self.assertEqual(os.listdir(out), ["land.png"])
        with open(picture, "rb") as a, open(self.path("first.png"), "rb") as b:
            self.assertTrue(a.read() == b.read(), "the second file replaced the first one's picture")
        self.assertEqual(result.err_lines, ["ERROR : %s : not drawn, its picture %s is that of an earlier file of "
                                            "this run" % (second, picture)])

    def test_a_damaged_file_gives_the_info_error_and_no_picture(self):
        bad = self.path("bad.lnd")
        coloured_landscape().write(bad, truncate_to=70000)
        result = self.run_tool("render", bad, "--out", self.path("bad.png"))
        self.assertStatus(result, 2)
        self.assertEqual(result.err_lines, ["ERROR : %s : file too short: the counts need %d bytes, found 70000"
                                            % (bad, len(coloured_landscape().to_bytes()))])
        self.assertFalse(os.path.exists(self.path("bad.png")))

    def test_bad_options_are_refused_before_any_drawing(self):
        land = self.path("land.lnd")
        coloured_landscape().write(land)
        cases = [
            (["--out", "a.png", "--size", "0x10"], "--size"),
            (["--out", "a.png", "--size", "9000x10"], "--size"),
            (["--out", "a.png", "--camera", "pos : 1 2 3"], "--camera"),
            (["--out", "a.png", "--camera", START_LINE, "--overview"], "--overview"),
            ([], "--out"),
            (["--out", "a.png", "--out-dir", "d"], "--out"),
            (["--out", "a.jpg"], "PNG"),
        ]
        for extra, fragment in cases:
            with self.subTest(extra=extra):
                result = self.run_tool("render", land, *extra)
                self.assertOneErrorLine(result, fragment)
        self.assertEqual(sorted(os.listdir(self.tmp)), ["land.lnd"])
        result = self.run_tool("render", land, land, "--out", "a.png")
        self.assertOneErrorLine(result, "--out-dir")

    def test_folders_all_sky_cameras_and_the_inputs_own_name(self):
        folder = self.path("maps")
        os.mkdir(folder)
        for name in ("b.lnd", "a.lnd"):
            coloured_landscape().write(os.path.join(folder, name))
        out = self.path("pictures")
        # A folder stands for its .lnd files, in name order, a line each.
        result = self.run_tool("render", folder, "--out-dir", out, "--size", "64x48")
        self.assertStatus(result, 0)
        self.assertEqual(result.out_lines, ["wrote %s" % os.path.join(out, n) for n in ("a.png", "b.png")])
        self.assertOneErrorLine(self.run_tool("render", folder, "--out", self.path("x.png")), "--out-dir")
        # A camera that sees no terrain draws all sky, with a warning.
        land = os.path.join(folder, "a.lnd")
        sky = "pos : 2720.000000 -2000.000000 2560.000000 | rot: 0.000000 0.000000 0.000000 | zoom : -500.000000"
        result = self.run_tool("render", land, "--out", self.path("sky.png"), "--camera", sky, "--size", "64x48")
        self.assertStatus(result, 0)
        self.assertEqual(result.err_lines, ["WARNING : %s : the camera sees no terrain; the picture is all sky" % land])
        # No picture is written over the landscape it is of, by any name.
        os.symlink(land, self.path("link.png"))
        with open(land, "rb") as f:
            before = f.read()
        for target in (self.path("link.png"), land):
            result = self.run_tool("render", land, "--out", target) if target.endswith(".png") else \
                self.run_tool("thumbnail", land, self.path("link.png"))
            self.assertStatus(result, 2)
            self.assertEqual(result.err_lines, ["ERROR : %s : is an input of this command; not written over"
                                                % self.path("link.png")])
        with open(land, "rb") as f:
            self.assertTrue(f.read() == before)

    def test_the_manuals_camera_line_sees_the_sample(self):
        with open(os.path.join(os.path.dirname(__file__), "..", "..", "docs", "lndtool.1")) as f:
            text = f.read().replace("\\-", "-")
        line = next(l for l in text.splitlines() if l.startswith("pos : "))
        sample, _, _ = self.make_sample("sample.lnd")
        result = self.run_tool("render", sample, "--out", self.path("view.png"), "--camera", line, "--size", "80x60")
        self.assertStatus(result, 0)
        self.assertEqual(result.err, "")

    def test_no_window_system_is_linked(self):
        # Drawing needs no display server: the tool does not even load the
        # X or GLUT libraries, so it cannot open a window or an X connection.
        libraries = subprocess.run(["ldd", self.tool], capture_output=True, timeout=TOOL_TIMEOUT,
                                   check=True).stdout.decode()
        for name in ("libX11", "libxcb", "libglut", "libGLX", "libwayland"):
            self.assertNotIn(name, libraries)
        self.assertIn("libEGL", libraries)


class ReadmePicturesTest(RenderTestCase):
    def test_the_readme_shows_what_the_code_draws_today(self):
        source = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
        out = self.path("pictures")
        env = no_display_env()
        env["TMPDIR"] = self.tmp
        completed = subprocess.run([os.path.join(source, "scripts", "make-pictures.sh"), self.tool, out], env=env,
                                   capture_output=True, timeout=TOOL_TIMEOUT)
        self.assertEqual(completed.returncode, 0, completed.stderr)
        from PIL import ImageChops
        for name in sorted(os.listdir(out)):
            with self.subTest(picture=name):
                _, _, drawn = self.picture(os.path.join(out, name))
                _, _, committed = self.picture(os.path.join(source, "docs", name))
                self.assertEqual(drawn.size, committed.size)
                mask = ImageChops.difference(drawn.convert("RGB"), committed.convert("RGB")).convert("L")
                differing = mask.point(lambda v: 255 if v else 0).histogram()[255]
                self.assertLessEqual(differing, 4, "docs/%s is out of date: run make pictures" % name)
        self.assertEqual(sorted(os.listdir(out)),
                         ["island-countries.png", "island-gltf.png", "island-thumbnail.png", "island.png"])


class ThumbnailTest(RenderTestCase):
    def test_the_overview_at_the_thumbnail_size(self):
        land = self.path("land.lnd")
        coloured_landscape().write(land)
        # As a file manager calls it: the size first, then input and output.
        result = self.run_tool("thumbnail", "--size", "128", land, self.path("thumb.png"))
        self.assertStatus(result, 0)
        mode, size, thumb = self.picture(self.path("thumb.png"))
        self.assertEqual((mode, size), ("RGB", (128, 128)))
        # It is the overview: the same picture as render --overview at that size.
        self.assertStatus(self.run_tool("render", land, "--overview", "--size", "128x128", "--out",
                                        self.path("over.png")), 0)
        with open(self.path("thumb.png"), "rb") as a, open(self.path("over.png"), "rb") as b:
            self.assertTrue(a.read() == b.read())
        self.assertStatus(self.run_tool("thumbnail", land, self.path("default.png")), 0)
        self.assertEqual(self.picture(self.path("default.png"))[1], (256, 256))

    def test_failures(self):
        result = self.run_tool("thumbnail", self.path("none.lnd"), self.path("t.png"))
        self.assertOneErrorLine(result, "Unable to Open Specified File")
        land = self.path("land.lnd")
        coloured_landscape().write(land)
        result = self.run_tool("thumbnail", "--size", "0", land, self.path("t.png"))
        self.assertOneErrorLine(result, "--size")
        os.mkdir(self.path("folder.png"))
        result = self.run_tool("thumbnail", land, self.path("folder.png"))
        self.assertOneErrorLine(result, "Is a directory")


if __name__ == "__main__":
    unittest.main()

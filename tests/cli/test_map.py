"""The whole map as one surface, through the real command line: seam faults
planted in an unpacked folder, warned about and mended by pack; every layer
of lndtool map set back by set-map, changing exactly its own bytes; and new
landscapes from pictures made here with Pillow, read back by info, heightmap,
unpack and pack."""

import json
import os
import random
import re
import struct

from lndfile import BLOCK_SIZE, HEADER_SIZE, LORES_SIZE, block_map, header_counts, require_pillow
from test_lndtool import NO_FAULTS_LINE, ToolTestCase

GRID = 17


def block_start(data, k):
    _, _, _, lores = header_counts(data)
    return HEADER_SIZE + LORES_SIZE * lores + BLOCK_SIZE * k


def cell_at(data, k, r, c):
    """(altitude, attributes) of cell (r, c) of block k, read from the bytes."""
    at = block_start(data, k) + 4 + 136 * r + 8 * c
    return data[at], data[at + 2]


def placed(data):
    """{(row, column): block index} of every placed block."""
    return {(row, column): v - 1 for row, line in enumerate(block_map(data)) for column, v in enumerate(line) if v}


def changed_offsets(a, b):
    return [i for i in range(len(a)) if a[i] != b[i]]


class PictureTestCase(ToolTestCase):
    def setUp(self):
        super().setUp()
        require_pillow()
        from PIL import Image
        self.Image = Image

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def write_back(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def edit_picture(self, name, change):
        with self.Image.open(self.path(name)) as image:
            image.load()
            edited = image.copy()
        change(edited)
        edited.save(self.path(name))


class SeamTest(PictureTestCase):
    """Two side by side blocks of the sample; the right edge of the left one
    is edited alone, or both sides are edited apart."""

    def side_by_side(self, data):
        places = placed(data)
        for (row, column), a in sorted(places.items()):
            b = places.get((row, column + 1))
            if b is not None and all((row + dr, column + dc) in places for dr in (-1, 1) for dc in (0, 1)):
                return row, column, a, b
        self.fail("the sample has no two blocks side by side")

    def test_one_edited_side_is_warned_about_and_mended(self):
        _, original, _ = self.make_sample("island.lnd", "--blocks", 60, "--seed", 4)
        row, column, a, b = self.side_by_side(original)
        self.assertStatus(self.run_tool("unpack", "island.lnd", "island"), 0)
        for picture, flip, read in (("altitude", 0x40, lambda v: v[0]), ("country", 0x01, lambda v: v[1] & 0x0F)):
            with self.subTest(picture=picture):
                name = os.path.join("island", "blocks", "%d-%s.png" % (a, picture))
                before = self.read(name)
                self.addCleanup(self.write_back, name, before)
                self.edit_picture(name, lambda image: [image.putpixel((16, r), image.getpixel((16, r)) ^ flip)
                                                        for r in range(GRID)])
                packed = self.run_tool("pack", "island", "plain.lnd")
                self.assertStatus(packed, 0)
                warnings = [line for line in packed.err_lines if "seam" in line]
                self.assertEqual(len(warnings), 1, str(packed))
                field_counts = "(17 altitude, 0 country)" if picture == "altitude" else "(0 altitude, 17 country)"
                self.assertIn("WARNING : plain.lnd : 17 seam faults " + field_counts, warnings[0])
                self.assertIn("(%d, %d) right edge" % (row, column), warnings[0])
                info = self.run_tool("info", "plain.lnd")
                self.assertStatus(info, 1)
                self.assertEqual([line for line in info.faults() if "seam" in line], warnings, str(info))
                listed = json.loads(self.run_tool("info", "plain.lnd", "--json").out)["seam_faults"]
                self.assertEqual(len(listed), 17)

                mended = self.run_tool("pack", "island", "mended.lnd", "--mend-seams")
                self.assertStatus(mended, 0)
                self.assertFalse([line for line in mended.err_lines if "seam" in line], str(mended))
                info = self.run_tool("info", "mended.lnd")
                self.assertStatus(info, 0)
                self.assertIn(NO_FAULTS_LINE, info.out_lines)
                data = self.read("mended.lnd")
                for r in range(GRID):
                    self.assertEqual(read(cell_at(data, b, r, 0)), read(cell_at(data, a, r, 16)), r)
                    self.assertEqual(read(cell_at(data, a, r, 16)), read(cell_at(original, a, r, 16)) ^ flip, r)
                # The corners reach the blocks above and below, both columns.
                above, below = placed(data)[(row - 1, column)], placed(data)[(row + 1, column)]
                self.assertEqual(read(cell_at(data, above, 16, 16)), read(cell_at(data, a, 0, 16)))
                self.assertEqual(read(cell_at(data, below, 0, 16)), read(cell_at(data, a, 16, 16)))
                self.write_back(name, before)

    def test_both_sides_edited_apart_are_refused_naming_both(self):
        self.make_sample("island.lnd", "--blocks", 60, "--seed", 4)
        _, _, a, b = self.side_by_side(self.read("island.lnd"))
        self.assertStatus(self.run_tool("unpack", "island.lnd", "island"), 0)
        self.edit_picture(os.path.join("island", "blocks", "%d-altitude.png" % a),
                          lambda image: image.putpixel((16, 5), (image.getpixel((16, 5)) + 7) % 256))
        self.edit_picture(os.path.join("island", "blocks", "%d-altitude.png" % b),
                          lambda image: image.putpixel((0, 5), (image.getpixel((0, 5)) + 9) % 256))
        result = self.run_tool("pack", "island", "out.lnd", "--mend-seams")
        self.assertOneErrorLine(result, "island/blocks/%d-altitude.png and island/blocks/%d-altitude.png" % (a, b),
                                "both edited", "1 shared map samples")
        self.assertFalse(os.path.exists(self.path("out.lnd")))


class MapLayersTest(PictureTestCase):
    def mapped(self):
        _, data, _ = self.make_sample("island.lnd", "--blocks", 80, "--seed", 9)
        result = self.run_tool("map", "island.lnd", "island-map")
        self.assertStatus(result, 0)
        return data

    def test_the_pictures_are_what_they_say(self):
        data = self.mapped()
        kinds = {name: self.Image.open(self.path("island-map", name)) for name in
                 ("heights.png", "countries.png", "splits.png", "colours.png")}
        self.addCleanup(lambda: [image.close() for image in kinds.values()])
        self.assertEqual(kinds["heights.png"].size, (513, 513))
        self.assertIn(kinds["heights.png"].mode, ("I;16", "I"))
        self.assertEqual((kinds["countries.png"].mode, kinds["countries.png"].size), ("P", (513, 513)))
        self.assertEqual((kinds["splits.png"].mode, kinds["splits.png"].size), ("L", (512, 512)))
        self.assertEqual((kinds["colours.png"].mode, kinds["colours.png"].size), ("RGBA", (2048, 2048)))
        with open(self.path("island-map", "map.json")) as f:
            sidecar = json.load(f)
        self.assertEqual(sidecar["colours"]["pixels_per_cell"], 4)
        # Each picture holds the cells of the placed blocks where the grid puts them.
        places = placed(data)
        for (row, column), k in list(sorted(places.items()))[::7]:
            for r, c in ((0, 0), (5, 11), (16, 16)):
                y, x = 16 * row + r, 16 * column + c
                altitude, attributes = cell_at(data, k, r, c)
                self.assertEqual(kinds["heights.png"].getpixel((x, y)), altitude * 257)
                self.assertEqual(kinds["countries.png"].getpixel((x, y)), attributes & 0x0F)
                if r < 16 and c < 16:
                    self.assertEqual(kinds["splits.png"].getpixel((x, y)), 255 if attributes & 0x80 else 0)

    def test_each_layer_sets_exactly_its_bytes(self):
        original = self.mapped()
        self.assertStatus(self.run_tool("set-map", "island.lnd", "island-map", "--out", "same.lnd"), 0)
        self.assertEqual(self.read("same.lnd"), original)

        places = placed(original)
        (row, column), k = sorted(places.items())[len(places) // 2]
        y, x = 16 * row + 6, 16 * column + 9
        at = block_start(original, k) + 4 + 136 * 6 + 8 * 9
        altitude, attributes = original[at], original[at + 2]
        _, _, _, lores = header_counts(original)
        lores_area = range(HEADER_SIZE, HEADER_SIZE + LORES_SIZE * lores)
        cases = [
            # picture, the change, the offsets that must change (None: only LoRes bytes)
            ("heights.png", lambda im: im.putpixel((x, y), ((altitude + 50) % 256) * 257 + 100), [at]),
            ("countries.png", lambda im: im.putpixel((x, y), (attributes & 0x0F) ^ 3), [at + 2]),
            ("splits.png", lambda im: im.putpixel((x, y), 0 if attributes & 0x80 else 255), [at + 2]),
            ("colours.png", lambda im: [im.putpixel((4 * x + i, 4 * y + j), (255, 0, 255, 255))
                                        for i in range(4) for j in range(4)], None),
        ]
        for picture, change, expected in cases:
            with self.subTest(picture=picture):
                kept = self.read(os.path.join("island-map", picture))
                self.edit_picture(os.path.join("island-map", picture), change)
                self.assertStatus(self.run_tool("set-map", "island.lnd", "island-map", "--out", "edited.lnd"), 0)
                edited = self.read("edited.lnd")
                changes = changed_offsets(original, edited)
                if expected is None:
                    self.assertTrue(changes)
                    self.assertTrue(all(i in lores_area for i in changes), changes[:5])
                    # Only the 4 x 4 DXT3 blocks under the painted texels: a few, in one texture.
                    self.assertEqual(len({(i - HEADER_SIZE) // LORES_SIZE for i in changes}), 1)
                    self.assertLessEqual(len({(i - HEADER_SIZE) // 16 for i in changes}), 4)
                else:
                    self.assertEqual(changes, expected)
                if picture == "heights.png":
                    self.assertEqual(edited[at], (altitude + 50) % 256)
                with open(self.path("island-map", picture), "wb") as f:
                    f.write(kept)


class NewLandscapeTest(PictureTestCase):
    def heightmap16(self, name, width, height, seed=1):
        """Three smooth islands in a flat sea, 16-bit grey, as a terrain tool writes them."""
        rng = random.Random(seed)
        hills = [(rng.random() * width, rng.random() * height, 30, 0.5 + 0.5 * rng.random()) for _ in range(3)]
        image = self.Image.new("I;16", (width, height))
        values = []
        for j in range(height):
            for i in range(width):
                v = 0.0
                for hx, hy, radius, top in hills:
                    d2 = ((i - hx) ** 2 + (j - hy) ** 2) / (radius * radius)
                    if d2 < 1:
                        v += top * (1 - d2) ** 2
                values.append(int(min(1.0, v) * 65535))
        image.putdata(values)
        image.save(self.path(name))

    def heights_back(self, lnd):
        self.assertStatus(self.run_tool("heightmap", lnd, "--out", "back.png", "--format", "png8"), 0)
        with self.Image.open(self.path("back.png")) as image:
            self.assertEqual(image.size, (513, 513))
            return list(image.getdata())

    def test_a_heightmap_of_any_size_becomes_a_landscape_that_every_command_takes(self):
        self.heightmap16("terrain.png", 300, 220)
        result = self.run_tool("new", "world.lnd", "--heights", "terrain.png", "--sea-level", "20")
        self.assertStatus(result, 0)
        self.assertFalse(result.err_lines, str(result))
        info = self.run_tool("info", "world.lnd")
        self.assertStatus(info, 0)
        self.assertIn(NO_FAULTS_LINE, info.out_lines)
        heights = self.heights_back("world.lnd")
        self.assertEqual(min(heights), 20)
        self.assertGreater(max(heights), 120)
        self.assertStatus(self.run_tool("unpack", "world.lnd", "world"), 0)
        self.assertStatus(self.run_tool("pack", "world", "again.lnd"), 0)
        self.assertEqual(self.read("again.lnd"), self.read("world.lnd"))

    def test_a_513_picture_is_taken_exactly(self):
        rng = random.Random(5)
        # Rough patches in one corner, so that the blocks fit without a sea level.
        values = [rng.randrange(0, 256) if (j // 40 + i // 40) % 3 == 0 and i < 200 and j < 200 else 0
                  for j in range(513) for i in range(513)]
        image = self.Image.new("L", (513, 513))
        image.putdata(values)
        image.save(self.path("exact.png"))
        result = self.run_tool("new", "exact.lnd", "--heights", "exact.png")
        if result.status == 2 and "--sea-level" in result.err:
            self.fail("the picture was meant to fit: " + str(result))
        self.assertStatus(result, 0)
        self.assertEqual(self.heights_back("exact.lnd"), values)

    def test_too_many_blocks_are_refused_with_the_sea_level_that_fits(self):
        rng = random.Random(2)
        values = [int(120 + 100 * ((i / 513) * (j / 513))) + rng.randrange(0, 3) for j in range(513) for i in range(513)]
        image = self.Image.new("L", (513, 513))
        image.putdata(values)
        image.save(self.path("rough.png"))
        result = self.run_tool("new", "rough.lnd", "--heights", "rough.png")
        self.assertOneErrorLine(result, "rough.png", "more than the 255 a landscape holds")
        self.assertFalse(os.path.exists(self.path("rough.lnd")))
        fitting = int(re.search(r"--sea-level (\d+) is the lowest that fits", result.err).group(1))
        self.assertStatus(self.run_tool("new", "fits.lnd", "--heights", "rough.png", "--sea-level", fitting), 0)
        self.assertLessEqual(header_counts(self.read("fits.lnd"))[0], 255)
        self.assertOneErrorLine(self.run_tool("new", "no.lnd", "--heights", "rough.png", "--sea-level", fitting - 1),
                                "--sea-level %d is the lowest that fits" % fitting)

    def test_bad_input_is_listed_and_nothing_is_written(self):
        self.Image.new("RGB", (64, 64), (10, 20, 30)).save(self.path("rgb.png"))
        self.Image.new("L", (64, 64), 40).save(self.path("grey.png"))
        self.Image.new("RGB", (64, 64), (255, 128, 0)).save(self.path("orange.png"))  # no country colour
        self.Image.new("RGB", (100, 100), (90, 90, 90)).save(self.path("small-material.png"))
        os.mkdir(self.path("empty"))
        os.mkdir(self.path("odd"))
        os.rename(self.path("small-material.png"), self.path("odd", "m.png"))
        with open(self.path("short.r16"), "wb") as f:
            f.write(struct.pack("<10H", *range(10)))
        with open(self.path("not-a-picture.png"), "w") as f:
            f.write("hello")
        cases = [
            (["--heights", "rgb.png"], [["rgb.png"]]),
            (["--heights", "not-a-picture.png"], [["not-a-picture.png", "is not a PNG file"]]),
            (["--heights", "grey.png", "--sea-level", "256"], [["sea level", "256"]]),
            (["--heights", "grey.png", "--countries", "orange.png"], [["orange.png", "no country"]]),
            (["--heights", "grey.png", "--materials", "empty"], [["empty", "no .png"]]),
            (["--heights", "grey.png", "--materials", "odd"], [["odd/m.png"]]),
            (["--heights", "short.r16", "--format", "r16"], [["short.r16", "--size"]]),
            (["--heights", "short.r16", "--format", "r16", "--size", "4x4"], [["short.r16", "20 bytes"]]),
            # Every fault at once, each on its line.
            (["--heights", "rgb.png", "--countries", "orange.png", "--materials", "empty"],
             [["rgb.png"], ["orange.png"], ["empty"]]),
        ]
        for options, lines in cases:
            with self.subTest(options=options):
                result = self.run_tool("new", "out.lnd", *options)
                self.assertStatus(result, 2)
                self.assertEqual(len(result.err_lines), len(lines), str(result))
                for line, fragments in zip(result.err_lines, lines):
                    self.assertTrue(line.startswith("ERROR : "), line)
                    for fragment in fragments:
                        self.assertIn(fragment, line)
                self.assertFalse(os.path.exists(self.path("out.lnd")))

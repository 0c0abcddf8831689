"""lndtool unpack, pack and set-heights through the real command line: the
folder's pictures read by Pillow, packed files read by info, every class of
bad folder refused with nothing written, edits changing exactly their bytes,
and heightmaps (made here with Pillow, in the layout the heightmap export
writes) setting the altitudes of the placed blocks."""

import json
import os
import shutil
import struct

from lndfile import HEADER_SIZE, LORES_SIZE, BLOCK_SIZE, COUNTRY_SIZE, MATERIAL_SIZE, Block, LandscapeFile, \
    dds_of_record, header_counts, require_pillow
from test_lndtool import ToolTestCase


def areas(data):
    """Start of the blocks, countries, materials and detail map."""
    blocks, countries, materials, lores = header_counts(data)
    block = HEADER_SIZE + LORES_SIZE * lores
    country = block + BLOCK_SIZE * blocks
    material = country + COUNTRY_SIZE * countries
    return block, country, material, material + MATERIAL_SIZE * materials


def cell(data, k, r, c):
    """Offset of cell (r, c) of block k."""
    return areas(data)[0] + BLOCK_SIZE * k + 4 + 136 * r + 8 * c


class FolderTest(ToolTestCase):
    def setUp(self):
        super().setUp()
        require_pillow()
        from PIL import Image
        self.Image = Image

    def unpacked(self, data, name="land"):
        path = self.path(name + ".lnd")
        with open(path, "wb") as f:
            f.write(data)
        self.assertStatus(self.run_tool("unpack", path, self.path(name)), 0)
        return self.path(name)

    def edit_json(self, folder, change):
        with open(os.path.join(folder, "landscape.json")) as f:
            document = json.load(f)
        change(document)
        with open(os.path.join(folder, "landscape.json"), "w") as f:
            json.dump(document, f)

    def picture(self, folder, name):
        with self.Image.open(os.path.join(folder, name)) as image:
            return image.copy()

    def edit_image(self, folder, name, change):
        image = self.picture(folder, name)
        change(image)
        image.save(os.path.join(folder, name))

    def packed(self, folder):
        result = self.run_tool("pack", folder, self.path("out.lnd"))
        self.assertStatus(result, 0)
        with open(self.path("out.lnd"), "rb") as f:
            return f.read(), result

    def test_pillow_reads_the_folder_and_info_reads_what_pack_writes(self):
        _, data, _ = self.make_sample("s.lnd", "--blocks", 6, "--seed", 2)
        folder = self.unpacked(data)
        self.assertEqual(self.packed(folder)[0], data)
        block, _, material, detail = areas(data)
        picture = lambda name: self.picture(folder, name)
        self.assertEqual((picture("lores/0.png").mode, picture("lores/0.png").size), ("RGBA", (256, 256)))
        with open(os.path.join(folder, "lores/0.dds"), "rb") as f:
            self.assertEqual(f.read(), dds_of_record(data, 0))
        for r, c in ((0, 0), (3, 16), (16, 9)):
            self.assertEqual(picture("blocks/2-altitude.png").getpixel((c, r)), data[cell(data, 2, r, c)])
            attributes = data[cell(data, 2, r, c) + 2]
            self.assertEqual(picture("blocks/2-country.png").getpixel((c, r)), attributes & 15)
            self.assertEqual(picture("blocks/2-split.png").getpixel((c, r)), 255 if attributes & 128 else 0)
        for x, y in ((0, 0), (200, 7), (9, 250)):
            self.assertEqual(picture("materials/3.png").getpixel((x, y)),
                             struct.unpack_from("<H", data, material + 3 * MATERIAL_SIZE + 2 + 2 * (256 * y + x))[0])
            self.assertEqual(picture("detail.png").getpixel((x, y)), data[detail + 256 * x + y])

        # One more block (placed), country and material: the counts follow the lists.
        blocks, countries, materials, lores = header_counts(data)
        for name in ("altitude", "country", "split"):
            shutil.copy(os.path.join(folder, "blocks/0-%s.png" % name),
                        os.path.join(folder, "blocks/%d-%s.png" % (blocks, name)))
        shutil.copy(os.path.join(folder, "materials/0.png"), os.path.join(folder, "materials/%d.png" % materials))

        def grow(document):
            document["blocks"].append(document["blocks"][0])
            document["countries"].append(document["countries"][0])
            document["materials"].append({})
            document["header"]["block_map"][0][0] = blocks + 1
        self.edit_json(folder, grow)
        grown, _ = self.packed(folder)
        self.assertStatus(self.run_tool("info", self.path("out.lnd")), 0)
        self.assertEqual(header_counts(grown), (blocks + 1, countries + 1, materials + 1, lores))
        self.assertStatus(self.run_tool("render", self.path("out.lnd"), "--out", self.path("o.png"), "--overview"), 0)

    def test_edits_change_exactly_their_bytes(self):
        data = LandscapeFile.small(blocks=2, countries=2, materials=2, lores=1).to_bytes()
        folder = self.unpacked(data)
        block, country, material, detail = areas(data)
        entry = country + COUNTRY_SIZE + 4 + 12 * 40
        rows = [  # (what, edit, {offset: new byte})
            ("altitude", lambda: self.edit_image(folder, "blocks/1-altitude.png", lambda i: i.putpixel((5, 2), 77)),
             {cell(data, 1, 2, 5): 77}),
            ("country and split", lambda: (
                self.edit_image(folder, "blocks/0-country.png", lambda i: i.putpixel((16, 16), 1)),
                self.edit_image(folder, "blocks/0-split.png", lambda i: i.putpixel((16, 16), 255))),
             {cell(data, 0, 16, 16) + 2: 0x81}),
            ("texel", lambda: self.edit_image(folder, "materials/1.png", lambda i: i.putpixel((3, 1), 0x1234)),
             {material + MATERIAL_SIZE + 2 + 2 * (256 + 3): 0x34, material + MATERIAL_SIZE + 3 + 2 * (256 + 3): 0x12}),
            ("detail", lambda: self.edit_image(folder, "detail.png", lambda i: i.putpixel((1, 2), 9)),
             {detail + 256 + 2: 9}),
            ("weight and reserved", lambda: self.edit_json(folder, lambda d: (
                d["countries"][1]["entries"][40].__setitem__(2, 200),
                d["blocks"][0].__setitem__("reserved_2508", "00" * 11 + "ff"))),
             {entry + 8: 200, block + 2519: 0xFF}),
        ]
        for what, edit, changed in rows:
            with self.subTest(edit=what):
                shutil.rmtree(folder)
                folder = self.unpacked(data)
                edit()
                packed, result = self.packed(folder)
                self.assertEqual(result.err, "")
                self.assertEqual({n: packed[n] for n in range(len(data)) if packed[n] != data[n]}, changed)

    def test_every_bad_folder_is_refused_and_nothing_is_written(self):
        data = LandscapeFile.small(blocks=2, countries=2, materials=2, lores=1).to_bytes()
        base = self.unpacked(data, "base")
        rows = [  # (fault, edit of the folder, fragments of the lines)
            ("size", ("image", "blocks/0-altitude.png", self.Image.new("L", (16, 17))),
             ["blocks/0-altitude.png : is 16 x 17 pixels, 8-bit grey; it must be 17 x 17 pixels, 8-bit grey"]),
            ("depth", ("image", "materials/0.png", self.Image.new("L", (256, 256))), ["8-bit grey; it must be 256"]),
            ("colour type", ("image", "lores/0.png", self.Image.new("LA", (256, 256))),
             ["8-bit grey with alpha; it must be 256 x 256 pixels, 8-bit RGBA; save it as 8-bit RGBA (in GIMP"]),
            ("country", ("pixel", "blocks/1-country.png", 16), ["1 pixels hold a country index above 15, the most a cell holds (the first, 16, at row 2, column 0)"]),
            ("split", ("pixel", "blocks/1-split.png", 128), ["neither 0 (clear) nor 255 (set)"]),
            ("weight", ("json", lambda d: d["countries"][1]["entries"][5].__setitem__(2, 2 ** 32), None),
             ["to 4294967295, found 4294967296 (countries[1].entries[5][2], line 1, column "]),
            ("negative", ("json", lambda d: d["countries"][0]["entries"][0].__setitem__(0, -1), None), ["found -1"]),
            ("type", ("json", lambda d: d["blocks"][1].__setitem__("lores_index", "one"), None),
             ['found "one" (blocks[1].lores_index, line 1, column ']),
            ("version", ("json", lambda d: d.__setitem__("version", 2), None), ["unknown schema version 2"]),
            ("syntax", ("text", None, b'{\n  "format":\n   nope }'), ["landscape.json : syntax error", "(line 3, column"]),
            ("missing and extra", ("move", "blocks/1-split.png", "blocks/2-split.png"),
             ["blocks/2-split.png : is no file of this folder", "blocks/1-split.png : missing (blocks[1])"]),
            ("both lores files", ("both", None, None), ["lores/0.png : differs from", "both changed since unpack"]),
            ("dds", ("dds", 12, b"\x80"), ["lores/0.dds : has a DDS header that does not describe a 256 x 256"]),
            # Left from another landscape: this one has no trailing bytes.
            ("stale trailing", ("file", "trailing.bin", b"left over"),
             ["trailing.bin : is no file of this folder", "and no trailing_bytes"]),
        ]
        for fault, (kind, what, value), fragments in rows:
            with self.subTest(fault=fault):
                folder = self.path("bad")
                shutil.rmtree(folder, ignore_errors=True)
                # A row that wrongly packs turns only itself red.
                if os.path.exists(self.path("out.lnd")):
                    os.remove(self.path("out.lnd"))
                shutil.copytree(base, folder)
                at = os.path.join(folder, what) if isinstance(what, str) else None
                if kind == "image":
                    value.save(at)
                elif kind == "pixel":
                    self.edit_image(folder, what, lambda i: i.putpixel((0, 2), value))
                elif kind == "json":
                    self.edit_json(folder, what)
                elif kind == "text":
                    with open(os.path.join(folder, "landscape.json"), "wb") as f:
                        f.write(value)
                elif kind == "move":
                    os.rename(at, os.path.join(folder, value))
                elif kind == "file":
                    with open(at, "wb") as f:
                        f.write(value)
                if kind in ("both", "dds"):
                    with open(os.path.join(folder, "lores/0.dds"), "r+b") as f:
                        f.seek(what or 200)
                        f.write(value or b"\x55")
                if kind == "both":
                    self.edit_image(folder, "lores/0.png", lambda i: i.putpixel((0, 0), (1, 2, 3, 4)))
                result = self.run_tool("pack", folder, self.path("out.lnd"))
                self.assertStatus(result, 2)
                self.assertTrue(all(line.startswith("ERROR : " + folder) for line in result.err_lines), str(result))
                for fragment in fragments:
                    self.assertTrue(any(fragment in line for line in result.err_lines), fragment + "\n" + str(result))
                self.assertFalse(os.path.exists(self.path("out.lnd")))

    def test_pictures_as_editors_save_them_pack_when_nothing_is_lost(self):
        land = LandscapeFile.small(blocks=2, countries=1, materials=1, lores=2)
        data = bytearray(land.to_bytes())
        data[HEADER_SIZE + LORES_SIZE + 148] = 0x0F  # one texel of LoRes 1 not opaque
        base = self.unpacked(bytes(data), "base")
        grey_as_rgb = lambda i: i.convert("RGB")

        def coloured(image):
            rgb = image.convert("RGB")
            rgb.putpixel((0, 2), (1, 2, 3))
            return rgb
        took = "WARNING : %s : took 1 file (%s) as saved by an image editor in RGB, with no value lost"
        rows = [  # (picture, how it is saved, the fragment of the one line, whether it packs)
            ("blocks/1-altitude.png", grey_as_rgb, took % ("{}", "blocks/1-altitude.png"), True),
            ("detail.png", lambda i: i.convert("RGBA"), took % ("{}", "detail.png"), True),
            ("materials/0.png", "rgb16", took % ("{}", "materials/0.png"), True),
            ("lores/0.png", grey_as_rgb, took % ("{}", "lores/0.png"), True),
            ("lores/1.png", grey_as_rgb, "its alpha was dropped on saving, and this texture's alpha is not all "
                                         "opaque; save it again as 8-bit RGBA", False),
            ("blocks/0-country.png", coloured, "is 8-bit RGB with pixels that are not grey (the first at row 2, "
                                               "column 0); a grey picture is wanted: save it as 8-bit grey", False),
            ("blocks/0-split.png", lambda i: i.convert("P"), "8-bit grey; save it as 8-bit grey (in GIMP", False),
        ]
        for name, save, fragment, packs in rows:
            with self.subTest(picture=name):
                folder = self.path("edited")
                shutil.rmtree(folder, ignore_errors=True)
                shutil.copytree(base, folder)
                if save == "rgb16":
                    self.write_rgb16(os.path.join(folder, name), self.picture(folder, name))
                else:
                    save(self.picture(folder, name)).save(os.path.join(folder, name))
                result = self.run_tool("pack", folder, self.path("out.lnd"))
                self.assertStatus(result, 0 if packs else 2)
                self.assertEqual(len(result.err_lines), 1, str(result))
                self.assertIn(fragment.format(folder), result.err_lines[0])
                if packs:
                    with open(self.path("out.lnd"), "rb") as f:
                        self.assertEqual(f.read(), bytes(data))
                    os.remove(self.path("out.lnd"))

    def write_rgb16(self, path, grey):
        """A 16-bit RGB PNG with R = G = B = the grey picture's samples (Pillow writes none)."""
        import zlib
        width, height = grey.size
        rows = b"".join(b"\0" + b"".join(struct.pack(">HHH", *(grey.getpixel((x, y)),) * 3) for x in range(width))
                        for y in range(height))
        chunk = lambda kind, body: (struct.pack(">I", len(body)) + kind + body +
                                    struct.pack(">I", zlib.crc32(kind + body)))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 16, 2, 0, 0, 0)) +
                    chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))

    def test_files_editors_leave_behind_are_passed_over_in_one_line(self):
        data = LandscapeFile.small(blocks=1, countries=1, materials=1, lores=1).to_bytes()
        folder = self.unpacked(data)
        leftovers = ["blocks/0-altitude.png~", "lores/.0.png.swp", "landscape.json.bak", "lores/0.xcf", "a.kra",
                     "materials/B.PSD", "Thumbs.db", ".DS_Store"]
        for name in leftovers:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"left over")
        packed, result = self.packed(folder)
        self.assertEqual(packed, data)
        self.assertEqual(len(result.err_lines), 1, str(result))
        self.assertTrue(result.err_lines[0].startswith("WARNING : %s : passed over 8 files (" % folder), str(result))
        self.assertTrue(result.err_lines[0].endswith(", ...), left by image or text editors"), str(result))
        # Another file is no leftover.
        with open(os.path.join(folder, "notes.txt"), "wb") as f:
            f.write(b"mine")
        result = self.run_tool("pack", folder, self.path("out.lnd"))
        self.assertOneErrorLine(result, "notes.txt : is no file of this folder")

    def test_warned_values_pack_and_unpack_refuses_as_info_does(self):
        data = LandscapeFile.small(blocks=1, countries=1, materials=1, lores=1).to_bytes()
        folder = self.unpacked(data)
        self.edit_json(folder, lambda d: d["countries"][0]["entries"][3].__setitem__(1, 9) or
                       d["countries"][0]["entries"][4].__setitem__(2, 256))
        packed, result = self.packed(folder)
        self.assertEqual([line.split(" : ")[2] for line in result.err_lines],
                         ["1 country entries name a material at or above the material count 1; the last material is used",
                          "1 country entries have a BlendWeight above 255"])
        # A damaged file: info's ERROR line. A folder holding files: refused, unless --force.
        with open(self.path("short.lnd"), "wb") as f:
            f.write(data[:-1])
        info = self.run_tool("info", self.path("short.lnd"))
        self.assertOneErrorLine(self.run_tool("unpack", self.path("short.lnd"), self.path("d")), info.faults()[0][8:])
        self.assertFalse(os.path.exists(self.path("d")))
        self.assertOneErrorLine(self.run_tool("unpack", self.path("land.lnd"), folder), "the folder is not empty")
        self.assertStatus(self.run_tool("unpack", self.path("land.lnd"), folder, "--force"), 0)
        self.assertEqual(self.packed(folder)[0], data)


class SetHeightsTest(ToolTestCase):
    def heightmap(self, fmt, height):
        require_pillow()
        from PIL import Image
        path = self.path("h." + fmt)
        values = [height(y, x) for y in range(513) for x in range(513)]
        if fmt == "r16":
            with open(path, "wb") as f:
                f.write(struct.pack("<%dH" % len(values), *[v * 257 for v in values]))
        else:
            image = Image.new("L" if fmt == "png" else "I;16", (513, 513))
            image.putdata(values if fmt == "png" else [v * 257 for v in values])
            image.save(path, format="PNG")
        return path

    def set_heights(self, land, fmt, height, *options):
        path = self.path("land.lnd")
        land.write(path)
        result = self.run_tool("set-heights", path, self.heightmap(fmt, height), "--out", self.path("new.lnd"),
                               "--format", "r16" if fmt == "r16" else "png", *options)
        if result.status != 0:
            return result, None
        with open(self.path("new.lnd"), "rb") as f:
            return result, f.read()

    def test_each_place_takes_its_samples_and_nothing_else_changes(self):
        land = LandscapeFile.small(blocks=3, countries=1, materials=1, lores=1)
        land.block_map = bytearray(32 * 32)
        land.place(1, 2, 3).place(2, 2, 4).place(3, 10, 31)
        height = lambda y, x: (7 * x + 3 * y) % 256
        for fmt in ("png", "png16", "r16"):
            with self.subTest(format=fmt):
                _, new = self.set_heights(land, fmt, height)
                old = land.to_bytes()
                expected = {cell(old, v - 1, r, c): height(16 * b + r, 16 * a + c)
                            for v, b, a in ((1, 2, 3), (2, 2, 4), (3, 10, 31)) for r in range(17) for c in range(17)}
                self.assertEqual(len(new), len(old))
                self.assertEqual({n: new[n] for n in range(len(old)) if new[n] != old[n]},
                                 {n: v for n, v in expected.items() if old[n] != v})

    def test_a_block_placed_twice_is_split_or_refused(self):
        land = LandscapeFile.small(blocks=1, countries=1, materials=1, lores=1)
        land.place(1, 5, 5)  # block 0 also at (16, 17)
        result, _ = self.set_heights(land, "png", lambda y, x: y % 256)
        self.assertOneErrorLine(result, "block 0 is placed at (5, 5), (16, 17)", "--split-shared")
        self.assertFalse(os.path.exists(self.path("new.lnd")))
        _, new = self.set_heights(land, "png", lambda y, x: y % 256, "--split-shared")
        self.assertEqual(header_counts(new)[0], 2)
        self.assertEqual((new[4 + 32 * 5 + 5], new[4 + 32 * 16 + 17]), (1, 2))
        self.assertEqual(new[cell(new, 1, 16, 0)], (16 * 16 + 16) % 256)
        self.assertStatus(self.run_tool("info", self.path("new.lnd")), 0)
        # Past 255 blocks the copies could not be placed.
        full = LandscapeFile(blocks=[Block() for _ in range(255)])
        for v in range(1, 256):
            full.place(v, v // 32, v % 32)
        full.place(1, 31, 31)
        result, _ = self.set_heights(full, "png", lambda y, x: y % 256, "--split-shared")
        self.assertOneErrorLine(result, "needs 1 more blocks, 256 in all; a map names 255 at most")
        # Without a copy to place, blocks past the map's reach are no obstacle.
        many = LandscapeFile(blocks=[Block() for _ in range(257)])
        many.place(1, 0, 0)
        many.place(1, 31, 31)
        result, new = self.set_heights(many, "png", lambda y, x: 9, "--split-shared")
        self.assertStatus(result, 0)
        self.assertEqual((header_counts(new)[0], new[cell(new, 0, 16, 16)]), (257, 9))

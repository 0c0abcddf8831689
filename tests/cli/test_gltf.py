"""lndtool gltf and heightmap, read back by real readers: the Khronos glTF
validator (npm, in the build tree), assimp (Debian's assimp-utils), Pillow
and numpy; and both commands on damaged and faulty files."""

import json
import os
import re
import shutil
import subprocess
import unittest

from lndfile import Block, Country, LandscapeFile, LoRes, Material, block_map, header_counts, require_pillow
from test_lndtool import TOOL_TIMEOUT, ToolTestCase

VALIDATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "validate_gltf.js")
PALETTE = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255), (255, 255, 255),
           (0, 0, 0), (128, 0, 0), (0, 128, 0), (0, 0, 128), (128, 128, 0), (0, 128, 128), (128, 0, 128),
           (128, 128, 128), (0, 0, 0)]


def cells(data, k):
    """(altitude, country) of every cell (r, c) of block k, from the file's bytes."""
    start = 1052 + 65680 * header_counts(data)[3] + 2520 * k + 4
    return [[(data[start + 136 * r + 8 * c], data[start + 136 * r + 8 * c + 2] & 15) for c in range(17)]
            for r in range(17)]


class GltfTest(ToolTestCase):
    def run_reader(self, *args):
        completed = subprocess.run(args, capture_output=True, text=True, timeout=TOOL_TIMEOUT, cwd=self.tmp)
        self.assertEqual(completed.returncode, 0, completed.stderr)
        return completed.stdout

    def test_validator_and_assimp_read_the_sample(self):
        modules = os.environ.get("GLTF_VALIDATOR_MODULES", "")
        if not shutil.which("node") or not os.path.isdir(os.path.join(modules, "gltf-validator")):
            self.skipTest("the glTF validator is not installed (scripts/install-deps.sh puts it in the build tree)")
        if not shutil.which("assimp"):
            self.skipTest("assimp is not installed (Debian package assimp-utils)")
        path, data, _ = self.make_sample("sample.lnd")
        places = sum(1 for row in block_map(data) for v in row if v)
        blocks = len({v for row in block_map(data) for v in row if v})
        for out, options, lines in (("land.glb", [], False), ("my land.gltf", ["--overlay"], True),
                                    ("bare.glb", ["--textures", "none"], False)):
            with self.subTest(out=out):
                result = self.run_tool("gltf", path, "--out", out, *options)
                self.assertStatus(result, 0)
                report = json.loads(self.run_reader("node", VALIDATOR, self.path(out)))
                issues = report["issues"]
                self.assertEqual((issues["numErrors"], issues["numWarnings"]), (0, 0), issues["messages"][:5])
                primitives = 2 if lines else 1
                self.assertEqual(report["info"]["drawCallCount"], places * primitives)
                self.assertEqual(report["info"]["totalTriangleCount"], places * 512)
                self.assertEqual(report["info"]["materialCount"], 0 if "none" in options else blocks + lines)
                counts = dict(re.findall(r"^([A-Z][\w. ()]+?):\s+(\d+)$", self.run_reader("assimp", "info", out), re.M))
                self.assertEqual(int(counts["Nodes"]), places + 1)  # and the root
                self.assertEqual(int(counts["Meshes"]), blocks * primitives)
                self.assertEqual(int(counts["Vertices"]), blocks * 289 * primitives)
                self.assertEqual(int(counts["Faces"]), blocks * (512 + 800 * lines))
                self.assertEqual(int(counts["Textures (embed.)"]), blocks if out == "land.glb" else 0)
        self.assertEqual(len([f for f in os.listdir(self.tmp) if f.startswith("my_land-block-")]), blocks)

    def test_damaged_and_faulty_files(self):
        land = LandscapeFile(blocks=[Block(altitude=7)], countries=[Country()], materials=[Material()],
                             lores=[LoRes()])
        land.place(1, 0, 0).place(1, 0, 1).place(9, 3, 3)  # byte 9 names no block
        land.write(self.path("faulty.lnd"))
        land.write(self.path("short.lnd"), truncate_to=2000)
        beyond = [line for line in self.run_tool("info", self.path("faulty.lnd")).faults() if "BlockMap places" in line]
        damaged = self.run_tool("info", self.path("short.lnd")).faults()
        for command in (["gltf", "--out", "x.glb"], ["heightmap", "--out", "x.png"]):
            with self.subTest(command=command[0]):
                result = self.run_tool(command[0], self.path("short.lnd"), *command[1:])
                self.assertOneErrorLine(result, damaged[0])
                result = self.run_tool(command[0], self.path("faulty.lnd"), *command[1:])
                self.assertStatus(result, 0)
                self.assertEqual(result.err_lines, beyond)
                os.remove(self.path(command[2]))
        self.assertOneErrorLine(self.run_tool("gltf", self.path("faulty.lnd"), "--out", "x.obj"), ".glb or a .gltf")
        self.assertEqual(sorted(os.listdir(self.tmp)), ["faulty.lnd", "short.lnd", "x.json"])

    def test_heightmap_samples_are_the_cells_of_every_place(self):
        require_pillow()
        import numpy
        from PIL import Image
        path, data, _ = self.make_sample("sample.lnd", "--blocks", 40, "--seed", 5)
        heights = numpy.zeros((513, 513), int)
        countries = numpy.full((513, 513), 16)
        places = [(row, column, v) for row, values in enumerate(block_map(data)) for column, v in enumerate(values)]
        for row, column, v in reversed(places):  # the place first in row-major order wins a shared sample
            if v:
                grid = numpy.array(cells(data, v - 1))
                heights[16 * row:16 * row + 17, 16 * column:16 * column + 17] = grid[:, :, 0]
                countries[16 * row:16 * row + 17, 16 * column:16 * column + 17] = grid[:, :, 1]
        for out, form, scale in (("h.png", "png16", 257), ("h8.png", "png8", 1), ("h.r16", "r16", 257)):
            with self.subTest(format=form):
                self.assertStatus(self.run_tool("heightmap", path, "--out", out, "--format", form,
                                                "--countries", "c.png"), 0)
                if form == "r16":
                    samples = numpy.fromfile(self.path(out), dtype="<u2").reshape(513, 513)
                else:
                    with Image.open(self.path(out)) as im:
                        self.assertIn(im.mode, ("I", "I;16") if form == "png16" else ("L",))
                        samples = numpy.array(im)
                self.assertTrue((samples == heights * scale).all())
                with open(self.path(os.path.splitext(out)[0] + ".json")) as f:
                    sidecar = json.load(f)
                self.assertEqual(sidecar["height_scale"], 1 / scale)
                self.assertEqual((sidecar["width"], sidecar["height"], sidecar["units_per_sample"]), (513, 513, 10))
                self.assertEqual(sidecar["mismatched_edge_samples"], 0)
                self.assertEqual(sidecar["empty_places"], [[r, c] for r, row in enumerate(block_map(data))
                                                           for c, v in enumerate(row) if not v])
                land = heights[countries < 16]
                self.assertEqual((sidecar["altitude_min"], sidecar["altitude_max"]), (land.min(), land.max()))
        with Image.open(self.path("c.png")) as im:
            self.assertEqual(im.mode, "P")
            palette = im.getpalette()[:3 * 17]
            self.assertEqual([tuple(palette[3 * i:3 * i + 3]) for i in range(16)], PALETTE)
            self.assertTrue((numpy.array(im) == countries).all())
            alpha = numpy.array(im.convert("RGBA"))[:, :, 3]
            self.assertTrue((alpha == numpy.where(countries < 16, 255, 0)).all())


if __name__ == "__main__":
    unittest.main()

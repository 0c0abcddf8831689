"""lndtool through its real command line: make-sample, info on well-formed
and faulty files, usage and help, and export, whose files are read back with
Pillow and compared with the records they come from.

The path of lndtool comes from the environment variable LNDTOOL, which
ctest sets; set it yourself when running by hand, e.g.
  cd tests/window && LNDTOOL=../../build/lndtool /usr/bin/python3 -m unittest -v test_lndtool
"""

import os
import re
import subprocess
import tempfile
import unittest

from lndfile import (DDS_FILE_SIZE, HEADER_SIZE, LORES_SIZE, Block, Country, LandscapeFile, LoRes, Material,
                     PatternLoRes, RawLoRes, block_map, dds_header, dds_of_record, header_counts, program_path,
                     require_pillow, required_length)

TOOL_TIMEOUT = 120.0
NO_FAULTS_LINE = "Faults                  : none"
SAMPLE_LINE = re.compile(r"^wrote (.+) : (\d+) blocks, (\d+) countries, (\d+) materials, (\d+) LoRes textures, "
                         r"(\d+) bytes \(seed (\d+)\)$")
GRID_LINE = re.compile(r"^ +(\d+) (\S{32})$")


def lndtool_path():
    return program_path("LNDTOOL", "lndtool")


class Result:
    def __init__(self, completed):
        self.status = completed.returncode
        self.out = completed.stdout.decode("latin-1")
        self.err = completed.stderr.decode("latin-1")
        self.out_lines = self.out.splitlines()
        self.err_lines = self.err.splitlines()

    def faults(self):
        """The lines listed under "Faults:" (info)."""
        if "Faults:" not in self.out_lines:
            return []
        after = self.out_lines[self.out_lines.index("Faults:") + 1:]
        return [line[2:] for line in after if line.startswith("  ")]

    def value(self, label):
        """The text after "<label> : " of an info line."""
        for line in self.out_lines:
            name, sep, rest = line.partition(" : ")
            if sep and name.strip() == label:
                return rest
        raise AssertionError("no %r line in:\n%s" % (label, self.out))

    def grid(self):
        """The BlockMap grid that info prints, as 32 strings of 32 characters."""
        rows = {}
        for line in self.out_lines:
            m = GRID_LINE.match(line)
            if m:
                rows[int(m.group(1))] = m.group(2)
        assert sorted(rows) == list(range(32)), "no complete BlockMap grid in:\n" + self.out
        return [rows[b] for b in range(32)]

    def __str__(self):
        return "status %d\nstdout:\n%s\nstderr:\n%s" % (self.status, self.out, self.err)


class ToolTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tool = lndtool_path()

    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="lndtool-")
        self.addCleanup(self._tmp.cleanup)
        self.tmp = self._tmp.name

    def path(self, *names):
        return os.path.join(self.tmp, *names)

    def run_tool(self, *args):
        completed = subprocess.run([self.tool] + [str(a) for a in args], cwd=self.tmp, stdin=subprocess.DEVNULL,
                                   capture_output=True, timeout=TOOL_TIMEOUT)
        return Result(completed)

    def assertStatus(self, result, status):
        self.assertEqual(result.status, status, str(result))

    def assertOneErrorLine(self, result, *fragments):
        """Exit status 2 and exactly one "ERROR : " line on stderr holding every fragment."""
        self.assertStatus(result, 2)
        self.assertEqual(len(result.err_lines), 1, str(result))
        self.assertTrue(result.err_lines[0].startswith("ERROR : "), str(result))
        for fragment in fragments:
            self.assertIn(fragment, result.err_lines[0])

    def make_sample(self, name, *options):
        path = self.path(name)
        result = self.run_tool("make-sample", path, *options)
        self.assertStatus(result, 0)
        with open(path, "rb") as f:
            return path, f.read(), result


# ---------------------------------------------------------------------------
# make-sample
# ---------------------------------------------------------------------------


class MakeSampleTest(ToolTestCase):
    def test_same_seed_and_options_give_the_same_bytes(self):
        _, first, _ = self.make_sample("a.lnd", "--seed", 7, "--blocks", 30)
        _, again, _ = self.make_sample("b.lnd", "--seed", 7, "--blocks", 30)
        _, other_seed, _ = self.make_sample("c.lnd", "--seed", 8, "--blocks", 30)
        _, other_cap, _ = self.make_sample("d.lnd", "--seed", 7, "--blocks", 12)
        self.assertTrue(first == again, "two runs with seed 7 wrote different files")
        self.assertNotEqual(first, other_seed)
        self.assertNotEqual(first, other_cap)

    def test_output_line_length_and_info_agree(self):
        path, data, result = self.make_sample("tiny.lnd", "--blocks", 4, "--seed", 3)
        self.assertEqual(len(result.out_lines), 1, str(result))
        m = SAMPLE_LINE.match(result.out_lines[0])
        self.assertIsNotNone(m, str(result))
        blocks, countries, materials, lores = header_counts(data)
        self.assertEqual(m.group(1), path)
        self.assertEqual([int(g) for g in m.groups()[1:]],
                         [blocks, countries, materials, lores, len(data), 3])
        self.assertTrue(1 <= blocks <= 4, blocks)
        # Every place that holds land has a block of its own.
        placed = [v for row in block_map(data) for v in row if v]
        self.assertEqual(sorted(placed), list(range(1, blocks + 1)))
        # The file is exactly as long as its counts need.
        self.assertEqual(len(data), required_length(blocks, countries, materials, lores))

        info = self.run_tool("info", path)
        self.assertStatus(info, 0)
        self.assertIn(NO_FAULTS_LINE, info.out_lines)
        self.assertEqual(info.value("Number of Blocks"), str(blocks))
        self.assertEqual(info.value("Number of Countries"), str(countries))
        self.assertEqual(info.value("Number of Materials"), str(materials))
        self.assertEqual(info.value("Number of LoResTextures"), str(lores))
        self.assertEqual(info.value("Length"), "%d bytes; the counts need %d" % (len(data), len(data)))
        # The grid marks exactly the places the file's map fills.
        for b, (grid_row, map_row) in enumerate(zip(info.grid(), block_map(data))):
            self.assertEqual([c != "." for c in grid_row], [v != 0 for v in map_row], "map row %d" % b)

    def test_default_sample_is_well_formed(self):
        path, data, _ = self.make_sample("island.lnd")
        blocks, countries, materials, lores = header_counts(data)
        self.assertTrue(16 < blocks <= 255, blocks)
        self.assertEqual(len(data), required_length(blocks, countries, materials, lores))
        info = self.run_tool("info", path)
        self.assertStatus(info, 0)
        self.assertIn(NO_FAULTS_LINE, info.out_lines)

    def test_bad_block_cap_and_unwritable_path(self):
        for value in ("0", "256", "many"):
            with self.subTest(blocks=value):
                result = self.run_tool("make-sample", self.path("x.lnd"), "--blocks", value)
                self.assertOneErrorLine(result, "--blocks")
                self.assertFalse(os.path.exists(self.path("x.lnd")))
        with open(self.path("plain"), "wb"):
            pass
        result = self.run_tool("make-sample", self.path("plain", "x.lnd"))
        self.assertOneErrorLine(result, self.path("plain", "x.lnd"))


# ---------------------------------------------------------------------------
# info
# ---------------------------------------------------------------------------


def two_block_landscape():
    """A well-formed file with 2 blocks, 2 countries, 3 materials, 1 LoRes texture."""
    return LandscapeFile.small(blocks=2, countries=2, materials=3, lores=1)


class InfoTest(ToolTestCase):
    def info_of(self, name, land=None, data=None):
        path = self.path(name)
        with open(path, "wb") as f:
            f.write(land.to_bytes() if data is None else data)
        return path, self.run_tool("info", path)

    def assertFaults(self, result, expected):
        # 2 for a file the viewer refuses (an ERROR), 1 for one it shows with warnings.
        self.assertStatus(result, 2 if any(line.startswith("ERROR : ") for line in expected) else 1)
        self.assertEqual(result.faults(), expected, str(result))
        self.assertNotIn(NO_FAULTS_LINE, result.out_lines)
        self.assertEqual(result.err, "")

    def test_statuses_say_whether_the_viewer_can_use_the_file(self):
        warned = two_block_landscape()
        warned.blocks[0].country[0][0] = 9
        short = two_block_landscape().to_bytes()[:-1]
        readme = b"# lndview\n\nA viewer for the landscape files of the game.\n" * 40
        # A path of some 3000 bytes: its fault line is whole, to the last byte.
        deep = self.path(*(["d" * 250] * 12))
        os.makedirs(deep)
        cases = [("good.lnd", two_block_landscape().to_bytes(), 0, None),
                 ("warned.lnd", warned.to_bytes(), 1, "WARNING : "),
                 ("short.lnd", short, 2, "file too short"),
                 ("README.lnd", readme, 2, "not a landscape file"),
                 (os.path.join(deep, "short.lnd"), short, 2, "found %d" % len(short))]
        for name, data, status, said in cases:
            with self.subTest(name=name[-20:]):
                path, result = self.info_of(name, data=data)
                self.assertStatus(result, status)
                if said:
                    self.assertTrue(result.faults()[0].startswith(("ERROR : " if status == 2 else "WARNING : ") + path),
                                    result.faults())
                    self.assertIn(said, result.faults()[0])
                    self.assertTrue(result.out.endswith("\n"))
        # A file that is no landscape gets no block map of junk.
        self.assertNotIn("BlockMap", self.info_of("README.lnd", data=readme)[1].out)
        result = self.run_tool("info", self.path("missing.lnd"))
        self.assertStatus(result, 2)

    def test_well_formed_file(self):
        path, result = self.info_of("good.lnd", two_block_landscape())
        self.assertStatus(result, 0)
        self.assertIn(NO_FAULTS_LINE, result.out_lines)
        self.assertEqual(result.value("Number of Blocks"), "2")
        self.assertEqual(result.value("Number of Countries"), "2")
        self.assertEqual(result.value("Number of Materials"), "3")
        self.assertEqual(result.value("Number of LoResTextures"), "1")
        need = required_length(2, 2, 3, 1)
        self.assertEqual(result.value("Length"), "%d bytes; the counts need %d" % (need, need))
        self.assertEqual(result.err, "")

    def test_block_map_rows_and_columns(self):
        land = two_block_landscape()
        land.block_map[:] = bytes(1024)
        land.place(1, 2, 5).place(2, 30, 1)
        _, result = self.info_of("placed.lnd", land)
        self.assertStatus(result, 0)
        grid = result.grid()
        filled = {(b, a) for b in range(32) for a in range(32) if grid[b][a] != "."}
        self.assertEqual(filled, {(2, 5), (30, 1)}, "\n".join(grid))

    def test_structural_faults(self):
        land = two_block_landscape()
        need = required_length(2, 2, 3, 1)
        cases = []
        for length in (0, 1051):
            cases.append(("short-header-%d" % length, land.to_bytes()[:length],
                          "file too short: the header needs 1052 bytes, found %d" % length))
        for stored in (0, -7):
            bad = two_block_landscape()
            bad.block_count_plus_one = stored
            cases.append(("blocks%d" % stored, bad.to_bytes(),
                          "negative block count (stored BlockCountPlusOne %d)" % stored))
        bad = two_block_landscape()
        bad.country_count = -1
        cases.append(("countries", bad.to_bytes(), "negative country count -1"))
        bad = two_block_landscape()
        bad.material_count = -2
        cases.append(("materials", bad.to_bytes(), "negative material count -2"))
        for length in (need - 1, HEADER_SIZE):
            cases.append(("short-%d" % length, land.to_bytes()[:length],
                          "file too short: the counts need %d bytes, found %d" % (need, length)))
        # A count whose areas would not fit even in 32-bit arithmetic: no
        # landscape cut short needs that much.
        bad = two_block_landscape()
        bad.lores_count = 0xFFFFFFFF
        huge_need = need + LORES_SIZE * (0xFFFFFFFF - 1)
        cases.append(("huge", bad.to_bytes(),
                      "not a landscape file: its header's counts (2 blocks, 2 countries, 3 materials, 4294967295 "
                      "LoRes textures) need %d bytes, it has %d" % (huge_need, need)))
        for name, data, message in cases:
            with self.subTest(name):
                path, result = self.info_of(name + ".lnd", data=data)
                self.assertFaults(result, ["ERROR : %s : %s" % (path, message)])

    def record_fault_cases(self):
        """(name, landscape, expected fault lines with {p} for the path)."""
        cases = []

        land = two_block_landscape()
        land.lores = [LoRes(record_size=10 ** 9), LoRes()]
        land.blocks[1].lores_index = 1
        cases.append(("walk-leaves-at-0", land, [
            "WARNING : {p} : LoRes texture 0 has RecordSize 1000000000 which leads outside the file; "
            "1 of 2 LoRes textures uploaded",
            "WARNING : {p} : 1 LoRes textures have a RecordSize other than 65664"]))

        land = two_block_landscape()
        land.lores = [LoRes(), LoRes(record_size=-70000), LoRes()]
        cases.append(("walk-leaves-at-1", land, [
            "WARNING : {p} : LoRes texture 1 has RecordSize -70000 which leads outside the file; "
            "2 of 3 LoRes textures uploaded",
            "WARNING : {p} : 1 LoRes textures have a RecordSize other than 65664"]))

        # The size of the last record leads nowhere, so the walk is not disturbed.
        land = two_block_landscape()
        land.lores = [LoRes(), LoRes(), LoRes(record_size=65000)]
        cases.append(("record-size-last", land, [
            "WARNING : {p} : 1 LoRes textures have a RecordSize other than 65664"]))

        # A first RecordSize 64 short puts the walk inside record 0's image,
        # whose bytes are no 256 x 256 size (nor a RecordSize leading outside),
        # and records 1 and 2 away from where the fixed stride has them.
        land = two_block_landscape()
        land.lores = [LoRes(record_size=65600), LoRes(), LoRes()]
        cases.append(("walk-misplaced", land, [
            "WARNING : {p} : 2 LoRes textures lie elsewhere when walked by RecordSize than by the fixed stride; "
            "the terrain shows the walked records, the DDS files hold the fixed-stride ones",
            "WARNING : {p} : 2 LoRes textures have a DdsHeader size other than 256 x 256; read as 256 x 256",
            "WARNING : {p} : 1 LoRes textures have a RecordSize other than 65664"]))

        land = two_block_landscape()
        land.lores = [LoRes(width=128), LoRes(), LoRes(height=512)]
        cases.append(("dds-size", land, [
            "WARNING : {p} : 2 LoRes textures have a DdsHeader size other than 256 x 256; read as 256 x 256",
            "WARNING : {p} : 2 LoRes textures have a DdsHeader that does not describe a 256 x 256 DXT3 image"]))

        dxt1 = dds_header().replace(b"DXT3", b"DXT1")
        no_size = bytes(4) + dds_header()[4:]
        land = two_block_landscape()
        land.lores = [RawLoRes(dxt1), LoRes(), RawLoRes(no_size)]
        cases.append(("dds-not-dxt3", land, [
            "WARNING : {p} : 2 LoRes textures have a DdsHeader that does not describe a 256 x 256 DXT3 image"]))

        land = two_block_landscape()
        for r, c in ((0, 0), (16, 15), (5, 9), (9, 5), (16, 0)):
            land.blocks[1].country[r][c] = 3
        land.blocks[0].country[8][8] = 2
        cases.append(("country-index", land, [
            "WARNING : {p} : 6 cells have a CountryIndex at or above the country count 2; the last country is used"]))

        land = two_block_landscape()
        land.countries = [Country(0, 1, 128), Country(3, 0, 128)]
        cases.append(("material-a", land, [
            "WARNING : {p} : 256 country entries name a material at or above the material count 3; "
            "the last material is used"]))

        land = two_block_landscape()
        land.countries[0].entries = list(land.countries[0].entries)
        land.countries[0].entries[10] = (0, 9, 128)
        land.countries[0].entries[255] = (7, 0xFFFFFFFF, 0)
        cases.append(("material-b", land, [
            "WARNING : {p} : 2 country entries name a material at or above the material count 3; "
            "the last material is used"]))

        land = two_block_landscape()
        land.countries[1].entries = list(land.countries[1].entries)
        land.countries[1].entries[0] = (0, 1, 256)
        land.countries[1].entries[200] = (0, 1, 0xFFFFFFFF)
        land.countries[1].entries[201] = (0, 1, 255)  # the highest weight allowed
        cases.append(("blend-weight", land, ["WARNING : {p} : 2 country entries have a BlendWeight above 255"]))

        land = two_block_landscape()
        land.blocks.append(Block(lores_index=-1))
        land.blocks[0].lores_index = 1
        cases.append(("lores-index", land, [
            "WARNING : {p} : 2 blocks have a LoResTextureIndex that names no LoRes texture (count 1)"]))

        land = two_block_landscape()
        land.place(3, 0, 0).place(200, 31, 31).place(3, 7, 4)
        cases.append(("map-beyond", land, [
            "WARNING : {p} : 3 BlockMap places name a block beyond the block count"]))
        return cases

    def test_record_faults(self):
        for name, land, expected in self.record_fault_cases():
            with self.subTest(name):
                path, result = self.info_of(name + ".lnd", land)
                self.assertFaults(result, [line.format(p=path) for line in expected])

    def test_map_places_beyond_the_block_count_are_marked(self):
        land = two_block_landscape()
        land.place(3, 0, 0).place(200, 31, 31)
        _, result = self.info_of("beyond.lnd", land)
        self.assertStatus(result, 1)
        grid = result.grid()
        self.assertEqual((grid[0][0], grid[31][31]), ("!", "!"))
        self.assertNotEqual(grid[16][17], "!")  # block 1 of the small landscape
        self.assertNotEqual(grid[16][17], ".")

    def test_unreadable_input(self):
        os.mkdir(self.path("folder.lnd"))
        for name in ("missing.lnd", "folder.lnd"):
            with self.subTest(name):
                result = self.run_tool("info", self.path(name))
                self.assertOneErrorLine(result, self.path(name))
                self.assertEqual(result.out, "")


# ---------------------------------------------------------------------------
# Usage and help
# ---------------------------------------------------------------------------


class UsageTest(ToolTestCase):
    def test_help_of_the_tool_and_every_command(self):
        cases = [((), ["make-sample", "info", "export", "--help"]),
                 (("info",), ["FILE", "--help"]),
                 (("make-sample",), ["OUT", "--seed", "--blocks", "--help"]),
                 (("export",), ["FILE", "--out", "--help"])]
        for command, words in cases:
            with self.subTest(command=command):
                result = self.run_tool(*command, "--help")
                self.assertStatus(result, 0)
                self.assertEqual(result.err, "")
                for word in words:
                    self.assertIn(word, result.out)
        # Every command's help gives its usage as it is typed and an example,
        # and names values by what they are, not by the parser's types.
        commands = [line.split()[0] for line in self.run_tool("--help").out.split("Commands:\n")[1].splitlines()
                    if line.strip()]
        self.assertGreaterEqual(len(commands), 10)
        for command in commands:
            with self.subTest(command=command):
                out = self.run_tool(command, "--help").out
                self.assertIn("Usage: lndtool " + command, out)
                self.assertRegex(out, r"\nExample:\n  lndtool %s \S" % command)
                self.assertNotRegex(out, r"\b(TEXT|INT|UINT|FLOAT)\b|\bin \[|=\S")
        # A command line without what it needs points at its command's help.
        self.assertOneErrorLine(self.run_tool("info"), "lndtool info --help")

    def test_unknown_command_or_option(self):
        sample = self.path("s.lnd")
        LandscapeFile.small().write(sample)
        cases = [(("frobnicate", sample), "frobnicate"),
                 (("--bogus", "info", sample), "--bogus"),
                 (("--bogus",), "--bogus"),
                 (("info", sample, "--verbose"), "--verbose"),
                 (("make-sample", self.path("new.lnd"), "--size", "3"), "--size"),
                 (("export", sample, "--out", self.path("out"), "--png"), "--png")]
        for args, named in cases:
            with self.subTest(args=args[0:1] + args[2:]):
                result = self.run_tool(*args)
                self.assertOneErrorLine(result, named)
                self.assertEqual(result.out, "")
        self.assertFalse(os.path.exists(self.path("new.lnd")))
        self.assertFalse(os.path.exists(self.path("out")))

    def test_a_mistyped_command_is_named_with_the_nearest_one(self):
        for typed, meant in [("upack", "unpack"), ("ifno", "info"), ("heigthmap", "heightmap"), ("pakc", "pack"),
                             ("set-height", "set-heights"), ("gtf", "gltf"), ("frobnicate", None), ("x", None)]:
            with self.subTest(typed=typed):
                result = self.run_tool(typed, "a.lnd")
                self.assertOneErrorLine(result, "unknown command '%s'" % typed)
                if meant:
                    self.assertIn("; did you mean %s? (see 'lndtool --help')" % meant, result.err)
                else:
                    self.assertNotIn("did you mean", result.err)

    def test_missing_required_argument(self):
        sample = self.path("s.lnd")
        LandscapeFile.small().write(sample)
        cases = [(), ("info",), ("make-sample",), ("make-sample", "--seed", "4"), ("export", sample),
                 ("export", "--out", self.path("out")), ("export", sample, "--out")]
        for args in cases:
            with self.subTest(args=args):
                result = self.run_tool(*args)
                self.assertOneErrorLine(result)
                self.assertEqual(result.out, "")
        self.assertFalse(os.path.exists(self.path("out")))


# ---------------------------------------------------------------------------
# export
# ---------------------------------------------------------------------------


class ExportTest(ToolTestCase):
    def export(self, landscape, out):
        result = self.run_tool("export", landscape, "--out", out)
        self.assertStatus(result, 0)
        self.assertEqual(result.err, "")
        return result

    def expected_names(self, landscape, blocks, lores):
        base = os.path.basename(landscape)
        return ({"lores-%d.png" % i for i in range(lores)} | {"block-%d-material.png" % k for k in range(blocks)}
                | {"%s-%d.dds" % (base, i) for i in range(lores)})

    def test_sample_export(self):
        require_pillow()
        from PIL import Image

        path, data, _ = self.make_sample("small.lnd", "--blocks", 20, "--seed", 5)
        blocks, _, _, lores = header_counts(data)
        self.assertGreaterEqual(lores, 2)  # 16 blocks share one LoRes texture
        out = self.path("out", "nested")  # created with its parent
        result = self.export(path, out)
        names = self.expected_names(path, blocks, lores)
        self.assertEqual(result.out_lines, ["%d files written to %s" % (len(names), out)])
        self.assertEqual(set(os.listdir(out)), names)

        for i in range(lores):
            with Image.open(os.path.join(out, "lores-%d.png" % i)) as im:
                self.assertEqual((im.format, im.mode, im.size), ("PNG", "RGBA", (256, 256)))
            dds_path = os.path.join(out, "small.lnd-%d.dds" % i)
            with open(dds_path, "rb") as f:
                self.assertTrue(f.read() == dds_of_record(data, i), "%s differs from record %d" % (dds_path, i))
            with Image.open(dds_path) as im:
                im.load()
                self.assertEqual((im.format, im.size), ("DDS", (256, 256)))
        for k in range(blocks):
            with Image.open(os.path.join(out, "block-%d-material.png" % k)) as im:
                self.assertEqual((im.format, im.size), ("PNG", (256, 256)))
                self.assertIn(im.mode, ("I;16", "I"))
                low, high = im.getextrema()
                self.assertLess(low, high, "block %d: a flat material texture from a generated island" % k)

    def test_known_records(self):
        """Records whose exported pictures follow from their bytes alone."""
        require_pillow()
        from PIL import Image

        # Both weight tables hold 63, so a block whose four corners all
        # give material value M comes out flat at floor(4 x 63 x M / 256).
        land = LandscapeFile(blocks=[Block(altitude=40, country=0, lores_index=0),
                                     Block(altitude=90, country=1, lores_index=1)],
                             countries=[Country(1, 0, 255), Country(1, 0, 0)],
                             materials=[Material(0x1000), Material(0x4000)],
                             lores=[PatternLoRes(1), PatternLoRes(2)])
        land.place(1, 0, 0).place(2, 0, 1)
        path = land.write(self.path("known.lnd"))
        with open(path, "rb") as f:
            data = f.read()
        out = self.path("out")
        self.export(path, out)
        self.assertEqual(set(os.listdir(out)), self.expected_names(path, 2, 2))

        for k, material in enumerate((0x4000, 0x1000)):
            with Image.open(os.path.join(out, "block-%d-material.png" % k)) as im:
                flat = 4 * 63 * material // 256
                self.assertEqual(im.getextrema(), (flat, flat), "block %d" % k)

        for i in range(2):
            dds_path = os.path.join(out, "known.lnd-%d.dds" % i)
            with open(dds_path, "rb") as f:
                written = f.read()
            self.assertEqual(len(written), DDS_FILE_SIZE)
            self.assertTrue(written == dds_of_record(data, i), "%s differs from record %d" % (dds_path, i))
            # The pictures show what every DDS reader shows, Pillow included.
            with Image.open(dds_path) as im:
                reference = list(im.convert("RGBA").getdata())
            with Image.open(os.path.join(out, "lores-%d.png" % i)) as im:
                decoded = list(im.getdata())
            self.assertEqual(len(decoded), 256 * 256)
            wrong = [n for n in range(len(decoded)) if decoded[n] != reference[n]]
            if wrong:
                n = wrong[0]
                self.fail("lores-%d.png: %d pixels differ from the DDS image; at x %d, y %d: %s, expected %s"
                          % (i, len(wrong), n % 256, n // 256, decoded[n], reference[n]))

    def test_unwritable_or_unreadable(self):
        landscape = LandscapeFile.small().write(self.path("s.lnd"))
        with open(self.path("plain"), "wb"):
            pass
        result = self.run_tool("export", landscape, "--out", self.path("plain", "sub"))
        self.assertOneErrorLine(result, self.path("plain", "sub"))
        self.assertEqual(os.path.getsize(self.path("plain")), 0)

        short = LandscapeFile.small().write(self.path("short.lnd"), truncate_to=HEADER_SIZE + 10)
        result = self.run_tool("export", short, "--out", self.path("out"))
        self.assertOneErrorLine(result, short, "file too short")
        self.assertFalse(os.path.exists(self.path("out")))


if __name__ == "__main__":
    unittest.main()

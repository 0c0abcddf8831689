"""Editing in the window as a user does it: b, a left drag of each tool
across block borders, Ctrl+S after each, what lndtool diff and info say of
the saves, shared edges that still agree, undo of every stroke giving the
file back byte for byte, the question before unsaved edits are dropped, a
save the file refuses, and the viewer's own save not read back as a change."""

import filecmp
import json
import os
import shutil
import struct
import subprocess

from lndfile import program_path, require_pillow
from lndwin import WindowTestCase

HEADER, LORES, BLOCK = 1052, 65680, 2520
TITLE = "Thornveil LND Visualizer by Quillmoor"


def block_cells(data):
    """17 x 17 [altitude, country] of every block record, in order."""
    blocks = struct.unpack_from("<i", data, 0)[0] - 1
    first = HEADER + LORES * struct.unpack_from("<I", data, 1048)[0]
    return [[[(data[first + BLOCK * k + 4 + 136 * r + 8 * c], data[first + BLOCK * k + 4 + 136 * r + 8 * c + 2] & 15)
              for c in range(17)] for r in range(17)] for k in range(blocks)]


def placed_cells(data):
    """{(row, column): 17 x 17 [altitude, country]} of every placed block."""
    cells = block_cells(data)
    return {(i // 32, i % 32): cells[v - 1] for i, v in enumerate(data[4:1028]) if 0 < v <= len(cells)}


def seam_faults(data):
    """Shared edge samples whose stored copies differ."""
    places, faults = placed_cells(data), 0
    for (row, column), cells in places.items():
        right, below = places.get((row, column + 1)), places.get((row + 1, column))
        faults += sum(right is not None and cells[r][16] != right[r][0] for r in range(17))
        faults += sum(below is not None and cells[16][c] != below[0][c] for c in range(17))
    return faults


class EditTest(WindowTestCase):
    def tool(self, *args, check=True):
        return subprocess.run([program_path("LNDTOOL", "lndtool")] + list(args), capture_output=True, text=True,
                              timeout=60, check=check)

    def open(self, path, **kwargs):
        viewer = self.start(path, **kwargs)
        viewer.wait_loaded()
        viewer.window()
        viewer.move(400, 300)
        self.keys(viewer, "f", "b")  # the whole island from above, in the edit mode
        return viewer

    def keys(self, viewer, *names):
        """Types keys and waits until the viewer has handled them (a middle click prints after them)."""
        for name in names:
            self.xvfb.xdotool("key", name)
        viewer.camera_line()

    def drag(self, viewer, y, x0=330, x1=470):
        viewer.move(x0, y)
        viewer.press(1)
        for x in range(x0, x1 + 1, 7):
            viewer.move(x, y)
        viewer.release(1)
        viewer.camera_line()

    def save(self, viewer, path, n):
        self.keys(viewer, "ctrl+s")
        viewer.wait_for_count(lambda line: line == "Saved " + path, n, what="saves")

    def changes(self, a, b):
        """The cells that differ between two files of the same layout, read here, as [(block, row, column,
        altitudes, countries)]; lndtool diff names the same blocks with the same counts and nothing else."""
        report = json.loads(self.tool("diff", a, b, "--json", check=False).stdout)
        self.assertEqual((report["map"], report["lores"]["changed"], report["countries"]["changed"],
                          report["materials"]["changed"], report["length"][0]),
                         ([], [], [], [], report["length"][1]))
        with open(a, "rb") as f:
            before = block_cells(f.read())
        with open(b, "rb") as f:
            after = block_cells(f.read())
        cells = [(k, r, c, [before[k][r][c][0], after[k][r][c][0]], [before[k][r][c][1], after[k][r][c][1]])
                 for k in range(len(before)) for r in range(17) for c in range(17) if before[k][r][c] != after[k][r][c]]
        counted = {}
        for k, *_ in cells:
            counted[k] = counted.get(k, 0) + 1
        self.assertEqual({block["index"]: block["cells_changed"] for block in report["blocks"]["changed"]}, counted)
        return cells

    def test_a_stroke_of_each_tool_saved_then_every_stroke_undone(self):
        land = self.path("land.lnd")
        self.tool("make-sample", land, "--seed", "1", "--blocks", "16")
        original = self.path("original.lnd")
        shutil.copyfile(land, original)
        viewer = self.open(land)
        viewer.wait_name(TITLE)

        def moved_towards_one_level(cells):
            up = [a[1] for _, _, _, a, _ in cells if a[1] > a[0]]
            down = [a[1] for _, _, _, a, _ in cells if a[1] < a[0]]
            return not up or not down or max(up) <= min(down)

        def roughness(data, cells, new):
            grid = placed_cells(data)
            return sum(abs(4 * grid[p][r][c][0] - sum(grid[p][r + dr][c + dc][0]
                                                       for dr, dc in ((1, 0), (-1, 0), (0, 1), (0, -1))))
                       for p, r, c in new if 0 < r < 16 and 0 < c < 16)

        strokes = [
            # key, window row, what every changed cell shows
            ("1", 250, lambda cells: all(a[1] > a[0] and k[0] == k[1] for _, _, _, a, k in cells)),
            ("2", 280, lambda cells: all(a[1] < a[0] and k[0] == k[1] for _, _, _, a, k in cells)),
            ("3", 310, moved_towards_one_level),
            ("4", 340, None),
            ("5", 370, lambda cells: all(k[1] == 3 and a[0] == a[1] for _, _, _, a, k in cells)),
        ]
        self.keys(viewer, "period", "period", "period")  # country 3
        saved = [original]
        for n, (key, y, check) in enumerate(strokes, 1):
            with self.subTest(tool=key):
                self.keys(viewer, key)
                self.drag(viewer, y)
                viewer.wait_name("*" + TITLE)
                self.save(viewer, land, n)
                viewer.wait_name(TITLE)
                saved.append(self.path("save-%d.lnd" % n))
                shutil.copyfile(land, saved[-1])
                cells = self.changes(saved[-2], saved[-1])
                self.assertGreaterEqual(len({block for block, *_ in cells}), 2, cells)  # across a border
                if check:
                    self.assertTrue(check(cells), cells)
                else:
                    with open(saved[-2], "rb") as f:
                        before = f.read()
                    with open(saved[-1], "rb") as f:
                        after = f.read()
                    places = {v - 1: (i // 32, i % 32) for i, v in enumerate(before[4:1028]) if v}
                    new = [(places[b], r, c) for b, r, c, _, _ in cells]
                    self.assertLess(roughness(after, cells, new), roughness(before, cells, new))
                self.assertEqual(seam_faults(open(saved[-1], "rb").read()), 0)
                info = self.tool("info", saved[-1], check=False)
                self.assertEqual((info.returncode, [l for l in info.stdout.splitlines() if l.startswith(("ERROR", "WARNING"))]),
                                 (0, []))
        # The viewer's own saves were not loaded again.
        self.assertEqual(sum(line.startswith("Loading Landscape ") for line in viewer.lines()), 1)
        # Every stroke undone, and one undo too many; saved, the file is the original.
        self.keys(viewer, *["ctrl+z"] * 6)
        viewer.wait_name("*" + TITLE)
        self.save(viewer, land, 6)
        self.assertTrue(filecmp.cmp(land, original, shallow=False))
        # Redone, the last save comes back (Ctrl+Y and Ctrl+Shift+Z).
        self.keys(viewer, "ctrl+y", "ctrl+y", "ctrl+shift+z", "ctrl+y", "ctrl+shift+z")
        self.save(viewer, land, 7)
        self.assertTrue(filecmp.cmp(land, saved[-1], shallow=False))

    def test_a_landscape_made_from_a_heightmap_opens_and_is_sculpted(self):
        require_pillow()
        from PIL import Image

        # A dome in the middle of a 200 x 200 picture, as a terrain tool would write it.
        picture = self.path("dome.png")
        image = Image.new("L", (200, 200))
        image.putdata([max(0, round(255 * (1 - ((x - 100) ** 2 + (y - 100) ** 2) ** 0.5 / 50)))
                       for y in range(200) for x in range(200)])
        image.save(picture)
        land = self.path("dome.lnd")
        made = self.tool("new", land, "--heights", picture, "--sea-level", "40", check=False)
        self.assertEqual((made.returncode, made.stderr), (0, ""))
        with open(land, "rb") as f:
            before = f.read()
        viewer = self.open(land)
        self.keys(viewer, "1")
        self.drag(viewer, 300)
        self.save(viewer, land, 1)
        with open(land, "rb") as f:
            after = f.read()
        grid_after = placed_cells(after)
        raised = [(a[0], b[0]) for p, cells in placed_cells(before).items()
                  for a_row, b_row in zip(cells, grid_after[p]) for a, b in zip(a_row, b_row) if a != b]
        self.assertTrue(raised and all(b > a for a, b in raised), raised)
        info = self.tool("info", land, check=False)
        self.assertEqual((info.returncode, [l for l in info.stdout.splitlines() if l.startswith(("ERROR", "WARNING"))]),
                         (0, []))
        self.assertEqual([l for l in viewer.lines() + viewer.stderr_text().splitlines()
                          if l.startswith(("ERROR", "WARNING"))], [])

    def test_unsaved_edits_are_asked_for_and_a_change_on_disk_keeps_them(self):
        land = self.path("land.lnd")
        self.tool("make-sample", land, "--seed", "2", "--blocks", "9")
        viewer = self.open(land)
        self.drag(viewer, 300)
        for key, name in (("Escape", "Escape"), ("F5", "F5"), ("Next", "Page Down")):
            with self.subTest(key=key):
                self.keys(viewer, key)
                viewer.wait_for_line(lambda line: line.startswith("Unsaved edits: press %s again to " % name))
                self.keys(viewer, "k")  # any other key: the question is gone
                self.keys(viewer, "k")
        self.assertEqual(viewer.lines().count("The edits are kept"), 3)
        # Another program writes the file: the edits stay, and the window says so.
        self.tool("make-sample", land, "--seed", "3", "--blocks", "9")
        viewer.wait_for_line("WARNING : %s : changed on disk; the edits in the window are kept (Ctrl+S writes them "
                             "over it, F5 twice loads the file)" % land)
        viewer.wait_name("*" + TITLE)
        self.assertTrue(viewer.running())
        self.xvfb.xdotool("key", "Escape")
        viewer.wait_for_line(lambda line: line.startswith("Unsaved edits: press Escape again to quit"))
        self.xvfb.xdotool("key", "Escape")
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertEqual(sum(line.startswith("Loading Landscape ") for line in viewer.lines()), 1)

    def test_a_file_that_cannot_be_written_keeps_the_edits(self):
        land = self.path("land.lnd")
        self.tool("make-sample", land, "--seed", "1", "--blocks", "9")
        os.chmod(land, 0o444)
        kwargs = {}
        if os.geteuid() == 0:
            # Root writes over a read-only file: the viewer runs as nobody.
            os.chmod(self.tmp, 0o755)
            kwargs = {"program": "/usr/bin/setpriv",
                      "env": self.xvfb.env(HOME=self.tmp, MESA_SHADER_CACHE_DISABLE="true")}
            args = ["--reuid=65534", "--regid=65534", "--clear-groups", program_path("LNDVIEW", "lndview"), land]
        else:
            args = [land]
        with open(land, "rb") as f:
            before = f.read()
        viewer = self.start(*args, **kwargs)
        viewer.wait_loaded()
        viewer.window()
        viewer.move(400, 300)
        self.keys(viewer, "f", "b")
        self.drag(viewer, 300)
        self.keys(viewer, "ctrl+s")
        errors = viewer.wait_for_count(lambda line: line.startswith("ERROR : "), 1, what="the error")
        self.assertEqual(errors, ["ERROR : %s : Permission denied" % land])
        viewer.wait_name("*" + TITLE)
        with open(land, "rb") as f:
            self.assertEqual(f.read(), before)
        # No temporary of the writer is left beside it.
        self.assertEqual([n for n in os.listdir(self.tmp) if n.startswith(".")], [])

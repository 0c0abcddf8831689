"""lndtool diff, info --all and render --changes-from through the real
command line: statuses and reports, the JSON read by Python's json, both git
drivers in a real repository (its configuration kept inside the test's
folder), and the changes picture against render's."""

import json
import os
import shutil
import subprocess

from lndfile import LandscapeFile, required_length
from test_render import RenderTestCase

ORANGE = (255, 127, 0), (255, 128, 0)  # the outline colour, rounded either way


class DiffTest(RenderTestCase):
    def land(self, name, edit=None, blocks=2):
        land = LandscapeFile.small(blocks=blocks)
        if edit:
            edit(land)
        return land.write(self.path(name))

    def test_statuses_and_reports(self):
        a = self.land("a.lnd")
        def one_cell(land):
            land.blocks[1].altitude[6][7] = 99
        cases = [  # (second file, options, status, standard output)
            (self.land("same.lnd"), [], 0, ""),
            (self.land("cell.lnd", one_cell), [], 1, "block 1: cell 6,7: altitude 10 -> 99\n"),
            (self.land("cell.lnd", one_cell), ["--quiet"], 1, ""),
            (self.land("more.lnd", blocks=3), [], 1,
             "header: blocks 2 -> 3\nheader: map 16,15: 0 -> 3\nblock 2: only in %s\n" % self.path("more.lnd")),
        ]
        for b, options, status, out in cases:
            with self.subTest(b=b, options=options):
                result = self.run_tool("diff", a, b, *options)
                self.assertStatus(result, status)
                self.assertEqual((result.out, result.err), (out, ""))
        report = json.loads(self.run_tool("diff", a, self.path("cell.lnd"), "--json").out)
        self.assertFalse(report["identical"])
        self.assertEqual(report["blocks"]["changed"][0]["cells"],
                         [{"row": 6, "column": 7, "altitude": [10, 99], "country": [1, 1], "split": [False, False]}])
        # A damaged file: the line info gives, status 2.
        short = self.path("short.lnd")
        with open(a, "rb") as f, open(short, "wb") as g:
            g.write(f.read()[:-1])
        self.assertOneErrorLine(self.run_tool("diff", a, short), short, "the counts need %d bytes, found %d" %
                                (required_length(2, 2, 3, 1), required_length(2, 2, 3, 1) - 1))

    def git(self, *args):
        """git in the test's repository, with a home and configuration of its own."""
        env = dict(os.environ, HOME=self.tmp, GIT_CONFIG_NOSYSTEM="1", GIT_CONFIG_GLOBAL=self.path("gitconfig"),
                   GIT_PAGER="cat", PAGER="cat", GIT_AUTHOR_NAME="t", GIT_AUTHOR_EMAIL="t@example.org",
                   GIT_COMMITTER_NAME="t", GIT_COMMITTER_EMAIL="t@example.org")
        completed = subprocess.run(["git"] + list(args), cwd=self.path("repo"), env=env, capture_output=True,
                                   text=True, timeout=120)
        self.assertEqual(completed.returncode, 0, completed.stderr)
        return completed.stdout

    def test_the_git_drivers_in_a_real_repository(self):
        if not shutil.which("git"):
            self.skipTest("git is not installed (Debian package git)")
        os.mkdir(self.path("repo"))
        self.git("init", "-q", ".")
        # The lines the README gives.
        with open(self.path("repo", ".gitattributes"), "w") as f:
            f.write("*.lnd diff=lnd\n")
        self.git("config", "diff.lnd.textconv", self.tool + " info --all")
        self.git("config", "diff.lnd.command", self.tool + " diff")
        land = self.path("repo", "island.lnd")
        self.assertStatus(self.run_tool("make-sample", land, "--blocks", 12), 0)
        self.git("add", ".")
        self.git("commit", "-qm", "island")
        # One cell changed through unpack and pack.
        self.assertStatus(self.run_tool("unpack", land, self.path("folder")), 0)
        from PIL import Image
        with Image.open(self.path("folder", "blocks", "3-altitude.png")) as im:
            old = im.getpixel((5, 4))
            im.putpixel((5, 4), old + 40)
            im.save(self.path("folder", "blocks", "3-altitude.png"))
        self.assertStatus(self.run_tool("pack", self.path("folder"), land), 0)
        cell = "block 3: cell 4,5: altitude %d -> %d" % (old, old + 40)
        self.assertEqual(self.git("diff"), "--- a/island.lnd\n+++ b/island.lnd\n%s\n" % cell)
        self.git("config", "difftool.lnd.cmd", self.tool + ' diff "$LOCAL" "$REMOTE"')
        self.assertIn(cell, self.git("difftool", "--tool=lnd", "--no-prompt"))
        self.git("commit", "-qam", "a hill")
        log = self.git("log", "-p", "-1")
        self.assertNotIn("Binary files", log)
        changed = [line for line in log.splitlines() if line[:1] in ("+", "-") and line[:3] not in ("---", "+++")]
        self.assertEqual([line[:len("-block 3 altitude  4:")] for line in changed],
                         ["-block 3 altitude  4:", "+block 3 altitude  4:"])
        self.assertEqual(changed[1].split()[4 + 5:4 + 6], [str(old + 40)])
        self.assertIn(cell, self.git("log", "-p", "-1", "--ext-diff"))
        self.git("rm", "-q", "island.lnd")
        self.assertIn("+++ /dev/null\ndeleted landscape: ", self.git("diff", "--cached"))

    def test_the_changes_picture(self):
        b = self.land("b.lnd")
        cases = [  # (earlier file, the line of counts, whether it is render's picture)
            (self.land("same.lnd"), "0 quads outlined, 0 places tinted", True),
            (self.land("cell.lnd", lambda land: land.blocks[0].altitude[8].__setitem__(8, 50)),
             "4 quads outlined, 0 places tinted", False),
        ]
        self.assertStatus(self.run_tool("render", b, "--out", self.path("plain.png")), 0)
        _, _, plain = self.picture(self.path("plain.png"))
        for earlier, counts, same in cases:
            with self.subTest(earlier=earlier):
                result = self.run_tool("render", b, "--changes-from", earlier, "--out", self.path("changes.png"))
                self.assertStatus(result, 0)
                self.assertEqual(result.out_lines[0], "changes from %s : %s" % (earlier, counts))
                _, _, changes = self.picture(self.path("changes.png"))
                self.assertEqual(list(changes.getdata()) == list(plain.getdata()), same)
                self.assertEqual(any(p in ORANGE for p in changes.getdata()), not same)

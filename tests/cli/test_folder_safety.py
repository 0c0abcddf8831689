"""Folders and sets of files that lose nothing and reach nothing outside:
unpack --force and gltf stopped by signals at random moments leave the old
folder or set or the new one, whole; links planted inside a folder are
never followed by pack nor written through by unpack and export; two names
for one output file are refused with nothing written; unpack --force keeps
edited pictures unless told to discard them."""

import os
import random
import signal
import stat
import subprocess
import time

from test_lndtool import TOOL_TIMEOUT, ToolTestCase


def tree(folder):
    """Every entry below a folder, not following links: bytes of files,
    targets of links, None for folders."""
    entries = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(root, name)
            relative = os.path.relpath(path, folder)
            if os.path.islink(path):
                entries[relative] = ("link", os.readlink(path))
            elif os.path.isdir(path):
                entries[relative] = None
            else:
                with open(path, "rb") as f:
                    entries[relative] = f.read()
    return entries


def no_core_files():
    import resource
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


class SafetyTestCase(ToolTestCase):
    def two_samples(self, blocks_a=6, blocks_b=9):
        _, a, _ = self.make_sample("a.lnd", "--blocks", blocks_a, "--seed", 1)
        _, b, _ = self.make_sample("b.lnd", "--blocks", blocks_b, "--seed", 2)
        return a, b

    def stopped(self, args, delay, sig):
        """Runs lndtool, sends `sig` after `delay` seconds; its status."""
        tool = subprocess.Popen([self.tool] + args, cwd=self.tmp, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=no_core_files)
        time.sleep(delay)
        tool.send_signal(sig)
        return tool.wait(timeout=TOOL_TIMEOUT)

    def duration(self, *args):
        start = time.monotonic()
        self.assertStatus(self.run_tool(*args), 0)
        return time.monotonic() - start

    def hidden_beside(self, name):
        return [n for n in os.listdir(self.tmp) if n.startswith("." + name + ".")]


SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGKILL)


class InterruptedSetTest(SafetyTestCase):
    def test_an_interrupted_unpack_leaves_the_old_folder_or_the_new_one(self):
        a, b = self.two_samples()
        landscapes = {"a.lnd": a, "b.lnd": b}
        self.assertStatus(self.run_tool("unpack", "a.lnd", "D"), 0)
        took = self.duration("unpack", "b.lnd", "D", "--force") * 1.2
        seed = random.randrange(1 << 30)
        rng = random.Random(seed)
        for attempt in range(30):
            sig = SIGNALS[attempt % len(SIGNALS)]
            source = "a.lnd" if attempt % 2 else "b.lnd"
            delay = rng.uniform(0, took)
            with self.subTest(signal=sig.name, delay=delay, seed=seed):
                status = self.stopped(["unpack", source, "D", "--force"], delay, sig)
                self.assertIn(status, (0, -sig))
                if sig != signal.SIGKILL:
                    self.assertEqual(self.hidden_beside("D"), [])
                for name in self.hidden_beside("D"):  # what SIGKILL left behind
                    subprocess.run(["rm", "-rf", self.path(name)], check=True)
                result = self.run_tool("pack", "D", "x.lnd")
                if result.status == 0:
                    with open(self.path("x.lnd"), "rb") as f:
                        self.assertIn(f.read(), landscapes.values())
                    os.remove(self.path("x.lnd"))
                else:
                    self.assertStatus(result, 2)

    def gltf_set(self, folder):
        """The .gltf of a folder and the files it names, by name."""
        import json
        with open(os.path.join(folder, "x.gltf"), "rb") as f:
            text = f.read()
        document = json.loads(text)
        names = [b["uri"] for b in document.get("buffers", [])] + [i["uri"] for i in document.get("images", [])]
        files = {"x.gltf": text}
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                files[name] = f.read()
        return files

    def test_an_interrupted_gltf_leaves_the_old_set_or_the_new_one(self):
        self.two_samples(20, 12)
        os.mkdir(self.path("G"))
        sets = []
        for source in ("a.lnd", "b.lnd"):
            self.assertStatus(self.run_tool("gltf", source, "--out", "G/x.gltf"), 0)
            sets.append(self.gltf_set(self.path("G")))
        self.assertNotEqual(sets[0]["x.bin"], sets[1]["x.bin"])
        took = self.duration("gltf", "a.lnd", "--out", "G/x.gltf") * 1.2
        seed = random.randrange(1 << 30)
        rng = random.Random(seed)
        # SIGKILL is left out: a set of files renamed one by one can be cut by
        # it in the renames (the folder of unpack cannot: one exchange).
        catchable = SIGNALS[:3]
        for attempt in range(30):
            sig = catchable[attempt % len(catchable)]
            source = "b.lnd" if attempt % 2 else "a.lnd"
            delay = rng.uniform(0, took)
            with self.subTest(signal=sig.name, delay=delay, seed=seed):
                status = self.stopped(["gltf", source, "--out", "G/x.gltf"], delay, sig)
                self.assertIn(status, (0, -sig))
                self.assertEqual([n for n in os.listdir(self.path("G")) if n.endswith(".tmp")], [])
                self.assertIn(self.gltf_set(self.path("G")), sets)


class LinkTest(SafetyTestCase):
    def test_pack_follows_no_link_out_of_the_folder(self):
        a, _ = self.two_samples()
        self.assertStatus(self.run_tool("unpack", "a.lnd", "base"), 0)
        with open(self.path("outside.bin"), "wb") as f:
            f.write(b"outside")
        os.mkdir(self.path("outside"))
        rows = [  # (what is replaced by a link, where it points)
            ("trailing.bin", "outside.bin"),
            ("landscape.json", "base/landscape.json"),
            ("materials/0.png", "base/materials/0.png"),
            ("blocks", "base/blocks"),
            ("lores/0.dds", "missing"),  # dangling
        ]
        for name, target in rows:
            with self.subTest(link=name):
                subprocess.run(["rm", "-rf", self.path("D")], check=True)
                subprocess.run(["cp", "-a", self.path("base"), self.path("D")], check=True)
                subprocess.run(["rm", "-rf", self.path("D", name)], check=True)
                os.symlink(self.path(target), self.path("D", name))
                result = self.run_tool("pack", "D", "o.lnd")
                self.assertStatus(result, 2)
                self.assertIn("ERROR : D/%s : is a symbolic link" % name, result.err_lines)
                self.assertFalse(os.path.exists(self.path("o.lnd")))

    def test_an_unreadable_folder_is_reported_as_such(self):
        self.two_samples()
        self.assertStatus(self.run_tool("unpack", "a.lnd", "D"), 0)
        os.chmod(self.path("D", "blocks"), 0)
        self.addCleanup(os.chmod, self.path("D", "blocks"), 0o755)
        command = [self.tool, "pack", "D", "o.lnd"]
        options = {}
        if os.geteuid() == 0:  # root reads any folder: pack runs as nobody
            os.chmod(self.tmp, 0o755)
            options["preexec_fn"] = lambda: (os.setgid(65534), os.setuid(65534))
        done = subprocess.run(command, cwd=self.tmp, capture_output=True, text=True, timeout=TOOL_TIMEOUT, **options)
        self.assertEqual(done.returncode, 2, done.stderr)
        self.assertEqual(done.stderr.splitlines()[0], "ERROR : D/blocks : Permission denied")
        self.assertFalse(any("missing" in line for line in done.stderr.splitlines()), done.stderr)

    def test_unpack_and_export_write_through_no_link_of_their_folder(self):
        a, b = self.two_samples()
        self.assertStatus(self.run_tool("unpack", "a.lnd", "D"), 0)
        os.mkdir(self.path("elsewhere"))
        for name in ("README.txt", "landscape.json", "blocks"):
            subprocess.run(["mv", self.path("D", name), self.path("elsewhere", name)], check=True)
            os.symlink(self.path("elsewhere", name), self.path("D", name))
        before = tree(self.path("elsewhere"))
        self.assertStatus(self.run_tool("unpack", "b.lnd", "D", "--force"), 0)
        self.assertEqual(tree(self.path("elsewhere")), before)
        for name in ("README.txt", "landscape.json", "blocks"):
            self.assertFalse(os.path.islink(self.path("D", name)), name)
        result = self.run_tool("pack", "D", "o.lnd")
        self.assertStatus(result, 0)
        with open(self.path("o.lnd"), "rb") as f:
            self.assertEqual(f.read(), b)

        os.mkdir(self.path("E"))
        with open(self.path("elsewhere", "kept.png"), "wb") as f:
            f.write(b"kept")
        os.symlink(self.path("elsewhere", "kept.png"), self.path("E", "lores-0.png"))
        before = tree(self.path("E"))
        result = self.run_tool("export", "a.lnd", "--out", "E")
        self.assertOneErrorLine(result, "E/lores-0.png : is a symbolic link; not written through")
        self.assertEqual(tree(self.path("E")), before)
        with open(self.path("elsewhere", "kept.png"), "rb") as f:
            self.assertEqual(f.read(), b"kept")


class OutputNamesTest(SafetyTestCase):
    def test_two_names_for_one_output_are_refused_with_nothing_written(self):
        self.two_samples()
        os.mkdir(self.path("sub"))
        with open(self.path("old.png"), "wb") as f:
            f.write(b"old")
        os.link(self.path("old.png"), self.path("hard.png"))
        rows = [  # (--out, --countries, the name refused, the name it is the same file as)
            ("h.png", "./h.png", "./h.png", "h.png"),
            ("h.png", "sub/../h.png", "sub/../h.png", "h.png"),
            ("h.png", "./h.json", "h.json", "./h.json"),
            ("old.png", "hard.png", "hard.png", "old.png"),
        ]
        for out, countries, refused, first in rows:
            with self.subTest(out=out, countries=countries):
                before = tree(self.tmp)
                result = self.run_tool("heightmap", "a.lnd", "--out", out, "--countries", countries)
                self.assertOneErrorLine(result, "%s : is the same file as %s" % (refused, first))
                self.assertEqual(tree(self.tmp), before)


class EditsTest(SafetyTestCase):
    def test_unpack_force_keeps_edits_unless_they_are_discarded(self):
        a, b = self.two_samples()
        self.assertStatus(self.run_tool("unpack", "a.lnd", "D"), 0)
        with open(self.path("D", "notes.txt"), "wb") as f:
            f.write(b"mine")
        rows = [  # (the file edited, or None)
            None, "blocks/2-altitude.png", "lores/0.dds", "detail.png",
        ]
        for edited in rows:
            with self.subTest(edited=edited):
                self.assertStatus(self.run_tool("unpack", "a.lnd", "D", "--force", "--discard-edits"), 0)
                if edited:
                    with open(self.path("D", edited), "r+b") as f:
                        f.seek(40)
                        f.write(b"\x01")
                before = tree(self.path("D"))
                result = self.run_tool("unpack", "b.lnd", "D", "--force")
                if edited is None:
                    self.assertStatus(result, 0)
                    continue
                self.assertOneErrorLine(result, "ERROR : D/%s : edited since unpack" % edited, "--discard-edits")
                self.assertEqual(tree(self.path("D")), before)
        self.assertStatus(self.run_tool("unpack", "b.lnd", "D", "--force", "--discard-edits"), 0)
        with open(self.path("D", "notes.txt"), "rb") as f:
            self.assertEqual(f.read(), b"mine")
        os.remove(self.path("D", "notes.txt"))
        self.assertStatus(self.run_tool("pack", "D", "o.lnd"), 0)
        with open(self.path("o.lnd"), "rb") as f:
            self.assertEqual(f.read(), b)


if __name__ == "__main__":
    import unittest
    unittest.main()

"""lndtool.exe under Wine against the Linux build: make-sample writes the
same bytes, info prints the same report with the same status, export, gltf
and heightmap the same files, render the same pictures, pixel for pixel; writes refuse
folders and read-only files, replace older files, and leave no temporary
behind, also when Ctrl+C stops them."""

import io
import os
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest

from lndfile import require_pillow
from winelnd import TOOL_TIMEOUT, crlf_to_lf, run_tool



class ToolTestCase(unittest.TestCase):
    def setUp(self):
        # TMPDIR points into the build folder (ctest sets it), never /tmp.
        self.tmp = tempfile.mkdtemp(prefix="lndtool-exe-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)

    def path(self, *names):
        return os.path.join(self.tmp, *names)

    def both(self, *args, **kwargs):
        """(Windows, Linux) results of one command line."""
        return run_tool(*args, **kwargs), run_tool(*args, linux=True, **kwargs)

    def assertSameOutput(self, windows, linux):
        self.assertEqual(windows.returncode, linux.returncode, windows.stderr)
        self.assertEqual(crlf_to_lf(windows.stdout).decode(), linux.stdout.decode())
        self.assertEqual(crlf_to_lf(windows.stderr).decode(), linux.stderr.decode())

    def sample(self, name="sample.lnd", *args):
        path = self.path(name)
        result = run_tool("make-sample", path, *args)
        self.assertEqual(result.returncode, 0, result.stderr)
        return path


class SameAsLinuxTest(ToolTestCase):
    def test_make_sample_writes_the_same_bytes(self):
        for args in ([], ["--seed", "7", "--blocks", "12"]):
            with self.subTest(args=args):
                windows, linux = self.path("w.lnd"), self.path("l.lnd")
                w = run_tool("make-sample", windows, *args)
                n = run_tool("make-sample", linux, *args, linux=True)
                self.assertEqual((w.returncode, n.returncode), (0, 0), w.stderr)
                self.assertEqual(crlf_to_lf(w.stdout).decode(), n.stdout.decode().replace(linux, windows))
                with open(windows, "rb") as a, open(linux, "rb") as b:
                    self.assertTrue(a.read() == b.read(), "the two samples differ")

    def test_info_prints_the_same_report_and_status(self):
        path = self.sample()
        for args in (["info", path], ["info", path, "--json"]):
            with self.subTest(args=args):
                self.assertSameOutput(*self.both(*args))
        # Damaged: cut short, and a block map byte naming no block.
        damaged = self.path("damaged.lnd")
        with open(path, "rb") as f:
            data = bytearray(f.read())
        data[1052 - 1024] = 255
        with open(damaged, "wb") as f:
            f.write(data)
        windows, linux = self.both("info", damaged)
        self.assertSameOutput(windows, linux)
        short = self.path("short.lnd")
        with open(short, "wb") as f:
            f.write(data[:5000])
        windows, linux = self.both("info", short)
        self.assertNotEqual(windows.returncode, 0)
        self.assertSameOutput(windows, linux)
        windows, linux = self.both("info", self.path("missing.lnd"))
        self.assertSameOutput(windows, linux)
        folder = self.path("folder.lnd")
        os.mkdir(folder)
        windows, linux = self.both("info", folder)
        self.assertEqual(windows.returncode, 2)
        self.assertSameOutput(windows, linux)

    def test_export_writes_the_same_files(self):
        require_pillow()
        from PIL import Image

        path = self.sample("small.lnd", "--blocks", "6", "--seed", "3")
        w = run_tool("export", path, "--out", self.path("w"))
        n = run_tool("export", path, "--out", self.path("l"), linux=True)
        self.assertEqual((w.returncode, n.returncode), (0, 0), w.stderr)
        names = sorted(os.listdir(self.path("l")))
        self.assertEqual(sorted(os.listdir(self.path("w"))), names)
        self.assertTrue(any(name.endswith(".dds") for name in names))
        for name in names:
            with open(self.path("w", name), "rb") as a, open(self.path("l", name), "rb") as b:
                ours, theirs = a.read(), b.read()
            if name.endswith(".png"):
                # The pixels must agree; the compressed bytes may differ with zlib's build.
                with Image.open(io.BytesIO(ours)) as x, Image.open(io.BytesIO(theirs)) as y:
                    self.assertEqual((x.mode, x.size), (y.mode, y.size), name)
                    self.assertTrue(x.tobytes() == y.tobytes(), name)
            else:
                self.assertTrue(ours == theirs, name)

    def differing(self, windows_png, linux_png):
        from PIL import Image, ImageChops

        with Image.open(windows_png) as a, Image.open(linux_png) as b:
            self.assertEqual((a.mode, a.size), (b.mode, b.size))
            mask = ImageChops.difference(a.convert("RGB"), b.convert("RGB")).convert("L").point(
                lambda v: 255 if v else 0)
            return mask.histogram()[255], a.size[0] * a.size[1]

    def test_gltf_and_heightmap_write_the_same_bytes(self):
        # The bake's float arithmetic, the threads and the encoders give the same files.
        path = self.sample("small.lnd", "--blocks", "12")
        for command, out, extra in (("gltf", "land.glb", ["--overlay"]),
                                    ("heightmap", "height.r16", ["--format", "r16"])):
            with self.subTest(command=command):
                w = run_tool(command, path, "--out", self.path("w-" + out), *extra)
                n = run_tool(command, path, "--out", self.path("l-" + out), *extra, linux=True)
                self.assertEqual((w.returncode, n.returncode), (0, 0), w.stderr)
                for name in (out, os.path.splitext(out)[0] + ".json") if command == "heightmap" else (out,):
                    with open(self.path("w-" + name), "rb") as a, open(self.path("l-" + name), "rb") as b:
                        self.assertTrue(a.read() == b.read(), "%s differs" % name)

    def test_render_and_thumbnail_match_the_linux_pictures(self):
        require_pillow()
        path = self.sample()
        cases = [("start", ["render", path, "--out"], []),
                 ("overlay", ["render", path, "--out"], ["--overlay", "--size", "640x480",
                                                         "--camera", "pos : 2560 -60 2560 | rot: 40 25 0 | zoom : -2600"]),
                 ("thumbnail", ["thumbnail", path], ["--size", "256"])]
        for name, head, tail in cases:
            with self.subTest(picture=name):
                w = run_tool(*head, self.path(name + "-w.png"), *tail)
                n = run_tool(*head, self.path(name + "-l.png"), *tail, linux=True)
                self.assertEqual((w.returncode, n.returncode), (0, 0), w.stderr)
                count, total = self.differing(self.path(name + "-w.png"), self.path(name + "-l.png"))
                print("%s: %d of %d pixels differ between Windows under Wine and Linux" % (name, count, total))
                # Both draw with Mesa into a pbuffer of the same formats: the
                # same rasteriser gives the same pixels.
                self.assertEqual(count, 0)


class WritesTest(ToolTestCase):
    def test_second_make_sample_replaces_the_first(self):
        path = self.path("again.lnd")
        for args in (["--blocks", "3"], ["--blocks", "5", "--seed", "2"]):
            result = run_tool("make-sample", path, *args)
            self.assertEqual(result.returncode, 0, result.stderr)
        reference = self.path("reference.lnd")
        run_tool("make-sample", reference, "--blocks", "5", "--seed", "2", linux=True)
        with open(path, "rb") as a, open(reference, "rb") as b:
            self.assertTrue(a.read() == b.read())
        self.assertEqual(sorted(os.listdir(self.tmp)), ["again.lnd", "reference.lnd"])

    def test_folder_and_read_only_file_are_refused_and_kept(self):
        folder = self.path("folder.lnd")
        os.mkdir(folder)
        result = run_tool("make-sample", folder, "--blocks", "2")
        self.assertEqual(result.returncode, 2)
        self.assertEqual(crlf_to_lf(result.stderr).decode(), "ERROR : %s : Is a directory\n" % folder)
        self.assertEqual(os.listdir(folder), [])

        # Wine shows a file without write permission as FILE_ATTRIBUTE_READONLY.
        locked = self.path("locked.lnd")
        with open(locked, "wb") as f:
            f.write(b"keep me")
        os.chmod(locked, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
        result = run_tool("make-sample", locked, "--blocks", "2")
        self.assertEqual(result.returncode, 2)
        self.assertEqual(crlf_to_lf(result.stderr).decode(), "ERROR : %s : Permission denied\n" % locked)
        with open(locked, "rb") as f:
            self.assertEqual(f.read(), b"keep me")
        self.assertEqual(sorted(os.listdir(self.tmp)), ["folder.lnd", "locked.lnd"])

    def test_ctrl_c_removes_the_temporary(self):
        program = os.environ["INTERRUPTED_WRITE_EXE"]
        target = self.path("half.dds")
        writer = subprocess.Popen(["wine", program, target], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(lambda: writer.poll() is None and writer.kill())
        line = writer.stdout.readline().decode().rstrip("\r\n")
        self.assertTrue(line.startswith("writing "), line)
        temporary = os.listdir(self.tmp)
        self.assertEqual(len(temporary), 1)
        self.assertEqual(os.path.getsize(self.path(temporary[0])), 40000)
        # Wine turns SIGINT into the console's Ctrl+C event.
        writer.send_signal(signal.SIGINT)
        writer.wait(TOOL_TIMEOUT)
        writer.stdout.close()
        writer.stderr.close()
        deadline = time.monotonic() + 10
        while os.listdir(self.tmp) and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(os.listdir(self.tmp), [])


if __name__ == "__main__":
    unittest.main()

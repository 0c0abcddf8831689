"""The static Windows programs of windows-proof, run under Wine.

- the freeglut window: its pattern on a private Xvfb screen (ImageMagick's
  import, pixels read with Pillow), its console lines through a pipe, keys sent
  by xdotool as GetAsyncKeyState and GLUT see them;
- the "Load .lnd" file dialog driven by xdotool: a typed path and Return,
  and Escape;
- a PNG written by libpng under Wine, read back by Pillow;
- libsquish blocks compressed under Wine and by Debian's Linux libsquish;
- a crashing program: its status must say so.

A Wine session (one wineserver) keeps the display of the first program in it
that opened user32: a later program on another display gets no window at all
(GetOpenFileNameA just returns FALSE). So every Wine program here runs on the
one Xvfb of this module, the module first waits for the session of earlier
tests to end, and ctest runs no other Wine test at the same time.

ctest sets PROOF_DIR (the folder of the .exe files) and the Wine variables
(WINEPREFIX, TMPDIR, WINEDEBUG, WINEDLLOVERRIDES) from the toolchain file's
emulator. By hand: ctest --test-dir build-win/proof -R under_wine -V
"""

import os
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

IMPORT = "/usr/bin/import"  # ImageMagick's screen grabber
TIMEOUT = 60.0  # generous: the first Wine start on a loaded 2-core machine


def proof_path(name):
    folder = os.environ.get("PROOF_DIR")
    if not folder:
        raise RuntimeError("PROOF_DIR is not set: point it at the windows-proof build folder (ctest sets it)")
    return os.path.join(os.path.abspath(folder), name)


def require(*tools):
    missing = [t for t in tools if not shutil.which(t)]
    if missing:
        raise unittest.SkipTest("not installed: " + ", ".join(missing))


def require_pillow():
    try:
        import PIL.Image  # noqa: F401
    except ImportError:
        raise unittest.SkipTest("Pillow is not installed (python3-pil)")


def wait_until(predicate, what, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(0.05)


class Xvfb:
    """A private X server on a display number it picks itself."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.stop()
            raise RuntimeError("Xvfb did not report a display number")
        self.display = ":" + number

    def env(self):
        return dict(os.environ, DISPLAY=self.display)

    def run(self, *command, check=True):
        return subprocess.run(command, env=self.env(), check=check, capture_output=True, text=True,
                              timeout=TIMEOUT).stdout

    def find_window(self, name):
        """The X window whose name is exactly `name`, once it is visible."""
        def search():
            found = self.run("xdotool", "search", "--onlyvisible", "--name", "^%s$" % name, check=False)
            return found.split()[0] if found.split() else None
        try:
            return wait_until(search, "a window named %r" % name)
        except AssertionError as timeout:
            names = self.run("xdotool", "search", "--name", ".", "getwindowname", "%@", check=False)
            raise AssertionError("%s; the windows are named %r" % (timeout, sorted(set(names.splitlines()))))

    def screenshot(self, path):
        import PIL.Image
        self.run(IMPORT, "-window", "root", path)
        return PIL.Image.open(path).convert("RGB")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=TIMEOUT)


class WineProgram:
    """One .exe under Wine, its console output collected line by line as bytes."""

    def __init__(self, xvfb, exe, *args, cwd=None):
        self.process = subprocess.Popen(["wine", proof_path(exe), *args], env=xvfb.env(), cwd=cwd,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.lines = []
        self.errors = ""
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line)

    def text(self):
        return [line.decode(errors="replace").rstrip("\r\n") for line in list(self.lines)]

    def wait_for_line(self, wanted):
        wait_until(lambda: wanted in self.text(), "the line %r, got %r" % (wanted, self.text()))

    def stop(self):
        """Ends the program at once if it still runs (cleanup after a failure)."""
        if self.process.poll() is None:
            self.process.kill()
        self.finish()

    def finish(self):
        """Waits for the end; returns (exit status, stderr text)."""
        try:
            self.process.wait(timeout=TIMEOUT)
        finally:
            if self.process.poll() is None:
                self.process.kill()
                self.process.wait()
        self.reader.join(TIMEOUT)
        if not self.process.stderr.closed:
            self.errors = self.process.stderr.read().decode(errors="replace")
            self.process.stderr.close()
            self.process.stdout.close()
        return self.process.returncode, self.errors


SCREEN = None  # the module's Xvfb; None where Xvfb is not installed


def setUpModule():
    global SCREEN
    subprocess.run(["wineserver", "--wait"], check=True, timeout=TIMEOUT)
    if shutil.which("Xvfb"):
        SCREEN = Xvfb()


def tearDownModule():
    # The session's desktop process holds the display until the session ends;
    # after a failure something may still run in it (a hung program, winedbg).
    try:
        subprocess.run(["wineserver", "--wait"], timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        subprocess.run(["wineserver", "--kill"], timeout=TIMEOUT)
    finally:
        if SCREEN:
            SCREEN.stop()


def wine_env():
    return SCREEN.env() if SCREEN else dict(os.environ)


def require_screen(*tools):
    if SCREEN is None:
        raise unittest.SkipTest("not installed: Xvfb")
    require(*tools)
    return SCREEN


class ScratchFolder(unittest.TestCase):
    def setUp(self):
        # TMPDIR points into the build folder (ctest sets it), never /tmp.
        self.folder = tempfile.mkdtemp(prefix="proof-")
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)


class WindowTest(ScratchFolder):
    # Client-area pixels of the pattern (GL y runs up from the bottom edge).
    BACKGROUND = ((20, 20), (51, 51, 51))
    SHAPES = [((150, 600 - 117), (255, 0, 0)),    # red triangle
              ((400, 600 - 117), (0, 255, 0)),    # green triangle
              ((650, 600 - 117), (255, 255, 0)),  # yellow triangle
              ((400, 600 - 450), (255, 0, 255))]  # DXT3 magenta square

    def setUp(self):
        super().setUp()
        self.xvfb = require_screen("xdotool", "xwininfo", IMPORT)
        require_pillow()

    def geometry(self, window):
        info = self.xvfb.run("xwininfo", "-id", window)
        fields = dict(line.strip().split(": ", 1) for line in info.splitlines() if ": " in line)
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def test_pattern_console_and_keys(self):
        started = time.monotonic()
        program = WineProgram(self.xvfb, "window_proof.exe")
        self.addCleanup(program.stop)
        program.wait_for_line("frame drawn, glGetError 0")
        drawn = time.monotonic()
        window = self.xvfb.find_window("proof")
        left, top, width, height = self.geometry(window)
        self.assertEqual((width, height), (800, 600))

        screen = self.xvfb.screenshot(os.path.join(self.folder, "screen.png"))
        for (x, y), colour in [self.BACKGROUND] + self.SHAPES:
            self.assertEqual(screen.getpixel((left + x, top + y)), colour, "client pixel (%d, %d)" % (x, y))

        # Without a window manager the window gets the focus only when asked,
        # and Wine takes it a moment later: a key sent at once can be lost.
        # So "e" is tapped until GLUT sees it.
        self.xvfb.run("xdotool", "windowfocus", "--sync", window)
        for _ in range(20):
            self.xvfb.run("xdotool", "key", "e")
            time.sleep(0.25)
            if "glut keyboard: e" in program.text():
                break
        program.wait_for_line("glut keyboard: e")
        # A tap can fall between two polls of GetAsyncKeyState; a held key
        # (as when flying) cannot.
        self.xvfb.run("xdotool", "keydown", "w")
        program.wait_for_line("GetAsyncKeyState: W down")
        self.xvfb.run("xdotool", "keyup", "w")
        program.wait_for_line("glut keyboard: w")
        self.xvfb.run("xdotool", "key", "Escape")
        escaped = time.monotonic()
        status, errors = program.finish()
        ended = time.monotonic()

        self.assertEqual(status, 0, errors)
        lines = program.text()
        self.assertIn("exit 0", lines)
        self.assertIn("GLUT_SCREEN_WIDTH x HEIGHT 1024 x 768", lines)
        for entry in ["glActiveTextureARB", "glMultiTexCoord2fvARB", "glCompressedTexImage2DARB"]:
            self.assertIn("wglGetProcAddress %s: found" % entry, lines)
            self.assertIn("glutGetProcAddress %s: found" % entry, lines)
        elapsed = [line for line in lines if line.startswith("timeGetTime: ")]
        self.assertEqual(len(elapsed), 1, lines)
        # The window opened before the frame was reported and after the start;
        # it closed after Escape was sent and before the program ended.
        elapsed_ms = int(elapsed[0].split()[1])
        self.assertGreaterEqual(elapsed_ms, (escaped - drawn) * 1000 - 50)
        self.assertLessEqual(elapsed_ms, (ended - started) * 1000 + 50)
        # msvcrt writes text-mode stdout: every "\n" reaches the pipe as "\r\n".
        self.assertTrue(all(line.endswith(b"\r\n") for line in program.lines), program.lines)


class DialogTest(ScratchFolder):
    def setUp(self):
        super().setUp()
        self.xvfb = require_screen("xdotool")
        self.land = os.path.join(self.folder, "file.lnd")
        with open(self.land, "wb") as out:
            out.write(b"not a real landscape")

    def open_dialog(self):
        program = WineProgram(self.xvfb, "dialog_probe.exe", cwd=self.folder)
        self.addCleanup(program.stop)
        program.wait_for_line("dialog opening")
        window = self.xvfb.find_window("Load .lnd")
        # The dialog fills its controls after it is mapped; keys typed at
        # once are lost.
        time.sleep(1.0)
        self.xvfb.run("xdotool", "windowfocus", "--sync", window)
        return program

    def test_typed_path_and_return_choose_the_file(self):
        program = self.open_dialog()
        windows_path = "Z:" + self.land.replace("/", "\\")
        self.xvfb.run("xdotool", "type", "--delay", "20", windows_path)
        self.xvfb.run("xdotool", "key", "Return")
        status, errors = program.finish()
        self.assertEqual(status, 0, errors)
        self.assertIn("chosen: " + windows_path, program.text())

    def test_escape_cancels(self):
        program = self.open_dialog()
        self.xvfb.run("xdotool", "key", "Escape")
        status, errors = program.finish()
        self.assertEqual(status, 1, errors)
        self.assertIn("cancelled, CommDlgExtendedError 0", program.text())


class PngTest(ScratchFolder):
    def test_png_written_under_wine_reads_back_in_pillow(self):
        require_pillow()
        import PIL.Image
        result = subprocess.run(["wine", proof_path("png_proof.exe"), "pattern.png"], cwd=self.folder,
                                env=wine_env(), capture_output=True, timeout=TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, b"wrote pattern.png with libpng 1.6.39, zlib 1.2.13\r\n")
        image = PIL.Image.open(os.path.join(self.folder, "pattern.png"))
        self.assertEqual((image.mode, image.size), ("RGBA", (64, 32)))
        for y in range(32):
            for x in range(64):
                self.assertEqual(image.getpixel((x, y)), (4 * x, 8 * y, 255 - 4 * x, 255 - 2 * y), (x, y))


class SquishTest(unittest.TestCase):
    def test_windows_and_linux_libsquish_make_the_same_blocks(self):
        windows = subprocess.run(["wine", proof_path("squish_proof.exe")], env=wine_env(), capture_output=True,
                                 text=True, timeout=TIMEOUT, check=True).stdout.replace("\r\n", "\n").splitlines()
        linux = subprocess.run([proof_path("squish_native")], capture_output=True, text=True,
                               timeout=TIMEOUT, check=True).stdout.splitlines()
        self.assertEqual(len(linux), 2001)
        differing = [pair for pair in zip(windows, linux) if pair[0] != pair[1]]
        self.assertEqual(len(windows), len(linux))
        self.assertEqual(differing, [], "%d blocks differ, first (Windows, Linux): %s" %
                         (len(differing), differing[:1]))


class CrashTest(unittest.TestCase):
    def test_access_violation_fails_with_the_exception_code(self):
        result = subprocess.run(["wine", proof_path("crash_probe.exe")], env=wine_env(), capture_output=True,
                                timeout=TIMEOUT)
        # 0xC0000005 cut to its low byte; stdout holds only the program's line.
        self.assertEqual(result.returncode, 5, result.stderr)
        self.assertEqual(result.stdout, b"before the crash\r\n")


if __name__ == "__main__":
    unittest.main()

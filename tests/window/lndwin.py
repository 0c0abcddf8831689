"""Shared helpers of the window tests.

The tests drive the real lndview in a real freeglut window on an Xvfb
server of their own, with xdotool for the pointer and the keyboard, and
read what the viewer prints (its transcript) and what the screen shows.

- Xvfb: a private X server on a display number that Xvfb picks itself, so
  several test files can run at the same time.
- Viewer: one lndview process with its standard output in a transcript file,
  waits for transcript lines and for its window, the window's geometry,
  pointer and key input, closing the window the way a window manager does.
- screenshot(): the whole screen as a Pillow image.
- LandscapeFile: writes small landscape files, well-formed or faulty.

The path of lndview comes from the environment variable LNDVIEW, which
ctest sets; set it yourself when running a test file by hand, e.g.
  cd tests/window && LNDVIEW=../../build/lndview /usr/bin/python3 -m unittest -v test_input
"""

import ctypes
import ctypes.util
import io
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from lndfile import program_path, require_pillow

WINDOW_TITLE = "Thornveil LND Visualizer by Quillmoor"
WINDOW_POSITION = (50, 50)
WINDOW_SIZE = (800, 600)
SCREEN_SIZE = (1280, 1024)

# Camera line printed on a middle-button press.
CAMERA_LINE_PREFIX = "pos : "

# Generous limits for a loaded 2-core machine; polling ends as soon as the
# awaited thing shows up.
START_TIMEOUT = 60.0
EVENT_TIMEOUT = 20.0
POLL_INTERVAL = 0.05

IMPORT = "/usr/bin/import"  # ImageMagick's screen grabber


def require_tools(*tools):
    """Skips the calling test class when one of the X tools is not installed."""
    missing = [t for t in tools if not (shutil.which(t) or (os.path.isabs(t) and os.access(t, os.X_OK)))]
    if missing:
        raise unittest.SkipTest("not installed: " + ", ".join(missing))


def lndview_path():
    return program_path("LNDVIEW", "lndview")


def wait_until(predicate, timeout, what, interval=POLL_INTERVAL):
    """Polls predicate() until it returns something true; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


# ---------------------------------------------------------------------------
# Xvfb
# ---------------------------------------------------------------------------


class Xvfb:
    """A private X server; use as a context manager or call start()/stop()."""

    def __init__(self, screen="%dx%dx24" % SCREEN_SIZE, reset=False):
        self.screen = screen
        # A server that resets when its last client leaves, as a bare X
        # server does; the tests' own server stays as it is between clients.
        self.reset = reset
        self.proc = None
        self.display = None
        self._log = None

    def start(self, timeout=30.0):
        read_fd, write_fd = os.pipe()
        self._log = tempfile.TemporaryFile()
        try:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.screen, "-nolisten", "tcp"]
                + ([] if self.reset else ["-noreset"]),
                pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=self._log)
        finally:
            os.close(write_fd)
        number = b""
        deadline = time.monotonic() + timeout
        try:
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                ready, _, _ = select.select([read_fd], [], [], max(left, 0))
                if not ready:
                    raise RuntimeError("Xvfb did not report its display within %.0f s" % timeout)
                chunk = os.read(read_fd, 64)
                if not chunk:
                    self._log.seek(0)
                    raise RuntimeError("Xvfb ended before reporting its display: %s"
                                       % self._log.read().decode(errors="replace"))
                number += chunk
        except BaseException:
            self.stop()
            raise
        finally:
            os.close(read_fd)
        self.display = ":" + number.decode().strip()
        return self

    def stop(self):
        if self.proc is not None:
            if self.proc.poll() is None:
                self.proc.terminate()
                try:
                    self.proc.wait(10)
                except subprocess.TimeoutExpired:
                    self.proc.kill()
                    self.proc.wait()
            self.proc = None
        if self._log is not None:
            self._log.close()
            self._log = None

    def env(self, **extra):
        """The test's own environment with DISPLAY pointing at this server."""
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.update(extra)
        return env

    def run(self, *args, timeout=EVENT_TIMEOUT, check=True):
        """Runs an X client (xdotool, xwininfo, ...) against this server."""
        result = subprocess.run(list(args), env=self.env(), stdin=subprocess.DEVNULL, capture_output=True,
                                timeout=timeout)
        if check and result.returncode != 0:
            raise AssertionError("%s failed (%d): %s" % (" ".join(args), result.returncode,
                                                         result.stderr.decode(errors="replace")))
        return result.stdout.decode(errors="replace")

    def xdotool(self, *args):
        return self.run("xdotool", *[str(a) for a in args])

    def pointer(self):
        """The pointer's screen position."""
        values = dict(item.split("=", 1) for item in self.xdotool("getmouselocation", "--shell").split())
        return int(values["X"]), int(values["Y"])

    def find_windows(self, title=WINDOW_TITLE):
        """Ids of the windows whose name is exactly title (no waiting)."""
        out = self.run("xdotool", "search", "--name", "^%s$" % _regex_escape(title), check=False)
        return [int(w) for w in out.split()]

    def screenshot(self):
        """The whole screen as an RGB Pillow image."""
        from PIL import Image

        png = subprocess.run([IMPORT, "-display", self.display, "-window", "root", "png:-"], env=self.env(),
                             stdin=subprocess.DEVNULL, capture_output=True, timeout=EVENT_TIMEOUT, check=True).stdout
        return Image.open(io.BytesIO(png)).convert("RGB")

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


def _regex_escape(text):
    return "".join("\\" + c if c in r".^$*+?()[]{}|\\" else c for c in text)


# ---------------------------------------------------------------------------
# Closing a window the way a window manager does (WM_DELETE_WINDOW)
# ---------------------------------------------------------------------------


class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


_CLIENT_MESSAGE = 33


def send_delete_window(display, window):
    """Sends WM_PROTOCOLS / WM_DELETE_WINDOW to the client owning window."""
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(_XEvent)]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = xlib.XOpenDisplay(display.encode())
    if not dpy:
        raise AssertionError("cannot open display " + display)
    try:
        event = _XEvent()
        event.xclient.type = _CLIENT_MESSAGE
        event.xclient.window = window
        event.xclient.message_type = xlib.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = xlib.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        # An empty event mask sends the event to the client that made the window.
        if not xlib.XSendEvent(dpy, window, 0, 0, ctypes.byref(event)):
            raise AssertionError("XSendEvent failed")
        xlib.XFlush(dpy)
    finally:
        xlib.XCloseDisplay(dpy)


# ---------------------------------------------------------------------------
# The viewer process
# ---------------------------------------------------------------------------


class Viewer:
    """One lndview process whose standard output goes to a transcript file.

    args are the command-line arguments after the program name. env replaces
    the environment (by default the test's own with DISPLAY of the server);
    stdin is a file object, a file descriptor or None for /dev/null.
    """

    _serial = 0

    def __init__(self, xvfb, args, workdir, env=None, stdin=None, program=None):
        Viewer._serial += 1
        self.xvfb = xvfb
        self.program = program or lndview_path()
        self.transcript_path = os.path.join(workdir, "transcript-%d.txt" % Viewer._serial)
        self.stderr_path = os.path.join(workdir, "stderr-%d.txt" % Viewer._serial)
        if env is None:
            env = xvfb.env()
        with open(self.transcript_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen([self.program] + list(args), env=env,
                                         stdin=subprocess.DEVNULL if stdin is None else stdin,
                                         stdout=out, stderr=err)
        self._window = None

    # --- process ---------------------------------------------------------

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=START_TIMEOUT):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("lndview still runs after %.0f s; transcript:\n%s" % (timeout, self.text()))

    def stop(self):
        """Ends the process if it still runs (used by tearDown)."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    # --- transcript ------------------------------------------------------

    def text(self):
        with open(self.transcript_path, "rb") as f:
            return f.read().decode("latin-1")

    def stderr_text(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("latin-1")

    def lines(self):
        """Complete lines of the transcript (a line still being written is left out)."""
        text = self.text()
        return text.split("\n")[:-1]

    def wait_for_line(self, predicate, timeout=START_TIMEOUT, what=None):
        """Waits until some complete line satisfies predicate (a string means: line == it)."""
        test = (lambda line: line == predicate) if isinstance(predicate, str) else predicate

        def found():
            for line in self.lines():
                if test(line):
                    return line
            if not self.running():
                # One last look: the line may have been written just before the end.
                for line in self.lines():
                    if test(line):
                        return line
                raise AssertionError("lndview ended (status %s) before %s; transcript:\n%s\nstderr:\n%s"
                                     % (self.proc.returncode, what or repr(predicate), self.text(),
                                        self.stderr_text()))
            return None

        return wait_until(found, timeout, what or repr(predicate))

    def wait_for_count(self, predicate, count, timeout=EVENT_TIMEOUT, what="lines"):
        """Waits until count complete lines satisfy predicate; returns them."""

        def found():
            matching = [line for line in self.lines() if predicate(line)]
            if len(matching) >= count:
                return matching
            if not self.running():
                raise AssertionError("lndview ended (status %s) while waiting for %d %s; transcript:\n%s"
                                     % (self.proc.returncode, count, what, self.text()))
            return None

        try:
            return wait_until(found, timeout, "%d %s" % (count, what))
        except AssertionError as e:
            raise AssertionError("%s; transcript:\n%s" % (e, self.text())) from None

    def wait_loaded(self, timeout=START_TIMEOUT):
        """Waits for the last line that loading prints."""
        return self.wait_for_line(lambda line: line.endswith(" Wireframe cells rendered"), timeout,
                                  "the end of loading")

    # --- window ----------------------------------------------------------

    def window(self, timeout=START_TIMEOUT):
        """The id of the viewer's window, once it is mapped."""
        if self._window is None:
            def mapped():
                if not self.running():
                    raise AssertionError("lndview ended (status %s) before its window appeared; transcript:\n%s"
                                         % (self.proc.returncode, self.text()))
                for w in self.xvfb.find_windows():
                    if "IsViewable" in self.xvfb.run("xwininfo", "-id", str(w), check=False):
                        return w
                return None

            self._window = wait_until(mapped, timeout, "the lndview window")
        return self._window

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        info = self.xvfb.run("xwininfo", "-id", str(self.window()))
        values = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            values[key] = value.strip()
        return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                int(values["Width"]), int(values["Height"]))

    def name(self):
        info = self.xvfb.run("xwininfo", "-id", str(self.window()))
        first = [line for line in info.splitlines() if "Window id:" in line][0]
        return first.split('"', 1)[1].rsplit('"', 1)[0]

    def wait_name(self, expected, timeout=EVENT_TIMEOUT):
        """Waits for the window's title to become expected (a window manager
        or Wine may pass a new title on a moment later); returns it."""
        wait_until(lambda: self.name() == expected, timeout, "the title %r (it is %r)" % (expected, self.name()))
        return expected

    def close_window(self):
        send_delete_window(self.xvfb.display, self.window())

    def window_shot(self):
        """A screenshot cropped to the window."""
        x, y, w, h = self.geometry()
        return self.xvfb.screenshot().crop((x, y, x + w, y + h))

    def wait_for_picture(self, predicate, timeout=EVENT_TIMEOUT, what="the expected picture"):
        """Takes window screenshots until predicate(shot) holds; returns that shot.
        On a timeout the last shot is saved next to the transcript."""
        last = []

        def check():
            shot = self.window_shot()
            last[:] = [shot]
            return shot if predicate(shot) else None

        try:
            return wait_until(check, timeout, what, interval=0.1)
        except AssertionError as e:
            saved = failure_path("last-shot.png") if last else None
            if saved:
                last[0].save(saved)
                raise AssertionError("%s (last screenshot: %s)" % (e, saved)) from None
            raise

    def stable_shot(self, timeout=EVENT_TIMEOUT):
        """A window screenshot equal to the one taken right before it."""
        previous = []

        def same(shot):
            equal = bool(previous) and same_picture(previous[0], shot)
            previous[:] = [shot]
            return equal

        return self.wait_for_picture(same, timeout, "a steady picture")

    # --- input -----------------------------------------------------------

    def point(self, x, y):
        """Screen coordinates of window pixel (x, y)."""
        wx, wy, _, _ = self.geometry()
        return wx + x, wy + y

    def move(self, x, y):
        """Moves the pointer to window pixel (x, y) (which also gives the window the keyboard)."""
        sx, sy = self.point(x, y)
        # "mousemove --sync" waits for the pointer to move, so it would wait
        # forever when the pointer is there already.
        if self.xvfb.pointer() != (sx, sy):
            self.xvfb.xdotool("mousemove", "--sync", sx, sy)

    def press(self, button):
        self.xvfb.xdotool("mousedown", button)

    def release(self, button):
        self.xvfb.xdotool("mouseup", button)

    def camera_lines(self):
        return [line for line in self.lines() if line.startswith(CAMERA_LINE_PREFIX)]

    def camera_line(self):
        """Middle-clicks where the pointer is and returns the camera line it prints."""
        before = len(self.camera_lines())
        self.xvfb.xdotool("click", 2)
        return self.wait_for_count(lambda line: line.startswith(CAMERA_LINE_PREFIX), before + 1,
                                   what="camera lines")[before]

    def camera(self):
        """The camera line's seven numbers: x, y, z, pitch, yaw, roll, zoom."""
        return parse_camera_line(self.camera_line())


def failure_path(name):
    """A path for a file kept after a failed test (the test's temp directory
    goes away) in the folder LNDWIN_ARTIFACTS names (ctest points it into the
    build tree), or None when it is not set: nothing is left in /tmp."""
    directory = os.environ.get("LNDWIN_ARTIFACTS")
    if not directory:
        return None
    os.makedirs(directory, exist_ok=True)
    fd, path = tempfile.mkstemp(prefix="%d-" % os.getpid(), suffix="-" + name, dir=directory)
    os.close(fd)
    return path


def same_picture(a, b):
    from PIL import ImageChops

    return a.size == b.size and ImageChops.difference(a, b).getbbox() is None


def differing_pixels(a, b):
    """How many pixels of two equally sized images differ."""
    from PIL import ImageChops

    mask = ImageChops.difference(a, b).convert("L").point(lambda v: 255 if v else 0)
    return mask.histogram()[255]


def parse_camera_line(line):
    """Reads "pos : x y z | rot: p y r | zoom : z" into seven floats."""
    pos, rot, zoom = line.split(" | ")
    assert pos.startswith("pos : ") and rot.startswith("rot: ") and zoom.startswith("zoom : "), line
    values = pos[len("pos : "):].split() + rot[len("rot: "):].split() + zoom[len("zoom : "):].split()
    assert len(values) == 7, line
    return tuple(float(v) for v in values)


# ---------------------------------------------------------------------------
# Base class of the window test cases
# ---------------------------------------------------------------------------


class WindowTestCase(unittest.TestCase):
    """Each test class gets an Xvfb of its own; each test a temp directory,
    and every viewer it starts is ended in tearDown."""

    @classmethod
    def setUpClass(cls):
        require_tools("Xvfb", "xdotool", "xwininfo", IMPORT)
        require_pillow()
        lndview_path()
        cls.xvfb = Xvfb().start()

    @classmethod
    def tearDownClass(cls):
        cls.xvfb.stop()

    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="lndwin-")
        self.tmp = self._tmp.name
        self.viewers = []
        self.addCleanup(self._tmp.cleanup)
        self.addCleanup(self._stop_viewers)

    def _stop_viewers(self):
        for v in self.viewers:
            v.stop()
        self._wait_no_window()

    def _wait_no_window(self):
        wait_until(lambda: not self.xvfb.find_windows(), EVENT_TIMEOUT, "the last lndview window to go away")

    def start(self, *args, **kwargs):
        """Starts lndview with args; the window found later is then its own,
        since an earlier viewer's window is gone first."""
        self._wait_no_window()
        viewer = Viewer(self.xvfb, args, self.tmp, **kwargs)
        self.viewers.append(viewer)
        return viewer

    def path(self, name):
        return os.path.join(self.tmp, name)

    def write_landscape(self, name, land, **kwargs):
        return land.write(self.path(name), **kwargs)

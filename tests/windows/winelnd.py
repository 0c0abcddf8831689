"""Helpers of the Windows tests: lndview.exe and lndtool.exe under Wine.

They build on the Linux window tests' helpers (tests/window/lndwin.py) and
landscape writer (tests/support/lndfile.py):

- the screen is the X display of the whole test run (DISPLAY, which
  `make test-windows` points at an Xvfb of its own): one Wine session keeps
  the display of its first windowed program, so every Wine program of the run
  uses that one;
- WineViewer: lndview.exe started through wine, its console transcript read
  with Windows' CR LF line ends made LF (the program itself prints "\\n");
- run_tool: lndtool.exe under wine, or the Linux lndtool, with their output.

ctest sets LNDVIEW_EXE, LNDTOOL_EXE, LNDVIEW_LINUX and LNDTOOL_LINUX (the Linux
build to compare with) and the Wine variables (WINEPREFIX, TMPDIR, WINEDEBUG,
WINEDLLOVERRIDES). By hand:
  tests/with_xvfb.sh ctest --test-dir build-win -R windows_ -V
"""

import os
import shutil
import subprocess
import time
import unittest

from lndfile import program_path, require_pillow
from lndwin import EVENT_TIMEOUT, IMPORT, START_TIMEOUT, Viewer, WindowTestCase, Xvfb, require_tools, wait_until

TOOL_TIMEOUT = 120.0  # a Wine start on a loaded 2-core machine, then the work


def lndview_exe():
    return program_path("LNDVIEW_EXE", "lndview.exe")


def lndtool_exe():
    return program_path("LNDTOOL_EXE", "lndtool.exe")


def linux_program(variable, name):
    """The Linux build's program, or a skip that says how to get it."""
    path = os.environ.get(variable)
    if not path or not os.access(path, os.X_OK):
        raise unittest.SkipTest("the Linux %s to compare with is not built (%s=%s): run make build first"
                                % (name, variable, path))
    return path


def windows_path(path):
    """The Windows name of a file of this machine under Wine (drive Z: is /)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def crlf_to_lf(data):
    return data.replace(b"\r\n", b"\n")


def run_tool(*args, linux=False, cwd=None, env=None, timeout=TOOL_TIMEOUT):
    """Runs lndtool.exe under wine (or the Linux lndtool); returns the
    CompletedProcess with bytes output, line ends left as they came."""
    if linux:
        command = [linux_program("LNDTOOL_LINUX", "lndtool")]
    else:
        command = ["wine", lndtool_exe()]
    return subprocess.run(command + [str(a) for a in args], cwd=cwd, env=env or screen_env(),
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)


def screen_env():
    """The test's environment (with the run's DISPLAY)."""
    return dict(os.environ)


def shared_screen():
    """The run's X display as an lndwin.Xvfb that is not started or stopped here."""
    display = os.environ.get("DISPLAY")
    if not display:
        raise AssertionError("no DISPLAY: the Windows tests share one X display for the whole run; "
                             "run them with make test-windows, or tests/with_xvfb.sh ctest --test-dir build-win")
    screen = Xvfb()
    screen.display = display
    return screen


class WineViewer(Viewer):
    """lndview.exe under wine; transcript and stderr with CR LF made LF."""

    def __init__(self, xvfb, args, workdir, **kwargs):
        super().__init__(xvfb, [lndview_exe()] + list(args), workdir, program=shutil.which("wine"), **kwargs)

    def raw_text(self):
        with open(self.transcript_path, "rb") as f:
            return f.read()

    def text(self):
        return crlf_to_lf(self.raw_text()).decode("latin-1")

    def stderr_text(self):
        with open(self.stderr_path, "rb") as f:
            return crlf_to_lf(f.read()).decode("latin-1")

    def focus(self):
        """Gives the window the keyboard. Without a window manager Wine takes
        the focus a moment after X gives it, so a key sent at once can be
        lost: the test waits until Wine reports the window active."""
        window = self.window()
        self.xvfb.xdotool("windowfocus", "--sync", window)
        wait_until(lambda: self.xvfb.run("xdotool", "getwindowfocus", check=False).strip() == str(window),
                   EVENT_TIMEOUT, "the viewer's window to have the keyboard")
        time.sleep(1.0)

    def escape(self):
        """Escape ends the viewer with status 0; returns the status."""
        self.focus()
        self.xvfb.xdotool("key", "Escape")
        return self.wait_exit()


class WineWindowTestCase(WindowTestCase):
    """Window tests of lndview.exe on the run's shared screen."""

    @classmethod
    def setUpClass(cls):
        require_tools("wine", "xdotool", "xwininfo", IMPORT)
        require_pillow()
        lndview_exe()
        cls.xvfb = shared_screen()

    @classmethod
    def tearDownClass(cls):
        pass  # the screen belongs to the run

    def start(self, *args, **kwargs):
        self._wait_no_window()
        viewer = WineViewer(self.xvfb, args, self.tmp, **kwargs)
        self.viewers.append(viewer)
        return viewer


__all__ = ["EVENT_TIMEOUT", "START_TIMEOUT", "TOOL_TIMEOUT", "WineViewer", "WineWindowTestCase", "crlf_to_lf",
           "linux_program", "lndtool_exe", "lndview_exe", "run_tool", "screen_env", "shared_screen", "windows_path"]

"""lndview's command line before any window: --help, --version, unknown
options, a file really named like an option, and a machine without a
display, where it says so at once and names lndtool render."""

import os
import subprocess
import unittest

from lndfile import program_path

TIMEOUT = 60


class ViewerArgumentsTest(unittest.TestCase):
    def setUp(self):
        import tempfile
        self._tmp = tempfile.TemporaryDirectory(prefix="lndview-args-")
        self.addCleanup(self._tmp.cleanup)
        self.tmp = self._tmp.name
        self.viewer = program_path("LNDVIEW", "lndview")

    def run_viewer(self, *args, display=None):
        env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        if display is not None:
            env["DISPLAY"] = display
        return subprocess.run([self.viewer] + list(args), cwd=self.tmp, env=env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=TIMEOUT)

    def version(self):
        with open(os.path.join(os.path.dirname(__file__), "..", "..", "CMakeLists.txt")) as f:
            for line in f:
                if line.startswith("project(lndview VERSION "):
                    return line.split()[2]
        raise AssertionError("no project version in CMakeLists.txt")

    def test_help_and_version(self):
        for flag in ("--help", "-h"):
            result = self.run_viewer(flag)
            self.assertEqual(result.returncode, 0)
            text = result.stdout.decode()
            self.assertTrue(text.startswith("Usage: lndview [FILE.lnd]\n"), text)
            for control in ("W / S", "mouse wheel", "middle click", "F1 or h", "Tab", "Home", "Escape"):
                self.assertIn(control, text)
            self.assertIn("Exit status: 0", text)
            self.assertEqual(result.stderr, b"")
        result = self.run_viewer("--version")
        self.assertEqual((result.returncode, result.stdout.decode()), (0, "lndview %s\n" % self.version()))

    def test_unknown_options_are_refused_before_any_window(self):
        for option in ("--fullscreen", "-x", "--"):
            with self.subTest(option=option):
                result = self.run_viewer(option, display=":0")
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, b"")
                self.assertEqual(result.stderr.decode(),
                                 "ERROR : lndview : unknown option '%s' (see lndview --help; a file of that name "
                                 "opens as ./%s)\n" % (option, option))

    def test_options_win_over_files_of_the_same_name(self):
        # In a folder holding "--help" and "-x", they are options; ./--help is
        # the file (without a display the viewer stops after taking it as one).
        for name in ("--help", "-x"):
            with open(os.path.join(self.tmp, name), "wb"):
                pass
        self.assertEqual(self.run_viewer("--help").returncode, 0)
        self.assertEqual(self.run_viewer("-x", display=":0").returncode, 2)
        result = self.run_viewer("./--help")
        self.assertEqual(result.returncode, 2)
        self.assertIn("needs a graphical display", result.stderr.decode())

    def test_no_display_is_said_in_one_line(self):
        for display in (None, "", ":987"):
            with self.subTest(display=display):
                result = self.run_viewer(os.path.join(self.tmp, "land.lnd"), display=display)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, b"")
                lines = result.stderr.decode().splitlines()
                self.assertEqual(len(lines), 1, lines)
                self.assertTrue(lines[0].startswith("ERROR : lndview : "), lines)
                self.assertIn("lndtool render", lines[0])


if __name__ == "__main__":
    unittest.main()

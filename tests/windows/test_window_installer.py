"""The setup under Wine, in a fresh prefix of its own (LNDSETUP_WINE_DIR, removed
after the tests; HOME points into it): what silent installs for the user and for
all users make (read with `wine reg query`), the registered Open command and
`wine start` opening a .lnd file, an upgrade, and uninstalls that leave nothing.
Command lines run from batch files, as a script runs them (cmd hands a line to
CreateProcess as it is): `wine` would quote /D=C:\\a b, which NSIS then ignores."""

import getpass
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from lndfile import LandscapeFile
from lndwin import WINDOW_TITLE, Viewer, require_tools, wait_until
from test_zip import project_version
from winelnd import TOOL_TIMEOUT, WineWindowTestCase, windows_path

CLASSES = "Software\\Classes\\"
UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
FILES = {"lndview.exe", "lndtool.exe", "README.md", "LICENSE", "lndview.txt", "lndtool.txt", "uninstall.exe", "docs"}
# What the README links to, below docs/.
DOCS = {"lndtool.md", "viewer.md", "windows.md", "windows-build.md", "development.md", "fuzzing.md", "lndtool.1", "island.png",
        "island-countries.png", "island-gltf.png", "island-thumbnail.png"}
VALUE = re.compile(r"^    (.+?)    (REG_[A-Z_]+)    ?(.*)$")


def sz(text):
    return ("REG_SZ", text)


class SetupTest(WineWindowTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        require_tools("wineserver")
        if not os.path.isfile(os.environ["LNDVIEW_SETUP"]):
            raise AssertionError("%s is missing: make windows-installer builds it" % os.environ["LNDVIEW_SETUP"])
        cls.root = os.environ["LNDSETUP_WINE_DIR"]
        shutil.rmtree(cls.root, ignore_errors=True)
        home = os.path.join(cls.root, "home")
        os.makedirs(home)
        cls.prefix = os.path.join(cls.root, "prefix")
        cls.env = dict(os.environ, WINEPREFIX=cls.prefix, HOME=home, XDG_DATA_HOME=home, XDG_CONFIG_HOME=home,
                       XDG_CACHE_HOME=home)
        cls.addClassCleanup(shutil.rmtree, cls.root, ignore_errors=True)
        cls.addClassCleanup(cls.end_wine)
        cls.wine("wineboot", "--init", timeout=300)

    @classmethod
    def end_wine(cls):
        for flag in ("-k", "-w"):
            subprocess.run(["wineserver", flag], env=cls.env, timeout=TOOL_TIMEOUT)

    def setUp(self):
        super().setUp()
        self.addCleanup(self.end_wine)  # a failed test's programs and windows end with it

    @classmethod
    def wine(cls, *args, timeout=TOOL_TIMEOUT):
        """(status, output) of a program under wine. The output goes through a
        file: the wineserver and services that a program starts would hold a
        pipe open, and reading it would wait for the whole Wine session."""
        with tempfile.TemporaryFile() as out:
            status = subprocess.run(["wine"] + list(args), env=cls.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, timeout=timeout).returncode
            out.seek(0)
            return status, out.read().decode("utf-8", "replace")

    def batch(self, line, name="run.bat"):
        """A batch file that runs line without echoing it; its Windows path."""
        with open(self.path(name), "w", newline="\r\n") as f:
            f.write("@%s\n" % line)
        return windows_path(self.path(name))

    def run_line(self, *words):
        status, output = self.wine("cmd", "/c", self.batch(" ".join(words)))
        self.assertEqual(status, 0, output)

    def unix(self, path):
        """This machine's name of a C:\\ path of the prefix."""
        return os.path.join(self.prefix, "drive_c", *path[3:].split("\\"))

    def registry(self, key):
        """{path below key: {name: (type, data)}}; {} for a missing key."""
        status, output = self.wine("reg", "query", key, "/s")
        tree = {}
        for line in output.replace("\r", "").split("\n") if status == 0 else ():
            if line.startswith("HKEY_"):
                values = tree.setdefault(line.split("\\", 1)[1][len(key.split("\\", 1)[1]):], {})
            elif VALUE.match(line):
                name, kind, data = VALUE.match(line).groups()
                values[name] = (kind, data)
        return tree

    def lndview_lines(self, root):
        """The lines of `reg export root` that name lndview."""
        path = self.path(root + ".reg")
        self.assertEqual(self.wine("reg", "export", root, windows_path(path), "/y")[0], 0)
        with open(path, "rb") as f:
            return [line for line in f.read().decode("utf-16").splitlines() if "lndview" in line.lower()]

    def start_menu_entry(self, root):
        folder = "C:\\ProgramData" if root == "HKLM" else "C:\\users\\%s\\AppData\\Roaming" % getpass.getuser()
        return self.unix(folder + "\\Microsoft\\Windows\\Start Menu\\Programs\\lndview.lnk")

    def landscape(self):
        os.makedirs(self.path("my lands"))
        return LandscapeFile.small().write(self.path("my lands/small.lnd"))

    def install(self, root, *options, earlier=None):
        """Installs silently and checks what the setup made under root (HKCU,
        HKLM); returns the folder and the uninstall entry."""
        self.run_line('"%s" /S' % windows_path(os.environ["LNDVIEW_SETUP"]), *options)
        entry = self.registry(root + "\\" + UNINSTALL + "lndview")[""]
        folder = entry["InstallLocation"][1]
        self.assertEqual(set(os.listdir(self.unix(folder))), FILES)
        self.assertEqual(set(os.listdir(os.path.join(self.unix(folder), "docs"))), DOCS)
        names = [n for n in FILES if n != "docs"] + [os.path.join("docs", n) for n in DOCS]
        kib = sum(os.path.getsize(os.path.join(self.unix(folder), n)) for n in names) / 1024
        self.assertLessEqual(abs(int(entry.pop("EstimatedSize")[1], 16) - kib), len(names))
        made = entry.pop("LndMadeFolder", sz(folder))[1]  # the highest folder the setup made
        self.assertTrue((folder + "\\").startswith(made + "\\"), made)
        exe = folder + "\\lndview.exe"
        uninstall = '"%s\\uninstall.exe" /%s' % (folder, "CurrentUser" if root == "HKCU" else "AllUsers")
        expected = {
            "DisplayName": sz("lndview"), "DisplayVersion": sz(project_version()),
            "Publisher": sz("the lndview authors"), "DisplayIcon": sz(exe + ",0"), "InstallLocation": sz(folder),
            "UninstallString": sz(uninstall), "QuietUninstallString": sz(uninstall + " /S"),
            "NoModify": ("REG_DWORD", "0x1"), "NoRepair": ("REG_DWORD", "0x1")}
        self.assertEqual(entry, dict(expected, **({"LndDefaultBefore": sz(earlier)} if earlier else {})))
        self.assertEqual(self.registry(root + "\\" + CLASSES + "lndview.landscape"), {
            "": {"(Default)": sz("Thornveil landscape")}, "\\DefaultIcon": {"(Default)": sz(exe + ",0")},
            "\\shell": {}, "\\shell\\open": {}, "\\shell\\open\\command": {"(Default)": sz('"%s" "%%1"' % exe)}})
        self.assertEqual(self.registry(root + "\\" + CLASSES + ".lnd"), {
            "": {"(Default)": sz("lndview.landscape")}, "\\OpenWithProgids": {"lndview.landscape": ("REG_NONE", "")}})
        with open(self.start_menu_entry(root), "rb") as f:
            self.assertIn(exe.encode("utf-16-le"), f.read())
        self.assertEqual(self.lndview_lines("HKLM" if root == "HKCU" else "HKCU"), [])
        return folder, entry

    def uninstall(self, root, folder, entry):
        """The uninstaller goes on in a copy of itself and removes its entry last."""
        self.run_line(entry["QuietUninstallString"][1])
        wait_until(lambda: not self.registry(root + "\\" + UNINSTALL + "lndview"), TOOL_TIMEOUT, "the uninstaller")
        self.assertFalse(os.path.exists(self.unix(folder)) or os.path.exists(self.start_menu_entry(root)))
        self.assertEqual(self.lndview_lines(root), [])

    def open_viewer(self, *args):
        """Runs a Wine program that opens lndview (cmd, start), closes the
        viewer's window, returns the transcript."""
        viewer = Viewer(self.xvfb, args, self.tmp, env=self.env, program=shutil.which("wine"))
        self.viewers.append(viewer)
        viewer.window()
        self.assertEqual(viewer.name(), WINDOW_TITLE)
        viewer.close_window()
        self.assertEqual(viewer.wait_exit(), 0)
        return viewer.text().replace("\r\n", "\n")

    def test_current_user_install_opens_a_file_with_the_registered_command_and_uninstalls(self):
        folder, entry = self.install("HKCU")
        self.assertTrue(folder.endswith("\\AppData\\Local\\Programs\\lndview"), folder)
        land = self.landscape()
        command = self.registry("HKCU\\" + CLASSES + "lndview.landscape\\shell\\open\\command")[""]["(Default)"][1]
        text = self.open_viewer("cmd", "/c", self.batch(command.replace("%1", windows_path(land)), "open.bat"))
        self.assertTrue(text.startswith("Loading Landscape %s ...\n" % windows_path(land)), text)
        self.uninstall("HKCU", folder, entry)
        self.assertEqual(self.registry("HKCU\\" + CLASSES + ".lnd"), {})

    def test_all_users_install_opens_a_file_through_the_shell_and_uninstalls(self):
        folder, entry = self.install("HKLM", "/AllUsers")
        self.assertEqual(folder, "C:\\Program Files\\lndview")
        self.open_viewer("start", "/wait", "/unix", self.landscape())
        self.uninstall("HKLM", folder, entry)

    def test_upgrade_into_another_folder_keeps_one_entry_and_the_earlier_default(self):
        lnd = "HKCU\\" + CLASSES + ".lnd"
        self.wine("reg", "add", lnd, "/ve", "/d", "other.landscape", "/f")
        self.addCleanup(self.wine, "reg", "delete", lnd, "/f")
        first, _ = self.install("HKCU", earlier="other.landscape")
        folder, entry = self.install("HKCU", "/D=C:\\lnd tools\\lndview", earlier="other.landscape")
        self.assertEqual((folder, os.path.exists(self.unix(first))), ("C:\\lnd tools\\lndview", False))
        entries = [key for key in self.registry("HKCU\\" + UNINSTALL[:-1]) if "lndview" in key.lower()]
        self.assertEqual(entries, ["\\lndview"])
        self.assertEqual(self.wine(self.unix(folder + "\\lndtool.exe"), "--version"),
                         (0, "lndtool %s\r\n" % project_version()))
        self.uninstall("HKCU", folder, entry)
        self.assertFalse(os.path.exists(self.unix("C:\\lnd tools")))
        self.assertEqual(self.registry(lnd), {"": {"(Default)": sz("other.landscape")}})


if __name__ == "__main__":
    unittest.main()

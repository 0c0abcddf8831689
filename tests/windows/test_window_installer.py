"""The Windows setup, lndview-<version>-setup.exe, under Wine, in a fresh
Wine prefix of its own in the build folder (made for this file's tests and
removed after them; HOME points into it, so nothing reaches this machine's
desktop menus):

- a silent install for the current user: its files, its registry values (read
  with `wine reg query`), nothing of it under HKLM, the Start menu entry, and
  the registered Open command, run as the shell runs it (run_command_line.exe:
  the string, %1 replaced, straight to CreateProcess) on a file in a folder
  whose name has a space, opens lndview on that file;
- a silent install for all users, where `wine start /unix` opens a .lnd file
  in lndview (Wine 8's shell sees only the machine's file types);
- silent uninstalls that leave nothing of lndview, the .lnd default of
  another program put back, also after an upgrade into another folder.

Every command line goes through run_command_line.exe, as an administrator's
script would run it: `wine` itself would quote /D=C:\\a b and break it.
"""

import getpass
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile

from lndfile import LandscapeFile
from lndwin import START_TIMEOUT, WINDOW_TITLE, Viewer, require_tools, wait_until
from test_zip import project_version
from winelnd import TOOL_TIMEOUT, WineViewer, WineWindowTestCase, windows_path

PROGID = "lndview.landscape"
CLASSES = "Software\\Classes"
UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\lndview"
FILES = {"lndview.exe", "lndtool.exe", "README.md", "LICENSE", "lndview.txt", "lndtool.txt", "uninstall.exe"}
EARLIER_DEFAULT = "other.landscape"  # another program's .lnd type, there before the setup
VALUE_LINE = re.compile(r"^    (.+?)    (REG_[A-Z_]+)    ?(.*)$")


class WineCommand(WineViewer):
    """A Wine program that opens lndview (run_command_line.exe, start);
    transcript and stderr with CR LF made LF."""

    def __init__(self, xvfb, args, workdir, **kwargs):
        Viewer.__init__(self, xvfb, args, workdir, program=shutil.which("wine"), **kwargs)


class SetupTest(WineWindowTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        require_tools("wineserver")
        cls.setup = os.environ["LNDVIEW_SETUP"]
        if not os.path.isfile(cls.setup):
            raise AssertionError("%s is missing: build it with make windows-installer" % cls.setup)
        cls.run_command_line = os.environ["RUN_COMMAND_LINE_EXE"]
        cls.root = os.environ["LNDSETUP_WINE_DIR"]
        shutil.rmtree(cls.root, ignore_errors=True)
        home = os.path.join(cls.root, "home")
        os.makedirs(home)
        cls.prefix = os.path.join(cls.root, "prefix")
        cls.env = dict(os.environ, WINEPREFIX=cls.prefix, HOME=home, XDG_DATA_HOME=os.path.join(home, "share"),
                       XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_CACHE_HOME=os.path.join(home, "cache"))
        cls.addClassCleanup(shutil.rmtree, cls.root, ignore_errors=True)
        cls.addClassCleanup(cls.end_wine)
        cls.wine("wineboot", "--init", timeout=300)

    @classmethod
    def end_wine(cls):
        for flag in ("-k", "-w"):
            subprocess.run(["wineserver", flag], env=cls.env, timeout=TOOL_TIMEOUT)

    def setUp(self):
        super().setUp()
        # A failed test's programs end with it, and take their windows along.
        self.addCleanup(self.end_wine)

    # --- Wine ------------------------------------------------------------

    @classmethod
    def wine(cls, *args, timeout=TOOL_TIMEOUT, check=True):
        """Runs a program under wine; stdout and stderr come back as bytes.
        They go through files, not pipes: the wineserver and Wine's services
        that a program starts would hold a pipe open, and reading it to its
        end would wait for the whole Wine session to end."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            status = subprocess.run(["wine"] + list(args), env=cls.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=err, timeout=timeout).returncode
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(args, status, out.read(), err.read())
        if check and status != 0:
            raise AssertionError("wine %s: status %d\n%s" % (" ".join(args), status, result.stderr))
        return result

    def run_line(self, line):
        """Runs a Windows command line as the shell does; returns its status."""
        return self.wine(self.run_command_line, line, check=False).returncode

    def unix(self, path):
        """The file of this machine behind a C:\\ path of the prefix."""
        self.assertTrue(path.startswith("C:\\"), path)
        return os.path.join(self.prefix, "drive_c", *path[3:].split("\\"))

    def registry(self, key):
        """{path below key: {value name: (type, data)}} of key and everything
        under it, read with `reg query /s`; {} when the key is missing."""
        result = self.wine("reg", "query", key, "/s", check=False)
        if result.returncode != 0:
            return {}
        key_path = key.split("\\", 1)[1]
        tree, values = {}, None
        for line in result.stdout.decode("utf-8", "replace").replace("\r", "").split("\n"):
            if line.startswith("HKEY_"):
                values = tree.setdefault(line.split("\\", 1)[1][len(key_path):], {})
            elif VALUE_LINE.match(line):
                name, kind, data = VALUE_LINE.match(line).groups()
                values[name] = (kind, data)
        return tree

    def exported(self, root):
        """The text of `reg export` of a whole root key (HKLM, HKCU)."""
        path = self.path(root + ".reg")
        self.wine("reg", "export", root, windows_path(path), "/y")
        with open(path, "rb") as f:
            return f.read().decode("utf-16")

    def landscape_in_a_folder_with_a_space(self):
        folder = self.path("my lands")
        os.makedirs(folder)
        return LandscapeFile.small().write(os.path.join(folder, "small.lnd"))

    # --- what the setup makes --------------------------------------------

    def install(self, *options):
        self.assertEqual(self.run_line(" ".join(['"%s"' % windows_path(self.setup)] + list(options))), 0)

    def check_installed(self, root, earlier_default=None):
        """Checks files, file type and uninstall entry under root (HKCU or
        HKLM); returns the uninstall entry's values."""
        entry = self.registry(root + "\\" + UNINSTALL)[""]
        folder = entry["InstallLocation"][1]
        self.assertEqual(set(os.listdir(self.unix(folder))), FILES)
        with zipfile.ZipFile(os.environ["LNDVIEW_ZIP"]) as z:
            for program in ("lndview.exe", "lndtool.exe"):
                with open(os.path.join(self.unix(folder), program), "rb") as f:
                    self.assertTrue(f.read() == z.read("lndview-%s-win64/%s" % (project_version(), program)))
        size_kib = sum(os.path.getsize(os.path.join(self.unix(folder), n)) for n in FILES) / 1024
        self.assertLessEqual(abs(int(entry.pop("EstimatedSize")[1], 16) - size_kib), len(FILES))
        # The highest folder the setup had to make: the folder or one above it.
        made = entry.pop("LndMadeFolder", ("REG_SZ", folder))[1]
        self.assertTrue(folder == made or folder.startswith(made + "\\"), made)
        scope = "/CurrentUser" if root == "HKCU" else "/AllUsers"
        exe = folder + "\\lndview.exe"
        expected = {
            "DisplayName": ("REG_SZ", "lndview"),
            "DisplayVersion": ("REG_SZ", project_version()),
            "Publisher": ("REG_SZ", "the lndview authors"),
            "DisplayIcon": ("REG_SZ", exe + ",0"),
            "InstallLocation": ("REG_SZ", folder),
            "UninstallString": ("REG_SZ", '"%s\\uninstall.exe" %s' % (folder, scope)),
            "QuietUninstallString": ("REG_SZ", '"%s\\uninstall.exe" %s /S' % (folder, scope)),
            "NoModify": ("REG_DWORD", "0x1"),
            "NoRepair": ("REG_DWORD", "0x1"),
        }
        if earlier_default:
            expected["LndDefaultBefore"] = ("REG_SZ", earlier_default)
        self.assertEqual(entry, expected)
        self.assertEqual(self.registry("%s\\%s\\%s" % (root, CLASSES, PROGID)), {
            "": {"(Default)": ("REG_SZ", "Thornveil landscape")},
            "\\DefaultIcon": {"(Default)": ("REG_SZ", exe + ",0")},
            "\\shell": {},
            "\\shell\\open": {},
            "\\shell\\open\\command": {"(Default)": ("REG_SZ", '"%s" "%%1"' % exe)},
        })
        self.assertEqual(self.registry("%s\\%s\\.lnd" % (root, CLASSES)), {
            "": {"(Default)": ("REG_SZ", PROGID)},
            "\\OpenWithProgids": {PROGID: ("REG_NONE", "")},
        })
        with open(self.start_menu_entry(root), "rb") as f:
            link = f.read()
        self.assertTrue(exe.encode() in link or exe.encode("utf-16-le") in link)
        return entry

    def start_menu_entry(self, root):
        # Wine names the profile after the user of this machine.
        programs = "C:\\ProgramData" if root == "HKLM" else "C:\\users\\%s\\AppData\\Roaming" % getpass.getuser()
        return self.unix(programs + "\\Microsoft\\Windows\\Start Menu\\Programs\\lndview.lnk")

    def uninstall(self, root, entry):
        """Runs the entry's QuietUninstallString; the uninstaller goes on in a
        copy of itself, and removes the entry last."""
        folder = entry["InstallLocation"][1]
        self.assertEqual(self.run_line(entry["QuietUninstallString"][1]), 0)
        wait_until(lambda: not self.registry(root + "\\" + UNINSTALL), TOOL_TIMEOUT, "the uninstaller to end")
        self.assertFalse(os.path.exists(self.unix(folder)))
        self.assertFalse(os.path.exists(self.start_menu_entry(root)))
        self.assertEqual(self.registry("%s\\%s\\%s" % (root, CLASSES, PROGID)), {})
        self.assertNotIn("lndview", self.exported(root).lower())

    # --- tests -----------------------------------------------------------

    def test_current_user_install_opens_a_file_with_the_registered_command_and_uninstalls(self):
        self.install("/S")
        entry = self.check_installed("HKCU")
        self.assertTrue(entry["InstallLocation"][1].endswith("\\AppData\\Local\\Programs\\lndview"), entry)
        self.assertNotIn("lndview", self.exported("HKLM").lower())

        # Open, as Explorer runs it on a double click.
        land = self.landscape_in_a_folder_with_a_space()
        command = self.registry("HKCU\\%s\\%s\\shell\\open\\command" % (CLASSES, PROGID))[""]["(Default)"][1]
        viewer = WineCommand(self.xvfb, [self.run_command_line, command.replace("%1", windows_path(land))], self.tmp,
                             env=self.env)
        self.viewers.append(viewer)
        viewer.wait_loaded(timeout=START_TIMEOUT)
        self.assertEqual(viewer.name(), WINDOW_TITLE)
        self.assertTrue(viewer.text().startswith("Loading Landscape %s ...\n\nNumber of Blocks" % windows_path(land)),
                        viewer.text())
        viewer.close_window()
        self.assertEqual(viewer.wait_exit(), 0)

        self.uninstall("HKCU", entry)
        # The setup made the .lnd type: none is left.
        self.assertEqual(self.registry("HKCU\\%s\\.lnd" % CLASSES), {})

    def test_all_users_install_opens_a_file_through_the_shell_and_uninstalls(self):
        self.install("/S", "/AllUsers")
        entry = self.check_installed("HKLM")
        self.assertEqual(entry["InstallLocation"][1], "C:\\Program Files\\lndview")
        self.assertNotIn("lndview", self.exported("HKCU").lower())

        land = self.landscape_in_a_folder_with_a_space()
        viewer = WineCommand(self.xvfb, ["start", "/wait", "/unix", land], self.tmp, env=self.env)
        self.viewers.append(viewer)
        viewer.window()
        self.assertEqual(viewer.name(), WINDOW_TITLE)
        viewer.close_window()
        self.assertEqual(viewer.wait_exit(), 0)

        self.uninstall("HKLM", entry)

    def test_upgrade_into_another_folder_keeps_one_entry_and_the_earlier_default(self):
        self.wine("reg", "add", "HKCU\\%s\\.lnd" % CLASSES, "/ve", "/d", EARLIER_DEFAULT, "/f")
        self.addCleanup(self.wine, "reg", "delete", "HKCU\\%s\\.lnd" % CLASSES, "/f", check=False)
        self.install("/S")
        first = self.check_installed("HKCU", EARLIER_DEFAULT)["InstallLocation"][1]
        self.install("/S", "/D=C:\\lnd tools\\lndview")
        entry = self.check_installed("HKCU", EARLIER_DEFAULT)
        self.assertEqual(entry["InstallLocation"][1], "C:\\lnd tools\\lndview")
        entries = [k for k in self.registry("HKCU\\" + UNINSTALL.rsplit("\\", 1)[0]) if "lndview" in k.lower()]
        self.assertEqual(entries, ["\\lndview"])
        self.assertFalse(os.path.exists(self.unix(first)))
        result = self.wine(self.unix("C:\\lnd tools\\lndview\\lndtool.exe"), "--version")
        self.assertEqual(result.stdout, ("lndtool %s\r\n" % project_version()).encode())

        self.uninstall("HKCU", entry)
        self.assertFalse(os.path.exists(self.unix("C:\\lnd tools")))
        self.assertEqual(self.registry("HKCU\\%s\\.lnd" % CLASSES), {"": {"(Default)": ("REG_SZ", EARLIER_DEFAULT)}})


if __name__ == "__main__":
    unittest.main()

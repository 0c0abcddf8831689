"""The zip a Windows user downloads: exactly the two programs, README.md,
LICENSE and the two man pages as text, in one folder named after the
version; the programs run from it, need only Windows' own DLLs and carry the
icon and the version that Explorer shows (read back with ExifTool and
icoutils); every text file reads in Notepad (CR LF line ends, plain ASCII man
pages)."""

import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile

from lndwin import require_tools
from winelnd import TOOL_TIMEOUT

SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "user32.dll", "gdi32.dll", "opengl32.dll", "glu32.dll", "winmm.dll",
               "comdlg32.dll", "advapi32.dll", "shell32.dll", "ole32.dll"}


def project_version():
    with open(os.path.join(os.environ["LND_SOURCE_DIR"], "CMakeLists.txt")) as f:
        return re.search(r"project\(lndview VERSION ([0-9.]+)", f.read()).group(1)


class ZipTest(unittest.TestCase):
    def setUp(self):
        self.zip_path = os.environ["LNDVIEW_ZIP"]
        self.folder = "lndview-%s-win64/" % project_version()
        self.assertEqual(os.path.basename(self.zip_path), "lndview-%s-win64.zip" % project_version())
        self.tmp = tempfile.mkdtemp(prefix="lndzip-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        with zipfile.ZipFile(self.zip_path) as z:
            self.assertIsNone(z.testzip())
            self.names = z.namelist()
            z.extractall(self.tmp)
        self.root = os.path.join(self.tmp, self.folder)

    def read(self, name):
        with open(os.path.join(self.root, name), "rb") as f:
            return f.read()

    def test_holds_exactly_the_programs_and_documents(self):
        # Below docs/: what the README links to, so that every link opens from the folder.
        with open(os.path.join(os.environ["LND_SOURCE_DIR"], "README.md")) as f:
            linked = set(re.findall(r"\]\((docs/[^)#]+)", f.read()))
        for document in list(linked):
            if document.endswith(".md"):
                with open(os.path.join(os.environ["LND_SOURCE_DIR"], document)) as f:
                    linked |= {"docs/" + n for n in re.findall(r"\]\(([a-z-]+\.(?:md|png))", f.read())}
        self.assertIn("docs/lndtool.md", linked)
        expected = {"lndview.exe", "lndtool.exe", "README.md", "LICENSE", "lndview.txt", "lndtool.txt", "docs/"} | linked
        self.assertEqual({n[len(self.folder):] for n in self.names if n != self.folder}, expected)
        self.assertTrue(all(n.startswith(self.folder) for n in self.names), self.names)

    def test_text_files_have_crlf_and_the_sources_words(self):
        texts = [("README.md", "README.md"), ("LICENSE", "LICENSE")]
        texts += [(n[len(self.folder):],) * 2 for n in self.names if n.startswith(self.folder + "docs/")
                  and not n.endswith((".png", "/"))]
        for name, source in texts:
            with open(os.path.join(os.environ["LND_SOURCE_DIR"], source), "rb") as f:
                self.assertEqual(self.read(name), f.read().replace(b"\n", b"\r\n"), name)
        for page, title in (("lndview.txt", b"LNDVIEW(1)"), ("lndtool.txt", b"LNDTOOL(1)")):
            text = self.read(page)
            self.assertTrue(text.startswith(title), text[:80])
            self.assertIn(b"\r\nNAME\r\n", text)
            self.assertIn(b"\r\nSYNOPSIS\r\n", text)
            self.assertEqual(text.count(b"\n"), text.count(b"\r\n"), page)
            # Plain ASCII without overstrikes, escapes or tabs, filled to 80
            # columns (only an example line kept whole may be longer).
            self.assertIsNone(re.search(rb"[^\r\n\x20-\x7e]", text), page)
            lines = text.split(b"\r\n")
            self.assertLessEqual(len([line for line in lines if len(line) > 80]), 1, page)
            self.assertGreater(len([line for line in lines if 70 <= len(line) <= 80]), 5, page)

    def test_programs_run_from_the_folder_and_need_only_system_dlls(self):
        version = project_version()
        for program in ("lndview", "lndtool"):
            exe = os.path.join(self.root, program + ".exe")
            out = subprocess.run(["wine", exe, "--version"], capture_output=True, timeout=TOOL_TIMEOUT)
            self.assertEqual(out.returncode, 0, out.stderr)
            self.assertEqual(out.stdout, ("%s %s\r\n" % (program, version)).encode())
            dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True,
                                  check=True).stdout
            dlls = {line.split(":", 1)[1].strip().lower() for line in dump.splitlines() if "DLL Name:" in line}
            self.assertTrue(dlls, program)
            self.assertLessEqual(dlls, SYSTEM_DLLS, program)
            # Stripped: no debug sections.
            self.assertNotIn(".debug_info", dump.replace(" ", ""), program)
        # The sample the zip's lndtool writes is the build's.
        out = subprocess.run(["wine", os.path.join(self.root, "lndtool.exe"), "make-sample",
                              os.path.join(self.tmp, "s.lnd"), "--blocks", "3"], capture_output=True,
                             timeout=TOOL_TIMEOUT)
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertEqual(os.path.getsize(os.path.join(self.tmp, "s.lnd")) > 1052, True)

    def test_programs_carry_the_icon_and_the_version(self):
        require_tools("exiftool", "wrestool", "icotool")
        version = project_version()
        with open(os.path.join(os.environ["LND_SOURCE_DIR"], "LICENSE")) as f:
            copyright_line = re.search(r"^Copyright .*$", f.read(), re.M).group(0)
        fields = ["FileVersionNumber", "ProductVersionNumber", "CompanyName", "FileDescription", "FileVersion",
                  "InternalName", "LegalCopyright", "OriginalFileName", "ProductName", "ProductVersion"]
        descriptions = {"lndview": "Thornveil landscape viewer", "lndtool": "Thornveil landscape tool"}
        for program, description in descriptions.items():
            exe = os.path.join(self.root, program + ".exe")
            read = json.loads(subprocess.run(["exiftool", "-j"] + ["-" + f for f in fields] + [exe],
                                             capture_output=True, check=True).stdout)[0]
            self.assertEqual([read.get(f) for f in fields], [
                version + ".0", version + ".0", "the lndview authors", description, version, program, copyright_line,
                program + ".exe", "lndview", version])
            icon = os.path.join(self.tmp, program + ".ico")
            subprocess.run(["wrestool", "-x", "--type=14", "-o", icon, exe], check=True)
            listing = subprocess.run(["icotool", "-l", icon], capture_output=True, text=True, check=True).stdout
            self.assertEqual(re.findall(r"--width=(\d+)", listing), ["16", "32", "48", "256"])

if __name__ == "__main__":
    unittest.main()

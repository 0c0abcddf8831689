"""The Debian package that `make package` builds, made here by cpack into a
temporary folder from the tested build: its name and control fields,
dependencies computed from the binaries, its files, stripped programs, the
copyright and changelog Debian wants, lintian without an error or warning,
and both programs run from the unpacked package.
"""

import gzip
import os
import re
import subprocess
import unittest

from installtest import (INSTALLED_FILES, PACKAGE, build_dir, cpack_command, files_under,
                         keep_build_files, no_display_env, project_version, require_tools, run, temp_dir)


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tools("dpkg-deb", "dpkg-shlibdeps", "dpkg")
        cls.version = project_version()
        cls.arch = run(["dpkg", "--print-architecture"]).stdout.strip()
        # One package for all the tests; each unpacks it into a folder of its own.
        cls.package_dir = temp_dir(cls, cleanup=cls.addClassCleanup)
        # cpack rewrites the build folder's component manifest; keep it as it was.
        keep_build_files(cls, "install_manifest_Unspecified.txt", cleanup=cls.addClassCleanup)
        out = os.path.join(cls.package_dir, "out")
        run([cpack_command(), "-G", "DEB", "--config", os.path.join(build_dir(), "CPackConfig.cmake"), "-B", out])
        cls.debs = sorted(n for n in os.listdir(out) if n.endswith(".deb"))
        cls.deb = os.path.join(out, cls.debs[0]) if cls.debs else None

    def setUp(self):
        self.root = temp_dir(self)

    def test_file_name(self):
        self.assertEqual(self.debs, ["%s_%s_%s.deb" % (PACKAGE, self.version, self.arch)])

    def field(self, name):
        return run(["dpkg-deb", "--field", self.deb, name]).stdout.strip()

    def unpack(self):
        tree = os.path.join(self.root, "tree")
        run(["dpkg-deb", "-x", self.deb, tree])
        return tree

    def test_control_fields(self):
        self.assertEqual(self.field("Package"), PACKAGE)
        self.assertEqual(self.field("Version"), self.version)
        self.assertEqual(self.field("Architecture"), self.arch)
        self.assertEqual(self.field("Section"), "graphics")
        self.assertEqual(self.field("Priority"), "optional")
        self.assertRegex(self.field("Maintainer"), r"^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")
        self.assertEqual(self.field("Homepage"), "")
        description = self.field("Description").splitlines()
        self.assertLess(len(description[0]), 80)
        self.assertGreater(len(description), 3, "an extended description")

    def test_dependencies_come_from_the_binaries(self):
        depends = [d.strip() for d in self.field("Depends").split(",")]
        names = {re.split(r"[ (|]", d)[0] for d in depends}
        # The C library and the libraries both programs link.
        for library in ("libc6", "libstdc++6", "libpng16-16", "libx11-6"):
            self.assertIn(library, names)
        self.assertTrue(any(n.startswith("libglut") or n.startswith("freeglut") for n in names), names)
        self.assertTrue(all(re.match(r"^[a-z0-9.+-]+( \(>= [^)]+\))?( \| .+)?$", d) for d in depends), depends)

    def test_files_are_the_install_tree_under_usr(self):
        tree = self.unpack()
        self.assertEqual(files_under(tree), {os.path.join("usr", f) for f in INSTALLED_FILES})
        listing = run(["dpkg-deb", "--contents", self.deb]).stdout.splitlines()
        for line in listing:
            mode, owner = line.split()[:2]
            self.assertEqual(owner, "root/root", line)
            if mode.startswith("d"):
                self.assertEqual(mode, "drwxr-xr-x", line)
        # No database caches: those belong to shared-mime-info and desktop-file-utils.
        self.assertFalse(any(f.startswith("usr/share/mime/mime.cache") for f in files_under(tree)))

    def test_programs_are_stripped(self):
        require_tools("readelf")
        tree = self.unpack()
        for name in ("lndview", "lndtool"):
            sections = run(["readelf", "-S", "-W", os.path.join(tree, "usr/bin", name)]).stdout
            self.assertNotIn(".symtab", sections, name)
            self.assertNotIn(".debug_info", sections, name)
            self.assertNotIn(" .comment ", sections, name)

    def test_copyright_and_changelog(self):
        tree = self.unpack()
        doc = os.path.join(tree, "usr/share/doc", PACKAGE)
        with open(os.path.join(doc, "copyright"), encoding="utf-8") as f:
            copyright_text = f.read()
        self.assertIn("Copyright: 2026 the lndview authors", copyright_text)
        self.assertIn("Permission is hereby granted, free of charge", copyright_text)
        with gzip.open(os.path.join(doc, "changelog.gz"), "rt", encoding="utf-8") as f:
            first = f.readline()
        self.assertEqual(first.split()[:2], [PACKAGE, "(%s)" % self.version])

    def test_lintian_finds_no_error_or_warning(self):
        require_tools("lintian")
        # lintian leaves files in its temporary folder: give it the test's own.
        result = run(["lintian", "--pedantic", self.deb], check=False, env=dict(os.environ, TMPDIR=self.root))
        complaints = [l for l in result.stdout.splitlines() if re.match(r"^[EW]: ", l)]
        self.assertEqual(complaints, [], result.stdout)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_programs_run_from_the_unpacked_package(self):
        tree = self.unpack()
        lndtool = os.path.join(tree, "usr/bin/lndtool")
        lndview = os.path.join(tree, "usr/bin/lndview")
        self.assertIn("make-sample", run([lndtool, "--help"]).stdout)
        sample = os.path.join(self.root, "island.lnd")
        made = run([lndtool, "make-sample", sample, "--seed", "3", "--blocks", "12"]).stdout
        self.assertRegex(made, r"^wrote .*island\.lnd : 11 blocks, 5 countries, 8 materials")
        info = run([lndtool, "info", sample]).stdout
        self.assertIn("Number of Blocks        : 11", info)
        self.assertRegex(info, r"Faults +: none")
        self.assertEqual(run([lndtool, "--version"]).stdout.strip(), "lndtool " + self.version)
        result = subprocess.run([lndview, "--help"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                env=no_display_env(), timeout=30)
        self.assertEqual(result.returncode, 0)
        self.assertIn("Escape", result.stdout)


if __name__ == "__main__":
    unittest.main()

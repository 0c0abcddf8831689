"""`cmake --install` into a temporary prefix: the files and their modes, the
programs running from there, the MIME type found by xdg-mime after the
install's own database refresh, lndview offered for .lnd files, bash
completion found by bash-completion's loader, a staged (DESTDIR) install that
leaves the databases alone, and the uninstall.
"""

import configparser
import gzip
import os
import re
import stat
import unittest

from installtest import (INSTALLED_FILES, MIME_TYPE, PROGRAMS, build_dir, cmake_command, files_under, install_into,
                         isolated_env, keep_build_files, program, require_tools, run, source_dir, temp_dir)

# Written by update-mime-database and update-desktop-database, not installed.
DATABASE_FILE_PREFIXES = ("share/mime/", "share/applications/mimeinfo.cache")


def cache_value(name):
    with open(os.path.join(build_dir(), "CMakeCache.txt"), encoding="utf-8") as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    raise AssertionError("CMakeCache.txt has no %s" % name)


class InstallTree(unittest.TestCase):
    def setUp(self):
        self.root = temp_dir(self)
        self.prefix = os.path.join(self.root, "usr")
        self.manifest = install_into(self, self.prefix)

    def installed(self):
        return {f for f in files_under(self.prefix) if not f.startswith(DATABASE_FILE_PREFIXES)
                or f == "share/mime/packages/lndview.xml"}

    def test_installs_the_expected_files_and_lists_them(self):
        self.assertEqual(self.installed(), INSTALLED_FILES)
        listed = {os.path.relpath(p, self.prefix) for p in self.manifest if p}
        self.assertEqual(listed, INSTALLED_FILES)

    def test_modes_programs_executable_data_read_only(self):
        for name in INSTALLED_FILES:
            mode = stat.S_IMODE(os.stat(os.path.join(self.prefix, name)).st_mode)
            expected = 0o755 if name in PROGRAMS else 0o644
            self.assertEqual(mode, expected, "%s has mode %o" % (name, mode))

    def test_installed_programs_are_the_built_ones_and_run(self):
        for name, variable in (("lndview", "LNDVIEW"), ("lndtool", "LNDTOOL")):
            with open(os.path.join(self.prefix, "bin", name), "rb") as a, open(program(variable, name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
        lndtool = os.path.join(self.prefix, "bin", "lndtool")
        self.assertIn("make-sample", run([lndtool, "--help"]).stdout)
        sample = os.path.join(self.root, "island.lnd")
        run([lndtool, "make-sample", sample, "--blocks", "4"])
        info = run([lndtool, "info", sample]).stdout
        self.assertRegex(info, r"Faults +: none")

    def test_man_pages_are_the_source_pages(self):
        for page in ("lndview.1", "lndtool.1"):
            with gzip.open(os.path.join(self.prefix, "share/man/man1", page + ".gz"), "rb") as f:
                installed = f.read()
            with open(os.path.join(source_dir(), "docs", page), "rb") as f:
                self.assertEqual(installed, f.read(), page)

    def test_man_finds_the_pages_in_the_prefix(self):
        require_tools("man")
        env = isolated_env(self.root, "/usr/share", MANPATH=os.path.join(self.prefix, "share/man"), MANWIDTH="80",
                           MAN_KEEP_FORMATTING="0", PAGER="cat")
        for name in ("lndview", "lndtool"):
            shown = re.sub(".\x08", "", run(["man", name], env=env).stdout)  # no overstrike
            self.assertRegex(shown, r"^%s\(1\) " % name.upper(), name)
            self.assertIn("\nEXIT STATUS\n", shown, name)

    def test_xdg_mime_knows_lnd_files_after_the_install(self):
        require_tools("xdg-mime", "mimetype")
        # The install refreshed the prefix's database itself.
        self.assertTrue(os.path.exists(os.path.join(self.prefix, "share/mime/mime.cache")))
        landscape = os.path.join(self.root, "x.lnd")
        upper = os.path.join(self.root, "HARBOUR.LND")
        other = os.path.join(self.root, "x.lnx")
        for path in (landscape, upper, other):
            with open(path, "wb") as f:
                f.write(b"\x02\x00\x00\x00" + bytes(60))
        env = isolated_env(self.root, os.path.join(self.prefix, "share"))
        query = lambda path: run(["xdg-mime", "query", "filetype", path], env=env).stdout.strip()
        self.assertEqual(query(landscape), MIME_TYPE)
        self.assertEqual(query(upper), MIME_TYPE)
        self.assertNotEqual(query(other), MIME_TYPE)
        # Without the prefix the type is unknown, so the answer came from the
        # install (unless the machine has the package installed itself).
        if not os.path.exists("/usr/share/mime/packages/lndview.xml"):
            bare = isolated_env(self.root, "/usr/share")
            self.assertNotEqual(run(["xdg-mime", "query", "filetype", landscape], env=bare).stdout.strip(),
                                MIME_TYPE)

    def test_gio_knows_lnd_files_and_their_comment(self):
        require_tools("gio")
        landscape = os.path.join(self.root, "x.lnd")
        with open(landscape, "wb") as f:
            f.write(bytes(64))
        env = isolated_env(self.root, os.path.join(self.prefix, "share"), GIO_USE_VFS="local")
        shown = run(["gio", "info", "-a", "standard::content-type,standard::description", landscape], env=env).stdout
        self.assertIn("standard::content-type: " + MIME_TYPE, shown)

    def test_update_mime_database_loads_the_definition(self):
        require_tools("update-mime-database")
        mime = os.path.join(self.prefix, "share/mime")
        result = run(["update-mime-database", "-V", mime])
        self.assertNotIn("Error", result.stderr + result.stdout)
        with open(os.path.join(mime, "types"), encoding="utf-8") as f:
            self.assertIn(MIME_TYPE, f.read().split())
        with open(os.path.join(mime, "globs2"), encoding="utf-8") as f:
            self.assertRegex(f.read(), r"(?m)^\d+:%s:\*\.lnd$" % MIME_TYPE)
        with open(os.path.join(mime, "application/x-thornveil-landscape.xml"), encoding="utf-8") as f:
            self.assertIn("<comment>Thornveil landscape</comment>", f.read())

    def test_lndview_is_offered_for_lnd_files(self):
        require_tools("xdg-mime")
        cache = configparser.ConfigParser(interpolation=None, delimiters=("=",))
        cache.optionxform = str
        cache.read(os.path.join(self.prefix, "share/applications/mimeinfo.cache"))
        self.assertEqual(cache["MIME Cache"][MIME_TYPE].rstrip(";").split(";"), ["lndview.desktop"])
        env = isolated_env(self.root, os.path.join(self.prefix, "share"))
        default = run(["xdg-mime", "query", "default", MIME_TYPE], env=env).stdout.strip()
        self.assertEqual(default, "lndview.desktop")

    def test_bash_completion_loader_finds_lndtool(self):
        loader = "/usr/share/bash-completion/bash_completion"
        require_tools("bash")
        if not os.path.exists(loader):
            raise unittest.SkipTest("not installed: bash-completion (%s)" % loader)
        env = isolated_env(self.root, os.path.join(self.prefix, "share"),
                           PATH=os.path.join(self.prefix, "bin") + ":/usr/bin:/bin")
        script = ("source %s; __load_completion lndtool || exit 3; complete -p lndtool; "
                  "COMP_WORDS=(lndtool inf); COMP_CWORD=1; _lndtool; echo \"${COMPREPLY[*]}\"" % loader)
        out = run(["bash", "--norc", "--noprofile", "-c", script], env=env).stdout.splitlines()
        self.assertEqual(out, ["complete -F _lndtool lndtool", "info"])

    def test_uninstall_removes_everything_and_forgets_the_type(self):
        require_tools("xdg-mime", "mimetype")
        manifest = os.path.join(self.root, "manifest.txt")
        with open(manifest, "w", encoding="utf-8") as f:
            f.write("\n".join(self.manifest))
        run([cmake_command(), "-DLND_MANIFEST=" + manifest, "-P", os.path.join(source_dir(), "cmake/LndUninstall.cmake")])
        left = files_under(self.prefix)
        self.assertEqual(left & INSTALLED_FILES, set())
        self.assertFalse(os.path.exists(os.path.join(self.prefix, "share/doc/lndview")))
        landscape = os.path.join(self.root, "x.lnd")
        with open(landscape, "wb") as f:
            f.write(bytes(64))
        env = isolated_env(self.root, os.path.join(self.prefix, "share"))
        self.assertNotEqual(run(["xdg-mime", "query", "filetype", landscape], env=env).stdout.strip(), MIME_TYPE)


class StagedInstall(unittest.TestCase):
    def test_destdir_install_under_the_configured_prefix_without_databases(self):
        root = temp_dir(self)
        keep_build_files(self, "install_manifest.txt")
        env = dict(os.environ, DESTDIR=root)
        result = run([cmake_command(), "--install", build_dir()], env=env)
        prefix = cache_value("CMAKE_INSTALL_PREFIX")
        self.assertTrue(os.path.isabs(prefix))
        self.assertEqual(files_under(root), {os.path.join(prefix, f).lstrip("/") for f in INSTALLED_FILES})
        self.assertIn("Staged install under DESTDIR", result.stdout)


if __name__ == "__main__":
    unittest.main()

"""Shared helpers of the install tests.

They check what a user of lndview gets beyond the two programs: the tree that
`cmake --install` writes, the Debian package, the man pages, the desktop
entry, the MIME type, the icon, the bash completion and the build options,
each read back by the outside tool that a desktop or Debian uses for it
(desktop-file-validate, xmllint, update-mime-database and xdg-mime, man,
lintian, dpkg-deb, bash, rsvg-convert, Pillow).

ctest sets the environment: LNDVIEW and LNDTOOL (the built programs),
LND_SOURCE_DIR and LND_BUILD_DIR, CMAKE_COMMAND and CPACK_COMMAND. To run a
file by hand from the build folder:
  cd tests/install && LND_SOURCE_DIR=../.. LND_BUILD_DIR=../../build \\
    LNDVIEW=../../build/lndview LNDTOOL=../../build/lndtool \\
    /usr/bin/python3 -m unittest -v test_install_tree

Every test works in temporary folders that are removed when it ends, also
when it fails; nothing is installed outside them.
"""

import os
import re
import shutil
import subprocess
import tempfile
import unittest

PACKAGE = "lndview"
MIME_TYPE = "application/x-thornveil-landscape"
COMMAND_TIMEOUT = 300.0

# What an install puts under the prefix, besides the database files that
# refreshing the prefix's MIME and desktop databases writes.
INSTALLED_FILES = {
    "bin/lndview",
    "bin/lndtool",
    "share/man/man1/lndview.1.gz",
    "share/man/man1/lndtool.1.gz",
    "share/applications/lndview.desktop",
    "share/mime/packages/lndview.xml",
    "share/thumbnailers/lndview.thumbnailer",
    "share/icons/hicolor/scalable/apps/lndview.svg",
    "share/icons/hicolor/256x256/apps/lndview.png",
    "share/bash-completion/completions/lndtool",
    "share/doc/lndview/copyright",
    "share/doc/lndview/changelog.gz",
}
# The browser viewer's page goes in too once `make web` has built it.
WEB_PAGE_FILES = {"share/lndview/web/" + name for name in ("index.html", "viewer.js", "lndview.js", "lndview.wasm")}
if all(os.path.isfile(os.path.join(os.environ.get("LND_SOURCE_DIR", ""), "build-web", os.path.basename(name)))
       for name in WEB_PAGE_FILES):
    INSTALLED_FILES |= WEB_PAGE_FILES
PROGRAMS = {"bin/lndview", "bin/lndtool"}


def env_path(variable, what):
    path = os.environ.get(variable)
    if not path:
        raise RuntimeError("%s is not set: point it at %s (ctest sets it)" % (variable, what))
    return os.path.abspath(path)


def source_dir():
    return env_path("LND_SOURCE_DIR", "the source folder")


def build_dir():
    return env_path("LND_BUILD_DIR", "the build folder")


def program(variable, name):
    path = env_path(variable, "the %s binary" % name)
    if not os.access(path, os.X_OK):
        raise RuntimeError("%s=%s is not an executable file" % (variable, path))
    return path


def cmake_command():
    return os.environ.get("CMAKE_COMMAND") or shutil.which("cmake") or "cmake"


def cpack_command():
    return os.environ.get("CPACK_COMMAND") or shutil.which("cpack") or "cpack"


def require_tools(*tools):
    """Skips the calling test when one of the tools is not installed."""
    missing = [t for t in tools if not shutil.which(t)]
    if missing:
        raise unittest.SkipTest("not installed: %s (scripts/install-deps.sh installs it)" % ", ".join(missing))


def project_version():
    """The version that project() in CMakeLists.txt names, read independently."""
    with open(os.path.join(source_dir(), "CMakeLists.txt"), encoding="utf-8") as f:
        match = re.search(r"project\(\s*lndview\s+VERSION\s+([0-9.]+)", f.read())
    if not match:
        raise AssertionError("CMakeLists.txt: no project(lndview VERSION ...)")
    return match.group(1)


def run(args, check=True, **kwargs):
    """Runs a command, text in and out; on check, a failure shows its output."""
    kwargs.setdefault("timeout", COMMAND_TIMEOUT)
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            stdin=subprocess.DEVNULL, **kwargs)
    if check and result.returncode != 0:
        raise AssertionError("%s exited with %d\nstdout:\n%s\nstderr:\n%s"
                             % (" ".join(args), result.returncode, result.stdout, result.stderr))
    return result


def temp_dir(test, cleanup=None):
    """A temporary folder that is removed when the test ends, passed or not
    (cleanup: the class's addClassCleanup for one that lives as long as the
    class)."""
    path = tempfile.mkdtemp(prefix="lndinstall-")
    (cleanup or test.addCleanup)(shutil.rmtree, path, ignore_errors=True)
    return path


def keep_build_files(test, *names, cleanup=None):
    """Restores files of the build folder that a test's install or cpack run
    rewrites (the install manifests, which `make uninstall` reads) to what
    they were before the test, or removes them when they were not there."""
    for name in names:
        path = os.path.join(build_dir(), name)
        try:
            with open(path, "rb") as f:
                before = f.read()
        except FileNotFoundError:
            before = None

        def restore(path=path, before=before):
            if before is None:
                if os.path.exists(path):
                    os.remove(path)
            else:
                with open(path, "wb") as f:
                    f.write(before)
        (cleanup or test.addCleanup)(restore)


def install_into(test, prefix, env=None):
    """`cmake --install` of the build folder into prefix; returns the list of
    installed files it wrote in its manifest (absolute paths)."""
    keep_build_files(test, "install_manifest.txt")
    run([cmake_command(), "--install", build_dir(), "--prefix", prefix], env=env)
    with open(os.path.join(build_dir(), "install_manifest.txt"), encoding="utf-8") as f:
        return f.read().split("\n")


def files_under(root):
    """Every file and symlink under root, as paths relative to it."""
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    return found


def isolated_env(home, data_dirs, **extra):
    """An environment whose XDG folders are only the given ones and whose home
    is a private folder, so no user's or machine's MIME settings count."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    env["HOME"] = home
    env["XDG_DATA_HOME"] = os.path.join(home, ".local", "share")
    env["XDG_CONFIG_HOME"] = os.path.join(home, ".config")
    env["XDG_DATA_DIRS"] = data_dirs
    env.update(extra)
    return env


def no_display_env():
    """The environment without a display, so a program that would open a window cannot."""
    return {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}

"""What the build links follows the folders' order (test_includes.py).

The project and the fuzz project are configured afresh into a folder of the
test's own, asking CMake for its description of every target; then:

- each folder of the program is one library, lnd_<folder> ("/" as "_"),
  built from that folder's .cpp files alone, in every variant of the set
  (the sanitizer, fused multiply-add and fuzz builds have their own suffix);
- a library links only libraries of its own variant, of folders it may
  include;
- the programs compile their entry file alone, and the targets of bench/,
  fuzz/ and tests/ compile only files of those folders: the program comes
  to them through its libraries, and what they share through lnd_testing.
"""

import glob
import json
import os
import shutil
import subprocess
import tempfile
import unittest

from test_includes import SOURCE_DIR, allowed_map

ENTRIES = {"lndview": "app/main.cpp", "lndtool": "tools/lndtool.cpp", "lndtool_asan": "tools/lndtool.cpp"}
ABOVE = ("bench/", "fuzz/", "tests/")
SUFFIXES = ("_asan", "_fma", "")


def configure(source, out, *options):
    query = os.path.join(out, ".cmake", "api", "v1", "query")
    os.makedirs(query)
    open(os.path.join(query, "codemodel-v2"), "w").close()
    run = subprocess.run(["cmake", "-S", source, "-B", out, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"] + list(options),
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if run.returncode != 0:
        raise AssertionError("cmake failed for %s:\n%s" % (source, run.stdout[-3000:]))
    reply = os.path.join(out, ".cmake", "api", "v1", "reply")
    index = json.load(open(sorted(glob.glob(os.path.join(reply, "index-*.json")))[-1]))
    model = json.load(open(os.path.join(reply, index["reply"]["codemodel-v2"]["jsonFile"])))
    targets = {}
    for t in model["configurations"][0]["targets"]:
        targets[t["id"]] = json.load(open(os.path.join(reply, t["jsonFile"])))
    for t in targets.values():
        t["linked"] = sorted(targets[d["id"]]["name"] for d in t.get("dependencies", []))
        # Source paths relative to the tree (the fuzz project's are given from fuzz/).
        t["files"] = [os.path.relpath(os.path.join(source, s["path"]) if not os.path.isabs(s["path"]) else s["path"],
                                      SOURCE_DIR).replace(os.sep, "/")
                      for s in t.get("sources", []) if not s.get("isGenerated")]
    return [t for t in targets.values() if t["type"] in ("STATIC_LIBRARY", "EXECUTABLE", "MODULE_LIBRARY")]


def folder_of_library(name, folders):
    """(folder, suffix) of a library named after a folder, else None."""
    if not name.startswith("lnd_"):
        return None
    for suffix in SUFFIXES:
        base = name[4:len(name) - len(suffix)] if suffix and name.endswith(suffix) else (name[4:] if not suffix else None)
        for folder in folders:
            if base is not None and folder.replace("/", "_") == base:
                return folder, suffix
    return None


def link_faults(targets):
    allowed = allowed_map()
    folders = sorted(set(allowed) | {"testing"}, key=len, reverse=True)
    faults = []
    for t in targets:
        name, files = t["name"], t["files"]
        module = folder_of_library(name, folders)
        if module:
            folder, suffix = module
            for f in files:
                if os.path.dirname(f) != folder:
                    faults.append("%s compiles %s" % (name, f))
            for other in t["linked"]:
                below = folder_of_library(other, folders)
                if not below:
                    continue
                if below[1] != suffix:
                    faults.append("%s links %s of another build" % (name, other))
                elif below[0] != folder and below[0] not in allowed.get(folder, set()):
                    faults.append("%s links %s" % (name, other))
        elif name in ENTRIES:
            if files != [ENTRIES[name]]:
                faults.append("%s compiles %s" % (name, ", ".join(f for f in files if f != ENTRIES[name])))
        else:
            for f in files:
                if not f.startswith(ABOVE):
                    faults.append("%s compiles %s" % (name, f))
    return faults


class LinkOrderTest(unittest.TestCase):
    def setUp(self):
        build = os.environ.get("LND_BUILD_DIR") or os.path.join(SOURCE_DIR, "build")
        os.makedirs(build, exist_ok=True)
        self.scratch = tempfile.mkdtemp(prefix="layout-links-", dir=build)
        self.addCleanup(shutil.rmtree, self.scratch, True)

    def test_the_build_links_in_the_folder_order(self):
        targets = configure(SOURCE_DIR, os.path.join(self.scratch, "main"))
        names = {t["name"] for t in targets}
        # Every folder of the program with sources is a library (the browser
        # viewer is a project of its own).
        for folder, _ in allowed_map().items():
            if folder in ("web", "bench", "fuzz", "tests", "testing"):
                continue
            sources = {os.path.relpath(f, SOURCE_DIR).replace(os.sep, "/")
                       for f in glob.glob(os.path.join(SOURCE_DIR, folder, "*.cpp"))}
            if sources - set(ENTRIES.values()):
                self.assertIn("lnd_" + folder.replace("/", "_"), names)
        self.assertIn("lnd_tools_asan", names)
        self.assertEqual(link_faults(targets), [])
        # The check sees links: lndtool reaches the converters through lnd_tools.
        lndtool = next(t for t in targets if t["name"] == "lndtool")
        self.assertIn("lnd_tools_folder", lndtool["linked"])

    def test_the_fuzz_project_links_in_the_folder_order(self):
        clang = shutil.which("clang++")
        if not clang:
            self.skipTest("no clang++: the fuzz project is not configured here")
        targets = configure(os.path.join(SOURCE_DIR, "fuzz"), os.path.join(self.scratch, "fuzz"),
                            "-DCMAKE_CXX_COMPILER=" + clang)
        self.assertIn("lnd_landscape", {t["name"] for t in targets})
        self.assertEqual(link_faults(targets), [])

    def test_a_wrong_link_is_seen(self):
        # A library that compiles another folder's file and links upwards.
        planted = [{"name": "lnd_texture", "files": ["texture/dxt3.cpp", "viewer/camera.cpp"],
                    "linked": ["lnd_landscape", "lnd_scene", "lnd_platform_asan"], "type": "STATIC_LIBRARY"},
                   {"name": "unit_tests", "files": ["tests/unit/a.cpp", "landscape/lnd_check.cpp"], "linked": []}]
        self.assertEqual(link_faults(planted), ["lnd_texture compiles viewer/camera.cpp", "lnd_texture links lnd_scene",
                                                "lnd_texture links lnd_platform_asan of another build",
                                                "unit_tests compiles landscape/lnd_check.cpp"])


if __name__ == "__main__":
    unittest.main()

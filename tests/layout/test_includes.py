"""The folders of the program include one another in one direction only, as
docs/development.md says:

    tools -> tools/<converter> -> tools/common
    tools, app, web -> viewer -> scene -> geometry -> texture -> landscape
    image -> platform

A folder may include itself and the folders it is allowed below; landscape/
and platform/ include no other folder of the program. The converters below
tools/ (one folder each) are pure: they include no GL stage above geometry/,
nothing of tools/ itself, and of the other converters only the shared
helpers of tools/common/. bench/, fuzz/ and tests/ sit above the program:
they include its folders and testing/ (what they share), never one another,
except that tests/ test fuzz/'s own support.

The test reads every #include "folder/file.h" of the sources and fails on
any include against that order, naming the file and the line. test_links.py
checks the same order in what the build links.
"""

import os
import re
import unittest

SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

BELOW_SCENE = {"geometry", "texture", "landscape", "platform"}
ALLOWED = {
    "app": {"viewer", "scene", "image"} | BELOW_SCENE,
    "web": {"viewer", "scene", "image"} | BELOW_SCENE,
    "viewer": {"scene", "image"} | BELOW_SCENE,
    "scene": BELOW_SCENE,
    "geometry": {"texture", "landscape", "platform"},
    "texture": {"landscape", "platform"},
    "image": {"platform"},
    "landscape": set(),
    "platform": set(),
}
# What a converter below tools/ may include, besides the converters listed
# for it in CONVERTER_EXTRAS.
CONVERTER_ALLOWED = {"geometry", "texture", "image", "landscape", "platform", "tools/common"}
# The shared helpers sit below every converter.
CONVERTER_EXTRAS = {"tools/common": CONVERTER_ALLOWED - {"tools/common"},
                    "tools/map": CONVERTER_ALLOWED | {"tools/heights"},
                    "tools/new": CONVERTER_ALLOWED | {"tools/sample"}}
PROGRAM = {"app", "web", "viewer", "scene", "geometry", "texture", "image", "landscape", "platform"}
# Above the program: each may include every folder of it (tools and its
# converters too) and testing/.
ABOVE = {"bench": set(), "fuzz": set(), "tests": {"fuzz"}, "testing": set()}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_0-9]+(?:/[a-z_0-9]+)*)/[^"/]+"')


def converters():
    tools = os.path.join(SOURCE_DIR, "tools")
    return sorted("tools/" + name for name in os.listdir(tools) if os.path.isdir(os.path.join(tools, name)))


def allowed_map():
    """Each folder of the program, with what it may include."""
    allowed = {folder: inside for folder, inside in ALLOWED.items() if os.path.isdir(os.path.join(SOURCE_DIR, folder))}
    subs = converters()
    allowed["tools"] = set(subs) | {"viewer", "scene", "image"} | BELOW_SCENE
    for sub in subs:
        allowed[sub] = CONVERTER_EXTRAS[sub] if sub in CONVERTER_EXTRAS else CONVERTER_ALLOWED
    program = PROGRAM | {"tools"} | set(subs)
    for folder, extra in ABOVE.items():
        allowed[folder] = (program | {"testing"} | extra) - {folder, "web"} if folder != "testing" else program - {"web"}
    return allowed


def source_folders(top):
    """top and every folder below it that holds sources, relative to the tree."""
    found = []
    for root, dirs, files in os.walk(os.path.join(SOURCE_DIR, top)):
        dirs[:] = sorted(d for d in dirs if not d.startswith(".") and d not in ("node_modules", "regressions"))
        if any(f.endswith((".h", ".cpp")) for f in files):
            found.append(os.path.relpath(root, SOURCE_DIR).replace(os.sep, "/"))
    return found


def outer(folder):
    """The folder whose rule a folder below bench/, fuzz/ or tests/ follows."""
    top = folder.split("/")[0]
    return top if top in ABOVE else folder


def resolve(included, folder):
    """The folder an include names: from the top of the tree, else below the
    includer's own top folder (bench/process/), else below tests/ (whose
    support the tests' targets see by name); None for a file beside it."""
    top = folder.split("/")[0]
    for base in ("", top + "/", "tests/"):
        if os.path.isdir(os.path.join(SOURCE_DIR, base + included)):
            return base + included
    return None


def includes(folder):
    """(file, line number, included folder) for every quoted include in a folder.

    An include is taken as a path from the top of the tree; one of a file
    beside the includer (fuzz's own headers) names no folder."""
    found = []
    directory = os.path.join(SOURCE_DIR, folder)
    for name in sorted(os.listdir(directory)):
        if not name.endswith((".h", ".cpp")):
            continue
        with open(os.path.join(directory, name), encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if m:
                    where = resolve(m.group(1), folder)
                    if where:
                        found.append(("%s/%s" % (folder, name), number, where))
    return found


class IncludeOrderTest(unittest.TestCase):
    def test_every_include_follows_the_folder_order(self):
        wrong = []
        allowed_by = allowed_map()
        folders = [f for f in allowed_by if f not in ABOVE] + [f for top in ABOVE for f in source_folders(top)]
        for folder in folders:
            allowed = allowed_by[outer(folder)]
            for path, number, included in includes(folder):
                if outer(included) != outer(folder) and included not in allowed:
                    wrong.append("%s:%d includes %s/" % (path, number, included))
        self.assertEqual(wrong, [], "\n".join(wrong))

    def test_every_program_folder_has_a_place_in_the_order(self):
        program = {name for name in os.listdir(SOURCE_DIR)
                   if os.path.isdir(os.path.join(SOURCE_DIR, name))
                   and any(f.endswith((".h", ".cpp")) for f in os.listdir(os.path.join(SOURCE_DIR, name)))}
        self.assertEqual(program - set(allowed_map()), set())

    def test_the_folder_graph_has_no_cycle(self):
        allowed = allowed_map()
        edges = {folder: {inc for _, _, inc in includes(folder) if inc != folder and inc in allowed}
                 for folder in allowed}
        done, path = set(), []

        def visit(folder):
            if folder in path:
                self.fail("include cycle: " + " -> ".join(path[path.index(folder):] + [folder]))
            if folder in done:
                return
            path.append(folder)
            for nxt in sorted(edges[folder]):
                visit(nxt)
            path.pop()
            done.add(folder)

        for folder in allowed:
            visit(folder)

    def test_the_checker_sees_the_includes(self):
        # The order would hold trivially if nothing were found.
        self.assertIn("landscape", {inc for _, _, inc in includes("texture")})
        self.assertIn("viewer", {inc for _, _, inc in includes("app")})
        self.assertIn("scene", {inc for _, _, inc in includes("tools")})
        self.assertIn("testing", {inc for _, _, inc in includes("bench")})
        self.assertIn("tools/folder", {inc for _, _, inc in includes("fuzz")})
        self.assertIn("tests/unit_support", {inc for _, _, inc in includes("tests/unit")})


if __name__ == "__main__":
    unittest.main()

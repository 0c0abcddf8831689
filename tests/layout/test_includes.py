"""The folders of the program include one another in one direction only, as
docs/development.md says:

    tools -> tools/<converter>
    tools, app, web -> viewer -> scene -> geometry -> texture -> landscape
    image -> platform

A folder may include itself and the folders it is allowed below; landscape/
and platform/ include no other folder of the program. The converters below
tools/ (one folder each) are pure: they include no GL stage above geometry/
and nothing of tools/ itself. The test reads every #include "folder/file.h"
of the sources and fails on any include against that order, naming the file
and the line.
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
CONVERTER_ALLOWED = {"geometry", "texture", "image", "landscape", "platform"}
CONVERTER_EXTRAS = {"tools/diff": {"tools/unpack"}, "tools/map": {"tools/unpack", "tools/gltf"}}
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
        allowed[sub] = CONVERTER_ALLOWED | CONVERTER_EXTRAS.get(sub, set())
    return allowed


def includes(folder):
    """(file, line number, included folder) for every quoted include in a folder."""
    found = []
    directory = os.path.join(SOURCE_DIR, folder)
    for name in sorted(os.listdir(directory)):
        if not name.endswith((".h", ".cpp")):
            continue
        with open(os.path.join(directory, name), encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if m:
                    found.append(("%s/%s" % (folder, name), number, m.group(1)))
    return found


class IncludeOrderTest(unittest.TestCase):
    def test_every_include_follows_the_folder_order(self):
        wrong = []
        for folder, allowed in allowed_map().items():
            for path, number, included in includes(folder):
                if included != folder and included not in allowed:
                    wrong.append("%s:%d includes %s/" % (path, number, included))
        self.assertEqual(wrong, [], "\n".join(wrong))

    def test_every_program_folder_has_a_place_in_the_order(self):
        program = {name for name in os.listdir(SOURCE_DIR)
                   if os.path.isdir(os.path.join(SOURCE_DIR, name))
                   and any(f.endswith((".h", ".cpp")) for f in os.listdir(os.path.join(SOURCE_DIR, name)))}
        self.assertEqual(program - set(allowed_map()) - {"tests", "bench", "fuzz"}, set())

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


if __name__ == "__main__":
    unittest.main()

"""The folders of the program include one another in one direction only, as
the README's layout line says:

    tools, app -> viewer -> geometry -> texture -> landscape, platform

A folder may include itself and the folders to its right; landscape/ and
platform/ include no other folder of the program. The test reads every
#include "folder/file.h" of the sources and fails on any include against that
order, naming the file and the line.
"""

import os
import re
import unittest

SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

ALLOWED = {
    "tools": {"app", "viewer", "geometry", "texture", "landscape", "platform"},
    "app": {"viewer", "geometry", "texture", "landscape", "platform"},
    "viewer": {"geometry", "texture", "landscape", "platform"},
    "geometry": {"texture", "landscape", "platform"},
    "texture": {"landscape", "platform"},
    "landscape": set(),
    "platform": set(),
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/[^"]+"')


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
        for folder, allowed in ALLOWED.items():
            for path, number, included in includes(folder):
                if included != folder and included not in allowed:
                    wrong.append("%s:%d includes %s/" % (path, number, included))
        self.assertEqual(wrong, [], "\n".join(wrong))

    def test_the_folder_graph_has_no_cycle(self):
        edges = {folder: {inc for _, _, inc in includes(folder) if inc != folder and inc in ALLOWED}
                 for folder in ALLOWED}
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

        for folder in ALLOWED:
            visit(folder)

    def test_the_checker_sees_the_includes(self):
        # The order would hold trivially if nothing were found.
        self.assertIn("landscape", {inc for _, _, inc in includes("texture")})
        self.assertIn("viewer", {inc for _, _, inc in includes("app")})


if __name__ == "__main__":
    unittest.main()

"""The README's examples run as a reader would run them, and every link of
the README and docs/ leads somewhere.

A code block after the comment <!-- README test: run --> is a shell script:
the marked blocks run in document order, one after the other in one fresh
folder, with the built lndtool first on the PATH and git reading only a
configuration of the test's own. The block after <!-- README test: prints -->
shows what the scripts since the previous such block print (standard output
and standard error together), and must be exactly that.
"""

import os
import re
import shutil
import subprocess
import tempfile
import unittest

SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
MARK = re.compile(r"^<!-- README test: (run|prints) -->\s*$")
FENCE = re.compile(r"^\s*```")


def marked_blocks(text):
    """[(kind, body, line number of the mark)] of the marked code blocks."""
    lines = text.splitlines(keepends=True)
    blocks = []
    i = 0
    while i < len(lines):
        m = MARK.match(lines[i])
        i += 1
        if not m:
            continue
        start = i
        while i < len(lines) and not lines[i].strip():
            i += 1
        if i == len(lines) or not FENCE.match(lines[i]):
            raise ValueError("README.md:%d: the mark is not followed by a code block" % start)
        i += 1
        body = []
        while i < len(lines) and not FENCE.match(lines[i]):
            body.append(lines[i])
            i += 1
        blocks.append((m.group(1), "".join(body), start))
        i += 1
    return blocks


def without_code(text):
    """The text with fenced blocks and inline code taken out (links there are examples)."""
    kept = []
    inside = False
    for line in text.splitlines():
        if FENCE.match(line):
            inside = not inside
            kept.append("")
        else:
            kept.append("" if inside else re.sub(r"`[^`]*`", "", line))
    return kept


def anchors(text):
    """The anchors GitHub gives the headings of a page."""
    found = set()
    for line in without_code(text):
        m = re.match(r"^#{1,6}\s+(.*?)\s*$", line)
        if m:
            slug = re.sub(r"[^\w\- ]", "", m.group(1).lower()).replace(" ", "-")
            name, n = slug, 0
            while name in found:
                n += 1
                name = "%s-%d" % (slug, n)
            found.add(name)
    return found


def pages():
    docs = os.path.join(SOURCE_DIR, "docs")
    return ["README.md"] + sorted("docs/" + n for n in os.listdir(docs) if n.endswith(".md"))


def read(page):
    with open(os.path.join(SOURCE_DIR, page), encoding="utf-8") as f:
        return f.read()


class ReadmeExamples(unittest.TestCase):
    maxDiff = None

    def test_the_examples_print_what_the_readme_shows(self):
        lndtool = os.environ.get("LNDTOOL") or os.path.join(SOURCE_DIR, "build", "lndtool")
        if not os.access(lndtool, os.X_OK):
            self.skipTest("no built lndtool at %s" % lndtool)
        if not shutil.which("git"):
            self.skipTest("git is not installed (Debian package git)")
        if subprocess.run(["/usr/bin/python3", "-c", "import PIL"], capture_output=True).returncode != 0:
            self.skipTest("Debian's python3 has no Pillow (package python3-pil)")
        blocks = marked_blocks(read("README.md"))
        scripts = [body for kind, body, _ in blocks if kind == "run"]
        # The worked edit and the git example are among them, and each shows its output.
        self.assertTrue(any("lndtool pack " in s for s in scripts), "the worked edit is not marked")
        self.assertTrue(any("git config diff.lnd.textconv" in s for s in scripts), "the git example is not marked")
        self.assertGreaterEqual([kind for kind, _, _ in blocks].count("prints"), 2)
        with tempfile.TemporaryDirectory() as root:
            for name in ("bin", "home", "work"):
                os.mkdir(os.path.join(root, name))
            os.symlink(os.path.abspath(lndtool), os.path.join(root, "bin", "lndtool"))
            home = os.path.join(root, "home")
            with open(os.path.join(home, "gitconfig"), "w") as f:
                f.write("[user]\n\tname = A Reader\n\temail = reader@example.org\n[init]\n\tdefaultBranch = main\n")
            env = {"PATH": os.path.join(root, "bin") + ":/usr/bin:/bin", "HOME": home, "LC_ALL": "C.UTF-8",
                   "XDG_CONFIG_HOME": os.path.join(home, ".config"), "GIT_CONFIG_NOSYSTEM": "1",
                   "GIT_CONFIG_GLOBAL": os.path.join(home, "gitconfig"), "GIT_PAGER": "cat", "PAGER": "cat",
                   "TMPDIR": root}
            printed = ""
            for kind, body, line in blocks:
                if kind == "run":
                    result = subprocess.run(["sh", "-c", body], cwd=os.path.join(root, "work"), env=env,
                                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                            timeout=240)
                    printed += result.stdout
                else:
                    self.assertEqual(printed, body, "README.md:%d shows other lines than the scripts print" % line)
                    printed = ""
            self.assertEqual(printed, "", "the last scripts print lines the README does not show")

    def test_a_mark_needs_its_code_block(self):
        cases = [  # (text, the blocks found, or None for a refused mark)
            ("<!-- README test: run -->\n```sh\necho a\n```\n<!-- README test: prints -->\n\n```\na\n```\n",
             [("run", "echo a\n", 1), ("prints", "a\n", 5)]),
            ("<!-- README test: run -->\nsome words\n```sh\necho a\n```\n", None),
            ("```sh\necho a\n```\n", []),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                if expected is None:
                    self.assertRaises(ValueError, marked_blocks, text)
                else:
                    self.assertEqual(marked_blocks(text), expected)


class Links(unittest.TestCase):
    def test_every_relative_link_resolves(self):
        broken = []
        for page in pages():
            text = read(page)
            for number, line in enumerate(without_code(text), 1):
                for target in re.findall(r"\]\(([^)\s]+)\)", line):
                    if re.match(r"^[a-z]+:", target):
                        continue
                    path, _, anchor = target.partition("#")
                    file = os.path.normpath(os.path.join(SOURCE_DIR, os.path.dirname(page), path)) if path \
                        else os.path.join(SOURCE_DIR, page)
                    if not file.startswith(SOURCE_DIR + os.sep) or not os.path.exists(file):
                        broken.append("%s:%d: %s: no such file" % (page, number, target))
                    elif anchor and (not file.endswith(".md") or anchor not in anchors(read(file))):
                        broken.append("%s:%d: %s: no such heading" % (page, number, target))
        self.assertEqual(broken, [], "\n".join(broken))

    def test_anchors_are_githubs(self):
        text = "# lndview\n## Set-up: two commands\n```\n# not a heading\n```\n## Take it to Blender, Godot or Unity\n## Set-up: two commands\n"
        self.assertEqual(anchors(text), {"lndview", "set-up-two-commands", "take-it-to-blender-godot-or-unity",
                                         "set-up-two-commands-1"})


if __name__ == "__main__":
    unittest.main()

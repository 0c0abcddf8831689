"""The man pages lndview(1) and lndtool(1): formatted by man without one
warning (the way lintian runs it), read by lexgrog for whatis, the sections
a user looks for, every control and exit status, and the tool's page
following the real lndtool: each command its --help lists has a section
naming each of its options.
"""

import os
import re
import subprocess
import unittest

from installtest import program, project_version, require_tools, run, source_dir

SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "FILES", "EXAMPLES", "SEE ALSO"]
CONTROLS = ["W / S", "A / D", "Q / E", "left drag", "left + right drag", "mouse wheel", "middle press", "k", "l",
            "F1 or h", "Tab", "Home", "f", "Escape"]
TOOL_COMMANDS = ["make-sample", "info", "diff", "export", "render", "thumbnail", "unpack", "pack", "map", "set-map",
                 "new", "set-heights", "gltf", "heightmap", "web"]


def page_path(name):
    return os.path.join(source_dir(), "docs", name + ".1")


def rendered(name):
    """The page as man shows it at 80 columns, without overstrike."""
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
    text = run(["man", "-l", "-Tutf8", page_path(name)], env=env).stdout
    return re.sub(".\x08", "", text)


def sections(text):
    """{heading: body} of a rendered page (headings start in column 0)."""
    found = {}
    heading = None
    for line in text.splitlines()[1:-1]:
        if line and not line[0].isspace():
            heading = line.strip()
            found[heading] = []
        elif heading:
            found[heading].append(line)
    return {k: "\n".join(v) for k, v in found.items()}


def subsections(body):
    """{name: body} of the subsections (indented three columns) of a section."""
    found = {}
    name = None
    for line in body.splitlines():
        if re.match(r"^   \S", line):
            name = line.strip()
            found[name] = []
        elif name:
            found[name].append(line)
    return {k: "\n".join(v) for k, v in found.items()}


def help_subcommands(text):
    """Command names of a CLI11 help text."""
    names = []
    in_list = False
    for line in text.splitlines():
        if line.startswith("Commands:"):
            in_list = True
        elif in_list and line.strip():
            names.append(line.split()[0])
        elif in_list:
            in_list = False
    return names


def help_options(text):
    return sorted(set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", text)) - {"--help"})


class ManPages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tools("man")

    def test_man_warns_about_nothing(self):
        # As lintian runs it, so its groff-message tag has nothing to report.
        env = dict(os.environ, LC_ALL="C.UTF-8", MANROFFSEQ="", MANWIDTH="80")
        for name in ("lndview", "lndtool"):
            with self.subTest(page=name):
                result = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", page_path(name)],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, env=env,
                                        timeout=60)
                self.assertEqual((result.returncode, result.stderr), (0, ""))

    def test_whatis_line(self):
        require_tools("lexgrog")
        for name, words in (("lndview", "fly over a Thornveil landscape"), ("lndtool", "Thornveil landscape files")):
            out = run(["lexgrog", page_path(name)]).stdout
            self.assertRegex(out, r'"%s - .*%s' % (name, words))

    def test_sections_and_version(self):
        version = project_version()
        for name in ("lndview", "lndtool"):
            with self.subTest(page=name):
                text = rendered(name)
                headings = list(sections(text))
                self.assertEqual([h for h in headings if h in SECTIONS], SECTIONS)
                last = text.rstrip().splitlines()[-1]
                self.assertTrue(last.startswith("%s %s " % (name, version)), last)
                # Every version the page names is the project's.
                self.assertEqual(set(re.findall(name + r" (\d+\.\d+\.\d+)", text)), {version})

    def test_lndview_controls_and_exit_statuses(self):
        page = sections(rendered("lndview"))
        tags = [line.strip() for line in page["CONTROLS"].splitlines() if re.match(r"^       \S", line)]
        for control in CONTROLS:
            self.assertTrue(any(t == control or t.startswith(control + " ") for t in tags),
                            "%s is not a control of the page: %s" % (control, tags))
        statuses = re.findall(r"(?m)^       (\d)  ", page["EXIT STATUS"])
        self.assertEqual(statuses, ["0", "1", "2"])
        self.assertIn("LAND.lnd-N.dds", page["FILES"])
        for option in ("-h, --help", "--version"):
            self.assertIn(option, page["OPTIONS"])

    def test_lndtool_has_a_section_per_command(self):
        page = sections(rendered("lndtool"))
        self.assertEqual(list(subsections(page["COMMANDS"])), TOOL_COMMANDS)
        statuses = re.findall(r"(?m)^       (\d)  ", page["EXIT STATUS"])
        self.assertEqual(statuses, ["0", "1", "2"])
        for command in TOOL_COMMANDS:
            self.assertRegex(page["SYNOPSIS"], r"lndtool %s " % command)

    def test_lndtool_page_follows_the_program(self):
        """Each command that lndtool lists has a section naming its options."""
        lndtool = program("LNDTOOL", "lndtool")
        commands = help_subcommands(run([lndtool, "--help"]).stdout)
        self.assertIn("info", commands)
        documented = subsections(sections(rendered("lndtool"))["COMMANDS"])
        for command in commands:
            with self.subTest(command=command):
                self.assertIn(command, documented)
                for option in help_options(run([lndtool, command, "--help"]).stdout):
                    self.assertIn(option, documented[command], "%s %s is not documented" % (command, option))

    def test_lndview_page_follows_the_program(self):
        lndview = program("LNDVIEW", "lndview")
        text = sections(rendered("lndview"))["OPTIONS"]
        out = subprocess.run([lndview, "--help"], stdout=subprocess.PIPE, text=True, timeout=30).stdout
        for option in help_options(out):
            self.assertIn(option, text)


if __name__ == "__main__":
    unittest.main()

"""bash completion of lndtool: sourced into a plain bash (no bash-completion
package needed) and called the way bash calls it, with COMP_WORDS and
COMP_CWORD set, in a folder of landscapes, pictures, other files and
folders.
"""

import os
import unittest

from installtest import program, require_tools, run, source_dir, temp_dir
from test_man_pages import help_options, help_subcommands

COMMANDS = ["make-sample", "info", "diff", "export", "render", "thumbnail", "unpack", "pack", "map", "set-map", "new",
            "set-heights", "gltf", "heightmap", "web"]
LANDSCAPES = ["a.lnd", "HARBOUR.LND", "with space.lnd"]
PICTURES = ["shot.png"]
SCENES = ["land.glb", "land.GLTF", "height.r16"]
FOLDERS = ["maps", "my pictures"]


class Completion(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tools("bash")
        cls.script = os.path.join(source_dir(), "desktop", "lndtool.bash-completion")

    def setUp(self):
        self.folder = temp_dir(self)
        for name in LANDSCAPES + PICTURES + SCENES + ["notes.txt", "a.lnd.bak"]:
            open(os.path.join(self.folder, name), "wb").close()
        for name in FOLDERS:
            os.mkdir(os.path.join(self.folder, name))

    def complete(self, *words):
        """COMPREPLY for the command line words, the last being completed."""
        words_array = " ".join("'%s'" % w for w in words)
        script = ('source "$1" || exit 3; COMP_WORDS=(%s); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _lndtool; '
                  'printf "%%s\\n" "${COMPREPLY[@]}"' % words_array)
        out = run(["bash", "--norc", "--noprofile", "-c", script, "bash", self.script], cwd=self.folder).stdout
        return sorted(line for line in out.split("\n") if line)

    def test_registered_for_lndtool(self):
        out = run(["bash", "--norc", "--noprofile", "-c", 'source "$1" && complete -p lndtool', "bash",
                   self.script]).stdout
        self.assertEqual(out.strip(), "complete -F _lndtool lndtool")

    def test_commands_and_global_options(self):
        self.assertEqual(self.complete("lndtool", ""), sorted(COMMANDS))
        self.assertEqual(self.complete("lndtool", "e"), ["export"])
        self.assertEqual(self.complete("lndtool", "--"), ["--help", "--version"])

    def test_each_command_offers_its_options(self):
        expected = {
            "make-sample": ["--blocks", "--help", "--seed"],
            "info": ["--all", "--help", "--json"],
            "diff": ["--help", "--json", "--quiet"],
            "export": ["--all-blocks", "--help", "--out"],
            "render": ["--camera", "--changes-from", "--help", "--out", "--out-dir", "--overlay", "--overview",
                       "--size"],
            "thumbnail": ["--help", "--size"],
            "unpack": ["--discard-edits", "--force", "--help"],
            "pack": ["--help", "--mend-seams"],
            "map": ["--help"],
            "set-map": ["--help", "--out", "--split-shared"],
            "set-heights": ["--format", "--help", "--out", "--split-shared"],
            "gltf": ["--center", "--help", "--out", "--overlay", "--scale", "--textures"],
            "heightmap": ["--countries", "--format", "--help", "--out"],
            "web": ["--help", "--out"],
        }
        for command, options in expected.items():
            with self.subTest(command=command):
                self.assertEqual(self.complete("lndtool", command, "a.lnd", "--"), options)
        self.assertEqual(self.complete("lndtool", "render", "--ov"), ["--overlay", "--overview"])

    def test_offers_every_command_and_option_the_program_has(self):
        lndtool = program("LNDTOOL", "lndtool")
        commands = help_subcommands(run([lndtool, "--help"]).stdout)
        self.assertIn("info", commands)
        self.assertLessEqual(set(commands), set(self.complete("lndtool", "")))
        for command in commands:
            with self.subTest(command=command):
                options = help_options(run([lndtool, command, "--help"]).stdout)
                self.assertLessEqual(set(options), set(self.complete("lndtool", command, "--")))

    def test_landscapes_where_a_landscape_is_read(self):
        expected = sorted(LANDSCAPES + FOLDERS)
        for command in ("info", "diff", "export", "render", "thumbnail", "make-sample", "unpack", "set-heights", "gltf",
                        "heightmap", "web", "map", "set-map"):
            with self.subTest(command=command):
                self.assertEqual(self.complete("lndtool", command, ""), expected)
        self.assertEqual(self.complete("lndtool", "info", "w"), ["with space.lnd"])
        # Several files for render --out-dir.
        self.assertEqual(self.complete("lndtool", "render", "--out-dir", "maps", "a.lnd", "H"), ["HARBOUR.LND"])
        self.assertEqual(self.complete("lndtool", "render", "a.lnd", "--changes-from", "H"), ["HARBOUR.LND"])
        self.assertEqual(self.complete("lndtool", "diff", "a.lnd", "H"), ["HARBOUR.LND"])

    def test_folders_for_folder_options(self):
        self.assertEqual(self.complete("lndtool", "export", "a.lnd", "--out", ""), sorted(FOLDERS))
        self.assertEqual(self.complete("lndtool", "unpack", "a.lnd", ""), sorted(FOLDERS))
        self.assertEqual(self.complete("lndtool", "pack", ""), sorted(FOLDERS))
        self.assertEqual(self.complete("lndtool", "pack", "maps", ""), sorted(LANDSCAPES + FOLDERS))
        for command in ("map", "set-map"):
            with self.subTest(command=command):
                self.assertEqual(self.complete("lndtool", command, "a.lnd", ""), sorted(FOLDERS))
        self.assertEqual(self.complete("lndtool", "set-map", "a.lnd", "maps", "--out", ""),
                         sorted(LANDSCAPES + FOLDERS))
        self.assertEqual(self.complete("lndtool", "render", "a.lnd", "--out-dir", ""), sorted(FOLDERS))
        self.assertEqual(self.complete("lndtool", "render", "a.lnd", "--out-dir", "my"), ["my pictures"])

    def test_pictures_where_a_picture_is_written(self):
        expected = sorted(PICTURES + FOLDERS)
        self.assertEqual(self.complete("lndtool", "render", "a.lnd", "--out", ""), expected)
        self.assertEqual(self.complete("lndtool", "thumbnail", "a.lnd", ""), expected)
        self.assertEqual(self.complete("lndtool", "set-heights", "a.lnd", ""), expected)
        self.assertEqual(self.complete("lndtool", "set-heights", "--out", ""), sorted(LANDSCAPES + FOLDERS))
        self.assertEqual(self.complete("lndtool", "set-heights", "--format", ""), ["png", "r16"])
        # An option's value is not the first file.
        self.assertEqual(self.complete("lndtool", "thumbnail", "--size", "128", ""), sorted(LANDSCAPES + FOLDERS))
        self.assertEqual(self.complete("lndtool", "thumbnail", "--size", "128", "a.lnd", ""), expected)

    def test_scenes_heightmaps_and_the_words_an_option_takes(self):
        self.assertEqual(self.complete("lndtool", "gltf", "a.lnd", "--out", ""), sorted(FOLDERS + SCENES[:2]))
        self.assertEqual(self.complete("lndtool", "heightmap", "a.lnd", "--out", ""),
                         sorted(FOLDERS + PICTURES + SCENES[2:]))
        self.assertEqual(self.complete("lndtool", "heightmap", "a.lnd", "--countries", ""), sorted(FOLDERS + PICTURES))
        self.assertEqual(self.complete("lndtool", "gltf", "a.lnd", "--textures", ""), ["baked", "none"])
        self.assertEqual(self.complete("lndtool", "heightmap", "a.lnd", "--format", "png"), ["png16", "png8"])
        # The page lndtool web writes, after either spelling of its option.
        open(os.path.join(self.folder, "island.html"), "wb").close()
        for option in ("-o", "--out"):
            self.assertEqual(self.complete("lndtool", "web", "a.lnd", option, ""), sorted(FOLDERS + ["island.html"]))

    def test_nothing_for_values_of_the_users_own(self):
        for words in (("make-sample", "x.lnd", "--seed"), ("make-sample", "x.lnd", "--blocks"),
                      ("render", "a.lnd", "--size"), ("render", "a.lnd", "--camera"), ("thumbnail", "--size"),
                      ("gltf", "a.lnd", "--scale")):
            with self.subTest(words=words):
                self.assertEqual(self.complete("lndtool", *words, ""), [])


if __name__ == "__main__":
    unittest.main()

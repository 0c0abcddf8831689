"""The viewer as a workbench: F5 and changes on disk reload the file where
the camera is, Page Down / Page Up step through the folder (past a damaged
file, which leaves nothing drawn), o opens what the chooser answers (and without one says so and keeps the
landscape), F12
saves the picture lndtool render draws, the status panel reads out what the
pointer is over, and a start without any chooser opens the window and says
what to do there."""

import os
import stat
import subprocess

from lndfile import program_path
from lndwin import WindowTestCase, differing_pixels, same_picture, wait_until

LOADING = "Loading Landscape "


class WorkbenchTest(WindowTestCase):
    def make(self, name, seed=1, blocks=4):
        path = self.path(name)
        subprocess.run([program_path("LNDTOOL", "lndtool"), "make-sample", path, "--seed", str(seed), "--blocks",
                        str(blocks)], check=True, stdout=subprocess.DEVNULL, timeout=60)
        return path

    def loads(self, viewer, count):
        """Waits until `count` loads have ended; returns the paths loaded, in order."""
        ends = viewer.wait_for_count(lambda line: line.endswith(" Wireframe cells rendered") or
                                     line.startswith("ERROR : "), count, timeout=60, what="loads")
        return [line[len(LOADING):-len(" ...")] for line in viewer.lines() if line.startswith(LOADING)], ends

    def open(self, path, **kwargs):
        viewer = self.start(path, **kwargs)
        viewer.wait_loaded()
        viewer.window()
        viewer.move(400, 300)
        return viewer

    def fake_chooser(self, answer):
        """A zenity on PATH that answers `answer` (None: cancels); returns the PATH."""
        folder = self.path("bin")
        os.makedirs(folder, exist_ok=True)
        script = os.path.join(folder, "zenity")
        with open(script, "w") as f:
            f.write("#!/bin/sh\n" + ("echo '%s'\n" % answer if answer else "exit 1\n"))
        os.chmod(script, os.stat(script).st_mode | stat.S_IXUSR)
        return folder

    def test_f5_and_a_change_on_disk_reload_the_file_where_the_camera_is(self):
        land = self.make("land.lnd")
        viewer = self.open(land)
        self.xvfb.xdotool("click", 4)  # zoom in: not the start camera
        camera = viewer.camera()
        self.xvfb.xdotool("key", "F5")
        self.assertEqual(self.loads(viewer, 2)[0], [land, land])
        self.assertEqual(viewer.camera(), camera)
        # Written over by another program: loaded again once it has settled.
        self.make("land.lnd", seed=2, blocks=6)
        self.assertEqual(self.loads(viewer, 3)[0], [land] * 3)
        self.assertIn("Number of Blocks        : 6", viewer.lines())
        self.assertEqual(viewer.camera(), camera)

    def test_page_keys_step_through_the_folder_and_past_a_damaged_file(self):
        a, b, d = self.make("a.lnd"), self.make("b.lnd", seed=2), self.make("d.lnd", seed=3)
        with open(self.path("c.lnd"), "wb") as f:
            f.write(b"not a landscape")
        viewer = self.open(a)
        plain = viewer.stable_shot()
        self.xvfb.xdotool("key", "Next")
        self.xvfb.xdotool("key", "Next")
        self.assertEqual(self.loads(viewer, 3)[0], [a, b, self.path("c.lnd")])
        # The damaged file shows its fault and nothing of the file before it.
        faulty = viewer.stable_shot()
        self.assertTrue(all(faulty.getpixel((x, 450)) in ((0, 127, 255), (0, 128, 255)) for x in range(0, 800, 50)))
        self.xvfb.xdotool("key", "Next")
        self.xvfb.xdotool("key", "Next")
        self.xvfb.xdotool("key", "Prior")
        self.assertEqual(self.loads(viewer, 6)[0], [a, b, self.path("c.lnd"), d, a, d])
        self.assertFalse(same_picture(plain, viewer.stable_shot()))

    def test_o_opens_what_the_chooser_answers_and_a_cancel_keeps_the_landscape(self):
        a, b = self.make("a.lnd"), self.make("b.lnd", seed=2)
        env = self.xvfb.env(PATH=self.fake_chooser(None) + ":" + os.environ["PATH"])
        viewer = self.open(a, env=env)
        self.xvfb.xdotool("click", 4)
        self.xvfb.xdotool("key", "o")
        camera = viewer.camera()  # the cancel has been handled by now
        self.assertEqual(self.loads(viewer, 1)[0], [a])
        self.fake_chooser(b)
        self.xvfb.xdotool("key", "o")
        self.assertEqual(self.loads(viewer, 2)[0], [a, b])
        # Another file starts at the start camera.
        self.assertNotEqual(viewer.camera(), camera)

    def test_o_without_a_chooser_says_so_and_keeps_the_landscape(self):
        land = self.make("land.lnd")
        os.makedirs(self.path("empty"))
        viewer = self.open(land, env=self.xvfb.env(PATH=self.path("empty")))
        plain = viewer.stable_shot()
        self.xvfb.xdotool("key", "o")
        viewer.wait_for_line(lambda line: line.startswith("WARNING : no file chooser was found (zenity or kdialog): "
                                                          "the landscape stays;"), timeout=10)
        # Once the message has gone, the landscape is drawn as before.
        wait_until(lambda: same_picture(plain, viewer.stable_shot()), 20, "the landscape drawn as before")
        self.assertEqual(self.loads(viewer, 1)[0], [land])

    def test_f12_saves_the_picture_lndtool_render_draws(self):
        from PIL import Image

        land = self.make("land.lnd")
        pictures = self.path("Pictures")
        viewer = self.open(land, env=self.xvfb.env(XDG_PICTURES_DIR=pictures))
        self.xvfb.xdotool("key", "Tab")  # panels are never in the picture
        for n in (1, 2):
            self.xvfb.xdotool("key", "F12")
            saved = os.path.join(pictures, "lndview", "land-%d.png" % n)
            viewer.wait_for_line("Saved picture " + saved)
        rendered = self.path("render.png")
        subprocess.run([program_path("LNDTOOL", "lndtool"), "render", land, "--out", rendered], check=True,
                       timeout=60)
        with Image.open(saved) as shot, Image.open(rendered) as drawn:
            self.assertEqual(shot.size, (800, 600))
            self.assertEqual(differing_pixels(shot.convert("RGB"), drawn.convert("RGB")), 0)

    def test_the_status_panel_reads_out_what_the_pointer_is_over(self):
        viewer = self.open(self.make("land.lnd", blocks=12))
        self.xvfb.xdotool("key", "Tab")
        readout = (8, 600 - 8 - 3 * 17 - 12, 792, 600 - 8 - 2 * 17 - 6)  # the panel's first line

        def line_at(x, y):
            viewer.move(x, y)
            return viewer.stable_shot().crop(readout)

        sky, ground, again = line_at(400, 5), line_at(400, 300), line_at(400, 5)
        self.assertTrue(same_picture(sky, again))
        self.assertFalse(same_picture(sky, ground))

    def test_without_a_chooser_the_window_says_what_to_do_and_o_works_once_there_is_one(self):
        land = self.make("land.lnd")
        chooser = self.path("bin")
        os.makedirs(chooser)
        viewer = self.start(env=self.xvfb.env(PATH=chooser))
        viewer.window()
        viewer.move(400, 300)
        shot = viewer.stable_shot()
        self.assertNotEqual(shot.getpixel((20, 20)), (0, 127, 255), "the window says nothing")
        self.fake_chooser(land)
        self.xvfb.xdotool("key", "o")
        self.assertEqual(self.loads(viewer, 1)[0], [land])
        self.xvfb.xdotool("key", "Escape")
        self.assertEqual(viewer.wait_exit(), 0)


if __name__ == "__main__":
    import unittest

    unittest.main()

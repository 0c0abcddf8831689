"""Start-up of the real lndview: what it prints while loading good and faulty
landscape files, the window it opens, how it takes its path (argument or
file chooser), and how it ends when the window is closed."""

import os
import pty
import stat
import subprocess
import sys
import time
import unittest

from lndfile import Block, Country, LandscapeFile, LoRes, Material, required_length
from lndwin import (START_TIMEOUT, WINDOW_POSITION, WINDOW_SIZE, WINDOW_TITLE, Viewer, WindowTestCase, Xvfb,
                    lndview_path, wait_until)

PATH_LIMIT = 511  # longest landscape path the viewer takes

CLEAR_COLOURS = {(0, 127, 255), (0, 128, 255)}  # (0, 0.5, 1) in 8 bits


def load_transcript(path, blocks, countries, materials, lores, warnings=()):
    """What loading a landscape with these counts prints, line for line as
    the viewer writes it: the material progress of the last block has no
    line end of its own, so the next line follows its dots."""
    text = "Loading Landscape %s ...\n\n" % path
    text += "Number of Blocks        : %i\n" % blocks
    text += "Number of Countries     : %i\n" % countries
    text += "Number of Materials     : %i\n" % materials
    text += "Number of LoResTextures : %i\n" % lores
    text += "".join(w + "\n" for w in warnings)
    for k in range(blocks):
        text += "\nCalculating Materials for Block %i/%i" % (k, blocks) + "." * 16
    cells = 16 * 16 * max(blocks, 0)
    text += "%i cells rendered\n" % cells
    text += "%i Wireframe cells rendered\n" % cells
    return text


def count_lines(blocks, countries, materials, lores):
    return ["Number of Blocks        : %i" % blocks,
            "Number of Countries     : %i" % countries,
            "Number of Materials     : %i" % materials,
            "Number of LoResTextures : %i" % lores]


def path_of_length(base, length, name="x", suffix=".lnd"):
    """A path of exactly `length` characters under base, made of directories
    short enough for the file system; the directories are created."""
    path = base
    while length - len(path) > 250:
        step = min(200, length - len(path) - 60)
        path = os.path.join(path, "d" * (step - 1))
        os.makedirs(path, exist_ok=True)
    fill = length - len(path) - 1 - len(suffix)
    assert fill >= 1
    result = os.path.join(path, (name * fill)[:fill] + suffix)
    assert len(result) == length
    return result


class EmptySceneMixin:
    def assert_empty_scene(self, viewer):
        """The picture of a viewer without landscape: the clear colour all
        around the centre, and the small axis marker at the centre."""
        _, _, width, height = viewer.geometry()
        cx, cy = width // 2, height // 2
        ring = [(cx + dx, cy + dy) for dx in range(-80, 81, 4) for dy in range(-80, 81, 4)
                if max(abs(dx), abs(dy)) > 8]
        ring += [(x, y) for x in (2, width - 3) for y in (2, height - 3)]  # the corners too

        def ring_is_clear(shot):
            return all(shot.getpixel(p) in CLEAR_COLOURS for p in ring)

        shot = viewer.wait_for_picture(ring_is_clear, what="the clear colour around the centre")
        centre = [shot.getpixel((x, y)) for x in range(cx - 8, cx + 9) for y in range(cy - 8, cy + 9)]
        self.assertTrue(any(c not in CLEAR_COLOURS for c in centre),
                        "no axis marker at the centre of the window: %s" % sorted(set(centre)))


class TranscriptTest(EmptySceneMixin, WindowTestCase):
    """What loading prints for missing and well-formed files."""

    def test_missing_file_prints_loading_and_error_line_only(self):
        path = self.path("missing.lnd")
        viewer = self.start(path)
        viewer.window()
        viewer.wait_for_line(lambda line: line.startswith("ERROR"))
        self.assertEqual(viewer.text(), "Loading Landscape %s ...\n\nERROR : Unable to Open Specified File %s\n"
                         % (path, path))
        # The reason goes beside the console line, on standard error.
        self.assertEqual(viewer.stderr_text(), "ERROR : %s : No such file or directory\n" % path)
        self.assert_empty_scene(viewer)
        self.assertTrue(viewer.running())

    def test_a_fifo_or_folder_is_refused_without_waiting(self):
        fifo = self.path("pipe.lnd")
        os.mkfifo(fifo)
        for path, reason in ((fifo, "not a regular file (a FIFO)"), (self.tmp, "Is a directory")):
            with self.subTest(path=path):
                viewer = self.start(path)
                viewer.window()
                viewer.wait_for_line(lambda line: line.startswith("ERROR"))
                self.assertEqual(viewer.text(), "Loading Landscape %s ...\n\nERROR : Unable to Open Specified File "
                                 "%s\n" % (path, path))
                self.assertEqual(viewer.stderr_text(), "ERROR : %s : %s\n" % (path, reason))
                self.assert_empty_scene(viewer)
                viewer.stop()

    def test_well_formed_file_prints_counts_and_build_stages(self):
        for counts in [(2, 2, 3, 1), (1, 1, 1, 2), (3, 16, 2, 1)]:
            blocks, countries, materials, lores = counts
            with self.subTest(blocks=blocks, countries=countries, materials=materials, lores=lores):
                land = LandscapeFile.small(blocks, countries, materials, lores)
                path = self.write_landscape("good-%d-%d-%d-%d.lnd" % counts, land)
                self.assertEqual(os.path.getsize(path), required_length(*counts))
                viewer = self.start(path)
                viewer.wait_loaded()
                viewer.window()
                self.assertEqual(viewer.text(), load_transcript(path, *counts))
                for line in count_lines(*counts):
                    self.assertEqual(line.index(":"), 24, line)
                self.assertTrue(viewer.running())
                viewer.stop()

    def test_blocks_past_the_255th_get_no_texture_and_no_list(self):
        land = LandscapeFile(blocks=[Block(altitude=k % 200) for k in range(258)], countries=[Country()],
                             materials=[Material()], lores=[LoRes()])
        land.place(1, 16, 17).place(255, 16, 16)
        path = self.write_landscape("many.lnd", land)
        viewer = self.start(path)
        viewer.wait_loaded(timeout=120)
        warning = ("WARNING : %s : 258 blocks, but a map byte names block 255 at most; "
                   "the 3 blocks past it are skipped" % path)
        text = viewer.text()
        head = "Loading Landscape %s ...\n\n" % path + "".join(line + "\n" for line in count_lines(258, 1, 1, 1))
        self.assertTrue(text.startswith(head + warning + "\n"), text[:600])
        self.assertEqual(text.count("Calculating Materials for Block"), 255)
        self.assertIn("Calculating Materials for Block 254/258" + "." * 16 + "65280 cells rendered\n"
                      "65280 Wireframe cells rendered\n", text)
        self.assertTrue(viewer.running())

    def test_file_without_blocks_still_reports_both_list_stages(self):
        land = LandscapeFile.small(blocks=0, countries=1, materials=1, lores=0)
        path = self.write_landscape("noblocks.lnd", land)
        viewer = self.start(path)
        viewer.wait_loaded()
        self.assertEqual(viewer.text(), load_transcript(path, 0, 1, 1, 0))
        self.assertNotIn("Calculating", viewer.text())
        viewer.window()
        self.assertTrue(viewer.running())


class StructuralFaultTest(EmptySceneMixin, WindowTestCase):
    """A file whose areas do not fit is dropped whole with one error line;
    the window still opens with an empty scene."""

    def check_dropped(self, path, expected_text):
        viewer = self.start(path)
        viewer.wait_for_line(lambda line: line.startswith("ERROR : "))
        viewer.window()
        self.assert_empty_scene(viewer)
        self.assertEqual(viewer.text(), expected_text)
        self.assertTrue(viewer.running())
        viewer.stop()

    def test_file_shorter_than_its_header(self):
        for length in (0, 100, 1051):
            with self.subTest(length=length):
                path = self.write_landscape("short-%d.lnd" % length, LandscapeFile.small(), truncate_to=length)
                self.check_dropped(path, "Loading Landscape %s ...\n\n"
                                         "ERROR : %s : file too short: the header needs 1052 bytes, found %d\n"
                                   % (path, path, length))

    def test_negative_block_count(self):
        for stored in (0, -7):
            with self.subTest(stored_block_count_plus_one=stored):
                land = LandscapeFile.small()
                land.block_count_plus_one = stored
                path = self.write_landscape("negblocks%d.lnd" % stored, land)
                self.check_dropped(path, "Loading Landscape %s ...\n\n" % path
                                   + "".join(line + "\n" for line in count_lines(stored - 1, 2, 3, 1))
                                   + "ERROR : %s : negative block count (stored BlockCountPlusOne %d)\n"
                                   % (path, stored))

    def test_negative_country_count(self):
        land = LandscapeFile.small()
        land.country_count = -1
        path = self.write_landscape("negcountries.lnd", land)
        self.check_dropped(path, "Loading Landscape %s ...\n\n" % path
                           + "".join(line + "\n" for line in count_lines(2, -1, 3, 1))
                           + "ERROR : %s : negative country count -1\n" % path)

    def test_negative_material_count(self):
        land = LandscapeFile.small()
        land.material_count = -3
        path = self.write_landscape("negmaterials.lnd", land)
        self.check_dropped(path, "Loading Landscape %s ...\n\n" % path
                           + "".join(line + "\n" for line in count_lines(2, 2, -3, 1))
                           + "ERROR : %s : negative material count -3\n" % path)

    def test_file_shorter_than_its_counts_need(self):
        need = required_length(2, 2, 3, 1)
        for length in (need - 1, 1052, need - 65536):
            with self.subTest(length=length):
                path = self.write_landscape("truncated-%d.lnd" % length, LandscapeFile.small(), truncate_to=length)
                self.check_dropped(path, "Loading Landscape %s ...\n\n" % path
                                   + "".join(line + "\n" for line in count_lines(2, 2, 3, 1))
                                   + "ERROR : %s : file too short: the counts need %d bytes, found %d\n"
                                   % (path, need, length))

    def test_huge_texture_count(self):
        # Counts whose areas reach far beyond any file must not wrap around.
        land = LandscapeFile.small()
        land.lores_count = 0xFFFFFFFF
        path = self.write_landscape("hugelores.lnd", land)
        need = required_length(2, 2, 3, 0xFFFFFFFF)
        found = os.path.getsize(path)
        self.check_dropped(path, "Loading Landscape %s ...\n\n" % path
                           + "".join(line + "\n" for line in count_lines(2, 2, 3, 0xFFFFFFFF))
                           + "ERROR : %s : not a landscape file: its header's counts (2 blocks, 2 countries, "
                           "3 materials, 4294967295 LoRes textures) need %d bytes, it has %d\n" % (path, need, found))


class RecordFaultTest(WindowTestCase):
    """Faulty LoRes records: the landscape is still shown, with one warning
    line per kind of fault."""

    def check_loaded(self, path, counts, warnings):
        viewer = self.start(path)
        viewer.wait_loaded()
        viewer.window()
        self.assertEqual(viewer.text(), load_transcript(path, *counts, warnings=warnings))
        self.assertTrue(viewer.running())
        viewer.stop()

    def test_record_size_leading_outside_the_file(self):
        for record_size in (10_000_000, -70_000, 65_664 + 65_680 * 50):
            with self.subTest(record_size=record_size):
                land = LandscapeFile.small(blocks=2, countries=2, materials=3, lores=3)
                land.lores[0].record_size = record_size
                path = self.write_landscape("recordsize%d.lnd" % record_size, land)
                self.check_loaded(path, (2, 2, 3, 3), [
                    "WARNING : %s : LoRes texture 0 has RecordSize %d which leads outside the file; "
                    "1 of 3 LoRes textures uploaded" % (path, record_size)])

    def test_record_size_leading_outside_after_the_first_record(self):
        land = LandscapeFile.small(blocks=1, countries=1, materials=1, lores=3)
        land.lores[1].record_size = 2_000_000
        path = self.write_landscape("recordsize1.lnd", land)
        self.check_loaded(path, (1, 1, 1, 3), [
            "WARNING : %s : LoRes texture 1 has RecordSize 2000000 which leads outside the file; "
            "2 of 3 LoRes textures uploaded" % path])

    def test_dds_headers_of_another_size_give_one_line(self):
        land = LandscapeFile.small(blocks=2, countries=2, materials=3, lores=3)
        land.lores[0].height = 128
        land.lores[2].width = 512
        path = self.write_landscape("ddssize.lnd", land)
        self.check_loaded(path, (2, 2, 3, 3), [
            "WARNING : %s : 2 LoRes textures have a DdsHeader size other than 256 x 256; read as 256 x 256"
            % path])

    def test_both_kinds_give_one_line_each(self):
        land = LandscapeFile.small(blocks=2, countries=2, materials=3, lores=3)
        land.lores[0].height = 64
        land.lores[1].width = 64
        land.lores[1].record_size = 5_000_000
        path = self.write_landscape("bothfaults.lnd", land)
        self.check_loaded(path, (2, 2, 3, 3), [
            "WARNING : %s : LoRes texture 1 has RecordSize 5000000 which leads outside the file; "
            "2 of 3 LoRes textures uploaded" % path,
            "WARNING : %s : 2 LoRes textures have a DdsHeader size other than 256 x 256; read as 256 x 256"
            % path])


class WindowAndArgumentsTest(EmptySceneMixin, WindowTestCase):
    """The window itself, the command line, and closing the window."""

    def test_window_title_position_and_size(self):
        path = self.write_landscape("small.lnd", LandscapeFile.small())
        viewer = self.start(path)
        viewer.wait_loaded()
        self.assertEqual(viewer.name(), WINDOW_TITLE)
        self.assertEqual(viewer.geometry(), WINDOW_POSITION + WINDOW_SIZE)
        self.assertEqual(self.xvfb.find_windows(), [viewer.window()])

    def test_empty_scene_shows_clear_colour_and_axis_marker(self):
        viewer = self.start(self.path("nothing-here.lnd"))
        viewer.window()
        self.assert_empty_scene(viewer)

    def test_only_the_first_argument_is_used(self):
        first = self.write_landscape("first.lnd", LandscapeFile.small())
        second = self.write_landscape("second.lnd", LandscapeFile.small(blocks=1))
        viewer = self.start(first, second, self.path("third-missing.lnd"))
        viewer.wait_loaded()
        viewer.window()
        self.assertEqual(viewer.text(), load_transcript(first, 2, 2, 3, 1))

    def test_path_of_the_longest_length_is_loaded(self):
        path = path_of_length(self.tmp, PATH_LIMIT)
        LandscapeFile.small(blocks=1).write(path)
        viewer = self.start(path)
        viewer.wait_loaded()
        self.assertEqual(viewer.text(), load_transcript(path, 1, 2, 3, 1))
        viewer.window()

    def test_longer_path_is_refused_before_any_window(self):
        for length in (PATH_LIMIT + 1, 4000):
            with self.subTest(length=length):
                path = path_of_length(self.tmp, length)
                viewer = self.start(path)
                status = viewer.wait_exit()
                self.assertNotEqual(status, 0)
                text = viewer.text()
                self.assertTrue(text.endswith("\n"), repr(text))
                self.assertEqual(len(text.splitlines()), 1, repr(text))
                self.assertNotIn("Loading Landscape", text)
                self.assertEqual(self.xvfb.find_windows(), [])

    def test_closing_the_window_exits_with_status_0_and_complete_output(self):
        path = self.write_landscape("close.lnd", LandscapeFile.small())
        viewer = self.start(path)
        viewer.wait_loaded()
        viewer.window()
        viewer.move(400, 300)
        line = viewer.camera_line()
        viewer.close_window()
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertEqual(viewer.text(), load_transcript(path, 2, 2, 3, 1) + line + "\n")
        self.assertEqual(self.xvfb.find_windows(), [])


class ChooserTest(WindowTestCase):
    """Started without a path, the viewer asks a file chooser: zenity, then
    kdialog, then a prompt on a terminal. The choosers here are small
    stand-in scripts on a PATH of their own."""

    def setUp(self):
        super().setUp()
        self.bin = self.path("bin")
        os.mkdir(self.bin)

    def stand_in(self, name, status, prints=None):
        """A chooser script that logs its arguments one a line, prints a
        line (when given) and exits with status. Uses shell built-ins only,
        since PATH holds nothing else."""
        log = self.path(name + ".args")
        script = os.path.join(self.bin, name)
        with open(script, "w") as f:
            f.write("#!/bin/sh\n")
            f.write("for a in \"$@\"; do printf '%%s\\n' \"$a\"; done > '%s'\n" % log)
            if prints is not None:
                f.write("printf '%%s\\n' '%s'\n" % prints)
            f.write("exit %d\n" % status)
        os.chmod(script, os.stat(script).st_mode | stat.S_IXUSR)
        return log

    def logged_args(self, log):
        with open(log) as f:
            return f.read().split("\n")[:-1]

    def start_without_path(self, display=True, stdin=None):
        env = self.xvfb.env(PATH=self.bin)
        if not display:
            env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        return self.start(env=env, stdin=stdin)

    def assert_ended_quietly(self, viewer):
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertEqual(viewer.text(), "")
        self.assertEqual(self.xvfb.find_windows(), [])

    def test_zenity_pick_is_loaded(self):
        land = self.write_landscape("picked.lnd", LandscapeFile.small())
        log = self.stand_in("zenity", 0, prints=land)
        viewer = self.start_without_path()
        viewer.wait_loaded()
        viewer.window()
        self.assertEqual(viewer.text(), load_transcript(land, 2, 2, 3, 1))
        args = self.logged_args(log)
        self.assertIn("--file-selection", args)
        self.assertIn("--title=Load .lnd", args)
        self.assertEqual([a for a in args if a.startswith("--file-filter")],
                         ["--file-filter=Thornveil Land (*.lnd) | *.lnd",
                          "--file-filter=All Files<bad idea>(*.*) | *"])

    def test_zenity_pick_of_the_longest_path_is_loaded(self):
        land = path_of_length(self.tmp, PATH_LIMIT)
        LandscapeFile.small(blocks=1).write(land)
        self.stand_in("zenity", 0, prints=land)
        viewer = self.start_without_path()
        viewer.wait_loaded()
        self.assertEqual(viewer.text(), load_transcript(land, 1, 2, 3, 1))

    def test_zenity_cancel_ends_quietly(self):
        log = self.stand_in("zenity", 1)
        viewer = self.start_without_path()
        self.assert_ended_quietly(viewer)
        self.assertIn("--file-selection", self.logged_args(log))

    def test_zenity_pick_of_a_longer_path_counts_as_cancel(self):
        self.stand_in("zenity", 0, prints=path_of_length(self.tmp, PATH_LIMIT + 1))
        self.assert_ended_quietly(self.start_without_path())

    def test_zenity_is_preferred_to_kdialog(self):
        land = self.write_landscape("picked.lnd", LandscapeFile.small(blocks=1))
        zenity_log = self.stand_in("zenity", 0, prints=land)
        kdialog_log = self.stand_in("kdialog", 0, prints=self.path("not-this.lnd"))
        viewer = self.start_without_path()
        viewer.wait_loaded()
        self.assertEqual(viewer.text(), load_transcript(land, 1, 2, 3, 1))
        self.assertTrue(os.path.exists(zenity_log))
        self.assertFalse(os.path.exists(kdialog_log))

    def test_kdialog_without_zenity(self):
        land = self.write_landscape("picked.lnd", LandscapeFile.small(blocks=1))
        log = self.stand_in("kdialog", 0, prints=land)
        viewer = self.start_without_path()
        viewer.wait_loaded()
        self.assertEqual(viewer.text(), load_transcript(land, 1, 2, 3, 1))
        args = self.logged_args(log)
        self.assertIn("--getopenfilename", args)
        self.assertIn("Load .lnd", args)

    def test_kdialog_cancel_ends_quietly(self):
        self.stand_in("kdialog", 1)
        self.assert_ended_quietly(self.start_without_path())

    def test_no_chooser_at_all(self):
        # The window opens all the same (it says what to do there); the
        # console says how to pass the path.
        viewer = self.start_without_path()
        viewer.window()
        text = viewer.text()
        self.assertEqual(len(text.splitlines()), 1, repr(text))
        self.assertTrue(text.startswith("WARNING : no file chooser available"), repr(text))
        self.assertIn(lndview_path(), text)

    def test_without_a_display_it_says_so_before_any_chooser(self):
        log = self.stand_in("zenity", 0, prints=self.path("never.lnd"))
        viewer = self.start_without_path(display=False)
        self.assertEqual(viewer.wait_exit(), 2)
        self.assertEqual(viewer.text(), "")
        self.assertEqual(viewer.stderr_text(), "ERROR : lndview : no graphical display (DISPLAY is not set); the viewer "
                         "needs a graphical display (for pictures without one, use lndtool render)\n")
        self.assertFalse(os.path.exists(log))

    def test_terminal_prompt(self):
        land = self.write_landscape("typed.lnd", LandscapeFile.small(blocks=1))
        for answer, picked in ((land, True), ("", False)):
            with self.subTest(answer=answer):
                master, slave = pty.openpty()
                try:
                    viewer = self.start_without_path(stdin=slave)
                    os.close(slave)
                    slave = None
                    # The prompt ends without a line end; wait for its text.
                    wait_until(lambda: viewer.text() or not viewer.running(), START_TIMEOUT, "the prompt")
                    os.write(master, answer.encode() + b"\n")
                    if picked:
                        viewer.wait_loaded()
                        self.assertIn("Loading Landscape %s ...\n\n" % os.path.realpath(land), viewer.text())
                        self.assertTrue(viewer.text().endswith(load_transcript(os.path.realpath(land), 1, 2, 3, 1)))
                        viewer.window()
                        viewer.stop()
                    else:
                        self.assertEqual(viewer.wait_exit(), 0)
                        self.assertNotIn("Loading", viewer.text())
                        self.assertEqual(self.xvfb.find_windows(), [])
                finally:
                    os.close(master)
                    if slave is not None:
                        os.close(slave)


if __name__ == "__main__":
    unittest.main()


class BareServerTest(WindowTestCase):
    def test_the_window_opens_on_a_server_the_viewer_is_the_first_client_of(self):
        # A bare X server resets when its last client leaves: a check of the
        # display that connects and leaves before the window's own connection
        # lets it reset under that connection. The race is lost on a busy
        # machine, so three processes keep the processors busy meanwhile.
        land = self.write_landscape("land.lnd", LandscapeFile.small(blocks=1))
        busy = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(3)]
        try:
            for attempt in range(6):
                with self.subTest(attempt=attempt), Xvfb(reset=True) as server:
                    viewer = Viewer(server, [land], self.tmp)
                    try:
                        viewer.wait_loaded()
                        time.sleep(0.5)
                        self.assertTrue(viewer.running(), viewer.stderr_text())
                    finally:
                        viewer.stop()
        finally:
            for p in busy:
                p.kill()
                p.wait()

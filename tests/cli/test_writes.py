"""What lndtool writes, where writing can go wrong: standard output that is
a pipe or a full device, a full disk, a device node or FIFO as the target,
a symlink, a folder, a name as long as a folder takes, and a signal in the
middle of an export. Nothing the
tool was not asked to replace may change, no temporary may stay, and no
failed write may pass for success.

Device nodes and the small file systems are private to the test (mknod and
a tmpfs mounted in a private mount namespace); a test that cannot make them
here says so and is skipped.
"""

import os
import resource
import signal
import stat
import subprocess
import time
import unittest

from test_lndtool import TOOL_TIMEOUT, ToolTestCase


def snapshot(folder):
    """Every entry of a folder, not following links: kind and mode bits,
    inode, and the bytes of regular files or the target of links."""
    entries = {}
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        st = os.lstat(path)
        if stat.S_ISREG(st.st_mode):
            with open(path, "rb") as f:
                content = f.read()
        elif stat.S_ISLNK(st.st_mode):
            content = os.readlink(path)
        else:
            content = None
        entries[name] = (st.st_mode, st.st_ino, content)
    return entries


def temporaries(folder):
    return [name for name in os.listdir(folder) if name.endswith(".tmp")]


class WriteTestCase(ToolTestCase):
    def device(self, name, major, minor):
        """A private character device node, or a skip when none can be made."""
        path = self.path(name)
        try:
            os.mknod(path, 0o600 | stat.S_IFCHR, os.makedev(major, minor))
        except PermissionError as e:
            self.skipTest("cannot make device nodes here: %s" % e)
        return path

    def sample_bytes(self, *args):
        path, data, _ = self.make_sample("reference.lnd", *args)
        os.remove(path)
        return data


class StandardOutputTest(WriteTestCase):
    def test_make_sample_into_a_pipe_through_dev_stdout(self):
        expected = self.sample_bytes("--blocks", 12, "--seed", 4)
        completed = subprocess.run([self.tool, "make-sample", "/dev/stdout", "--blocks", "12", "--seed", "4"],
                                   stdin=subprocess.DEVNULL, capture_output=True, timeout=TOOL_TIMEOUT)
        self.assertEqual(completed.returncode, 0, completed.stderr)
        # Only the landscape travels down the pipe; the summary goes to stderr.
        self.assertTrue(completed.stdout == expected, "the piped bytes differ from the file make-sample writes")
        self.assertTrue(completed.stderr.decode().startswith("wrote /dev/stdout : "), completed.stderr)

    def test_a_full_standard_output_is_an_error(self):
        full = self.device("full", 1, 7)
        landscape, _, _ = self.make_sample("s.lnd", "--blocks", 4)
        for args in (["info", landscape], ["info", "--json", landscape], ["--help"], ["info", "--help"]):
            with self.subTest(args=args), open(full, "wb") as out:
                completed = subprocess.run([self.tool] + args, stdin=subprocess.DEVNULL, stdout=out,
                                           stderr=subprocess.PIPE, timeout=TOOL_TIMEOUT)
                self.assertEqual(completed.returncode, 2)
                self.assertEqual(completed.stderr.decode(), "ERROR : standard output : No space left on device\n")


class TargetTest(WriteTestCase):
    def test_a_full_device_is_reported_and_left_a_device(self):
        full = self.device("full", 1, 7)
        before = snapshot(self.tmp)
        result = self.run_tool("make-sample", full, "--blocks", 4)
        self.assertStatus(result, 2)
        self.assertEqual(result.err, "ERROR : %s : No space left on device\n" % full)
        self.assertEqual(result.out, "")
        self.assertEqual(snapshot(self.tmp), before)

    def test_a_fifo_is_written_into(self):
        expected = self.sample_bytes("--blocks", 4)
        fifo = self.path("pipe.lnd")
        os.mkfifo(fifo)
        tool = subprocess.Popen([self.tool, "make-sample", fifo, "--blocks", "4"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        with open(fifo, "rb") as f:
            received = f.read()
        out, err = tool.communicate(timeout=TOOL_TIMEOUT)
        self.assertEqual(tool.returncode, 0, err)
        self.assertTrue(received == expected)
        self.assertTrue(stat.S_ISFIFO(os.lstat(fifo).st_mode))
        self.assertEqual(out, b"")  # the summary went to stderr, beside the data's own channel
        self.assertTrue(err.startswith(b"wrote "), err)

    def test_a_symlink_keeps_pointing_at_the_replaced_file(self):
        os.mkdir(self.path("real"))
        target, _, _ = self.make_sample(os.path.join("real", "land.lnd"), "--blocks", 4)
        os.chmod(target, 0o640)
        os.symlink(os.path.join("real", "land.lnd"), self.path("link.lnd"))
        result = self.run_tool("make-sample", self.path("link.lnd"), "--blocks", 12)
        self.assertStatus(result, 0)
        self.assertTrue(os.path.islink(self.path("link.lnd")))
        self.assertEqual(os.readlink(self.path("link.lnd")), os.path.join("real", "land.lnd"))
        self.assertEqual(stat.S_IMODE(os.stat(target).st_mode), 0o640)
        with open(target, "rb") as f:
            self.assertTrue(f.read() == self.sample_bytes("--blocks", 12))
        self.assertEqual(sorted(os.listdir(self.path("real"))), ["land.lnd"])

    def test_a_folder_is_refused(self):
        os.mkdir(self.path("folder.lnd"))
        before = snapshot(self.tmp)
        result = self.run_tool("make-sample", self.path("folder.lnd"))
        self.assertStatus(result, 2)
        self.assertEqual(result.err, "ERROR : %s : Is a directory\n" % self.path("folder.lnd"))
        self.assertEqual(snapshot(self.tmp), before)


class FullDiskTest(WriteTestCase):
    """A disk that fills up part way: a 2 MB tmpfs, mounted in a private
    mount namespace so nothing outside the test sees it. A one-block sample
    (1.2 MB) fits once but not twice; the default sample (2.8 MB) not at all."""

    def run_on_small_disk(self, setup, *args):
        """Runs lndtool in a fresh small tmpfs after `setup` (shell commands run
        there first); returns (status, stdout, stderr, listing)."""
        mount = self.path("disk")
        os.mkdir(mount)
        script = ("set -e; mount -t tmpfs -o size=2m lndtest %s; cd %s; %s; "
                  "set +e; \"$@\" > ../out.txt 2> ../err.txt; echo $? > ../status.txt; "
                  "ls -A > ../listing.txt; cmp -s land.lnd ../kept.lnd; echo $? > ../kept-same.txt"
                  % (mount, mount, setup))
        completed = subprocess.run(["unshare", "--mount", "--propagation", "private", "sh", "-c", script, "sh",
                                    self.tool] + [str(a) for a in args], cwd=self.tmp, stdin=subprocess.DEVNULL,
                                   capture_output=True, timeout=TOOL_TIMEOUT)
        if completed.returncode != 0:
            self.skipTest("cannot mount a private tmpfs here: %s" % completed.stderr.decode().strip())

        def read(name):
            with open(self.path(name)) as f:
                return f.read()

        return int(read("status.txt")), read("out.txt"), read("err.txt"), read("listing.txt").split(), read(
            "kept-same.txt").strip() == "0"

    def test_a_full_disk_keeps_the_old_file_and_leaves_no_temporary(self):
        self.make_sample("kept.lnd", "--blocks", 1)
        status, out, err, listing, same = self.run_on_small_disk("cp ../kept.lnd land.lnd", "make-sample",
                                                                  "land.lnd", "--blocks", 1, "--seed", 2)
        self.assertEqual(status, 2, err)
        self.assertEqual(out, "")
        self.assertEqual(err, "ERROR : land.lnd : No space left on device\n")
        self.assertEqual(listing, ["land.lnd"])
        self.assertTrue(same, "the old land.lnd changed")

    def test_a_full_disk_leaves_no_new_file(self):
        status, _, err, listing, _ = self.run_on_small_disk("true", "make-sample", "land.lnd")
        self.assertEqual(status, 2, err)
        self.assertEqual(err, "ERROR : land.lnd : No space left on device\n")
        self.assertEqual(listing, [])


class DiskOrderTest(WriteTestCase):
    def test_the_bytes_reach_the_disk_before_the_rename(self):
        shim = os.environ["SYNC_LOG_SHIM"]
        log = self.path("sync.log")
        for existing in (False, True):
            with self.subTest(replacing=existing):
                if os.path.exists(log):
                    os.remove(log)
                env = dict(os.environ, LD_PRELOAD=shim, SYNC_LOG=log)
                completed = subprocess.run([self.tool, "make-sample", self.path("land.lnd"), "--blocks", "2"],
                                           env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                           timeout=TOOL_TIMEOUT)
                self.assertEqual(completed.returncode, 0, completed.stderr)
                with open(log) as f:
                    calls = f.read().splitlines()
                renames = [n for n, line in enumerate(calls) if line.startswith("rename ")]
                self.assertEqual(len(renames), 1, calls)
                temporary = calls[renames[0]].split(" ")[1]
                self.assertTrue(os.path.basename(temporary).startswith(".land.lnd."), calls)
                synced = [n for n, line in enumerate(calls) if line in ("fsync " + temporary,
                                                                         "fdatasync " + temporary)]
                self.assertTrue(synced and synced[0] < renames[0], calls)
                # Then the folder, for the rename.
                self.assertEqual(calls[renames[0] + 1:], ["fsync " + os.path.realpath(self.tmp)], calls)

    def test_a_failed_sync_of_the_folder_fails_the_write(self):
        env = dict(os.environ, LD_PRELOAD=os.environ["SYNC_LOG_SHIM"], SYNC_FAIL_FOLDERS="1")
        completed = subprocess.run([self.tool, "make-sample", self.path("land.lnd"), "--blocks", "2"], env=env,
                                   stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=TOOL_TIMEOUT)
        self.assertEqual(completed.returncode, 2, completed.stderr)
        self.assertEqual(completed.stderr, "ERROR : %s : the renames into this folder may not be on the disk: "
                                           "Input/output error\n" % self.tmp)
        self.assertEqual(temporaries(self.tmp), [])


    def test_a_batch_reaches_the_disk_before_its_first_rename(self):
        # unpack writes its folder as one batch: its files are synced (one
        # syncfs covers them all) before any of them is renamed into place.
        landscape, _, _ = self.make_sample("island.lnd", "--blocks", "2")
        log = self.path("batch.log")
        env = dict(os.environ, LD_PRELOAD=os.environ["SYNC_LOG_SHIM"], SYNC_LOG=log)
        completed = subprocess.run([self.tool, "unpack", landscape, self.path("folder")], env=env,
                                   stdin=subprocess.DEVNULL, capture_output=True, timeout=TOOL_TIMEOUT)
        self.assertEqual(completed.returncode, 0, completed.stderr)
        with open(log) as f:
            calls = f.read().splitlines()
        renames = [n for n, line in enumerate(calls) if line.startswith("rename ")]
        syncs = [n for n, line in enumerate(calls) if line.split(" ")[0] in ("fsync", "fdatasync", "syncfs")]
        self.assertGreater(len(renames), 10, calls[:20])
        self.assertTrue(syncs and syncs[0] < renames[0], calls[:20])


class LongNameTest(WriteTestCase):
    def test_names_up_to_the_longest_a_folder_takes_are_written(self):
        for length in (236, 255):
            with self.subTest(length=length):
                name = ("n" * (length - 4)) + ".lnd"
                result = self.run_tool("make-sample", self.path(name), "--blocks", 2)
                self.assertStatus(result, 0)
                self.assertTrue(os.path.isfile(self.path(name)))
                self.assertEqual(temporaries(self.tmp), [])


class InterruptTest(WriteTestCase):
    def test_a_signal_during_an_export_leaves_no_temporary(self):
        landscape, _, _ = self.make_sample("island.lnd")
        out = self.path("out")

        def no_core_files():
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

        # Interrupted, terminated, or its terminal closed, at several moments:
        # each time, whatever was finished is whole and nothing half-made
        # stays behind.
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT):
            for delay in (0.05, 0.3, 0.8):
                with self.subTest(signal=sig.name, delay=delay):
                    tool = subprocess.Popen([self.tool, "export", landscape, "--out", out], stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=self.tmp,
                                            preexec_fn=no_core_files)
                    time.sleep(delay)
                    tool.send_signal(sig)
                    status = tool.wait(timeout=TOOL_TIMEOUT)
                    self.assertIn(status, (0, -sig))
                    if os.path.isdir(out):
                        self.assertEqual(temporaries(out), [])


if __name__ == "__main__":
    unittest.main()

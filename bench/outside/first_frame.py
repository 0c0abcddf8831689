#!/usr/bin/env python3
"""This viewer against an earlier build of it, timed from outside in one run
(`make bench-outside`, under an X server):

- from the first open of the landscape to the first frame swapped, and from
  starting the process to that frame, taken by a preloaded library that
  changes nothing in the program (first_frame_shim.cpp), so any build is
  timed the same way; the process ends at that frame;
- `lndtool info` of the same landscape, as a whole process.

Runs of the two builds alternate, so a machine that gets busier slows both;
the medians and their ratios (reference / current) are printed.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time


def first_frame(viewer, shim, landscape, folder):
    """(open to swap, start to swap) in milliseconds of one run."""
    times = os.path.join(folder, "times")
    if os.path.exists(times):
        os.remove(times)
    env = dict(os.environ, LD_PRELOAD=shim, LNDBENCH_FILE=landscape, LNDBENCH_TIMES=times)
    start = time.monotonic_ns()
    subprocess.run([viewer, landscape], env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=120, cwd=folder)
    stamps = {}
    with open(times) as f:
        for line in f:
            name, value = line.split()
            stamps[name] = int(value)
    if not stamps.get("open") or not stamps.get("swap"):
        raise SystemExit("%s: the landscape was not opened before the first frame" % viewer)
    return (stamps["swap"] - stamps["open"]) / 1e6, (stamps["swap"] - start) / 1e6


def info_process(tool, landscape, folder):
    start = time.monotonic_ns()
    result = subprocess.run([tool, "info", landscape], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            timeout=120, cwd=folder)
    if result.returncode not in (0, 1):
        raise SystemExit("%s info ended with status %d" % (tool, result.returncode))
    return (time.monotonic_ns() - start) / 1e6


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--reference", required=True, help="build folder of the earlier build (lndview, lndtool)")
    parser.add_argument("--current", required=True, help="build folder of this build")
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()
    shim = os.path.abspath(os.path.join(args.current, "bench", "liblndbench_first_frame_shim.so"))
    builds = {"reference": os.path.abspath(args.reference), "current": os.path.abspath(args.current)}
    for folder in builds.values():
        for program in ("lndview", "lndtool"):
            if not os.access(os.path.join(folder, program), os.X_OK):
                raise SystemExit("no %s in %s" % (program, folder))
    if "DISPLAY" not in os.environ:
        raise SystemExit("no X display: run it under tests/with_xvfb.sh")

    with tempfile.TemporaryDirectory(prefix="lndbench-outside-") as folder:
        landscape = os.path.join(folder, "sample.lnd")
        subprocess.run([os.path.join(builds["current"], "lndtool"), "make-sample", landscape], check=True,
                       stdout=subprocess.DEVNULL)
        loads = {name: [] for name in builds}
        starts = {name: [] for name in builds}
        infos = {name: [] for name in builds}
        # One run of each first, not counted: the file and the programs in
        # the page cache for both.
        for name, build in builds.items():
            first_frame(os.path.join(build, "lndview"), shim, landscape, folder)
            info_process(os.path.join(build, "lndtool"), landscape, folder)
        for _ in range(args.runs):
            for name, build in builds.items():
                load, start = first_frame(os.path.join(build, "lndview"), shim, landscape, folder)
                loads[name].append(load)
                starts[name].append(start)
                infos[name].append(info_process(os.path.join(build, "lndtool"), landscape, folder))

    print("%d runs each, alternating; medians in ms" % args.runs)
    print("%-44s %10s %10s %8s" % ("", "reference", "current", "ratio"))
    for label, figures in (("open of the landscape to the first frame", loads),
                           ("process start to the first frame", starts),
                           ("lndtool info, whole process", infos)):
        reference, current = statistics.median(figures["reference"]), statistics.median(figures["current"])
        print("%-44s %10.1f %10.1f %7.2fx" % (label, reference, current, reference / current))
    return 0


if __name__ == "__main__":
    sys.exit(main())

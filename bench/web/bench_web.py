#!/usr/bin/env python3
"""The browser viewer against the native one, in one run (`make bench-web`):

- load to the first frame of the default sample: in headless Chromium the
  single file of `lndtool web` opened from disk (from the landscape's bytes
  in the page to the first frame finished, and from the start of the
  navigation, which adds compiling the module and decoding the file), and
  the native lndview's BM_LoadToFirstFrame (bench/gl, under Xvfb);
- the frame time at 800 x 600 at the start camera, both sides;
- the material synthesis of every block on one thread: WebAssembly in the
  page against lndbench's BM_SynthesizeSampleBlocks.

Chromium draws WebGL2 with SwiftShader on the processor, the native viewer
with Mesa's llvmpipe: both software renderers on the same cores.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "web"))
from chromium import Chromium  # noqa: E402

RUNS = 3


def native_benchmark(program, pattern):
    """{name: milliseconds} of the benchmarks matching `pattern`, read from
    the console table (the programs print their own ratios after it)."""
    out = subprocess.run([program, "--benchmark_filter=" + pattern, "--benchmark_color=false"], check=True, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, text=True, timeout=900).stdout
    out = re.sub(r"\x1b\[[0-9;]*m", "", out)  # the programs' reporters colour their table
    times = {}
    for m in re.finditer(r"(?m)^(BM_\w+)\S*\s+([0-9.]+) (ns|us|ms|s)\b", out):
        times[m.group(1)] = float(m.group(2)) * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[m.group(3)]
    return times


def browser_figures(html):
    loads, navigations, frames, synthesis = [], [], [], []
    with Chromium(os.path.dirname(html)) as browser:
        for _ in range(RUNS):
            page = browser.open("file://" + html, offline=True)
            page.wait_for("typeof lndPage !== 'undefined' && lndPage.state.firstFrameMs > 0", 300)
            loads.append(page.evaluate("lndPage.state.firstFrameMs"))
            navigations.append(page.evaluate("lndPage.state.firstFrameAt"))
            frames.append(page.evaluate("lndPage.timeFrames(10)", timeout=300))
            synthesis.append(page.evaluate("Module.ccall('lnd_time_synthesis', 'number', [], [])", timeout=300))
            if page.errors():
                raise SystemExit("the page reported errors: %s" % page.errors())
            page.send("Page.close")
    return min(loads), min(navigations), min(frames), min(synthesis)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--native", required=True, help="the native build folder")
    parser.add_argument("--web", required=True, help="the web build folder")
    args = parser.parse_args()
    folder = os.path.abspath(tempfile.mkdtemp(prefix="bench-web-", dir=args.web))
    try:
        lndtool = os.path.join(args.native, "lndtool")
        sample = os.path.join(folder, "sample.lnd")
        html = os.path.join(folder, "sample.html")
        subprocess.run([lndtool, "make-sample", sample], check=True, stdout=subprocess.DEVNULL)
        subprocess.run([lndtool, "web", sample, "-o", html], check=True, stdout=subprocess.DEVNULL,
                       env=dict(os.environ, LNDVIEW_WEB_PAGE=args.web))
        subprocess.run(["gzip", "-9", "-k", sample], check=True)
        sizes = {name: os.path.getsize(path) for name, path in
                 (("lnd", sample), ("gzip", sample + ".gz"), ("html", html))}

        load, navigation, frame, wasm = browser_figures(html)
        gl = native_benchmark(os.path.join(args.native, "bench", "lndbench_gl"),
                              "^(BM_LoadToFirstFrame|BM_LoadToFirstFrameOneThread|BM_FrameStartCamera)/")
        computed = native_benchmark(os.path.join(args.native, "bench", "lndbench"), "^BM_SynthesizeSampleBlocks/")
        native_load, native_one = gl["BM_LoadToFirstFrame"], gl["BM_LoadToFirstFrameOneThread"]
        native_frame, native_synthesis = gl["BM_FrameStartCamera"], computed["BM_SynthesizeSampleBlocks"]

        print("sample.lnd %d bytes, gzip -9 %d bytes, lndtool web's page %d bytes (%.2f x the file, %.2f x gzip)"
              % (sizes["lnd"], sizes["gzip"], sizes["html"], sizes["html"] / sizes["lnd"],
                 sizes["html"] / sizes["gzip"]))
        print("%-44s %9s %9s %7s" % ("", "browser", "native", "ratio"))
        rows = [
            ("load to first frame (native: workers)", load, native_load),
            ("load to first frame (native: one thread)", load, native_one),
            ("navigation to first frame", navigation, native_load),
            ("frame at 800 x 600, start camera", frame, native_frame),
            ("synthesis of every block, one thread", wasm, native_synthesis),
        ]
        for name, browser, native in rows:
            print("%-44s %6.1f ms %6.1f ms %6.2f x" % (name, browser, native, browser / native))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()

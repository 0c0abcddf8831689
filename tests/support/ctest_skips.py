"""Runs one test program for ctest so that a skipped test is reported as
skipped, never as passed: exit 1 when anything failed, 77 (the tests'
SKIP_RETURN_CODE) when everything else passed but something was skipped,
0 when every test ran and passed.

    ctest_skips.py unittest MODULE      the Python tests of MODULE (unittest -v)
    ctest_skips.py gtest PROGRAM [ARG...]   a GoogleTest program
"""

import os
import subprocess
import sys
import unittest

SKIPPED = 77


def run_unittest(module):
    # The test modules sit in the working folder, as for python3 -m unittest.
    sys.path.insert(0, os.getcwd())
    suite = unittest.defaultTestLoader.loadTestsFromName(module)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    if not result.wasSuccessful():
        return 1
    if result.skipped:
        print("skipped: %d of %d tests (reasons above)" % (len(result.skipped), result.testsRun))
        return SKIPPED
    return 0


def run_gtest(command):
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    skipped = False
    for line in process.stdout:
        sys.stdout.write(line)
        skipped = skipped or line.startswith("[  SKIPPED ]")
    status = process.wait()
    if status != 0:
        return 1
    return SKIPPED if skipped else 0


def main(argv):
    if len(argv) >= 3 and argv[1] == "unittest":
        return run_unittest(argv[2])
    if len(argv) >= 3 and argv[1] == "gtest":
        return run_gtest(argv[2:])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

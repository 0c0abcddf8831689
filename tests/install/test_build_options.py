"""Build options and the version: a build of the programs alone
(BUILD_TESTING=OFF) configures without looking for GoogleTest, Google
Benchmark, Python or Xvfb, and installs under /usr/local unless told
otherwise; the version of project() reaches the generated header, the
changelog and the programs.
"""

import os
import re
import shutil
import subprocess
import unittest

from installtest import (build_dir, cmake_command, program, project_version, run, source_dir,
                         temp_dir)

# Cache entries that looking for the test tools would leave.
TEST_TOOL_ENTRIES = re.compile(r"^(GTest|GTEST|benchmark|Python|PYTHON|Xvfb|XVFB)\w*[:=]", re.I | re.M)


def configure(test, *options):
    """Configures the source in a temporary folder; returns (result, folder)."""
    folder = temp_dir(test)
    result = run([cmake_command(), "-S", source_dir(), "-B", folder, "-G", "Unix Makefiles", *options], check=False)
    return result, folder


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


class ProgramsOnly(unittest.TestCase):
    def test_configures_without_the_test_tools(self):
        # A REQUIRED find_package of a disabled package is an error, so this
        # fails as soon as anything looks for them.
        result, folder = configure(self, "-DBUILD_TESTING=OFF", "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON",
                                   "-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON",
                                   "-DCMAKE_DISABLE_FIND_PACKAGE_Python=ON",
                                   "-DCMAKE_DISABLE_FIND_PACKAGE_Python3=ON")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        cache = read(os.path.join(folder, "CMakeCache.txt"))
        self.assertEqual(TEST_TOOL_ENTRIES.findall(cache), [])
        self.assertNotIn("LNDVIEW_BENCH:BOOL=ON", cache)
        self.assertIsNotNone(re.search(r"(?m)^CMAKE_INSTALL_PREFIX:PATH=/usr/local$", cache), "default prefix")
        makefile = read(os.path.join(folder, "Makefile"))
        self.assertFalse("unit_tests" in makefile, "the unit tests are built")
        self.assertFalse("lndbench" in makefile, "the benchmarks are built")
        for target in ("lndview", "lndtool", "install", "package", "uninstall"):
            self.assertIsNotNone(re.search(r"(?m)^%s:" % target, makefile), "no target " + target)

    def test_the_check_above_would_see_a_search(self):
        """With the tests on, the same switch makes configuring fail."""
        result, _ = configure(self, "-DBUILD_TESTING=ON", "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON")
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("CMAKE_DISABLE_FIND_PACKAGE_GTest", result.stderr)


class Version(unittest.TestCase):
    def test_generated_header_compiles_and_names_the_version(self):
        compiler = shutil.which("c++")
        if not compiler:
            self.skipTest("not installed: c++")
        folder = temp_dir(self)
        source = os.path.join(folder, "v.cpp")
        with open(source, "w") as f:
            f.write('#include <lnd_version.h>\n#include <cstdio>\n'
                    'int main() { std::printf("%s %d.%d.%d\\n", LND_VERSION, LND_VERSION_MAJOR, '
                    'LND_VERSION_MINOR, LND_VERSION_PATCH); }\n')
        binary = os.path.join(folder, "v")
        run([compiler, "-std=c++20", "-Wall", "-Wextra", "-Werror", "-I", os.path.join(build_dir(), "generated"),
             source, "-o", binary])
        version = project_version()
        self.assertEqual(run([binary]).stdout, "%s %s\n" % (version, version))

    def test_changelog_starts_with_this_version(self):
        first = read(os.path.join(source_dir(), "packaging", "changelog")).splitlines()[0]
        self.assertRegex(first, r"^lndview \(%s\) \w+; urgency=\w+$" % re.escape(project_version()))
        if shutil.which("dpkg-parsechangelog"):
            parsed = run(["dpkg-parsechangelog", "-l", os.path.join(source_dir(), "packaging", "changelog"),
                          "-S", "Version"]).stdout.strip()
            self.assertEqual(parsed, project_version())

    def test_programs_print_it(self):
        version = project_version()
        for name, variable in (("lndview", "LNDVIEW"), ("lndtool", "LNDTOOL")):
            path = program(variable, name)
            env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
            result = subprocess.run([path, "--version"], stdout=subprocess.PIPE, text=True, env=env, timeout=30)
            self.assertEqual((result.returncode, result.stdout), (0, "%s %s\n" % (name, version)))


if __name__ == "__main__":
    unittest.main()

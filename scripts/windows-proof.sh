#!/usr/bin/env bash
# Smoke check of the Windows cross build, in one command: installs what is
# missing (scripts/install-deps.sh windows), builds the static libraries
# (scripts/build-win-deps.sh), builds windows-proof with the MinGW-w64
# toolchain file and runs its tests under Wine through ctest.
#
#   scripts/windows-proof.sh [BUILD_DIR]     (default build-win/proof)
#
# Everything it writes stays in build-win/ (the Wine prefix and Wine's
# temporary folder too); the Xvfb servers it starts end with their tests, the
# wineserver with the last test.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-win/proof}")
deps="$root/build-win/deps"

bash "$root/scripts/install-deps.sh" windows
# Compilers, apt and Python keep their temporary files here, not in /tmp.
export TMPDIR="$root/build-win/tmp"
mkdir -p "$TMPDIR"
bash "$root/scripts/build-win-deps.sh" "$deps"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root/windows-proof" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DLNDVIEW_WIN_DEPS="$deps" >/dev/null
fi
cmake --build "$build" -j 2
ctest --test-dir "$build" --output-on-failure -j 2

#!/usr/bin/env bash
# The lines of the project's pure stages that the fuzzers' kept inputs reach:
# every target's corpus, seeds and kept findings run once through its body,
# built with clang's source-based coverage (fuzz/CMakeLists.txt with
# LNDFUZZ_COVERAGE), and one line per source file.
#
#   fuzz/coverage.sh BUILD_DIR
#
# Builds BUILD_DIR/fuzz-coverage and writes BUILD_DIR/fuzz-coverage/report.txt.
# Exits 1 when an input fails (it belongs in fuzz/regressions once fixed).
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd) || exit 2
source_dir=$(cd "$(dirname "$0")" && pwd)
out=$build/fuzz-coverage
tool() { command -v "$1" || command -v "$1-14" || { echo "ERROR : $0 : $1 is missing (Debian's llvm)" >&2; exit 2; }; }
clangxx=$(tool clang++)
profdata=$(tool llvm-profdata)
cov=$(tool llvm-cov)

mkdir -p "$out"
cmake -S "$source_dir" -B "$out" -DCMAKE_CXX_COMPILER="$clangxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLNDFUZZ_COVERAGE=ON > "$out/configure.log"
cmake --build "$out" -j "$(nproc)" > "$out/build.log"
rm -rf "$out/profiles"
mkdir -p "$out/profiles"
objects=()
for target in fuzz_check fuzz_edits fuzz_round_trip fuzz_pack_folder fuzz_png_read; do
  inputs=()
  for dir in "$build/fuzz/corpus-$target" "$build/fuzz/seeds/$target" "$source_dir/regressions/$target"; do
    [ -d "$dir" ] && inputs+=("$dir")
  done
  if ! LLVM_PROFILE_FILE="$out/profiles/$target.profraw" "$out/$target" "${inputs[@]}" > "$out/replay-$target.log" 2>&1; then
    echo "ERROR : $target : an input fails (see $out/replay-$target.log)" >&2
    exit 1
  fi
  echo "$target: $(tail -n 1 "$out/replay-$target.log")"
  objects+=(-object "$out/$target")
done
"$profdata" merge -sparse "$out"/profiles/*.profraw -o "$out/merged.profdata"
# The project's own sources only: not the fuzzers, the tests' reference, the
# system's headers or the glTF library's one translation unit.
"$cov" report "${objects[@]}" -instr-profile="$out/merged.profdata" \
  -ignore-filename-regex='^/usr/|/fuzz/|/tests/|tiny_gltf_build' | tee "$out/report.txt"

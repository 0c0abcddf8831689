#!/usr/bin/env bash
# Runs one libFuzzer target for a set time and prints what it reached.
#
#   fuzz/run_fuzz.sh BUILD_DIR TARGET SECONDS
#
# The corpus grows in BUILD_DIR/fuzz/corpus-TARGET (kept between runs); the
# seeds (BUILD_DIR/fuzz/seeds/TARGET) and the kept findings
# (fuzz/regressions/TARGET) are read as well. An input that crashes, leaks,
# times out or breaks a property is kept in BUILD_DIR/fuzz/findings-TARGET/
# and the script exits 1; it exits 0 when the time ran out without a finding.
set -uo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 BUILD_DIR TARGET SECONDS" >&2
  exit 2
fi
build=$(cd "$1" && pwd) || exit 2
target=$2
seconds=$3
source_dir=$(cd "$(dirname "$0")" && pwd)
binary=$build/fuzz/$target
corpus=$build/fuzz/corpus-$target
seeds=$build/fuzz/seeds/$target
findings=$build/fuzz/findings-$target
log=$build/fuzz/log-$target.txt

if [ ! -x "$binary" ]; then
  echo "ERROR : $binary : no such fuzz target (is clang++ installed and LNDVIEW_FUZZ on?)" >&2
  exit 2
fi
if [ ! -d "$seeds" ]; then
  echo "ERROR : $seeds : the seeds are missing (build the project first)" >&2
  exit 2
fi
mkdir -p "$corpus" "$findings"
before=$(find "$findings" -type f | wc -l)
# libFuzzer cuts every input to -max_len, which by default stops at 1 MiB:
# allow the largest seed or kept input whole (a sample landscape is larger).
max_len=$(find "$seeds" "$source_dir/regressions/$target" "$corpus" -type f -printf '%s\n' 2>/dev/null |
          sort -n | tail -n 1)
max_len=$(( ${max_len:-0} > 4096 ? max_len : 4096 ))

# A target with no kept finding yet has no regressions folder.
inputs=("$corpus" "$seeds")
[ -d "$source_dir/regressions/$target" ] && inputs+=("$source_dir/regressions/$target")

# 4 GiB per run leaves room for the other tests on a 24 GiB machine; a single
# input may take 60 s before it counts as a hang.
started=$SECONDS
"$binary" -max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=4096 -timeout=60 -print_final_stats=1 \
  -dict="$source_dir/dict" -artifact_prefix="$findings/" "${inputs[@]}" >"$log" 2>&1
status=$?
elapsed=$(( SECONDS - started ))

stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -n 1; }
last=$(grep -E '^#[0-9]+' "$log" | grep 'cov:' | tail -n 1)
cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
runs=$(stat number_of_executed_units)
per_second=$(stat average_exec_per_sec)
added=$(stat new_units_added)
rss=$(stat peak_rss_mb)
inputs=$(find "$corpus" -type f | wc -l)
after=$(find "$findings" -type f | wc -l)

echo "$target: ${runs:-?} executions in $elapsed s, ${per_second:-?} per second, cov: ${cov:-?}, ft: ${ft:-?}," \
     "${added:-?} new inputs (corpus now $inputs), peak RSS ${rss:-?} MB"
if [ "$status" -ne 0 ] || [ "$after" -gt "$before" ]; then
  echo "$target: FINDING (libFuzzer exit status $status); input kept in $findings/, log in $log"
  grep -E '^(==[0-9]+==ERROR|SUMMARY|ERROR : fuzz|.*runtime error)' "$log" | head -n 5
  ls -t "$findings" | head -n 5 | sed "s|^|  $findings/|"
  exit 1
fi
echo "$target: findings: none"

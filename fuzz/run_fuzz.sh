#!/usr/bin/env bash
# Runs one libFuzzer target for a set time and prints what it reached.
#
#   fuzz/run_fuzz.sh BUILD_DIR TARGET SECONDS [PROCESSES]
#
# PROCESSES fuzzing processes run side by side (default: one per core), all
# growing the same corpus, BUILD_DIR/fuzz/corpus-TARGET (kept between runs);
# the seeds (BUILD_DIR/fuzz/seeds/TARGET) and the kept findings
# (fuzz/regressions/TARGET) are read as well. An input that crashes, leaks,
# times out or breaks a property is kept in BUILD_DIR/fuzz/findings-TARGET/
# and the script exits 1; it exits 0 when the time ran out without a finding.
set -uo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 BUILD_DIR TARGET SECONDS [PROCESSES]" >&2
  exit 2
fi
build=$(cd "$1" && pwd) || exit 2
target=$2
seconds=$3
processes=${4:-$(nproc)}
source_dir=$(cd "$(dirname "$0")" && pwd)
binary=$build/fuzz/$target
corpus=$build/fuzz/corpus-$target
seeds=$build/fuzz/seeds/$target
findings=$build/fuzz/findings-$target
# The processes' logs, and libFuzzer's temporary files (TMPDIR), stay in the build.
work=$build/fuzz/work-$target

if [ ! -x "$binary" ]; then
  echo "ERROR : $binary : no such fuzz target (is clang++ installed and LNDVIEW_FUZZ on?)" >&2
  exit 2
fi
if [ ! -d "$seeds" ]; then
  echo "ERROR : $seeds : the seeds are missing (build the project first)" >&2
  exit 2
fi
if ! [[ $processes =~ ^[1-9][0-9]*$ ]]; then
  echo "ERROR : $0 : PROCESSES must be a whole number from 1, not '$processes'" >&2
  exit 2
fi
rm -rf "$work"
mkdir -p "$corpus" "$findings" "$work"
before=$(find "$findings" -type f | wc -l)
# libFuzzer cuts every input to -max_len: allow the largest seed or kept
# input whole, and no more, so the mutations stay as small as the seeds.
max_len=$(find "$seeds" "$source_dir/regressions/$target" -type f -printf '%s\n' 2>/dev/null | sort -n | tail -n 1)
max_len=$(( ${max_len:-0} > 4096 ? max_len : 4096 ))

# A target with no kept finding yet has no regressions folder.
inputs=("$corpus" "$seeds")
[ -d "$source_dir/regressions/$target" ] && inputs+=("$source_dir/regressions/$target")

# 4 GiB per process leaves room for the other tests on a 24 GiB machine; a
# single input may take 60 s before it counts as a hang. Slow inputs are
# mutated less often (the energy of an input is scaled by its time), so a
# rare large or slow one does not take the run over. Several processes each
# write fuzz-<n>.log into the folder they start in, and read what the others
# added to the corpus every second.
options=(-max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=4096 -timeout=60 -print_final_stats=1
         -entropic_scale_per_exec_time=1 -dict="$source_dir/dict" -artifact_prefix="$findings/")
[ "$processes" -gt 1 ] && options+=(-jobs="$processes" -workers="$processes")
started=$SECONDS
(cd "$work" && TMPDIR="$work" exec "$binary" "${options[@]}" "${inputs[@]}" >"$work/main.log" 2>&1)
status=$?
elapsed=$(( SECONDS - started ))
# One process logs into main.log; several, each into its own.
logs=("$work"/fuzz-*.log)
[ -e "${logs[0]}" ] || logs=("$work/main.log")

# Sums (or the largest) of each process's figures.
stat() { sed -n "s/^stat::$1: *//p" "${logs[@]}" | awk -v how="$2" \
  '{ n++; s += $1; if ($1 > m) m = $1 } END { if (n) print (how == "sum" ? s : m) }'; }
status_field() { grep -h -E '^#[0-9]+' "${logs[@]}" | sed -n "s/.* $1: \([0-9]*\).*/\1/p" | sort -n | tail -n 1; }
runs=$(stat number_of_executed_units sum)
added=$(stat new_units_added sum)
rss=$(stat peak_rss_mb max)
per_second=$(( ${runs:-0} / (elapsed > 0 ? elapsed : 1) ))
cov=$(status_field cov)
ft=$(status_field ft)
inputs=$(find "$corpus" -type f | wc -l)
after=$(find "$findings" -type f | wc -l)

echo "$target: ${runs:-?} executions in $elapsed s, $per_second per second ($processes processes)," \
     "cov: ${cov:-?}, ft: ${ft:-?}, ${added:-?} new inputs (corpus now $inputs), peak RSS ${rss:-?} MB"
if [ "$status" -ne 0 ] || [ "$after" -gt "$before" ]; then
  echo "$target: FINDING (libFuzzer exit status $status); input kept in $findings/, logs in $work/"
  grep -h -E '^(==[0-9]+==ERROR|SUMMARY|ERROR : fuzz|.*runtime error)' "$work"/*.log | head -n 5
  ls -t "$findings" | head -n 5 | sed "s|^|  $findings/|"
  exit 1
fi
echo "$target: findings: none"

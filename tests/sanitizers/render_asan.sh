#!/usr/bin/env bash
# lndtool's drawing under ASan + UBSan with the leak check on: a sample, its
# picture with the overlay, its thumbnail and the picture of its changes from
# another sample, in a folder of the build tree.
#   render_asan.sh LNDTOOL_ASAN KEEP_LIBRARIES_SO SUPPRESSIONS WORK_DIR
set -euo pipefail
tool=$1 keep=$2 suppressions=$3
work=$(mktemp -d "$4/render-asan.XXXXXX")
trap 'rm -rf "$work"' EXIT
asan=$(gcc -print-file-name=libasan.so)
export LD_PRELOAD="$asan $keep"
export ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$suppressions" UBSAN_OPTIONS=print_stacktrace=1
"$tool" make-sample "$work/land.lnd" --blocks 6 > /dev/null
"$tool" render "$work/land.lnd" --out "$work/land.png" --overlay --size 320x240 > /dev/null
"$tool" thumbnail "$work/land.lnd" "$work/thumb.png" --size 64
"$tool" make-sample "$work/other.lnd" --blocks 9 --seed 2 > /dev/null
"$tool" render "$work/land.lnd" --changes-from "$work/other.lnd" --out "$work/changes.png" --size 320x240 > /dev/null
echo "drawn under ASan with the leak check: no report"

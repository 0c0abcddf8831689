#!/usr/bin/env bash
# Runs one command with DISPLAY set to an Xvfb of its own, on a free display
# number that Xvfb picks itself (-displayfd), so tests can run in parallel.
set -euo pipefail
fifo=$(mktemp -u); mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$fifo"' EXIT
read -r display <"$fifo"
export DISPLAY=":$display"
"$@"

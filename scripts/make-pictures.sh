#!/usr/bin/env bash
# Draws the README's pictures of the default sample with lndtool render:
#   scripts/make-pictures.sh LNDTOOL OUT_DIR
# `make pictures` runs it into docs/; the tests run it into a folder of their
# own and compare, so the pictures always show what the code draws today.
set -euo pipefail
tool=$1
out=$2
mkdir -p "$out"
sample=$(mktemp -d "${TMPDIR:-/tmp}/lndpictures.XXXXXX")
trap 'rm -rf "$sample"' EXIT
"$tool" make-sample "$sample/sample.lnd" > /dev/null
view="pos : 2560 -60 2560 | rot: 40 25 0 | zoom : -2600"
"$tool" render "$sample/sample.lnd" --out "$out/island.png" --camera "$view" > /dev/null
"$tool" render "$sample/sample.lnd" --out "$out/island-countries.png" --camera "$view" --overlay > /dev/null
"$tool" thumbnail "$sample/sample.lnd" "$out/island-thumbnail.png"
# What the glTF export's baked materials show, from over the mountains.
"$tool" render "$sample/sample.lnd" --out "$out/island-gltf.png" --camera "pos : 2500 -80 2400 | rot: 22 130 0 | zoom : -1500"

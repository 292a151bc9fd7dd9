#!/usr/bin/env bash
# Writes a few sample pictures into demo/ with tresslin encode and prints
# their paths. The module of this build is used, whatever the registry says.
set -euo pipefail
build=${1:-build/release}
tresslin=("$build/tresslin" encode --module "$build/libtresslin.so")
mkdir -p demo

"${tresslin[@]}" --symbology 20 --data "Tresslin-128" demo/code128.png
"${tresslin[@]}" --symbology 1 --data "123-4567" --text bottom demo/code11-text.gif
"${tresslin[@]}" --symbology 20 --data "ROTATED" --rotate 90 --box --border 4 demo/code128-rotated.bmp

for picture in demo/code128.png demo/code11-text.gif demo/code128-rotated.bmp; do
  echo "$(pwd)/$picture"
done

#!/usr/bin/env bash
# Shows what the engine makes of a sample Code 128 symbol.
set -euo pipefail
build=${1:-build/release}
"$build/tresslin" modules --symbology 20 --data "Tresslin-128"

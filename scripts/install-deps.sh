#!/usr/bin/env bash
# Installs the Debian packages Tresslin needs to build and test, and only those
# that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  libpng-dev zlib1g-dev libfreetype-dev libfontconfig-dev
  fonts-dejavu-core fonts-liberation
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  zbar-tools zxing-cpp-tools
  pngcheck python3-pil imagemagick gifsicle
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "install-deps: missing packages: ${missing[*]}" >&2
  echo "install-deps: run as root, or: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

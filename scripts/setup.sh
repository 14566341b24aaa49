#!/usr/bin/env bash
# Installs what Pelkora needs to build, test and run from Debian's archive.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libdeflate-dev liblz4-dev
  xvfb xauth xdotool x11-utils openbox imagemagick
  clang libclang-rt-14-dev clang-format
  zip unzip
  time python3
  librsvg2-bin dpkg-dev desktop-file-utils appstream shared-mime-info libglib2.0-bin man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs (as root, with apt-get) whatever the build and the tests need and
# is not installed yet. Quick when everything is already there.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libbenchmark-dev nlohmann-json3-dev
  libjpeg62-turbo-dev libpng-dev libsdl2-dev libmpg123-dev libmp3lame-dev
  libfreetype-dev fonts-dejavu-core
  imagemagick ffmpeg xvfb xdotool x11-utils xfonts-base evilwm
)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs every Debian package Lorvano needs to build, run and test.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config ninja-build
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # libraries
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev
  libjpeg-dev libsndfile1-dev libgtk-3-dev libasound2-dev
  libsodium-dev libsqlite3-dev
  # the acoustic judge: pocketsphinx, its US-English model, resampling to 16 kHz
  libpocketsphinx-dev pocketsphinx-en-us libsamplerate0-dev
  # fonts the bundled data names ("Arial", "Times New Roman") map onto
  fonts-liberation fonts-dejavu-core
  # tests: a real display, clicks, screenshots, synthetic speech
  xvfb xauth xdotool x11-xserver-utils x11-utils xfonts-base imagemagick espeak-ng sox libx11-dev
  # scripts (voices, mark tables, fitting): festival and flite voices beside espeak-ng
  festival flite festvox-kallpc16k festvox-us-slt-hts festvox-czech-krb
  # tests: the window tests beside a busy processor (stress-ng --cpu 2)
  stress-ng
  # tests: printed pages (PDF) turned back into pictures
  poppler-utils
  # the kill loop (scripts/kill_loop.sh): a kill injected at each system call of a save
  strace
  # validators of the desktop entry and the AppStream data
  appstream desktop-file-utils
  # the filter-design generator
  python3-scipy python3-numpy
  # pictures drawn with Pillow: the word cards (emoji) and the mouth pictures
  fonts-noto-color-emoji python3-pil
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

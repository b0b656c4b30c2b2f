#!/usr/bin/env bash
# scripts/make_gallery.sh [FOLDER]: the gallery of the real program. Runs the
# Gallery test of the build (tests/e2e/gallery_test.cpp: the program under a
# virtual X display, driven with xdotool, espeak-ng speech as its microphone)
# and keeps its screens in FOLDER (default docs/gallery/, which
# docs/gallery.md shows) as 256-colour PNGs. Builds first when the build has
# no program yet; configure arguments as with scripts/build.sh go in
# LORVANO_BUILD_ARGS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/gallery}
build=${LORVANO_BUILD_DIR:-$root/build}
if [[ ! -x "$build/bin/gallery_tests" ]]; then
  # shellcheck disable=SC2086
  "$root/scripts/build.sh" ${LORVANO_BUILD_ARGS:-}
fi
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
(cd "$build" && LORVANO_GALLERY_DIR=$shots SDL_VIDEODRIVER=offscreen \
  xvfb-run -a -s "-screen 0 1024x768x24" ctest -R '^Gallery\.' --output-on-failure)
count=$(find "$shots" -name '*.png' | wc -l)
[[ $count -gt 0 ]] || { echo "make_gallery: the test kept no screens" >&2; exit 1; }
mkdir -p "$out"
for shot in "$shots"/*.png; do
  convert "$shot" -strip +dither -colors 256 "PNG8:$out/$(basename "$shot")"
done
echo "make_gallery: $count screens in $out"

#!/usr/bin/env bash
# Sets up, builds and runs every test. Headless: SDL's offscreen video driver,
# the file audio backend, and a virtual X display for what needs one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$@"
build=${LORVANO_BUILD_DIR:-$root/build}
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
cd "$build"
exec xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j "$(nproc)"

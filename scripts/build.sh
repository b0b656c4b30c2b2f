#!/usr/bin/env bash
# Configures and builds Lorvano into build/ (or $LORVANO_BUILD_DIR).
# Extra arguments go to CMake's configure step, e.g. -DLORVANO_SANITIZE=ON.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LORVANO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja "$@"
cmake --build "$build" -j "$(nproc)"

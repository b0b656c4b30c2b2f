#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (-DLORVANO_FUZZ=ON) into
# build-fuzz (or $LORVANO_FUZZ_BUILD_DIR; not inside build/, whose fuzz/ folder
# is the main build's own) and prints that folder on its last line.
# Extra arguments go to CMake's configure step. smoke.sh and campaign.sh use it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LORVANO_FUZZ_BUILD_DIR:-$root/build-fuzz}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLORVANO_FUZZ=ON -DLORVANO_TESTS=OFF -DLORVANO_BENCH=OFF "$@" >&2
cmake --build "$build" -j "$(nproc)" --target fuzz_targets >&2
echo "$build"

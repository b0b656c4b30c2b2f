#!/usr/bin/env bash
# Sets up, builds and starts Lorvano on the bundled English data in a window.
# Arguments replace the default command line "english /WINDOW".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build=${LORVANO_BUILD_DIR:-$root/build}
[ $# -gt 0 ] || set -- english /WINDOW
exec "$build/bin/trainer" "$@"

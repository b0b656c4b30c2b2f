#!/usr/bin/env bash
# Makes the README's picture of the progress chart again
# (docs/progress_chart.png): the chart's window test drives the real program
# under a virtual X display and keeps the dialog as
# <build>/e2e_progress_chart.png, copied here in 256 colours. Every other
# screen of the program is in the gallery (scripts/make_gallery.sh).
# Arguments go to the build's configure step, as with scripts/build.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$@"
build=${LORVANO_BUILD_DIR:-$root/build}
(cd "$build" && xvfb-run -a -s "-screen 0 1024x768x24" ctest -R '^ProgressChart\.' --output-on-failure)
mkdir -p "$root/docs"
convert "$build/e2e_progress_chart.png" -strip +dither -colors 256 "PNG8:$root/docs/progress_chart.png"
ls -l "$root/docs/progress_chart.png"

#!/usr/bin/env bash
# Makes the README's screenshots again (docs/*.png). The lesson tests drive
# the real program under a virtual X display with synthetic speech and keep
# its screens as <build>/e2e_*.png; four of them are copied here, in 256
# colours. Arguments go to the build's configure step, as with scripts/build.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$@"
build=${LORVANO_BUILD_DIR:-$root/build}
(cd "$build" && xvfb-run -a -s "-screen 0 1024x768x24" ctest -R '^(Lesson|ProgressChart)\.' --output-on-failure)
mkdir -p "$root/docs"
# docs/<name>.png from <build>/e2e_<shot>.png
for pair in home:home word:word_same settings:settings progress_chart:progress_chart; do
  convert "$build/e2e_${pair#*:}.png" -strip +dither -colors 256 "PNG8:$root/docs/${pair%%:*}.png"
done
ls -l "$root/docs"/*.png

#!/usr/bin/env bash
# The processor share of the program while an exercise listens to speech:
# the build's program runs in a window on a private Xvfb, the file
# microphone hears espeak-ng speech for the whole run, the exercise is opened
# by clicking its folder's card and its own card, and the program's user and
# system time (/proc/PID/stat) over SECONDS is divided by SECONDS. The X
# server's share is given too, as showing pictures costs it as well. A
# screenshot of the exercise at the end is kept as OUT/<exercise>.png.
#
#   bench/exercise_cpu.sh [BUILD] [EXERCISE] [SECONDS] [OUT]
#   defaults: build  Voice/Loudness.exc  60  BUILD
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
exercise=${2:-Voice/Loudness.exc}
seconds=${3:-60}
out=${4:-$build}
for tool in Xvfb xdotool import espeak-ng sox; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 2; }
done

work=$(mktemp -d)
xvfb=
trainer=
cleanup() {
  exec 2>/dev/null  # no word from the shell about the jobs it kills
  [ -n "$trainer" ] && kill -KILL -- "-$trainer" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Polls a command until it succeeds, for limit seconds at most.
until_ok() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}

# A copy of the program and its language, so that the build's stays clean.
mkdir -p "$work/bin" "$work/home"
for file in trainer libPrefs.so libGuide.so libRoster.so; do cp "$build/bin/$file" "$work/bin/"; done
cp -r "$build/english" "$work/english"

# Speech enough for the whole run, a sentence every few seconds.
espeak-ng -v en-us -s 130 -w "$work/raw.wav" \
  "Hello mama. One, two, three, four. The rain in Spain stays mainly in the plain. Hello Anna." 2>/dev/null
sox "$work/raw.wav" -r 22050 -c 1 -b 16 "$work/speech.wav"
length=$(soxi -D "$work/speech.wav")
inputs=$work/speech.wav
for _ in $(seq "$(awk -v s="$seconds" -v l="$length" 'BEGIN { print int((s + 30) / (l + 0.5)) + 1 }')"); do
  inputs+=":$work/speech.wav"
done

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null &
xvfb=$!
until_ok 30 test -s "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$work/display")

HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config \
  LORVANO_AUDIO=file LORVANO_AUDIO_PACE=realtime LORVANO_AUDIO_GAP_MS=500 LORVANO_AUDIO_IN=$inputs \
  LORVANO_AUDIO_OUT=$work/played.wav SDL_AUDIODRIVER=dummy \
  setsid "$work/bin/trainer" english /WINDOW </dev/null >"$work/trainer.log" 2>&1 &
trainer=$!
find_window() { window=$(xdotool search --all --onlyvisible --pid "$trainer" --name '^Lorvano$' 2>/dev/null | head -n 1); [ -n "$window" ]; }
until_ok 60 find_window || { echo "no window" >&2; cat "$work/trainer.log" >&2; exit 1; }
# No teacher: the pupil goes on without one.
find_dialog() { dialog=$(xdotool search --all --onlyvisible --pid "$trainer" --name '^(First teacher|Teacher login)$' 2>/dev/null | head -n 1); [ -n "$dialog" ]; }
# (A key that comes before the dialog takes input is lost: Escape again.)
if until_ok 30 find_dialog; then
  escaped() { xdotool windowfocus --sync "$dialog" key --delay 50 Escape 2>/dev/null; sleep 1; ! find_dialog; }
  until_ok 30 escaped || { echo "the login stayed" >&2; exit 1; }
fi

# The card of an entry: the menu sorts folders and exercises by name,
# ignoring case, four cards of 120 pixels to a row, 10 apart, from (20, 20).
click_card() {
  local folder=$1 entry=$2 index
  index=$(cd "$folder" && for e in *; do
            if [ -d "$e" ] || [ "${e##*.}" = exc ]; then printf '%s\n' "$e"; fi
          done | LC_ALL=C sort -f | grep -nxF "$entry" | cut -d: -f1)
  [ -n "$index" ] || { echo "no card for $entry in $folder" >&2; exit 1; }
  index=$((index - 1))
  sleep 2
  xdotool mousemove --window "$window" $((20 + index % 4 * 130 + 60)) $((20 + index / 4 * 130 + 60)) click 1
  xdotool mousemove --window "$window" 790 300
}
click_card "$work/english" "$(dirname "$exercise")"
click_card "$work/english/$(dirname "$exercise")" "$(basename "$exercise")"
sleep 3

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
start_program=$(ticks "$trainer")
start_server=$(ticks "$xvfb")
sleep "$seconds"
program=$(($(ticks "$trainer") - start_program))
server=$(($(ticks "$xvfb") - start_server))
name=$(basename "$exercise" .exc)
import -window "$window" "$out/$name.png"
awk -v p="$program" -v s="$server" -v hz="$hz" -v t="$seconds" -v e="$exercise" 'BEGIN {
  printf "%s: program %.1f %% of a core (%.1f s of %d s), X server %.1f %%\n", e, 100 * p / hz / t, p / hz, t, 100 * s / hz / t
}'

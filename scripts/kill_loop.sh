#!/usr/bin/env bash
# Kills each save of the program at each system call and looks at what is
# left: the old file or the new one, whole; no temporary readable by others;
# no temporary left once a following save has run normally.
#
#   scripts/kill_loop.sh [--short] [--bin DIR] [--max N] [--paths "P..."] [--calls "C..."]
#
# The kill is strace's: -e inject=CALL:signal=KILL:when=N kills the save at
# the Nth call of CALL, for N = 1, 2, ... until a run no longer reaches it.
# Save paths: users-first and users-later (lorvano-roster add-teacher on a
# missing and on an existing users file), say (a word exercise's say.wav),
# keep (a teacher's Keep of a say for a pupil), ini (the settings sheet's OK),
# exercise (a teacher's new exercise from the recorder: take, etalon and
# exercise files) and corridor (the spectrum exercise's F2, which writes the
# corridor back into its definition) and models (lorvano-analyze models:
# Models.ini, then Limits.ini, which is worked out from it; a kill between
# the two leaves the new models beside the old limits, counted "m").
# Prints a table save path x system call -> outcome: "old+new" counts of the
# kills, "BAD" when any kill left something wrong (said below the table),
# "-" when the save never makes that call. Exit status 1 on any BAD.
# --short is the form CI runs: fewer calls, users file and say.wav only.
set -u

bin=${LORVANO_BUILD_DIR:-build}/bin
max=2000
paths="users-first users-later say keep ini exercise corridor models"
calls="openat write fsync fchmod rename close unlink getdents64 mkdir"
while [ $# -gt 0 ]; do
  case "$1" in
    --short) paths="users-first users-later say"; calls="write fsync fchmod rename" ;;
    --bin) bin=$2; shift ;;
    --max) max=$2; shift ;;
    --paths) paths=$2; shift ;;
    --calls) calls=$2; shift ;;
    *) echo "usage: $0 [--short] [--bin DIR] [--max N] [--paths \"P...\"] [--calls \"C...\"]" >&2; exit 2 ;;
  esac
  shift
done
command -v strace >/dev/null || { echo "kill_loop: strace is missing (scripts/setup.sh installs it)" >&2; exit 2; }
# A container without the right to trace cannot run the loop: exit 77, which CTest counts as skipped.
strace -qq -o /dev/null true 2>/dev/null || { echo "kill_loop: strace may not trace here" >&2; exit 77; }
bin=$(cd "$bin" && pwd) || exit 2
roster=$bin/lorvano-roster
driver=$bin/save_driver
analyze=$bin/lorvano-analyze
src=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/kill-loop-XXXXXX") && [ -d "$work" ] || exit 2
trap 'rm -rf "$work"' EXIT
# Files a save creates would be readable by others under this umask: a
# temporary that is not private from its creation shows up.
umask 022
echo pw > "$work/password"

# A 22050 Hz mono 16-bit WAV of the given length in seconds and tone.
make_wav() {
  python3 - "$1" "$2" "$3" <<'EOF'
import math, struct, sys, wave
path, seconds, hz = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
with wave.open(path, "wb") as w:
    w.setnchannels(1); w.setsampwidth(2); w.setframerate(22050)
    w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * hz * i / 22050)))
                           for i in range(int(seconds * 22050))))
EOF
}

# save PATH DIR [strace options...]: runs the save once in DIR.
save() {
  local path=$1 d=$2
  shift 2
  case "$path" in
    users-*) "$@" "$roster" --users "$d/u/TrUsers.dat" add-teacher B < "$work/password" ;;
    say) "$@" "$driver" say "$tpl/src/new.wav" "$d/say.wav" ;;
    keep) "$@" "$driver" keep "$d/say.wav" "$d/pupils" Ann ;;
    ini) TMPDIR=$d/tmp "$@" "$driver" ini "$d/trainer.ini" on ;;
    exercise) (cd "$d" && "$@" "$driver" exercise trainer.ini take.wav out/cat.exc) ;;
    corridor) "$@" "$driver" corridor "$d/trainer.ini" "$d/rt.exc" ;;
    models) "$@" "$analyze" models "$src/data/english/Words/Fish.dat" --data "$src/data/english" --out "$d" ;;
  esac
}

# The templates: each path's folder before the save ("old") and the files a
# whole save gives ("new").
tpl=$work/tpl
mkdir -p "$tpl/users-first/u" "$tpl/users-later/u" "$tpl/say" "$tpl/keep/pupils" "$tpl/ini/tmp" "$tpl/src" \
  "$tpl/exercise/out" "$tpl/corridor" "$tpl/models" "$tpl/src/models-new"
"$roster" --users "$tpl/users-later/u/TrUsers.dat" add-teacher A < "$work/password" || exit 2
make_wav "$tpl/src/old.wav" 0.5 300 && make_wav "$tpl/src/new.wav" 1.2 500 || exit 2
"$driver" say "$tpl/src/old.wav" "$tpl/say/say.wav" && "$driver" say "$tpl/src/new.wav" "$tpl/src/say-new.wav" || exit 2
cp "$tpl/src/say-new.wav" "$tpl/keep/say.wav"
"$driver" keep "$tpl/keep/say.wav" "$tpl/keep/pupils" Ann && rm -f "$tpl/keep/pupils/Ann/"* || exit 2
TMPDIR=$tpl/ini/tmp "$driver" ini "$tpl/ini/trainer.ini" off || exit 2
cp "$tpl/ini/trainer.ini" "$tpl/src/ini-old"
mkdir -p "$work/n" && cp -a "$tpl/ini/." "$work/n/" &&
  TMPDIR=$work/n/tmp "$driver" ini "$work/n/trainer.ini" on && cp "$work/n/trainer.ini" "$tpl/src/ini-new" || exit 2
[ -s "$tpl/src/ini-new" ] && ! cmp -s "$tpl/src/ini-old" "$tpl/src/ini-new" || { echo "kill_loop: no settings change" >&2; exit 2; }
# The recorder and the spectrum exercise read the filter bank's settings.
for p in exercise corridor; do
  printf '[Preprocessor]\nCoeficients=%s\nEqualize=%s\n' "$src/data/english/coef.dat" "$src/data/english/calib.txt" \
    > "$tpl/$p/trainer.ini"
done
make_wav "$tpl/exercise/take.wav" 1.0 400 || exit 2
# A definition whose lists are spaced: F2 writes them back compact.
{
  echo "<vTrRtHmExercise_c> Obj = {"
  echo "<vDxSimpleImage_c> Level1Pic = { Width = 400; Height = 300; BPP = 32; }"
  for entry in MinValues1:1000 MaxValues1:3000 MinWeight1:50 MaxWeight1:50; do
    printf '%s = ( %s' "${entry%%:*}" "${entry#*:}"
    for _ in $(seq 19); do printf ', %s' "${entry#*:}"; done
    echo " );"
  done
  echo "}"
} > "$tpl/corridor/rt.exc"
# Their new files, made where the kills happen: the exercise names its files relative to its folder.
for p in exercise corridor; do
  rm -rf "$work/run" && cp -a "$tpl/$p" "$work/run" && save "$p" "$work/run" && mkdir "$tpl/src/$p-new" || exit 2
  if [ $p = exercise ]; then cp "$work/run/out/"* "$tpl/src/$p-new/"; else cp "$work/run/rt.exc" "$tpl/src/$p-new/"; fi
done
"$analyze" models "$src/data/english/Words/Cat.dat" --data "$src/data/english" --out "$tpl/models" >/dev/null &&
  "$analyze" models "$src/data/english/Words/Fish.dat" --data "$src/data/english" --out "$tpl/src/models-new" >/dev/null ||
  exit 2
[ -e "$tpl/src/exercise-new/cat.exc" ] && ! cmp -s "$tpl/corridor/rt.exc" "$tpl/src/corridor-new/rt.exc" ||
  { echo "kill_loop: the exercise or the corridor save changed nothing" >&2; exit 2; }

# check PATH DIR: what is wrong with the folder after a kill (nothing printed
# when all is well); prints "old" or "new" on its own when whole.
check() {
  local path=$1 d=$2 f list
  f=$(find "$d" -name '*.lorvano-tmp' -perm /077 | head -1)
  [ -n "$f" ] && { echo "temporary readable by others: ${f#"$d"/} ($(stat -c %a "$f"))"; return; }
  case "$path" in
    users-*)
      f=$d/u/TrUsers.dat
      [ -e "$f" ] && [ "$(stat -c %a "$f")" != 600 ] && { echo "users file mode $(stat -c %a "$f")"; return; }
      list=$("$roster" --users "$f" list 2>&1) || { echo "users file refused: $list"; return; }
      list=$(printf '%s\n' "$list" | grep -v '^The users file .* is empty: ' | tr '\t' ' ' | paste -sd';')
      local old="" new="teacher B"
      [ "$path" = users-later ] && old="teacher A" new="teacher A;teacher B"
      [ "$list" = "$old" ] && { echo old; return; }
      [ "$list" = "$new" ] && { echo new; return; }
      echo "users file lists: $list" ;;
    say)
      cmp -s "$d/say.wav" "$tpl/say/say.wav" && { echo old; return; }
      cmp -s "$d/say.wav" "$tpl/src/say-new.wav" && { echo new; return; }
      echo "say.wav is neither version ($(stat -c %s "$d/say.wav" 2>/dev/null || echo missing))" ;;
    keep)
      local wavs=0
      for f in "$d/pupils/Ann/"*.wav; do
        [ -e "$f" ] || continue
        cmp -s "$f" "$d/say.wav" || { echo "kept recording is partial: ${f##*/}"; return; }
        wavs=$((wavs + 1))
      done
      for f in "$d/pupils/Ann/"*.info; do
        [ -e "$f" ] || continue
        tail -1 "$f" | grep -q '^Created=' || { echo "recording's info is partial: ${f##*/}"; return; }
      done
      [ $wavs -eq 0 ] && echo old || echo new ;;
    ini)
      cmp -s "$d/trainer.ini" "$tpl/src/ini-old" && { echo old; return; }
      cmp -s "$d/trainer.ini" "$tpl/src/ini-new" && { echo new; return; }
      echo "trainer.ini is neither version" ;;
    exercise)
      for f in "$d/out/"*; do
        [ -e "$f" ] || continue
        cmp -s "$f" "$tpl/src/exercise-new/${f##*/}" || { echo "${f##*/} is partial"; return; }
      done
      [ -e "$d/out/cat.exc" ] && echo new || echo old ;;
    corridor)
      cmp -s "$d/rt.exc" "$tpl/corridor/rt.exc" && { echo old; return; }
      cmp -s "$d/rt.exc" "$tpl/src/corridor-new/rt.exc" && { echo new; return; }
      echo "the definition is neither version" ;;
    models)
      local which=""
      for f in Models.ini Limits.ini; do
        if cmp -s "$d/$f" "$tpl/models/$f"; then which+=" old"
        elif cmp -s "$d/$f" "$tpl/src/models-new/$f"; then which+=" new"
        else echo "$f is neither version"; return
        fi
      done
      case "$which" in " old old") echo old ;; " new new") echo new ;; " new old") echo mixed ;; *) echo "$which" ;; esac ;;
  esac
}

# after PATH DIR: a normal save after the kill; what is wrong then.
after() {
  local path=$1 d=$2 out f
  case "$path" in
    users-*) out=$("$roster" --users "$d/u/TrUsers.dat" add-teacher C < "$work/password" 2>&1) ||
               { echo "the next save failed: $out"; return; } ;;
    *) out=$(save "$path" "$d" 2>&1) || { echo "the next save failed: $out"; return; } ;;
  esac
  f=$(find "$d" -name '*.lorvano-tmp' | head -1)
  [ -n "$f" ] && echo "temporary left after the next save: ${f#"$d"/}"
}

declare -A cell
bad_lines=()
for path in $paths; do
  for call in $calls; do
    old=0 new=0 mixed=0 bad=0 n=1
    while [ $n -le $max ]; do
      d=$work/run
      rm -rf "$d" && cp -a "$tpl/$path" "$d"
      save "$path" "$d" strace -f -qq -o /dev/null -e "inject=$call:signal=KILL:when=$n" >/dev/null 2>&1
      [ $? -eq 137 ] || break  # the save made fewer calls: every point was tried
      what=$(check "$path" "$d")
      case "$what" in
        old) old=$((old + 1)) ;;
        new) new=$((new + 1)) ;;
        mixed) mixed=$((mixed + 1)) ;;
        *) bad=$((bad + 1)); bad_lines+=("$path $call#$n: $what") ;;
      esac
      if [ "$what" = old ] || [ "$what" = new ] || [ "$what" = mixed ]; then
        what=$(after "$path" "$d")
        [ -n "$what" ] && { bad=$((bad + 1)); bad_lines+=("$path $call#$n: $what"); }
      fi
      n=$((n + 1))
    done
    if [ $n -eq 1 ]; then cell[$path,$call]="-"
    elif [ $bad -gt 0 ]; then cell[$path,$call]="BAD $bad/$((n - 1))"
    else cell[$path,$call]="${old}o+${new}n"; [ $mixed -gt 0 ] && cell[$path,$call]+="+${mixed}m"
    fi
  done
done

printf '%-12s' "save path"
for call in $calls; do printf ' %-11s' "$call"; done
echo
for path in $paths; do
  printf '%-12s' "$path"
  for call in $calls; do printf ' %-11s' "${cell[$path,$call]}"; done
  echo
done
echo "(cell: kills that left the old file(s) \"o\" + the new one(s) \"n\" [+ new models beside old limits \"m\"]; - : the save makes no such call)"
if [ ${#bad_lines[@]} -gt 0 ]; then
  printf '%s\n' "${bad_lines[@]}"
  exit 1
fi

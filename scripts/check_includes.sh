#!/usr/bin/env bash
# Fails when a folder of src/ includes from a folder above it, or from a
# folder beside it, against the dependency line of the README's layout
# ("Library dependencies run one way: a ← b, c ← ..."): a folder may include
# only from its own step (its own folder and subfolders) or the steps to its
# left. src/CMakeLists.txt must state the same line. Known violations,
# listed below as file -> folder, are reported but do not fail; one that no
# longer occurs fails, so that the list only shrinks.
#
#   scripts/check_includes.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

known=()

line=$(grep -m1 '^Library dependencies run one way: ' "$root/README.md" | sed 's/^Library dependencies run one way: //; s/\.$//')
[[ -n $line ]] || { echo "README.md states no dependency line" >&2; exit 1; }
cmake_line=$(grep -m1 '^# platform' "$root/src/CMakeLists.txt" | sed 's/^# //; s/\.$//; s/<-/←/g')
if [[ $cmake_line != "$line" ]]; then
  echo "src/CMakeLists.txt states \"$cmake_line\", the README \"$line\"" >&2
  exit 1
fi

declare -A step
n=0
IFS='←' read -ra steps <<<"$line"
for s in "${steps[@]}"; do
  [[ -z ${s// /} ]] && continue
  IFS=',' read -ra folders <<<"$s"
  for f in "${folders[@]}"; do
    f=${f// /}
    step[$f]=$n
  done
  n=$((n + 1))
done

# The folder of the table a path (relative to src/) belongs to: its longest
# listed prefix.
owner() {
  local p=$1
  while [[ -n $p ]]; do
    [[ -n ${step[$p]+x} ]] && { echo "$p"; return; }
    [[ $p == */* ]] || break
    p=${p%/*}
  done
}

status=0
declare -A seen
while IFS= read -r file; do
  rel=${file#"$root"/src/}
  from=$(owner "$(dirname "$rel")")
  [[ -z $from ]] && continue
  while IFS= read -r inc; do
    to=$(owner "$(dirname "$inc")")
    [[ -z $to || $to == "$from" ]] && continue
    (( step[$to] < step[$from] )) && continue
    entry="src/$rel -> $to"
    [[ -n ${seen[$entry]+x} ]] && continue
    seen[$entry]=1
    if printf '%s\n' "${known[@]}" | grep -qxF "$entry"; then
      echo "known: $entry"
    else
      echo "not allowed: $entry ($from may include only folders to its left in the README's line)" >&2
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$root/src" -name '*.h' -o -name '*.cpp' | sort)

for entry in "${known[@]}"; do
  if [[ -z ${seen[$entry]+x} ]]; then
    echo "listed as known but gone: $entry (remove it from the list)" >&2
    status=1
  fi
done
exit $status

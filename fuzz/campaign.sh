#!/usr/bin/env bash
# fuzz/campaign.sh MINUTES [TARGET...]: runs every fuzz target (or the ones
# named) for MINUTES each, one after the other, with -timeout=10 so that a
# hang is reported as a find. A target that finds something is started again
# until its time is used up.
#
# New corpus entries go to $LORVANO_FUZZ_OUT/corpus/<target>/ and every crash,
# timeout or memory blow-up to $LORVANO_FUZZ_OUT/finds/ (the default folder is
# ${XDG_CACHE_HOME:-~/.cache}/lorvano-fuzz, outside the repository; the seeds
# in fuzz/corpus/ are only read). Replay a find with
# build-fuzz/bin/<target> <file>; copy it into fuzz/corpus/<target>/ once fixed.
#
# Prints per target: executions, executions per second, coverage (cov: edges,
# ft: features), corpus entries kept, finds. Exits 1 when anything was found.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ $# -lt 1 || ! "$1" =~ ^[0-9]+$ || "$1" -eq 0 ]]; then
  echo "usage: fuzz/campaign.sh MINUTES [TARGET...]" >&2
  exit 2
fi
seconds=$(( $1 * 60 ))
shift
out=${LORVANO_FUZZ_OUT:-${XDG_CACHE_HOME:-$HOME/.cache}/lorvano-fuzz}
build=$("$root/fuzz/build.sh" | tail -n 1)
mkdir -p "$out/finds" "$out/logs"

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for seeds in "$root"/fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

count_files() { find "$1" -type f 2>/dev/null | wc -l; }

printf '%-18s %12s %8s %7s %8s %8s %6s\n' target executions exec/s cov ft corpus finds
total_finds=0
for name in "${targets[@]}"; do
  program="$build/bin/$name"
  [[ -x "$program" ]] || { echo "$name: no program built" >&2; exit 2; }
  corpus="$out/corpus/$name"
  mkdir -p "$corpus"
  log="$out/logs/$name.log"
  : >"$log"
  finds_before=$(find "$out/finds" -name "$name-*" -type f | wc -l)
  start=$(date +%s)
  execs=0
  while :; do
    left=$(( seconds - ($(date +%s) - start) ))
    (( left > 0 )) || break
    run_log=$(mktemp)
    found=$(find "$out/finds" -name "$name-*" -type f | wc -l)
    # The fuzzer adds to the first folder only; the seeds are read.
    (cd "$out" && "$program" "$corpus" "$root/fuzz/corpus/$name" -max_total_time="$left" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$out/finds/$name-" >"$run_log" 2>&1) || true
    cat "$run_log" >>"$log"
    n=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$run_log" | tail -n 1)
    execs=$(( execs + ${n:-0} ))
    rm -f "$run_log"
    # A run that ended without a find has used all its time.
    (( $(find "$out/finds" -name "$name-*" -type f | wc -l) > found )) || break
  done
  elapsed=$(( $(date +%s) - start ))
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || true)
  finds=$(( $(find "$out/finds" -name "$name-*" -type f | wc -l) - finds_before ))
  total_finds=$(( total_finds + finds ))
  printf '%-18s %12d %8d %7s %8s %8d %6d\n' "$name" "$execs" $(( execs / (elapsed > 0 ? elapsed : 1) )) \
    "$(awk '{print $2}' <<<"${cov:-cov: 0 ft: 0}")" "$(awk '{print $4}' <<<"${cov:-cov: 0 ft: 0}")" \
    "$(count_files "$corpus")" "$finds"
done
echo "corpus and finds: $out"
[[ $total_finds -eq 0 ]]
